// zarvo-r5-cli image end to end: the bytes it writes follow the load rules exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli_run.h"
#include "image/image_buffer.h"
#include "image/tables.h"
#include "recording_ui.h"

namespace zarvo {
namespace {

using Bytes = std::vector<uint8_t>;
using test::RunCli;
using test::TempDir;

struct Load {
  std::string dataSet = "/8BIT_Every";
  bool fillFlag = true;
  uint8_t fill = 0xFF;
  uint32_t sourceStart = 0, dest = 0, ic = 0, memory = 0, length = 0;
};

// The image a window-road load of a binary file makes, written independently of the code.
Bytes ExpectedImage(const Bytes& file, const Load& l) {
  const size_t L = file.size();
  Bytes raw(L + 1024, 0);
  std::fill_n(raw.begin(), L, l.fill);
  if (l.sourceStart < L) std::copy(file.begin() + l.sourceStart, file.end(), raw.begin());
  Bytes img(std::max<size_t>({9216, l.dest + L, l.memory, l.length}) + 0x20000, 0);
  test::RecordingUi ui;
  const Lane lane = LaneOf(l.dataSet, ui);
  // The lane applies with or without fill; only fill and mirroring need the fill flag.
  if (!l.fillFlag) std::fill_n(img.begin(), 9216, 0xFF);  // the start-up image
  else std::fill(img.begin(), img.end(), l.fill);
  size_t k = 0;
  for (size_t p = 0; p < L; p += lane.stride) img[l.dest + k++] = raw[lane.lane + p];
  if (l.fillFlag) {
    for (uint32_t i = 1; l.ic && i < l.memory / l.ic; ++i) std::copy_n(img.begin(), l.ic, img.begin() + i * l.ic);
  }
  img.resize(l.length);
  return img;
}

std::string Hex(uint32_t v, const char* fmt) {
  char b[16];
  std::snprintf(b, sizeof b, fmt, v);
  return b;
}

class CliImage : public ::testing::Test {
 protected:
  test::CliResult run(const std::string& file, std::vector<std::string> extra) {
    std::vector<std::string> args{"image", file, "-o", dir.file("out.img"), "--settings", dir.file("s.ini")};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunCli(dir, args);
  }
  TempDir dir;
};

TEST_F(CliImage, BinaryFileForEveryDataSetWithAndWithoutFill) {
  const Bytes file = test::RandomBytes(3000, 42);
  const std::string f = dir.write("fw.bin", file);
  for (const DataSet& ds : kDataSetTable) {
    for (bool fill : {true, false}) {
      Load l;
      l.dataSet = ds.switchText;
      l.fillFlag = fill;
      l.fill = 0x5C;
      l.sourceStart = 0x10;
      l.dest = 0x230;
      l.ic = 0x1000;
      l.length = 0x1000;
      std::vector<std::string> args{"--format", "bin", "--dataset", l.dataSet, "--source-start", "10", "--dest", "230"};
      if (fill) args.insert(args.end(), {"--fill", "5C"});
      else args.insert(args.end(), {"--fill", "5C", "--no-fill"});
      const auto r = run(f, args);
      ASSERT_EQ(r.status, 0) << ds.switchText << " fill " << fill << "\n" << r.err;
      const Bytes want = ExpectedImage(file, l);
      const Bytes got = test::ReadFileBytes(dir.file("out.img"));
      ASSERT_EQ(got.size(), want.size());
      EXPECT_TRUE(got == want) << ds.switchText << " fill " << fill;
      uint32_t sum = 0;
      for (size_t i = 0; i < file.size(); ++i) sum += want[i];
      EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "[Range: 0x00001000] => SUM :0x" + Hex(sum, "%08X") + "\n")
          << ds.switchText;
    }
  }
}

TEST_F(CliImage, MirroringAcrossTheDeviceMemory) {
  const Bytes file = test::RandomBytes(0x700, 7);
  const std::string f = dir.write("fw.bin", file);
  struct Case {
    const char* ic;
    uint32_t icSize;
    const char* memory;
    uint32_t memSize;
  } cases[] = {{"/16", 0x800, "80000", 0x80000}, {"/2732", 0x1000, "1800", 0x1800}};
  for (const Case& c : cases) {
    Load l;
    l.ic = c.icSize;
    l.memory = c.memSize;
    l.length = c.memSize;
    const auto r = run(f, {"--ic", c.ic, "--device-memory", c.memory, "--length", std::to_string(c.memSize)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(test::ReadFileBytes(dir.file("out.img")) == ExpectedImage(file, l)) << c.ic;
    EXPECT_NE(r.err.find("Binary Code File"), std::string::npos);  // auto detection speaks
  }
}

TEST_F(CliImage, TheLastOfFillAndNoFillDecidesAndEitherFormTakesAValue) {
  const std::string f = dir.write("fw.bin", Bytes(100, 1));
  struct Case {
    std::vector<std::string> args;
    bool filled;  // byte 200 of the 2K image is the fill byte 5A
  } cases[] = {
      {{"--no-fill", "--fill", "5A"}, true},
      {{"--fill", "5A", "--no-fill"}, false},
      {{"--fill=5A"}, true},
      {{"--fill=00", "--fill", "5A"}, true},  // a repeated option counts as given last
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--ic=/2716", "--format", "BIN"});
    const auto r = run(f, args);
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes image = test::ReadFileBytes(dir.file("out.img"));
    ASSERT_EQ(image.size(), 0x800u);
    EXPECT_EQ(image[200] == 0x5A, c.filled) << c.args[0] << " " << c.args.back();
  }
}

TEST_F(CliImage, DefaultIcIsTheSmallestThatHoldsTheFile) {
  struct Case {
    size_t length;
    const char* range;
  } cases[] = {{1, "00000800"}, {2048, "00000800"}, {2049, "00001000"}, {40000, "00010000"}};
  for (const Case& c : cases) {
    const std::string f = dir.write("fw.bin", Bytes(c.length, 1));
    const auto r = run(f, {});
    if (c.length == 1) {  // source end 0 is not above source start 0: the dialog refuses
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find("Input Value Error !"), std::string::npos);
      continue;
    }
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 19), std::string("[Range: 0x") + c.range + "]") << c.length;
  }
}

