#include "model/fields.h"

namespace tav {

namespace {

// Every field equal, by the record's field list; stops comparing at the first difference.
template <class Record>
bool equalFields(const Record& a, const Record& b) {
  if (!fields::sameKind(a, b)) return false;
  bool equal = true;
  fields::forEachField(
      [&equal](const char*, const auto& x, const auto& y) { equal = equal && x == y; }, a, b);
  return equal;
}

}  // namespace

bool operator==(const MonsterInstance& a, const MonsterInstance& b) { return equalFields(a, b); }
bool operator==(const PlayerActor& a, const PlayerActor& b) { return equalFields(a, b); }
bool operator==(const MonsterActor& a, const MonsterActor& b) { return equalFields(a, b); }
bool operator==(const Actor& a, const Actor& b) { return equalFields(a, b); }
bool operator==(const MonsterAbilityDeck& a, const MonsterAbilityDeck& b) {
  return equalFields(a, b);
}
bool operator==(const GameState& a, const GameState& b) { return equalFields(a, b); }

bool operator!=(const MonsterInstance& a, const MonsterInstance& b) { return !(a == b); }
bool operator!=(const PlayerActor& a, const PlayerActor& b) { return !(a == b); }
bool operator!=(const MonsterActor& a, const MonsterActor& b) { return !(a == b); }
bool operator!=(const Actor& a, const Actor& b) { return !(a == b); }
bool operator!=(const MonsterAbilityDeck& a, const MonsterAbilityDeck& b) { return !(a == b); }
bool operator!=(const GameState& a, const GameState& b) { return !(a == b); }

}  // namespace tav
