#pragma once

#include <tl/optional.hpp>
#include <vector>

namespace tav {

// The ability deck of one monster kind. shuffle, shown_ability and abilities_discard travel
// in protocols 8.0 and 8.4 only; shown and was_shown in 7.6 only.
struct MonsterAbilityDeck {
  int id;
  bool shuffle = false;
  tl::optional<int> shown_ability;
  std::vector<int> abilities;
  std::vector<int> abilities_discard;
  bool shown = false;
  bool was_shown = false;

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
