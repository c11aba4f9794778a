// Fuzzes the stream decoder: the input's first five bytes choose the chunk sizes and the limit,
// the rest is a stream fed to a MessageStream in those chunks. What it reports (messages,
// broken statuses, offsets, the final status) must be what one-shot readMessage calls over the
// whole stream report, with the same way of going past a broken header: a kTooLarge message is
// discarded whole (often before its bytes arrive), any other broken header one byte at a time.
// The view of the bytes waiting is at each step the input from the stream's position on.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "protocol/message.h"

namespace {

using tav::protocol::Message;
using tav::protocol::MessageStatus;

struct Seen {
  MessageStatus status;
  uint64_t offset;
  std::size_t size;
  std::size_t headerSize;
  std::string event, payload, text, body;
  bool operator==(const Seen& o) const {
    return status == o.status && offset == o.offset && size == o.size &&
           headerSize == o.headerSize && event == o.event && payload == o.payload &&
           text == o.text && body == o.body;
  }
};

Seen seen(const Message& m, uint64_t offset) {
  return {m.status,
          offset,
          m.size,
          m.headerSize,
          m.header.event,
          m.header.payload,
          std::string(m.text),
          std::string(m.body)};
}

// How far a reader moves past a broken header.
uint64_t skip(const Message& m) { return m.status == MessageStatus::kTooLarge ? m.size : 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  uint32_t seed =
      (uint32_t{data[0]} << 24) | (uint32_t{data[1]} << 16) | (uint32_t{data[2]} << 8) | data[3];
  static const std::size_t kLimits[] = {0, 3, 16, 100, 4096, tav::protocol::kDefaultMessageLimit};
  const std::size_t limit = kLimits[data[4] % (sizeof kLimits / sizeof kLimits[0])];
  data += 5;
  size -= 5;

  // One shot over the whole stream.
  std::vector<Seen> expected;
  uint64_t at = 0;
  for (;;) {
    const std::size_t rest = at < size ? size - static_cast<std::size_t>(at) : 0;
    const Message m = tav::protocol::readMessage(data + (size - rest), rest, limit);
    expected.push_back(seen(m, at));
    if (tav::protocol::needsMoreBytes(m.status)) break;
    at += m.status == MessageStatus::kComplete ? m.size : skip(m);
    if (at > size) break;  // a discard past the end of the stream
  }

  // The stream, fed in chunks of 1 to 64 bytes.
  tav::protocol::MessageStream stream(limit);
  std::vector<Seen> got;
  std::size_t fed = 0;
  bool ended = false;
  while (!ended) {
    seed = seed * 1664525u + 1013904223u;
    const std::size_t chunk = 1 + (seed >> 26);
    const std::size_t n = chunk < size - fed ? chunk : size - fed;
    stream.feed(data + fed, n);
    fed += n;
    for (;;) {
      const uint64_t position = stream.position();
      const std::string_view before = stream.waiting();
      const Message m = stream.next();
      FUZZ_CHECK(m.offset == position);
      FUZZ_CHECK(stream.buffered() <= fed);
      // The view is the input from position() to what was fed, and next() moves no bytes.
      const std::string_view now = stream.waiting();
      const std::size_t from =
          stream.position() < fed ? static_cast<std::size_t>(stream.position()) : fed;
      FUZZ_CHECK(now.size() == fed - from &&
                 now == std::string_view(reinterpret_cast<const char*>(data) + from, fed - from));
      if (m.status == MessageStatus::kComplete) {
        FUZZ_CHECK(before.substr(0, m.size) ==
                   std::string_view(reinterpret_cast<const char*>(data) + position, m.size));
      }
      if (tav::protocol::needsMoreBytes(m.status)) {
        if (fed == size) {
          got.push_back(seen(m, m.offset));
          ended = true;
        }
        break;
      }
      got.push_back(seen(m, m.offset));
      if (m.status != MessageStatus::kComplete) {
        stream.discard(skip(m));
        if (stream.position() > size) {
          ended = true;
          break;
        }
      }
    }
  }
  FUZZ_CHECK(got == expected);
  return 0;
}
