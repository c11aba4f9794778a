// The JSON mapping (tav::json) on the example and the large state: toJson (one line, and
// pretty-printed as tav-dump writes it) and fromJson of the one-line text. No peer; the
// figures compare versions of the mapping (bench/RESULTS.md).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench_data.h"
#include "json/gameStateJson.h"

namespace {

using StateFn = tav::GameState (*)();

void BM_ToJson(benchmark::State& st, StateFn make, int indent) {
  const tav::GameState state = make();
  std::size_t bytes = 0;
  for (auto _ : st) {
    std::string text = tav::json::toJson(state, indent);
    bytes = text.size();
    benchmark::DoNotOptimize(text);
  }
  st.counters["bytes"] = static_cast<double>(bytes);
}

void BM_FromJson(benchmark::State& st, StateFn make) {
  const std::string text = tav::json::toJson(make(), -1);
  for (auto _ : st) {
    tav::json::StateResult result = tav::json::fromJson(text);
    if (!result.ok) std::abort();
    benchmark::DoNotOptimize(result);
  }
  st.counters["bytes"] = static_cast<double>(text.size());
}

BENCHMARK_CAPTURE(BM_ToJson, example, tavbench::makeExampleState, -1);
BENCHMARK_CAPTURE(BM_ToJson, large, tavbench::makeLargeState, -1);
BENCHMARK_CAPTURE(BM_ToJson, large_indent2, tavbench::makeLargeState, 2);
BENCHMARK_CAPTURE(BM_FromJson, example, tavbench::makeExampleState);
BENCHMARK_CAPTURE(BM_FromJson, large, tavbench::makeLargeState);

}  // namespace
