// Our varint codec against protobuf's: 65536 values per pass, all 1-byte, all 5-byte or mixed
// lengths of 1 to 5 bytes, with and without the zigzag step. The inputs are canonical encodings
// of 32-bit values, which both decoders accept (protobuf also takes longer ones; we don't).
//
// Peers: CodedInputStream::ReadVarint32 (the stream reader), internal::ReadVarint32 (the
// array reader the generated parsers of this protobuf release use; it replaced
// ReadVarint32FromArray), CodedOutputStream::WriteVarint32ToArray, WireFormatLite::ZigZag*.

#include <benchmark/benchmark.h>
#include <google/protobuf/io/coded_stream.h>
#include <google/protobuf/parse_context.h>
#include <google/protobuf/wire_format_lite.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/deserializer.h"
#include "protocol/serializer.h"

namespace {

using google::protobuf::internal::WireFormatLite;

constexpr std::size_t kValues = 65536;

enum class Lengths { One, Five, Mixed };

struct Case {
  Lengths lengths;
  bool zigzag;
};

// The values of one case (as the int the caller holds) and their encoding.
struct Data {
  std::vector<int> values;
  std::vector<uint8_t> bytes;
};

// An unsigned wire value whose varint is `length` bytes long.
uint32_t wireValueOfLength(int length, uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  const uint32_t r = seed;
  if (length == 5) return 0x10000000u | r;  // bits 28..31 set or not, bit 28 forces 5 bytes
  const uint32_t low = length == 1 ? 0 : 1u << (7 * (length - 1));
  const uint32_t high = 1u << (7 * length);
  return low + r % (high - low);
}

Data makeData(Case c) {
  Data data;
  uint32_t seed = 2024;
  uint32_t pick = 7;
  for (std::size_t i = 0; i < kValues; ++i) {
    int length = c.lengths == Lengths::One ? 1 : 5;
    if (c.lengths == Lengths::Mixed) {
      pick = pick * 22695477u + 1u;
      length = 1 + static_cast<int>((pick >> 16) % 5);
    }
    const uint32_t wire = wireValueOfLength(length, seed);
    data.values.push_back(c.zigzag ? WireFormatLite::ZigZagDecode32(wire) : static_cast<int>(wire));
  }
  data.bytes.resize(kValues * 5);
  uint8_t* out = data.bytes.data();
  for (int v : data.values) {
    const uint32_t wire = c.zigzag ? WireFormatLite::ZigZagEncode32(v) : static_cast<uint32_t>(v);
    out = google::protobuf::io::CodedOutputStream::WriteVarint32ToArray(wire, out);
  }
  data.bytes.resize(static_cast<std::size_t>(out - data.bytes.data()));
  return data;
}

const Data& dataFor(Case c) {
  static const Data cases[3][2] = {
      {makeData({Lengths::One, false}), makeData({Lengths::One, true})},
      {makeData({Lengths::Five, false}), makeData({Lengths::Five, true})},
      {makeData({Lengths::Mixed, false}), makeData({Lengths::Mixed, true})}};
  return cases[static_cast<int>(c.lengths)][c.zigzag ? 1 : 0];
}

// Both encoders must give the same bytes, and our decoder the same values.
bool agrees(const Data& data, bool zigzag) {
  std::vector<uint8_t> ours(data.bytes.size());
  std::size_t at = 0;
  for (int v : data.values)
    at += tav::protocol::writeVarInt(ours.data() + at, ours.size() - at, !zigzag, v);
  if (ours != data.bytes) return false;
  at = 0;
  tl::optional<int> value;
  for (int v : data.values) {
    at += tav::protocol::readVarInt(data.bytes.data() + at, data.bytes.size() - at, !zigzag, value);
    if (!value || *value != v) return false;
  }
  return at == data.bytes.size();
}

void finish(benchmark::State& st, const Data& data) {
  st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * kValues));
  st.counters["bytes"] = static_cast<double>(data.bytes.size());
}

// One pass of each codec over all values. Kept out of line so that each loop is compiled on its
// own, away from the benchmark's timing loop. The zigzag choice is a constant, as it is for a
// caller that knows its field; every decoder stops at the first failure it reports, as a careful
// caller would.
template <bool zigzag>
[[gnu::noinline]] uint32_t decodeOurs(const Data& data) {
  const bool optimizePositive = !zigzag;
  const uint8_t* p = data.bytes.data();
  std::size_t left = data.bytes.size();
  uint32_t sum = 0;
  for (std::size_t i = 0; i < kValues; ++i) {
    tl::optional<int> value;
    const std::size_t n = tav::protocol::readVarInt(p, left, optimizePositive, value);
    if (n == 0) break;
    p += n;
    left -= n;
    sum += static_cast<uint32_t>(*value);
  }
  return sum;
}

