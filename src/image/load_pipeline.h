#pragma once
// The one road by which a file becomes the image a unit receives. Window mode and batch
// mode call HandOff before every download; which road LoadImage takes follows the page
// showing (Ui::activePage): the batch page takes the batch road, every other page the
// window road. Parameters travel through section [LoadDlg] of the settings file.
//
// Contract with the callers:
//  - Window road (window-mode run): before HandOff the caller fills image.request() with
//    the device's own load parameters read from its [DeviceN] section and panel: fileName,
//    fillByte, fillFlag, format, destination (decimal text), and sets rs.StartText to "0x"
//    followed by the panel's start address (hexadecimal). That start address is the one
//    source offset this road applies (once, in the raw read).
//  - Batch road (batch runner): rs.SourceFileName is the line's file (already resolved to
//    a path that exists on this machine), rs.StartText the start text left by the runner
//    (hexadecimal digits, or a chunk's decimal offset turned into its hexadecimal form by
//    the runner), rs.ChunkText, rs.BatchFormatText and rs.DataSetSwitch from the line;
//    image.request(): fillByte 0xFF, fillFlag 1, format 0, source start/end and
//    destination "0000000". The start switch is applied once.
//
// All functions return true on success; a failure has already been reported.

#include <cstdint>
#include <span>

#include "base/profile.h"
#include "base/run_state.h"
#include "base/ui.h"
#include "image/image_buffer.h"

namespace zarvo {

struct LoadContext {
  ImageBuffer& image;
  RunState& rs;
  Profile& profile;
  Ui& ui;
};

// LoadImage, then the sum and range when [LoadDlg] OK is set and the load was not
// cancelled. On failure of the storage check the lamp goes to fail.
bool HandOff(LoadContext& ctx);
bool LoadImage(LoadContext& ctx);

// Fill flag set: fill the whole image, select the data-set lane from source offset b,
// mirror across the unit memory. Fill flag clear: copy unchanged.
void StoreImage(LoadContext& ctx, std::span<const uint8_t> src, uint32_t count, uint32_t d,
                uint8_t fill, uint32_t b = 0);
void CopyImage(LoadContext& ctx, std::span<const uint8_t> src, uint32_t count, uint32_t d);

}  // namespace zarvo
