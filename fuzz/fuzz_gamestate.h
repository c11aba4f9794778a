#pragma once

// The body of every game-state fuzz target: read the input as a body of one protocol version
// with every reader form (quiet, dumping, annotating, from a Buffer) and check that they agree,
// that the annotated spans tile the bytes read, that the sizer gives the size the writer
// writes, and that what was read survives a write and a second read unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <vector>

#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/version.h"

namespace tavfuzz {

// Swallows everything written to it.
class NullStreamBuf : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

inline void require(bool condition) {
  if (!condition) std::abort();
}

inline bool sameOutcome(const tav::protocol::ReadOutcome& a, const tav::protocol::ReadOutcome& b) {
  return a.consumed == b.consumed && a.leftover == b.leftover && a.complete == b.complete &&
         (!a.complete ? a.stoppedAt == b.stoppedAt : true);
}

inline void checkBody(const tav::protocol::Version& version, const uint8_t* data,
                      std::size_t size) {
  tav::GameState quiet;
  const tav::protocol::ReadOutcome outcome = version.read(quiet, data, size);
  require(outcome.consumed + outcome.leftover == size);

  NullStreamBuf null;
  std::ostream dump(&null);
  tav::GameState dumped;
  require(sameOutcome(version.read(dumped, data, size, &dump), outcome));
  require(dumped == quiet);

  // From a Buffer: the read position moves by the bytes the outcome reports.
  std::vector<uint8_t> input(data, data + size);
  tav::protocol::Buffer buffer(input.data(), input.size());
  tav::GameState buffered;
  require(sameOutcome(version.read(buffered, buffer), outcome));
  require(buffer.getReadPosition() == outcome.consumed);

  const tav::protocol::Annotation annotation = version.annotate(data, size);
  require(sameOutcome(annotation.outcome, outcome));
  std::size_t next = 0;
  for (const tav::protocol::FieldSpan& field : annotation.fields) {
    if (field.length == 0) continue;
    require(field.offset == next);
    next += field.length;
  }
  require(next == outcome.consumed);

  const std::vector<uint8_t> first = version.encode(quiet);
  require(first.size() == version.size(quiet));
  tav::GameState again;
  require(version.read(again, first.data(), first.size()).exact());
  require(version.encode(again) == first);
}

}  // namespace tavfuzz
