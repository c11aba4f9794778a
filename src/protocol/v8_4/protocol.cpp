#include <iostream>

#include "../body.h"
#include "protocol/v8_4.h"

// Protocol 8.4: the body of 8.0 with the brav flag after bad_omen.
namespace tav {
namespace protocol {
namespace v8_4 {

constexpr Version kVersion("8.4", detail::functionsOf<detail::kFormat8_4>());

void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer) {
  kVersion.read(state, buffer, &std::cout);
}

void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  kVersion.write(state, buffer);
}

}  // namespace v8_4
}  // namespace protocol
}  // namespace tav
