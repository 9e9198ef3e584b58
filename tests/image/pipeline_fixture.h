#pragma once
// One load's world for a test: a settings file in a fresh folder, the image, the run-wide
// values and a recording screen, with helpers for the two roads.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/profile.h"
#include "base/run_state.h"
#include "image/image_buffer.h"
#include "image/load_keys.h"
#include "image/load_pipeline.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo::test {

class PipelineTest : public ::testing::Test {
 protected:
  PipelineTest() : profile(dir.file("TovanHistory_1.ini")) {}

  LoadContext ctx() { return {image, rs, profile, ui}; }

  std::string key(const char* k, const char* section = keys::kLoadDlg) const {
    return profile.readText(section, k, "<missing>");
  }

  // The window road for a device whose dialog was confirmed ([LoadDlg] OK = 1).
  bool windowLoad(const std::string& file, uint32_t format, bool fillFlag, uint32_t fill = 0xFF,
                  const std::string& startHex = "0", const std::string& destDecimal = "0") {
    ui.page = Page::Window;
    profile.writeText(keys::kLoadDlg, keys::kOk, "1");
    LoadRequest& req = image.request();
    req.fileName = file;
    req.format = format;
    req.fillFlag = fillFlag ? 1 : 0;
    req.fillByte = fill;
    req.destination = destDecimal;
    rs.StartText = "0x" + startHex;
    LoadContext c = ctx();
    return HandOff(c);
  }

  // The batch road as the runner leaves it (StartText already without its switch letters).
  bool batchLoad(const std::string& file, const std::string& startHex = "0000000",
                 const std::string& formatText = "0") {
    ui.page = Page::Batch;
    rs.SourceFileName = file;
    rs.StartText = startHex;
    rs.BatchFormatText = formatText;
    image.request() = LoadRequest{};
    LoadContext c = ctx();
    return HandOff(c);
  }

  std::vector<uint8_t> imageBytes(uint32_t from, uint32_t n) const {
    return {image.data() + from, image.data() + from + n};
  }

  TempDir dir;
  Profile profile;
  ImageBuffer image;
  RunState rs;
  RecordingUi ui;
};

}  // namespace zarvo::test
