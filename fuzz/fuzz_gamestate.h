#pragma once

// The body of every game-state fuzz target: read the input as a body of one protocol version
// with the dump sent nowhere, then check that what was read survives a write and a second read
// unchanged (written bytes equal after one normalising round).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <vector>

#include "model/gameState.h"
#include "protocol/buffer.h"

namespace tavfuzz {

using ReadFn = void (*)(tav::GameState&, tav::protocol::Buffer&);
using WriteFn = void (*)(const tav::GameState&, tav::protocol::Buffer&);

// Swallows everything written to it.
class NullStreamBuf : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// Sends std::cout to a null stream buffer for the rest of the process.
inline void silenceCout() {
  static NullStreamBuf null;
  static const bool done = (std::cout.rdbuf(&null), true);
  (void)done;
}

// The bytes of state in one version; empty when they did not all fit into the room given.
inline std::vector<uint8_t> writeAll(WriteFn write, const tav::GameState& state, std::size_t room) {
  std::vector<uint8_t> bytes(room);
  tav::protocol::Buffer buffer(bytes.data(), bytes.size());
  buffer.clear();
  write(state, buffer);
  bytes.resize(buffer.getPosition());
  return bytes;
}

// Reads data as a body, then checks write(read(write(state))) == write(state).
inline void checkBody(ReadFn read, WriteFn write, const uint8_t* data, std::size_t size) {
  std::vector<uint8_t> input(data, data + size);
  tav::protocol::Buffer buffer(input.data(), input.size());
  tav::GameState state;
  read(state, buffer);
  if (buffer.getReadPosition() > size) std::abort();

  // No value can be dropped while the room left exceeds the largest value (a name from the
  // input) plus the largest varint.
  const std::size_t room = std::min<std::size_t>(1u << 22, 64 * size + 4096);
  const std::vector<uint8_t> first = writeAll(write, state, room);
  if (first.size() + size + 16 > room) return;
  tav::GameState again;
  std::vector<uint8_t> copy = first;
  tav::protocol::Buffer second(copy.data(), copy.size());
  read(again, second);
  if (second.getSize() != 0) std::abort();
  if (writeAll(write, again, room) != first) std::abort();
}

}  // namespace tavfuzz
