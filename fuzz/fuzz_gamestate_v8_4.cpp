// Fuzzes the protocol 8.4 game-state reader (and, through the round-trip check, the writer).

#include "fuzz_gamestate.h"
#include "protocol/v8_4.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  tavfuzz::silenceCout();
  tavfuzz::checkBody(tav::protocol::v8_4::readGameState, tav::protocol::v8_4::writeGameState, data,
                     size);
  return 0;
}
