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
  tav::CharacterClass character_class = tav::CharacterClassNS::Escort;  // Class of the figure.
  int xp = 0;                                                           // Experience points.
  int hp = 0;                                                           // Current hit points.
  int hp_max = 0;                                                       // Maximum hit points.
  int level = 0;                                                        // Character level.
  int loot = 0;                                                         // Collected loot.
  int initiative = 0;                                                   // Initiative value.
  std::vector<tav::Condition> conditions;                               // Conditions on the figure.
  std::vector<tav::Condition> conditions_expired;       // Conditions in the expired list.
  std::vector<tav::Condition> conditions_current_turn;  // Conditions in the current-turn list.
  bool exhausted = false;                               // The figure is exhausted.

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
