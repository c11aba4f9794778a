#include "model/gameState.h"

namespace tav {

GameState::GameState() = default;

void GameState::clear() {
  attack_modifiers.clear();
  attack_modifiers_discard.clear();
  removed_abilities.clear();
  actors.clear();
  ability_decks.clear();
}

}  // namespace tav
