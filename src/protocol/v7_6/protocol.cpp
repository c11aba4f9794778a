#include "../gameStateFormat.h"
#include "model/attackModifier.h"
#include "protocol/v7_6.h"

// Protocol 7.6: nine table flags (no ability_cards), the two optional attack-modifier cards in
// place of the discard pile, no removed abilities, bad omen or brav; the short deck record
// (id, shown, was_shown, draw pile), no monster ability slot, the player's own initiative on
// the wire, and no count lines in the dump.
namespace tav {
namespace protocol {
namespace v7_6 {

namespace {

constexpr detail::Format kFormat{false, false, false, false, false};

}  // namespace

void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer) {
  detail::readOpening(state, buffer, kFormat);
  state.attack_modifier1 =
      buffer.readEnumOrNull(detail::valuesOf<tav::AttackModifier, tav::getAttackModifierValues>());
  state.attack_modifier2 =
      buffer.readEnumOrNull(detail::valuesOf<tav::AttackModifier, tav::getAttackModifierValues>());
  detail::readElements(state, buffer);
  detail::readRecords(state, buffer, kFormat);
}

void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  detail::writeOpening(state, buffer, kFormat);
  buffer.writeEnumOrNull(state.attack_modifier1);
  buffer.writeEnumOrNull(state.attack_modifier2);
  detail::writeElements(state, buffer);
  detail::writeRecords(state, buffer, kFormat);
}

}  // namespace v7_6
}  // namespace protocol
}  // namespace tav
