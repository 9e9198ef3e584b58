#include "image/image_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "image/large_bytes.h"

#include "recording_ui.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

using test::RecordingUi;
using test::TempDir;

TEST(ImageBuffer, StartUpImage) {
  ImageBuffer img;
  EXPECT_EQ(img.size(), 8192u);
  EXPECT_EQ(img.capacity(), 9216u);
  for (size_t i = 0; i < img.capacity(); ++i) ASSERT_EQ(img.data()[i], 0xFF);
}

TEST(ImageBuffer, ResizeSizesAndHighWater) {
  struct Case {
    uint32_t count;
    uint32_t size;
    size_t minCapacity;
  } cases[] = {
      {100, 8192, 8192},      // 8192 > 1124: size stays
      {10000, 11024, 12000},  // size count + 1024, capacity count + 2000
      {0x100000, 0x100400, 0x100000 + 2000},
  };
  for (const Case& c : cases) {
    ImageBuffer img;
    RunState rs;
    RecordingUi ui;
    ASSERT_TRUE(img.resize(c.count, rs, ui));
    EXPECT_EQ(img.size(), c.size) << c.count;
    EXPECT_GE(img.capacity(), c.minCapacity) << c.count;
    EXPECT_GE(img.capacity(), img.size()) << c.count;
    EXPECT_EQ(rs.SizeHighWater, c.count);
  }
}

// A load grows the image to the file's length in the dialog and again by 1024 bytes in the
// raw read: the second growth must not take a new block and copy megabytes.
TEST(ImageBuffer, SmallGrowthOfALargeImageKeepsItsStorageAndBytes) {
  ImageBuffer img;
  RunState rs;
  RecordingUi ui;
  ASSERT_TRUE(img.resize(2883851, rs, ui));
  img.data()[2883850] = 0x5A;
  const uint8_t* before = img.data();
  ASSERT_TRUE(img.resize(img.size(), rs, ui));
  // Only mapped blocks are sized by the page (the sanitizer build maps none).
  if (MapsLargeBlock(img.size())) {
    EXPECT_EQ(img.data(), before);
  }
  EXPECT_EQ(img.data()[2883850], 0x5A);
  EXPECT_EQ(img.size(), 2884875u + 1024);
  EXPECT_GE(img.capacity(), img.size());
  EXPECT_EQ(img.data()[img.size() - 1], 0x00);  // new bytes are zero
}

TEST(ImageBuffer, ResizeNeverShrinksAndKeepsBytes) {
  ImageBuffer img;
  RunState rs;
  RecordingUi ui;
  ASSERT_TRUE(img.resize(10000, rs, ui));
  img.data()[9999] = 0x5A;
  ASSERT_TRUE(img.resize(500, rs, ui));
  EXPECT_EQ(img.size(), 11024u);
  EXPECT_GE(img.capacity(), 11024u);
  EXPECT_EQ(img.data()[9999], 0x5A);
  EXPECT_EQ(img.data()[10500], 0x00);  // grown bytes are zero
  EXPECT_EQ(rs.SizeHighWater, 10000u);
}

TEST(ImageBuffer, GrowToHighWaterRemembersTheLargestTarget) {
  ImageBuffer img;
  RunState rs;
  RecordingUi ui;
  rs.SizeHighWater = 0x20000;
  ASSERT_TRUE(img.growToHighWater(rs, ui));
  EXPECT_EQ(img.size(), 0x20000u + 1024);
  rs.SizeHighWater = 0x800;
  ASSERT_TRUE(img.growToHighWater(rs, ui));
  EXPECT_EQ(rs.SizeHighWaterMax, 0x20000u);
}

TEST(ImageBuffer, SumOfThreeFFBytes) {
  TempDir dir;
  ImageBuffer img;
  RunState rs;
  rs.SourceFileName = dir.write("a.bin", {0xFF, 0xFF, 0xFF});
  img.computeSum(rs);
  EXPECT_EQ(img.sumText(), "000002FD");
}

TEST(ImageBuffer, SumWrapsModulo2To32) {
  TempDir dir;
  ImageBuffer img;
  RunState rs;
  RecordingUi ui;
  const uint32_t n = (1u << 24) + 1;
  ASSERT_TRUE(img.resize(n, rs, ui));
  std::fill_n(img.data(), n, 0xFF);
  rs.SourceFileName = dir.write("big.bin", std::vector<uint8_t>(n, 0));
  img.computeSum(rs);
  EXPECT_EQ(img.sum(), static_cast<uint32_t>(uint64_t{n} * 255u));
}

TEST(ImageBuffer, SumOfAFileLargerThanTheImageStopsAtTheImage) {
  TempDir dir;
  ImageBuffer img;  // 8192 bytes of 0xFF
  RunState rs;
  rs.SourceFileName = dir.write("grown.bin", std::vector<uint8_t>(100000, 0));
  img.computeSum(rs);
  EXPECT_EQ(img.sum(), 8192u * 0xFF);
}

TEST(ImageBuffer, SumOfAMissingFileIsZero) {
  ImageBuffer img;
  RunState rs;
  rs.SourceFileName = "/no/such/file";
  img.computeSum(rs);
  EXPECT_EQ(img.sumText(), "00000000");
}

TEST(LargeBytes, MegabyteBlocksKeepTheirBytesAndAReusedBlockShowsNothingOld) {
  constexpr size_t kThree = size_t{3} << 20;
  { LargeBytes first(kThree, 0x11); }  // given back, and kept for the next block of its size
  LargeBytes b;
  b.resize(kThree, 0x22);
  EXPECT_EQ(std::count(b.begin(), b.end(), 0x22), static_cast<std::ptrdiff_t>(kThree));
  b.resize(kThree + (size_t{2} << 20), 0x33);  // moves to a larger block
  EXPECT_EQ(std::count(b.begin(), b.begin() + kThree, 0x22), static_cast<std::ptrdiff_t>(kThree));
  EXPECT_EQ(std::count(b.begin() + kThree, b.end(), 0x33), static_cast<std::ptrdiff_t>(size_t{2} << 20));
  LargeBytes small(100, 7);
  EXPECT_EQ(small.front() + small.back(), 14);
}

TEST(LargeBytes, ReadWholeFileTakesRegularFilesOnly) {
  test::TempDir dir;
  const std::vector<uint8_t> bytes = {0, 1, 2, 0xFF, '\n'};
  struct Case {
    std::string path;
    bool ok;
    size_t size;
  } const cases[] = {
      {dir.write("a.bin", bytes), true, bytes.size()},
      {dir.write("empty.bin", {}), true, 0},
      {dir.file("missing.bin"), false, 0},
      {dir.path().string(), false, 0},  // a folder
  };
  for (const Case& c : cases) {
    LargeBytes got(3, 9);
    EXPECT_EQ(ReadWholeFile(c.path, got), c.ok) << c.path;
    if (c.ok) {
      EXPECT_EQ(got.size(), c.size) << c.path;
      EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin())) << c.path;
    }
  }
}

}  // namespace
}  // namespace zarvo
