#pragma once

#include <map>
#include <tl/optional.hpp>
#include <vector>

#include "model/actor.h"
#include "model/attackModifier.h"
#include "model/elementState.h"
#include "model/monsterAbilityDeck.h"
#include "model/playerInit.h"

namespace tav {

// The whole state of one game in progress: the union of what the protocol versions carry.
struct GameState {
  int round = 0;
  int scenario_number = 0;
  int scenario_level = 0;
  bool track_standees = false;
  bool ability_cards = false;
  bool random_standees = false;
  bool elites_first = false;
  bool expire_conditions = false;
  bool solo = false;
  bool hide_stats = false;
  bool calculate_stats = false;
  bool can_draw = false;
  bool needs_shuffle = false;
  tav::PlayerInit player_init = tav::PlayerInitNS::value1;
  std::vector<tav::AttackModifier> attack_modifiers;
  std::vector<tav::AttackModifier> attack_modifiers_discard;
  tl::optional<tav::AttackModifier> attack_modifier1;
  tl::optional<tav::AttackModifier> attack_modifier2;
  tav::ElementState fire = tav::ElementStateNS::Inert;
  tav::ElementState ice = tav::ElementStateNS::Inert;
  tav::ElementState air = tav::ElementStateNS::Inert;
  tav::ElementState earth = tav::ElementStateNS::Inert;
  tav::ElementState light = tav::ElementStateNS::Inert;
  tav::ElementState dark = tav::ElementStateNS::Inert;
  std::vector<int> removed_abilities;
  int bad_omen = 0;
  bool brav = false;
  // Decks of the monster kinds in play, by ascending id.
  std::map<int, tav::MonsterAbilityDeck> ability_decks;
  // The turn order.
  std::vector<tav::Actor> actors;

  // Every number 0, every flag false, player_init value1, elements Inert, containers empty.
  GameState();

  // Empties the five containers (attack_modifiers, attack_modifiers_discard,
  // removed_abilities, ability_decks, actors). Not a reset: every other field keeps its value.
  void clear();
};

#ifndef SWIG
/// Value equality: every field equal.
bool operator==(const GameState& a, const GameState& b);
/// The negation of ==.
bool operator!=(const GameState& a, const GameState& b);
#endif

}  // namespace tav
