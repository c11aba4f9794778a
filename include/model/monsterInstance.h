#pragma once

#include <vector>

#include "model/condition.h"
#include "model/monsterType.h"
#include "model/summonColor.h"

namespace tav {

// One figure on the board: a monster standee or a summon. The four summon_ fields carry
// meaning only while type is Summon; dump and wire formats skip them otherwise.
struct MonsterInstance {
  int number = 0;                                            // Standee number of the figure.
  tav::MonsterType type = tav::MonsterTypeNS::Normal;        // Normal, Elite, Boss or Summon.
  tav::SummonColor summon_color = tav::SummonColorNS::None;  // Colour marker of a summon.
  int summon_move = 0;                                       // Move value of a summon.
  int summon_attack = 0;                                     // Attack value of a summon.
  int summon_range = 0;                                      // Range value of a summon.
  bool is_new = false;  // Flag, carried unchanged by the dump and the wire formats.
  int hp = 0;           // Current hit points.
  int hp_max = 0;       // Maximum hit points.
  std::vector<tav::Condition> conditions;               // Conditions on the figure.
  std::vector<tav::Condition> conditions_expired;       // Conditions in the expired list.
  std::vector<tav::Condition> conditions_current_turn;  // Conditions in the current-turn list.

  // All fields at their defaults: numbers 0, type Normal, colour None, lists empty.
  MonsterInstance();
};

#ifndef SWIG
/// Value equality: every field equal.
bool operator==(const MonsterInstance& a, const MonsterInstance& b);
/// The negation of ==.
bool operator!=(const MonsterInstance& a, const MonsterInstance& b);
#endif

}  // namespace tav
