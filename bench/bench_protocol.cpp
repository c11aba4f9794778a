// Game-state bodies of every protocol version: writing, and reading with the dump sent to a
// null stream buffer (formatted, then discarded) or to a real /dev/null file stream. Reported in
// bytes and messages per second, for the small example state and a large state (100 actors with
// 8 figures each).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <streambuf>
#include <vector>

#include "bench_data.h"
#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/v7_6.h"
#include "protocol/v8_0.h"
#include "protocol/v8_4.h"

namespace {

using ReadFn = void (*)(tav::GameState&, tav::protocol::Buffer&);
using WriteFn = void (*)(const tav::GameState&, tav::protocol::Buffer&);
using StateFn = tav::GameState (*)();

struct Version {
  ReadFn read;
  WriteFn write;
};

const Version kV84{tav::protocol::v8_4::readGameState, tav::protocol::v8_4::writeGameState};
const Version kV80{tav::protocol::v8_0::readGameState, tav::protocol::v8_0::writeGameState};
const Version kV76{tav::protocol::v7_6::readGameState, tav::protocol::v7_6::writeGameState};

// Room for the large state in any version.
constexpr std::size_t kRoom = 1 << 20;

class NullStreamBuf : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// Points std::cout at another stream buffer for its lifetime.
class CoutTo {
 public:
  explicit CoutTo(std::streambuf* target) : saved_(std::cout.rdbuf(target)) {}
  ~CoutTo() {
    std::cout.flush();
    std::cout.rdbuf(saved_);
  }
  CoutTo(const CoutTo&) = delete;
  CoutTo& operator=(const CoutTo&) = delete;

 private:
  std::streambuf* saved_;
};

std::vector<uint8_t> body(const Version& version, const tav::GameState& state) {
  std::vector<uint8_t> bytes(kRoom);
  tav::protocol::Buffer buffer(bytes.data(), bytes.size());
  buffer.clear();
  version.write(state, buffer);
  bytes.resize(buffer.getPosition());
  return bytes;
}

void report(benchmark::State& st, std::size_t bytes) {
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * bytes));
  st.SetItemsProcessed(static_cast<int64_t>(st.iterations()));
  st.counters["body_bytes"] = static_cast<double>(bytes);
}

void BM_Write(benchmark::State& st, Version version, StateFn make) {
  const tav::GameState state = make();
  std::vector<uint8_t> room(kRoom);
  tav::protocol::Buffer buffer(room.data(), room.size());
  std::size_t written = 0;
  for (auto _ : st) {
    buffer.clear();
    version.write(state, buffer);
    written = buffer.getPosition();
    benchmark::DoNotOptimize(room.data());
  }
  report(st, written);
}

void readLoop(benchmark::State& st, const Version& version, std::vector<uint8_t>& bytes) {
  for (auto _ : st) {
    tav::protocol::Buffer buffer(bytes.data(), bytes.size());
    tav::GameState state;
    version.read(state, buffer);
    benchmark::DoNotOptimize(state.actors.data());
  }
  report(st, bytes.size());
}

void BM_Read_NullBuf(benchmark::State& st, Version version, StateFn make) {
  std::vector<uint8_t> bytes = body(version, make());
  NullStreamBuf null;
  CoutTo redirect(&null);
  readLoop(st, version, bytes);
}

void BM_Read_DevNull(benchmark::State& st, Version version, StateFn make) {
  std::vector<uint8_t> bytes = body(version, make());
  std::ofstream devNull("/dev/null");
  CoutTo redirect(devNull.rdbuf());
  readLoop(st, version, bytes);
}

const StateFn kExample = tavbench::makeExampleState;
const StateFn kLarge = tavbench::makeLargeState;

}  // namespace

BENCHMARK_CAPTURE(BM_Write, v8_4_example, kV84, kExample);
BENCHMARK_CAPTURE(BM_Write, v8_0_example, kV80, kExample);
BENCHMARK_CAPTURE(BM_Write, v7_6_example, kV76, kExample);
BENCHMARK_CAPTURE(BM_Write, v8_4_large, kV84, kLarge);
BENCHMARK_CAPTURE(BM_Write, v8_0_large, kV80, kLarge);
BENCHMARK_CAPTURE(BM_Write, v7_6_large, kV76, kLarge);

BENCHMARK_CAPTURE(BM_Read_NullBuf, v8_4_example, kV84, kExample);
BENCHMARK_CAPTURE(BM_Read_NullBuf, v8_0_example, kV80, kExample);
BENCHMARK_CAPTURE(BM_Read_NullBuf, v7_6_example, kV76, kExample);
BENCHMARK_CAPTURE(BM_Read_NullBuf, v8_4_large, kV84, kLarge);
BENCHMARK_CAPTURE(BM_Read_NullBuf, v8_0_large, kV80, kLarge);
BENCHMARK_CAPTURE(BM_Read_NullBuf, v7_6_large, kV76, kLarge);

BENCHMARK_CAPTURE(BM_Read_DevNull, v8_4_example, kV84, kExample);
BENCHMARK_CAPTURE(BM_Read_DevNull, v7_6_example, kV76, kExample);
BENCHMARK_CAPTURE(BM_Read_DevNull, v8_4_large, kV84, kLarge);
BENCHMARK_CAPTURE(BM_Read_DevNull, v7_6_large, kV76, kLarge);
