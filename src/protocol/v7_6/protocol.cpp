#include <iostream>

#include "../body.h"
#include "protocol/v7_6.h"

// Protocol 7.6: nine table flags (no ability_cards), the two optional attack-modifier cards in
// place of the discard pile, no removed abilities, bad omen or brav; the short deck record
// (id, shown, was_shown, draw pile), no monster ability slot, the player's own initiative on
// the wire, and no count lines in the dump.
namespace tav {
namespace protocol {
namespace v7_6 {

constexpr Version kVersion("7.6", detail::functionsOf<detail::kFormat7_6>());

void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer) {
  kVersion.read(state, buffer, &std::cout);
}

void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  kVersion.write(state, buffer);
}

}  // namespace v7_6
}  // namespace protocol
}  // namespace tav
