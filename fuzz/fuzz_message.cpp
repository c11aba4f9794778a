// Fuzzes a whole message: the header, then the body read by each protocol version in turn.

#include "fuzz_gamestate.h"
#include "protocol/header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  for (const tav::protocol::Version* version : tav::protocol::kVersions) {
    std::vector<uint8_t> input(data, data + size);
    tav::protocol::Buffer buffer(input.data(), input.size());
    tav::protocol::Header header;
    const std::size_t before = buffer.getReadPosition();
    if (!tav::protocol::readHeader(header, buffer)) {
      // A refused header leaves the buffer where it was.
      tavfuzz::require(buffer.getReadPosition() == before);
      return 0;
    }
    const std::size_t bodyStart = buffer.getReadPosition();
    tav::GameState state;
    const tav::protocol::ReadOutcome outcome = version->read(state, buffer);
    tavfuzz::require(buffer.getReadPosition() == bodyStart + outcome.consumed);
    tavfuzz::require(buffer.getSize() == outcome.leftover);
  }
  return 0;
}
