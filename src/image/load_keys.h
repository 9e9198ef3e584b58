#pragma once
// Names of the settings keys through which load parameters travel, and the small text
// conversions every load step shares. Keys match without regard to case in the file; the
// spellings here are the ones the program writes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarvo::keys {

inline constexpr const char* kLoadDlg = "LoadDlg";
inline constexpr const char* kCommon = "CommonParameterSet";
inline constexpr const char* kCommonDataSelect = "CommonDataSelect";

inline constexpr const char* kName = "Name";
inline constexpr const char* kFormat = "Format";
inline constexpr const char* kSourceSAdd = "SourceSAdd";
inline constexpr const char* kSourceEAdd = "SourceEAdd";
inline constexpr const char* kDistSAdd = "DistSAdd";
inline constexpr const char* kUserFill = "UserFill";
inline constexpr const char* kUnuserFillCheck = "UnuserFillCheck";
inline constexpr const char* kOk = "OK";

// "Device1" .. "Device4".
std::string DeviceSection(int device);

}  // namespace zarvo::keys

namespace zarvo {

// Hexadecimal digits only (either case), at most 8 of them; empty text is 0, as an empty
// address field means the start. Anything else is no number.
std::optional<uint32_t> ParseHexText(std::string_view text);
// Decimal digits only, below 2^32; empty text is no number.
std::optional<uint32_t> ParseDecimalText(std::string_view text);

}  // namespace zarvo
