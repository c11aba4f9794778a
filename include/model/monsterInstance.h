#pragma once

#include <vector>

#include "model/condition.h"
#include "model/monsterType.h"
#include "model/summonColor.h"

namespace tav {

// One figure on the board: a monster standee or a summon. The four summon_ fields carry
// meaning only while type is Summon; dump and wire formats skip them otherwise.
struct MonsterInstance {
  int number = 0;
  tav::MonsterType type = tav::MonsterTypeNS::Normal;
  tav::SummonColor summon_color = tav::SummonColorNS::None;
  int summon_move = 0;
  int summon_attack = 0;
  int summon_range = 0;
  bool is_new = false;
  int hp = 0;
  int hp_max = 0;
  std::vector<tav::Condition> conditions;
  std::vector<tav::Condition> conditions_expired;
  std::vector<tav::Condition> conditions_current_turn;

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
