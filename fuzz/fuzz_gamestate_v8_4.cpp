// Fuzzes the protocol 8.4 game-state body: every reader form, the annotator, the sizer and the
// writer.

#include "fuzz_gamestate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  tavfuzz::checkBody(tav::protocol::v8_4::kVersion, data, size);
  return 0;
}