template <bool zigzag>
[[gnu::noinline]] uint32_t decodePbStream(const Data& data) {
  google::protobuf::io::CodedInputStream in(data.bytes.data(), static_cast<int>(data.bytes.size()));
  uint32_t sum = 0;
  for (std::size_t i = 0; i < kValues; ++i) {
    uint32_t wire;
    if (!in.ReadVarint32(&wire)) break;
    sum += zigzag ? static_cast<uint32_t>(WireFormatLite::ZigZagDecode32(wire)) : wire;
  }
  return sum;
}

template <bool zigzag>
[[gnu::noinline]] uint32_t decodePbArray(const Data& data) {
  const char* p = reinterpret_cast<const char*>(data.bytes.data());
  uint32_t sum = 0;
  for (std::size_t i = 0; i < kValues; ++i) {
    const uint32_t wire = google::protobuf::internal::ReadVarint32(&p);
    if (p == nullptr) break;
    sum += zigzag ? static_cast<uint32_t>(WireFormatLite::ZigZagDecode32(wire)) : wire;
  }
  return sum;
}

template <bool zigzag>
[[gnu::noinline]] std::size_t encodeOurs(const Data& data, std::vector<uint8_t>& out) {
  const bool optimizePositive = !zigzag;
  uint8_t* p = out.data();
  std::size_t left = out.size();
  for (int v : data.values) {
    const std::size_t n = tav::protocol::writeVarInt(p, left, optimizePositive, v);
    if (n == 0) break;
    p += n;
    left -= n;
  }
  return out.size() - left;
}

template <bool zigzag>
[[gnu::noinline]] std::size_t encodePb(const Data& data, std::vector<uint8_t>& out) {
  uint8_t* p = out.data();
  for (int v : data.values) {
    const uint32_t wire = zigzag ? WireFormatLite::ZigZagEncode32(v) : static_cast<uint32_t>(v);
    p = google::protobuf::io::CodedOutputStream::WriteVarint32ToArray(wire, p);
  }
  return static_cast<std::size_t>(p - out.data());
}

template <uint32_t (*Plain)(const Data&), uint32_t (*Zigzag)(const Data&)>
void BM_Decode(benchmark::State& st, Case c) {
  const Data& data = dataFor(c);
  if (!agrees(data, c.zigzag)) {
    st.SkipWithError("our codec disagrees with protobuf's");
    return;
  }
  for (auto _ : st) {
    benchmark::DoNotOptimize(&data);
    benchmark::DoNotOptimize(c.zigzag ? Zigzag(data) : Plain(data));
  }
  finish(st, data);
}

template <std::size_t (*Plain)(const Data&, std::vector<uint8_t>&),
          std::size_t (*Zigzag)(const Data&, std::vector<uint8_t>&)>
void BM_Encode(benchmark::State& st, Case c) {
  const Data& data = dataFor(c);
  std::vector<uint8_t> out(kValues * 5);
  for (auto _ : st) {
    benchmark::DoNotOptimize(c.zigzag ? Zigzag(data, out) : Plain(data, out));
    benchmark::ClobberMemory();
  }
  finish(st, data);
}

// Names: <function>/<lengths>/<plain|zigzag>, e.g. BM_Decode_Ours/mixed/zigzag.
int registerAll() {
  const struct {
    const char* name;
    Lengths lengths;
  } lengths[] = {{"1byte", Lengths::One}, {"5byte", Lengths::Five}, {"mixed", Lengths::Mixed}};
  const struct {
    const char* name;
    void (*fn)(benchmark::State&, Case);
  } functions[] = {{"BM_Decode_Ours", BM_Decode<decodeOurs<false>, decodeOurs<true>>},
                   {"BM_Decode_PbStream", BM_Decode<decodePbStream<false>, decodePbStream<true>>},
                   {"BM_Decode_PbArray", BM_Decode<decodePbArray<false>, decodePbArray<true>>},
                   {"BM_Encode_Ours", BM_Encode<encodeOurs<false>, encodeOurs<true>>},
                   {"BM_Encode_Pb", BM_Encode<encodePb<false>, encodePb<true>>}};
  for (const auto& l : lengths) {
    for (bool zigzag : {false, true}) {
      for (const auto& f : functions) {
        const std::string name =
            std::string(f.name) + "/" + l.name + "/" + (zigzag ? "zigzag" : "plain");
        benchmark::RegisterBenchmark(name.c_str(), f.fn, Case{l.lengths, zigzag});
      }
    }
  }
  return 0;
}

const int registered = registerAll();

}  // namespace
