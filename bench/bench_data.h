#pragma once

// Fixtures shared by the benchmarks: the game states they measure, and scoped control of where
// the dump goes.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "model/gameState.h"
#include "worked_example.h"

namespace tavbench {

// The small example state: one deck, a monster group with one figure and a player.
inline tav::GameState makeExampleState() { return tav::example::workedExample(); }

// A large state: 100 actors of 8 figures each (every fifth actor a player with 8 summons, the
// others monster groups with 8 standees), 20 decks and full attack-modifier piles. The numbers
// come from a fixed generator, so every run measures the same content.
inline tav::GameState makeLargeState() {
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t bound) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % bound);
  };
  auto conditions = [&next](int most) {
    std::vector<tav::Condition> list;
    for (int n = next(static_cast<uint32_t>(most) + 1); n > 0; --n) {
      list.push_back(static_cast<tav::Condition>(next(12)));
    }
    return list;
  };

  tav::GameState state;
  state.round = 14;
  state.scenario_number = 61;
  state.scenario_level = 4;
  state.track_standees = true;
  state.ability_cards = true;
  state.elites_first = true;
  state.expire_conditions = true;
  state.calculate_stats = true;
  state.can_draw = true;
  state.player_init = tav::PlayerInitNS::value3;
  for (int i = 0; i < 20; ++i) state.attack_modifiers.push_back(tav::AttackModifier(next(9)));
  for (int i = 0; i < 6; ++i) {
    state.attack_modifiers_discard.push_back(tav::AttackModifier(next(9)));
  }
  state.fire = tav::ElementStateNS::Strong;
  state.ice = tav::ElementStateNS::Waning;
  state.dark = tav::ElementStateNS::Strong;
  for (int i = 0; i < 12; ++i) state.removed_abilities.push_back(100 + next(400));
  state.bad_omen = 2;
  state.brav = true;

  for (int id = 1; id <= 20; ++id) {
    tav::MonsterAbilityDeck deck(id);
    deck.shuffle = id % 3 == 0;
    if (id % 4 != 0) deck.shown_ability = 8 * id + next(8);
    for (int i = 0; i < 6; ++i) deck.abilities.push_back(8 * id + next(8));
    for (int i = 0; i < 2; ++i) deck.abilities_discard.push_back(8 * id + next(8));
    state.ability_decks[id] = deck;
  }

  for (int a = 0; a < 100; ++a) {
    if (a % 5 == 0) {
      tav::PlayerActor player;
      player.name = "Player " + std::to_string(a / 5 + 1);
      player.character_class = tav::CharacterClass(2 + next(20));
      player.xp = next(200);
      player.hp_max = 6 + next(10);
      player.hp = 1 + next(static_cast<uint32_t>(player.hp_max));
      player.level = 1 + next(9);
      player.loot = next(30);
      player.initiative = 78;
      player.conditions = conditions(2);
      player.conditions_expired = conditions(1);
      player.exhausted = a % 25 == 0;
      tav::Actor actor(player);
      actor.turn_completed = a % 2 == 0;
      for (int f = 0; f < 8; ++f) {
        tav::MonsterInstance summon;
        summon.number = f + 1;
        summon.type = tav::MonsterTypeNS::Summon;
        summon.summon_color = tav::SummonColor(1 + next(8));
        summon.summon_move = next(5);
        summon.summon_attack = next(5);
        summon.summon_range = next(4);
        summon.is_new = f == 7;
        summon.hp_max = 2 + next(8);
        summon.hp = 1 + next(static_cast<uint32_t>(summon.hp_max));
        summon.conditions = conditions(1);
        actor.instances.push_back(summon);
      }
      state.actors.push_back(actor);
    } else {
      tav::MonsterActor monster;
      monster.id = 1 + a % 20;
      monster.level = 4;
      monster.is_normal = true;
      monster.is_elite = a % 2 == 1;
      if (a % 3 != 0) monster.ability = 8 * monster.id + next(8);
      tav::Actor actor(monster);
      actor.turn_completed = a % 2 == 1;
      for (int f = 0; f < 8; ++f) {
        tav::MonsterInstance standee;
        standee.number = f + 1;
        standee.type = f < 2 ? tav::MonsterTypeNS::Elite : tav::MonsterTypeNS::Normal;
        standee.is_new = f == 0;
        standee.hp_max = 5 + next(20);
        standee.hp = 1 + next(static_cast<uint32_t>(standee.hp_max));
        standee.conditions = conditions(2);
        standee.conditions_expired = conditions(1);
        standee.conditions_current_turn = conditions(1);
        actor.instances.push_back(standee);
      }
      state.actors.push_back(actor);
    }
  }
  return state;
}

// Sends file descriptor 1 to /dev/null for its lifetime, flushing std::cout and stdout on both
// edges so that no text crosses over. The benchmark's own report is written before and after.
class StdoutToDevNull {
 public:
  StdoutToDevNull() {
    std::cout.flush();
    std::fflush(stdout);
    saved_ = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~StdoutToDevNull() {
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
  }
  StdoutToDevNull(const StdoutToDevNull&) = delete;
  StdoutToDevNull& operator=(const StdoutToDevNull&) = delete;

 private:
  int saved_;
};

}  // namespace tavbench
