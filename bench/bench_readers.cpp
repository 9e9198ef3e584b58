// Decode speed of the HEX readers: both passes over a whole file, as a load runs them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "image/readers.h"
#include "quiet_ui.h"

namespace {

using zarvo::test::QuietUi;

std::vector<uint8_t> Random(size_t n) {
  std::mt19937 gen(42);
  std::vector<uint8_t> out(n);
  for (auto& b : out) b = static_cast<uint8_t>(gen());
  return out;
}

void Put(std::string& s, unsigned v) {
  static const char* digits = "0123456789ABCDEF";
  s += digits[(v >> 4) & 0xF];
  s += digits[v & 0xF];
}

std::string IntelText(const std::vector<uint8_t>& data) {
  std::string s;
  for (size_t a = 0; a < data.size(); a += 16) {
    if ((a & 0xFFFF) == 0) {
      unsigned hi = static_cast<unsigned>(a >> 16);
      s += ":02000004";
      Put(s, hi >> 8);
      Put(s, hi);
      Put(s, 0x100 - ((6 + (hi >> 8) + hi) & 0xFF));
      s += "\r\n";
    }
    unsigned sum = 16 + static_cast<unsigned>((a >> 8) & 0xFF) + static_cast<unsigned>(a & 0xFF);
    s += ":10";
    Put(s, static_cast<unsigned>(a >> 8));
    Put(s, static_cast<unsigned>(a));
    s += "00";
    for (size_t i = 0; i < 16; ++i) {
      Put(s, data[a + i]);
      sum += data[a + i];
    }
    Put(s, 0x100 - (sum & 0xFF));
    s += "\r\n";
  }
  return s + ":00000001FF\r\n";
}

std::string S37Text(const std::vector<uint8_t>& data) {
  std::string s;
  for (size_t a = 0; a < data.size(); a += 32) {
    unsigned sum = 37;
    s += "S325";
    for (int k = 3; k >= 0; --k) {
      unsigned b = static_cast<unsigned>(a >> (8 * k)) & 0xFF;
      Put(s, b);
      sum += b;
    }
    for (size_t i = 0; i < 32; ++i) {
      Put(s, data[a + i]);
      sum += data[a + i];
    }
    Put(s, ~sum);
    s += "\r\n";
  }
  return s + "S70500000000FA\r\n";
}

std::string TekText(const std::vector<uint8_t>& data) {
  std::string s;
  for (size_t a = 0; a < data.size(); a += 32) {
    std::string head;
    Put(head, static_cast<unsigned>(a >> 8));
    Put(head, static_cast<unsigned>(a));
    Put(head, 32);
    unsigned hsum = 0;
    for (char c : head) hsum += static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
    std::string body;
    for (size_t i = 0; i < 32; ++i) Put(body, data[a + i]);
    unsigned dsum = 0;
    for (char c : body) dsum += static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
    s += "/" + head;
    Put(s, hsum);
    s += body;
    Put(s, dsum);
    s += "\r\n";
  }
  return s + "/00000000\r\n";
}

using Reader = zarvo::HexResult (*)(std::span<const uint8_t>, const zarvo::HexOptions&, zarvo::Ui&);

// Measure with the image the load starts from, then store with room for the last address.
void BothPasses(benchmark::State& state, Reader reader, const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  QuietUi ui;
  for (auto _ : state) {
    zarvo::HexOptions opt;
    opt.capacity = 8192;
    opt.pass = zarvo::Pass::Measure;
    zarvo::HexResult m = reader(bytes, opt, ui);
    opt.capacity = m.last + 1;
    opt.pass = zarvo::Pass::Store;
    zarvo::HexResult r = reader(bytes, opt, ui);
    if (!m.ok || !r.ok) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(r.image.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

void BM_Intel1MiB16ByteRecords(benchmark::State& state) {
  static const std::string text = IntelText(Random(1 << 20));
  BothPasses(state, zarvo::ReadIntelHex, text);
}
void BM_Motorola1MiBS37(benchmark::State& state) {
  static const std::string text = S37Text(Random(1 << 20));
  BothPasses(state, zarvo::ReadMotorola, text);
}
void BM_Tektronix64KiB(benchmark::State& state) {
  static const std::string text = TekText(Random(1 << 16));
  BothPasses(state, zarvo::ReadTektronix, text);
}
void BM_DetectFormatIntel1MiB(benchmark::State& state) {
  static const std::string text = IntelText(Random(1 << 20));
  std::vector<uint8_t> bytes(text.begin(), text.end());
  QuietUi ui;
  for (auto _ : state) benchmark::DoNotOptimize(zarvo::DetectFormatOf(bytes, ui));
}
void BM_DetectMotorola1MiBS37(benchmark::State& state) {
  static const std::string text = S37Text(Random(1 << 20));
  std::vector<uint8_t> bytes(text.begin(), text.end());
  QuietUi ui;
  for (auto _ : state) benchmark::DoNotOptimize(zarvo::DetectMotorola(bytes, 0, ui));
}

BENCHMARK(BM_Intel1MiB16ByteRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Motorola1MiBS37)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tektronix64KiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DetectFormatIntel1MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DetectMotorola1MiBS37)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
