#pragma once

// The worked example: the game state that tav-example writes and reads, whose messages are the
// samples in examples/data. The tests, fuzz targets and benchmarks use it too (through the
// test-support target, tests/support), and a test checks the samples against it, so the
// example, the samples and the tests can't drift apart.

#include "model/gameState.h"

namespace tav {
namespace example {

// Round 2 of scenario 7: one monster ability deck, a monster group with one standee, and a
// player, so every record kind and both absent and present optionals appear. Every version
// carries part of it: 8.x the discard pile, removed abilities and the shown ability; 7.6 the
// first attack-modifier slot.
inline tav::GameState workedExample() {
  tav::GameState state;
  state.round = 2;
  state.scenario_number = 7;
  state.scenario_level = 1;
  state.track_standees = true;
  state.attack_modifiers = {tav::AttackModifierNS::Plus1, tav::AttackModifierNS::Miss};
  state.attack_modifiers_discard = {tav::AttackModifierNS::Zero};
  state.attack_modifier1 = tav::AttackModifierNS::Crit;
  state.fire = tav::ElementStateNS::Strong;
  state.air = tav::ElementStateNS::Waning;
  state.removed_abilities = {4, 9};
  tav::MonsterAbilityDeck deck(3);
  deck.shown_ability = 12;
  deck.abilities = {10, 11};
  state.ability_decks[3] = deck;

  tav::MonsterActor group;
  group.id = 3;
  group.level = 1;
  group.is_normal = true;
  tav::Actor monster(group);
  tav::MonsterInstance figure;
  figure.number = 1;
  figure.hp = 5;
  figure.hp_max = 5;
  figure.conditions = {tav::ConditionNS::Poisoned};
  monster.instances.push_back(figure);
  state.actors.push_back(monster);

  tav::PlayerActor hero;
  hero.name = "hero";
  hero.character_class = tav::CharacterClassNS::Varsk;
  hero.xp = 4;
  hero.hp = 8;
  hero.hp_max = 10;
  hero.level = 1;
  hero.loot = 2;
  hero.initiative = 35;
  tav::Actor player(hero);
  player.turn_completed = true;
  state.actors.push_back(player);
  return state;
}

}  // namespace example
}  // namespace tav
