// Fuzzes a whole message: the header, then the body read by each protocol version in turn.

#include "fuzz_gamestate.h"
#include "protocol/header.h"
#include "protocol/v7_6.h"
#include "protocol/v8_0.h"
#include "protocol/v8_4.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  tavfuzz::silenceCout();
  for (tavfuzz::ReadFn read :
       {tav::protocol::v8_4::readGameState, tav::protocol::v8_0::readGameState,
        tav::protocol::v7_6::readGameState}) {
    std::vector<uint8_t> input(data, data + size);
    tav::protocol::Buffer buffer(input.data(), input.size());
    tav::protocol::Header header;
    const std::size_t before = buffer.getReadPosition();
    if (!tav::protocol::readHeader(header, buffer)) {
      // A refused header leaves the buffer where it was.
      if (buffer.getReadPosition() != before) std::abort();
      return 0;
    }
    tav::GameState state;
    read(state, buffer);
  }
  return 0;
}
