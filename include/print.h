#pragma once

#include <string>

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
void print(const int& value);
void print(const unsigned long& value);
// The stream's rendering of a bool: "1" or "0" with the default flags.
void print(const bool& value);
void print(const std::string& value);

// Printed names of enumeration members. A number outside the enumeration prints nothing,
// except a CharacterClass, which prints "Unknown (<number>)".
void print(const tav::AttackModifier& value);
void print(const tav::CharacterClass& value);
void print(const tav::Condition& value);
void print(const tav::ElementState& value);
void print(const tav::MonsterType& value);
void print(const tav::PlayerInit& value);
void print(const tav::SummonColor& value);

// Fixed-layout dumps of the records.
void print(const tav::Actor& actor);
void print(const tav::MonsterAbilityDeck& deck);
void print(const tav::MonsterActor& monster);
void print(const tav::MonsterInstance& instance);
void print(const tav::PlayerActor& player);
void print(const tav::GameState& state);

// print(label, value, "\n"): each argument in turn, left to right.
template <class First, class Second, class... Rest>
void print(const First& first, const Second& second, const Rest&... rest) {
  print(first);
  print(second, rest...);
}

}  // namespace tav
