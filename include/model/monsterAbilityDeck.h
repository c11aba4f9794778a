#pragma once

#include <tl/optional.hpp>
#include <vector>

namespace tav {

// The ability deck of one monster kind. shuffle, shown_ability and abilities_discard travel
// in protocols 8.0 and 8.4 only; shown and was_shown in 7.6 only.
struct MonsterAbilityDeck {
  int id;                // Identifier of the deck; also its key in GameState::ability_decks.
  bool shuffle = false;  // Flag.
  tl::optional<int> shown_ability;     // Ability card on display; empty when none is.
  std::vector<int> abilities;          // Card numbers of the draw pile, in pile order.
  std::vector<int> abilities_discard;  // Card numbers of the discard pile, in pile order.
  bool shown = false;                  // Flag; not printed by the dump.
  bool was_shown = false;              // Flag; not printed by the dump.

  // A deck with id 0 and everything else at its default.
  MonsterAbilityDeck();
  // A deck with the given id, not shuffled, nothing shown, both piles empty.
  MonsterAbilityDeck(int id);
};

#ifndef SWIG
/// Value equality: every field equal.
bool operator==(const MonsterAbilityDeck& a, const MonsterAbilityDeck& b);
/// The negation of ==.
bool operator!=(const MonsterAbilityDeck& a, const MonsterAbilityDeck& b);
#endif

}  // namespace tav
