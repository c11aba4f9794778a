// Fuzzes the protocol 7.6 game-state reader (and, through the round-trip check, the writer).

#include "fuzz_gamestate.h"
#include "protocol/v7_6.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  tavfuzz::silenceCout();
  tavfuzz::checkBody(tav::protocol::v7_6::readGameState, tav::protocol::v7_6::writeGameState, data,
                     size);
  return 0;
}
