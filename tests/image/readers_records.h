#pragma once
// Hand-made HEX records for the cases a reference tool will not write (bad checksums, cut
// records, odd prefixes). Reference files themselves come from srec_cat.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace zarvo::test {

inline std::string HexByte(unsigned v) {
  char b[3];
  std::snprintf(b, sizeof b, "%02X", v & 0xFF);
  return b;
}

// One Intel record with its correct checksum (plus `checksumDelta` to spoil it).
inline std::string IntelRecord(unsigned type, unsigned address, const std::vector<uint8_t>& data,
                               int checksumDelta = 0) {
  unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
  // Built by appending: g++ 12 at -O3 warns falsely on "literal" + string.
  std::string s = ":";
  s += HexByte(static_cast<unsigned>(data.size()));
  s += HexByte(address >> 8);
  s += HexByte(address);
  s += HexByte(type);
  for (uint8_t b : data) {
    s += HexByte(b);
    sum += b;
  }
  s += HexByte(static_cast<unsigned>((0x100 - (sum & 0xFF)) + checksumDelta));
  s += "\r\n";
  return s;
}

inline std::string IntelEof() { return ":00000001FF\r\n"; }

// One S-record; `addressBytes` 2, 3 or 4 (S1, S2, S3 and S9, S8, S7).
inline std::string SRecord(char type, unsigned addressBytes, uint32_t address,
                           const std::vector<uint8_t>& data, int checksumDelta = 0) {
  unsigned count = addressBytes + static_cast<unsigned>(data.size()) + 1;
  unsigned sum = count;
  std::string s = "S";
  s += type;
  s += HexByte(count);
  for (unsigned i = addressBytes; i-- > 0;) {
    unsigned b = (address >> (8 * i)) & 0xFF;
    s += HexByte(b);
    sum += b;
  }
  for (uint8_t b : data) {
    s += HexByte(b);
    sum += b;
  }
  s += HexByte((~sum & 0xFF) + static_cast<unsigned>(checksumDelta));
  s += "\r\n";
  return s;
}

inline unsigned NibbleSum(const std::string& digits) {
  unsigned s = 0;
  for (char c : digits) s += static_cast<unsigned>(c <= '9' ? c - '0' : (c & ~0x20) - 'A' + 10);
  return s & 0xFF;
}

// One Tektronix record; the deltas spoil the header or the data checksum.
inline std::string TekRecord(unsigned address, const std::vector<uint8_t>& data, int headerDelta = 0,
                             int dataDelta = 0) {
  char a[5];
  std::snprintf(a, sizeof a, "%04X", address & 0xFFFF);
  std::string head = a;
  head += HexByte(static_cast<unsigned>(data.size()));
  std::string digits;
  for (uint8_t b : data) digits += HexByte(b);
  std::string s = "/";
  s += head;
  s += HexByte(NibbleSum(head) + static_cast<unsigned>(headerDelta));
  s += digits;
  if (!data.empty()) s += HexByte(NibbleSum(digits) + static_cast<unsigned>(dataDelta));
  s += "\r\n";
  return s;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace zarvo::test
