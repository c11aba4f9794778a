#include <iostream>

#include "../body.h"
#include "protocol/v8_4.h"

// Protocol 8.4: the body of 8.0 with the brav flag after bad_omen.
namespace tav {
namespace protocol {
namespace v8_4 {

namespace {

constexpr detail::Format makeFormat() {
  detail::Format format;
  format.abilityCards = true;
  format.discardPile = true;
  format.removedAbilities = true;
  format.brav = true;
  format.fullDeck = true;
  format.monsterAbility = true;
  format.fixedInitiative = true;
  format.countLines = true;
  return format;
}

constexpr detail::Format kFormat = makeFormat();

}  // namespace

constexpr Version kVersion("8.4", detail::functionsOf<kFormat>());

void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer) {
  kVersion.read(state, buffer, &std::cout);
}

void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  kVersion.write(state, buffer);
}

}  // namespace v8_4
}  // namespace protocol
}  // namespace tav
