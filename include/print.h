#pragma once

#include <iosfwd>
#include <string>
#include <type_traits>

#include "model/actor.h"
#include "model/attackModifier.h"
#include "model/characterClass.h"
#include "model/condition.h"
#include "model/elementState.h"
#include "model/gameState.h"
#include "model/monsterAbilityDeck.h"
#include "model/monsterActor.h"
#include "model/monsterInstance.h"
#include "model/monsterType.h"
#include "model/playerActor.h"
#include "model/playerInit.h"
#include "model/summonColor.h"

// The text dump: every function writes to std::cout, adds no line end of its own unless its
// layout has one, and never flushes. Stream errors are ignored. The caller's flags, width and
// locale shape the text exactly as operator<< of each piece would (a width pads the first
// piece only); they are never set here. With the default stream state a call reaches the
// stream as one write per 4 KiB of text.
namespace tav {

// Building blocks. A null text prints nothing.
void print(const char* text);
// An int, as operator<< renders it.
void print(const int& value);
// An unsigned long, as operator<< renders it.
void print(const unsigned long& value);
// The stream's rendering of a bool: "1" or "0" with the default flags.
void print(const bool& value);
// The bytes of a string as they are.
void print(const std::string& value);

// Printed names of enumeration members. A number outside the enumeration prints nothing,
// except a CharacterClass, which prints "Unknown (<number>)".
void print(const tav::AttackModifier& value);
// The printed name of a character class; "Unknown (<number>)" outside it.
void print(const tav::CharacterClass& value);
// The printed name of a condition.
void print(const tav::Condition& value);
// The printed name of an element state.
void print(const tav::ElementState& value);
// The printed name of a monster type.
void print(const tav::MonsterType& value);
// The printed name of a PlayerInit value.
void print(const tav::PlayerInit& value);
// The printed name of a summon colour.
void print(const tav::SummonColor& value);

// Fixed-layout dumps of the records.
void print(const tav::Actor& actor);
// The dump of an ability deck.
void print(const tav::MonsterAbilityDeck& deck);
// The dump of a monster group record.
void print(const tav::MonsterActor& monster);
// The dump of one figure.
void print(const tav::MonsterInstance& instance);
// The dump of a player record.
void print(const tav::PlayerActor& player);
// The dump of a whole game state: every field, deck and actor.
void print(const tav::GameState& state);

// print(label, value, "\n"): each argument in turn, left to right.
#ifdef SWIG
template <class First, class Second, class... Rest>
void print(const First& first, const Second& second, const Rest&... rest);
#else
template <class First, class Second, class... Rest,
          std::enable_if_t<!std::is_base_of<std::ios_base, First>::value, int> = 0>
void print(const First& first, const Second& second, const Rest&... rest) {
  print(first);
  print(second, rest...);
}

// The same text into out instead of std::cout, under the same rules: no line end of the
// function's own, no flush, stream errors ignored (a stream that is not good gets nothing
// formatted), the stream's flags, width and locale honoured. Two threads that print into two
// streams of their own share nothing.

/// Writes text; a null text writes nothing.
void print(std::ostream& out, const char* text);
/// Writes value as operator<< would.
void print(std::ostream& out, const int& value);
/// Writes value as operator<< would.
void print(std::ostream& out, const unsigned long& value);
/// Writes value as operator<< would: "1" or "0" with the default flags.
void print(std::ostream& out, const bool& value);
/// Writes value.
void print(std::ostream& out, const std::string& value);
/// Writes the printed name of value (nothing for a number outside the enumeration).
void print(std::ostream& out, const tav::AttackModifier& value);
/// Writes the printed name of value ("Unknown (<number>)" for a class without a name).
void print(std::ostream& out, const tav::CharacterClass& value);
/// Writes the printed name of value (nothing for a number outside the enumeration).
void print(std::ostream& out, const tav::Condition& value);
/// Writes the printed name of value (nothing for a number outside the enumeration).
void print(std::ostream& out, const tav::ElementState& value);
/// Writes the printed name of value (nothing for a number outside the enumeration).
void print(std::ostream& out, const tav::MonsterType& value);
/// Writes the printed name of value (nothing for a number outside the enumeration).
void print(std::ostream& out, const tav::PlayerInit& value);
/// Writes the printed name of value (nothing for a number outside the enumeration).
void print(std::ostream& out, const tav::SummonColor& value);
/// Writes the fixed-layout dump of actor: its live record, turn_completed, its figures.
void print(std::ostream& out, const tav::Actor& actor);
/// Writes the fixed-layout dump of deck.
void print(std::ostream& out, const tav::MonsterAbilityDeck& deck);
/// Writes the fixed-layout dump of monster.
void print(std::ostream& out, const tav::MonsterActor& monster);
/// Writes the fixed-layout dump of instance.
void print(std::ostream& out, const tav::MonsterInstance& instance);
/// Writes the fixed-layout dump of player.
void print(std::ostream& out, const tav::PlayerActor& player);
/// Writes the fixed-layout dump of the whole state.
void print(std::ostream& out, const tav::GameState& state);

/// print(out, label, value, "\n"): each argument in turn into out, left to right.
template <class First, class Second, class... Rest>
void print(std::ostream& out, const First& first, const Second& second, const Rest&... rest) {
  print(out, first);
  print(out, second, rest...);
}
#endif

}  // namespace tav
