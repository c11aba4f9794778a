// Game-state bodies of every protocol version, through the version table: writing, sizing,
// reading quietly, reading with the dump into a null stream (formatted, then discarded) or a
// real /dev/null file stream, and annotating. Reported in bytes and messages per second, for
// the small example state and a large state (100 actors with 8 figures each).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench_data.h"
#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/version.h"

namespace {

using tav::protocol::Version;
using StateFn = tav::GameState (*)();

class NullStreamBuf : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void report(benchmark::State& st, std::size_t bytes) {
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * bytes));
  st.SetItemsProcessed(static_cast<int64_t>(st.iterations()));
  st.counters["body_bytes"] = static_cast<double>(bytes);
}

void BM_Write(benchmark::State& st, const Version* version, StateFn make) {
  const tav::GameState state = make();
  std::vector<uint8_t> room(version->size(state));
  tav::protocol::Buffer buffer(room.data(), room.size());
  std::size_t written = 0;
  for (auto _ : st) {
    buffer.clear();
    written = version->write(state, buffer);
    benchmark::DoNotOptimize(room.data());
  }
  report(st, written);
}

void BM_Size(benchmark::State& st, const Version* version, StateFn make) {
  const tav::GameState state = make();
  std::size_t size = 0;
  for (auto _ : st) {
    size = version->size(state);
    benchmark::DoNotOptimize(size);
  }
  report(st, size);
}

// Reads the body once per iteration into a new state; dump null reads quietly.
void readLoop(benchmark::State& st, const Version* version, const std::vector<uint8_t>& bytes,
              std::ostream* dump) {
  for (auto _ : st) {
    tav::GameState state;
    version->read(state, bytes.data(), bytes.size(), dump);
    benchmark::DoNotOptimize(state.actors.data());
  }
  report(st, bytes.size());
}

void BM_Read_Quiet(benchmark::State& st, const Version* version, StateFn make) {
  readLoop(st, version, version->encode(make()), nullptr);
}

void BM_Read_NullBuf(benchmark::State& st, const Version* version, StateFn make) {
  NullStreamBuf null;
  std::ostream out(&null);
  readLoop(st, version, version->encode(make()), &out);
}

void BM_Read_DevNull(benchmark::State& st, const Version* version, StateFn make) {
  std::ofstream devNull("/dev/null");
  readLoop(st, version, version->encode(make()), &devNull);
}

void BM_Annotate(benchmark::State& st, const Version* version, StateFn make) {
  const std::vector<uint8_t> bytes = version->encode(make());
  for (auto _ : st) {
    tav::protocol::Annotation annotation = version->annotate(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(annotation.fields.data());
  }
  report(st, bytes.size());
}

const StateFn kExample = tavbench::makeExampleState;
const StateFn kLarge = tavbench::makeLargeState;

// Every benchmark for every version in the table, on both states.
const bool kRegistered = [] {
  using Bench = void (*)(benchmark::State&, const Version*, StateFn);
  const struct {
    const char* name;
    Bench bench;
  } kBenches[] = {{"BM_Write", BM_Write},
                  {"BM_Size", BM_Size},
                  {"BM_Read_Quiet", BM_Read_Quiet},
                  {"BM_Read_NullBuf", BM_Read_NullBuf},
                  {"BM_Read_DevNull", BM_Read_DevNull},
                  {"BM_Annotate", BM_Annotate}};
  const struct {
    const char* name;
    StateFn make;
  } kStates[] = {{"example", kExample}, {"large", kLarge}};
  for (const auto& bench : kBenches) {
    for (const Version* version : tav::protocol::kVersions) {
      for (const auto& state : kStates) {
        std::string name =
            std::string(bench.name) + "/v" + std::string(version->name()) + "_" + state.name;
        benchmark::RegisterBenchmark(name.c_str(), bench.bench, version, state.make);
      }
    }
  }
  return true;
}();

}  // namespace
