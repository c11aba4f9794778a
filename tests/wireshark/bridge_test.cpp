// The dissector's C interface on hostile bytes: the samples mutated at random (bytes changed,
// inserted, deleted, cut) go through framing, resynchronisation and the whole decode, and
// every offset the dissector would hand to Wireshark must lie within the bytes given. Built
// without Wireshark, so that the sanitizer builds run it too.
//
// Usage: tav_wireshark_bridge_test <iterations> <sample>...
#include "bridge.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<void*> allocations;

void* allocate(void* /*context*/, std::size_t size) {
  void* p = std::malloc(size);
  if (p != nullptr) allocations.push_back(p);
  return p;
}

void release() {
  for (void* p : allocations) std::free(p);
  allocations.clear();
}

int failures = 0;

void check(bool ok, const char* what, std::size_t iteration) {
  if (ok) return;
  if (++failures <= 10) std::fprintf(stderr, "iteration %zu: %s\n", iteration, what);
}

void checkFields(const tav_field* fields, std::size_t count, std::size_t size,
                 std::size_t iteration, std::size_t defs) {
  for (std::size_t i = 0; i < count; ++i) {
    const tav_field& f = fields[i];
    check(f.path != nullptr && f.label != nullptr && f.value != nullptr, "field without texts",
          iteration);
    check(f.offset <= size && f.length <= size - f.offset, "field outside the bytes", iteration);
    check(f.hf < static_cast<int>(defs), "field index out of range", iteration);
    check(f.depth <= TAV_MAX_DEPTH, "records too deep", iteration);
    for (unsigned k = 0; k < f.depth && k < TAV_MAX_DEPTH; ++k) {
      check(f.record_label[k] != nullptr && f.record_path[k] != nullptr, "record without texts",
            iteration);
      check(f.record_hf[k] < static_cast<int>(defs), "record index out of range", iteration);
    }
    check(f.kind != TAV_VALUE_TEXT || f.text != nullptr, "text without bytes", iteration);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <iterations> <sample>...\n", argv[0]);
    return 2;
  }
  const std::size_t iterations = std::strtoul(argv[1], nullptr, 10);
  std::vector<std::string> samples;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    samples.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (samples.back().empty()) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 2;
    }
  }
  std::size_t defs = 0;
  if (tav_bridge_fields(&defs) == nullptr || defs == 0) {
    std::fprintf(stderr, "no fields registered\n");
    return 1;
  }
  std::mt19937 rng(19);
  auto below = [&rng](std::size_t n) { return n == 0 ? 0 : std::size_t(rng() % n); };
  std::size_t exact = 0;
  for (std::size_t it = 0; it < iterations; ++it) {
    std::string data;
    for (std::size_t n = 1 + below(3); n > 0; --n) data += samples[below(samples.size())];
    // The first iterations decode the samples themselves; then ever more mutations.
    for (std::size_t n = it < samples.size() ? 0 : 1 + below(6); n > 0 && !data.empty(); --n) {
      std::size_t at = below(data.size());
      switch (below(5)) {
        case 0:
          data[at] = static_cast<char>(rng());
          break;
        case 1:
          data.insert(at, 1 + below(4), static_cast<char>(rng()));
          break;
        case 2:
          data.erase(at, 1 + below(8));
          break;
        case 3:
          data[at] = static_cast<char>(data[at] ^ 0x80);
          break;
        default:
          data.resize(at);
          break;
      }
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const uint64_t limit = below(4) == 0 ? 64 : uint64_t{16} << 20;
    const char* forced = below(4) == 0 ? tav_bridge_versions()[below(3)] : nullptr;

    tav_frame frame;
    check(tav_bridge_frame(bytes, data.size(), limit, &frame) == 0, "frame failed", it);
    check(frame.status != TAV_COMPLETE || frame.size <= data.size(), "complete beyond the bytes",
          it);
    std::size_t next = tav_bridge_resync(bytes, data.size(), 1, limit);
    check(next <= data.size() && (next >= 1 || data.empty()), "resync out of range", it);

    tav_dissection d;
    int rc = tav_bridge_dissect(bytes, data.size(), limit, forced, allocate, nullptr, &d);
    check(rc == 0, "dissect failed", it);
    if (rc == 0) {
      check(d.summary != nullptr && d.status_text != nullptr, "no summary", it);
      checkFields(d.header_fields, d.header_field_count, data.size(), it, defs);
      checkFields(d.fields, d.field_count, data.size(), it, defs);
      if (d.version != nullptr && d.exact && frame.status == TAV_COMPLETE) ++exact;
    }
    release();
  }
  std::printf("%zu iterations, %zu exact messages, %d failures\n", iterations, exact, failures);
  return failures == 0 && exact > 0 ? 0 : 1;
}
