// The end-to-end model test's long run: model cases (firmware, settings, units drawn from
// seeds the test suite does not use) through window mode, the batch runner and the image
// command, for as long as the benchmark is asked to run, with the time each case takes:
//   build/bench/bench_model --benchmark_min_time=600     (ten minutes)
// ZARVO_MODEL_SEED moves the first seed; every road that disagrees with the model is printed
// with its seed, and the run ends in an error.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "model_roads.h"

namespace {

void BM_ModelCase(benchmark::State& state) {
  const char* cli = std::getenv("ZARVO_CLI");
  const char* first = std::getenv("ZARVO_MODEL_SEED");
  zarvo::model::ModelBench bench(cli ? cli : ZARVO_CLI_PATH);
  zarvo::model::RoadReport report;
  uint64_t seed = first ? std::strtoull(first, nullptr, 10) : 1000000;
  size_t printed = 0;
  for (auto _ : state) {
    bench.run(zarvo::model::DrawCase(seed++), report);
    for (; printed < report.faults.size(); ++printed) std::fprintf(stderr, "%s\n", report.faults[printed].c_str());
  }
  state.counters["roads"] = report.judged;
  state.counters["no_file_data"] = report.noData;
  state.counters["faults"] = static_cast<double>(report.faults.size());
  if (!report.faults.empty()) state.SkipWithError("a road disagreed with the model");
}
BENCHMARK(BM_ModelCase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
