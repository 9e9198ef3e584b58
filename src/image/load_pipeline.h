#pragma once
// The one road by which a file becomes the image a unit receives. Window mode and batch
// mode call HandOff before every download; which road LoadImage takes follows the page
// showing (Ui::activePage): the batch page takes the batch road, every other page the
// window road. Parameters travel through section [LoadDlg] of the settings file, under its
// SettingsLock for the whole load: another program's load or write waits (a lock not free
// within the profile's lockWaitMs fails the load with a box naming the file and the holder).
//
// Contract with the callers:
//  - Window road (window-mode run): before HandOff the caller fills image.request() with
//    the device's own load parameters read from its [DeviceN] section and panel: fileName,
//    fillByte, fillFlag, format, destination (decimal text), and sets rs.StartText to "0x"
//    followed by the panel's start address (hexadecimal digits, at most 8). That start
//    address is the one source offset this road applies (once, in the raw read). The window
//    preparation writes these values to [LoadDlg] (Name, UserFill, UnuserFillCheck, Format,
//    SourceSAdd, DistSAdd), so a dialog confirmed last for another device does not leak its
//    format, source start or destination into this device's load. [LoadDlg] OK is not
//    written by a preparation, on success or failure: a Cancel in the dialog still stops
//    the next run, and a settings file without the key (nobody ever cancelled) loads.
//  - Batch road (batch runner): rs.SourceFileName is the line's file (already resolved to
//    a path that exists on this machine), rs.ChunkText, rs.BatchFormatText and
//    rs.DataSetSwitch from the line; image.request(): fillByte 0xFF, fillFlag 1, format 0,
//    source start/end and destination "0000000".
//    rs.StartText must be the source offset as HEXADECIMAL digits without prefix (at most
//    7, e.g. "0000000", "1F00"), optionally still carrying its two switch letters ("/S1F00",
//    which the start-switch check removes). For a chunk switch /Nn the runner sets it to the
//    chunk's offset IC size x (n - 1) in hexadecimal ("10000" for /N2 with /512), not in the
//    decimal form the switch table speaks of. The offset is rounded down to a multiple of
//    16, checked against the file length, written to [LoadDlg] SourceSAdd and applied once,
//    by the raw read; HEX formats ignore it (their addresses say where bytes go).
//  - StoreImage is called by the load with b = 0 on both roads: the raw read has already
//    moved the file down by the one source offset, and a second offset here (the old
//    decimal reading of StartText) would apply a start switch twice.
//
// All functions return true on success; a failure has already been reported.

#include <cstdint>
#include <span>

#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"
#include "image/image_buffer.h"
#include "image/readers.h"
#include "image/tables.h"

namespace zarvo {

struct LoadContext {
  ImageBuffer& image;
  RunState& rs;
  Profile& profile;
  Ui& ui;
  // The memory of the unit the image is for, which the image is repeated across; 0 for
  // rs.DeviceMemorySize.
  uint32_t unitMemory = 0;
  // The device panel (1..4) a window-mode load is for: the format Auto Detect finds is shown
  // in a box once per panel and file, not at every run.
  int panel = 0;
  // A run nobody watches (a hand-off auto-run, a watch run): what Auto Detect finds goes to
  // the message pane instead of a box that would stop the run.
  bool unattended = false;
};

// LoadImage, then the sum and range when [LoadDlg] OK is set and the load was not
// cancelled. On failure of the storage check the lamp goes to fail.
bool HandOff(LoadContext& ctx);
bool LoadImage(LoadContext& ctx);

// Fill flag set: fill the whole image, select the data-set lane, mirror across the unit
// memory. Fill flag clear: the data-set lane only, the rest of the image as it was.
// Both grow the image before they write and return false (image bytes untouched) when it
// cannot grow; neither reads past src nor writes past the image, whatever d and count are.
bool StoreImage(LoadContext& ctx, std::span<const uint8_t> src, uint32_t count, uint32_t d,
                uint8_t fill, Lane lane);
bool CopyImage(LoadContext& ctx, std::span<const uint8_t> src, uint32_t count, uint32_t d, Lane lane);
// The last step of every format: StoreImage with the fill flag set, CopyImage without; then
// the image's start address is d and its end d + count. `data` names where the file's
// bytes lie in src (shifted down by `shift`): an image whose IC window would hold none of
// them is refused with kNoFileDataText, nothing placed.
bool PlaceImage(LoadContext& ctx, std::span<const uint8_t> src, uint32_t count, uint32_t d, uint8_t fill,
                bool fillFlag, std::span<const DataRun> data, uint64_t shift);
// Whether a byte of the file lands in the IC window [0, window) of the image when count
// source bytes are placed from d through the lane (a window of 0 judges nothing).
bool FileDataInIc(std::span<const DataRun> data, uint64_t shift, uint32_t count, Lane lane, uint32_t d,
                  uint32_t window);
inline constexpr const char* kNoFileDataText = "Error !! No file data within the IC range, nothing downloaded...";

// The largest destination start a load accepts.
inline constexpr uint32_t kMaxDestination = 0xF00000;

}  // namespace zarvo
