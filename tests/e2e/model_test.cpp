// The end-to-end model test: seeded random firmware and settings through window mode, the
// batch runner and zarvo-r5-cli image, each compared with the reference model of the image
// rules (firmware_model.h). A pass on a unit must mean its memory is the model's image; a
// case the model fails must fail without touching the unit. Eight shards of 320 cases, so
// CTest runs them side by side; bench_model runs further cases for as long as asked.
#include <gtest/gtest.h>

#include <cstdlib>

#include "model_roads.h"

namespace zarvo::model {
namespace {

constexpr int kShards = 8;
// Sanitizer builds run a tenth of the cases: the same roads, in the same time.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kCasesPerShard = 32;
#else
constexpr int kCasesPerShard = 320;
#endif

class ModelTest : public ::testing::TestWithParam<int> {};

TEST_P(ModelTest, EveryRoadAgreesWithTheModel) {
  const char* cli = std::getenv("ZARVO_CLI");
  ModelBench bench(cli ? cli : ZARVO_CLI_PATH);
  RoadReport report;
  const int shard = GetParam();
  for (int i = 0; i < kCasesPerShard; ++i) {
    const uint64_t seed = static_cast<uint64_t>(shard) * kCasesPerShard + static_cast<uint64_t>(i);
    bench.run(DrawCase(seed), report);
    if (report.faults.size() >= 10) break;  // enough to go on
  }
  for (const std::string& f : report.faults) ADD_FAILURE() << f;
  EXPECT_GT(report.judged, kCasesPerShard * 2);
  RecordProperty("judged", report.judged);
  RecordProperty("no_file_data", report.noData);
}

INSTANTIATE_TEST_SUITE_P(Shards, ModelTest, ::testing::Range(0, kShards));

// The model's own rules on hand-worked cases, so a slip in it cannot pass for the program.
TEST(ModelRules, HandWorkedCases) {
  Case c;
  c.firmware.kind = Kind::Binary;
  c.firmware.segments = {{0, {1, 2, 3, 4, 5}}};
  c.firmware.text = "\x01\x02\x03\x04\x05";
  c.ic = 0;
  c.lane = 2;  // 16-bit odd: 2 4
  c.fillByte = 0xEE;
  Expectation e = ExpectWindow(c);
  ASSERT_EQ(e.outcome, Outcome::Pass);
  EXPECT_EQ(e.icSize, 2048u);
  EXPECT_EQ(e.ic[0], 2);
  EXPECT_EQ(e.ic[1], 4);
  EXPECT_EQ(e.ic[2], 0x00);  // the lane reads past the file into the raw copy's zero tail
  EXPECT_EQ(e.ic[3], 0xEE);
  EXPECT_EQ(e.sent.size(), 8192u);  // one block per pass
  EXPECT_EQ(e.sent[2048], 2);      // the IC repeated
  c.windowStart = 5;               // at the file's end: only the skipped tail is left
  EXPECT_EQ(ExpectWindow(c).outcome, Outcome::NoData);
  c.windowStart = 6;
  EXPECT_EQ(ExpectWindow(c).outcome, Outcome::Fail);
  c.windowStart = 0;
  c.ic = 9;
  c.unit = 0x0041;  // 1024K on a 16-bit unit: two bytes per IC byte do not fit
  EXPECT_EQ(ExpectBatch(c).outcome, Outcome::Fail);
  c.unit = 0x0080;
  EXPECT_EQ(ExpectBatch(c).outcome, Outcome::Pass);
  c.ic = 0;
  c.start = 4;  // not below the source end (the last byte, 4)
  EXPECT_EQ(ExpectBatch(c).outcome, Outcome::Fail);
  c.start = 3;
  EXPECT_EQ(ExpectBatch(c).ic[0], 2);  // rounded down to 0: the whole file
  EXPECT_EQ(BatchLine(c), "ZQ D:\\FW.BIN /BIN /16 /16BIT_ODD /#2 /S3");
  // A HEX file whose data lies beyond the IC: nothing of it in the window.
  c.firmware.kind = Kind::Intel;
  c.firmware.segments = {{0x7E00, {9, 9}}};
  c.firmware.text = std::string(100, 'x');
  c.start = -1;
  c.lane = 0;
  EXPECT_EQ(ExpectImage(c).outcome, Outcome::NoData);
  c.ic = 5;
  EXPECT_EQ(ExpectImage(c).ic[0x7E00], 9);
}

}  // namespace
}  // namespace zarvo::model
