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
  int round = 0;                                            // Current round number.
  int scenario_number = 0;                                  // Scenario being played.
  int scenario_level = 0;                                   // Scenario level.
  bool track_standees = false;                              // Table option.
  bool ability_cards = false;                               // Table option; not carried by 7.6.
  bool random_standees = false;                             // Table option.
  bool elites_first = false;                                // Table option.
  bool expire_conditions = false;                           // Table option.
  bool solo = false;                                        // Table option.
  bool hide_stats = false;                                  // Table option.
  bool calculate_stats = false;                             // Table option.
  bool can_draw = false;                                    // Flag.
  bool needs_shuffle = false;                               // Flag.
  tav::PlayerInit player_init = tav::PlayerInitNS::value1;  // Five-way setting.
  std::vector<tav::AttackModifier> attack_modifiers;        // Attack-modifier draw pile, in order.
  std::vector<tav::AttackModifier> attack_modifiers_discard;  // Its discard pile; not in 7.6.
  tl::optional<tav::AttackModifier> attack_modifier1;         // First slot; empty when it is free.
  tl::optional<tav::AttackModifier> attack_modifier2;         // Second slot; empty when it is free.
  tav::ElementState fire = tav::ElementStateNS::Inert;        // State of the fire element.
  tav::ElementState ice = tav::ElementStateNS::Inert;         // State of the ice element.
  tav::ElementState air = tav::ElementStateNS::Inert;         // State of the air element.
  tav::ElementState earth = tav::ElementStateNS::Inert;       // State of the earth element.
  tav::ElementState light = tav::ElementStateNS::Inert;       // State of the light element.
  tav::ElementState dark = tav::ElementStateNS::Inert;        // State of the dark element.
  std::vector<int> removed_abilities;  // Ability cards removed from play; not in 7.6.
  int bad_omen = 0;                    // Counter; not carried by 7.6.
  bool brav = false;                   // Flag of the second rule set; carried by 8.4 only.
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