// The CRC-32 of the IEEE polynomial, bit by bit, as a check on the program's.
uint32_t Crc32(const Bytes& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Beside the sum, which depends on the file's length, a CRC-32 of the IC image: one
// firmware gives one CRC whatever file format carries it.
TEST_F(CliImage, CrcOfTheIcImageIsTheSameForEveryFormat) {
  const Bytes firmware = test::RandomBytes(0x3000, 61);
  const std::string bin = dir.write("fw.bin", firmware);
  Bytes ic = firmware;
  ic.resize(0x4000, 0xFF);
  const std::string want = "CRC32: " + Hex(Crc32(ic), "%08X") + "\n";
  for (const char* args : {"", "-intel", "-motorola -address-length=4", "-tektronix"}) {
    SCOPED_TRACE(args);
    std::string file = bin;
    if (*args) {
      file = dir.file("fw.hex");
      const std::string cmd = "srec_cat " + bin + " -binary -o " + file + " " + args + " >/dev/null 2>&1";
      ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    const auto r = run(file, {"--ic", "/27128"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), want);
  }
}

TEST_F(CliImage, UsageErrorsExitTwo) {
  const std::string f = dir.write("fw.bin", Bytes(100, 1));
  const std::vector<std::vector<std::string>> cases{
      {"image"},
      {"image", f},
      {"image", f, "-o"},
      {"image", f, "-o", dir.file("o"), "--format", "elf"},
      {"image", f, "-o", dir.file("o"), "--ic", "/2716x"},
      {"image", f, "-o", dir.file("o"), "--dataset", "/16bit_evn"},
      {"image", f, "-o", dir.file("o"), "--fill", "1FF"},
      {"image", f, "-o", dir.file("o"), "--dest", "F00001", "--format", "bin"},
      {"image", f, "-o", dir.file("o"), "--dest", "10"},  // auto format has no destination field
      {"image", f, "-o", dir.file("o"), "--length", "12k"},
      {"image", f, "-o", dir.file("o"), "--bogus"},
      {"image", f, "-o", dir.file("o"), "--length", "99999999"},  // more than the image
  };
  for (const auto& args : cases) {
    const auto r = RunCli(dir, args);
    std::string line;
    for (const auto& a : args) line += a + " ";
    EXPECT_EQ(r.status, 2) << line << "\n" << r.err;
    EXPECT_FALSE(r.err.empty()) << line;
  }
}

TEST_F(CliImage, LoadFailuresExitOneWithTheMessage) {
  auto r = run(dir.file("missing.bin"), {});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Not Found File ! "), std::string::npos);
  r = run(dir.write("short.exe", Bytes(100, 1)), {"--format", "exe"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Format Error !"), std::string::npos);
}

TEST_F(CliImage, HelpMatchesTheGoldenText) {
  const auto r = RunCli(dir, {"image", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, test::ReadFileText(std::string(ZARVO_TEST_SOURCE_DIR) + "/cli/golden/image_help.txt"));
}

}  // namespace
}  // namespace zarvo
