// The message layer: a stream of 10^5 example messages (protocol 8.4, the worked-example state)
// fed to a MessageStream in 4 KiB chunks and taken out message by message (the framing), against
// the quiet body read of the same messages. The goal: framing <= 10% of the body read.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bench_data.h"
#include "protocol/message.h"
#include "protocol/version.h"

namespace {

constexpr std::size_t kMessages = 100000;
constexpr std::size_t kChunk = 4096;

const std::string& stream() {
  static const std::string bytes = [] {
    const std::vector<uint8_t> one =
        tav::protocol::encodeMessage(tav::protocol::v8_4::kVersion, tavbench::makeExampleState());
    std::string all;
    all.reserve(one.size() * kMessages);
    for (std::size_t i = 0; i < kMessages; ++i) all.append(one.begin(), one.end());
    return all;
  }();
  return bytes;
}

void report(benchmark::State& st) {
  st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * kMessages));
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * stream().size()));
}

// Feeds the whole stream in chunks, taking every message as soon as it is complete; each is
// handed to take.
template <class Take>
std::size_t frame(const std::string& bytes, Take take) {
  tav::protocol::MessageStream messages;
  std::size_t taken = 0;
  for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
    messages.feed(std::string_view(bytes).substr(at, kChunk));
    for (;;) {
      const tav::protocol::Message m = messages.next();
      if (m.status != tav::protocol::MessageStatus::kComplete) break;
      take(m);
      ++taken;
    }
  }
  return taken;
}

void BM_Stream_Framing(benchmark::State& st) {
  const std::string& bytes = stream();
  for (auto _ : st) {
    std::size_t body = 0;
    const std::size_t n =
        frame(bytes, [&](const tav::protocol::Message& m) { body += m.body.size(); });
    benchmark::DoNotOptimize(body);
    if (n != kMessages) st.SkipWithError("wrong number of messages");
  }
  report(st);
}

void BM_Stream_FramingAndRead(benchmark::State& st) {
  const std::string& bytes = stream();
  for (auto _ : st) {
    frame(bytes, [](const tav::protocol::Message& m) {
      tav::GameState state;
      tav::protocol::v8_4::kVersion.read(state, m.body);
      benchmark::DoNotOptimize(state.actors.data());
    });
  }
  report(st);
}

// The quiet read of the same bodies, found once up front.
void BM_Bodies_ReadQuiet(benchmark::State& st) {
  const std::string& bytes = stream();
  std::vector<std::string_view> bodies;
  for (std::size_t at = 0; at < bytes.size();) {
    const tav::protocol::Message m = tav::protocol::readMessage(std::string_view(bytes).substr(at));
    bodies.push_back(m.body);
    at += m.size;
  }
  for (auto _ : st) {
    for (const std::string_view body : bodies) {
      tav::GameState state;
      tav::protocol::v8_4::kVersion.read(state, body);
      benchmark::DoNotOptimize(state.actors.data());
    }
  }
  report(st);
}

BENCHMARK(BM_Stream_Framing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stream_FramingAndRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bodies_ReadQuiet)->Unit(benchmark::kMillisecond);

}  // namespace
