#pragma once

#include <string>
#include <vector>

#include "model/characterClass.h"
#include "model/condition.h"

namespace tav {

// One player figure in the turn order.
struct PlayerActor {
  // Display name; empty by default. The wire formats send "nameless" as an absent name.
  std::string name;
  tav::CharacterClass character_class = tav::CharacterClassNS::Escort;
  int xp = 0;
  int hp = 0;
  int hp_max = 0;
  int level = 0;
  int loot = 0;
  int initiative = 0;
  std::vector<tav::Condition> conditions;
  std::vector<tav::Condition> conditions_expired;
  std::vector<tav::Condition> conditions_current_turn;
  bool exhausted = false;

  // All fields at their defaults: empty name, class Escort, numbers 0, lists empty.
  PlayerActor();
};

#ifndef SWIG
/// Value equality: every field equal.
bool operator==(const PlayerActor& a, const PlayerActor& b);
/// The negation of ==.
bool operator!=(const PlayerActor& a, const PlayerActor& b);
#endif

}  // namespace tav
