#include <iostream>

#include "../body.h"
#include "protocol/v8_0.h"

// Protocol 8.0: ability_cards among the table flags, the attack-modifier discard pile, removed
// abilities and bad omen, the full deck record, the monster ability slot, the fixed player
// initiative, and the count lines in the dump; no brav flag.
namespace tav {
namespace protocol {
namespace v8_0 {

constexpr Version kVersion("8.0", detail::functionsOf<detail::kFormat8_0>());

void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer) {
  kVersion.read(state, buffer, &std::cout);
}

void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  kVersion.write(state, buffer);
}

}  // namespace v8_0
}  // namespace protocol
}  // namespace tav
