#pragma once

// Field-by-field comparisons of the model's records for GoogleTest: unlike a check of
// operator==, a mismatch names the field (and, through SCOPED_TRACE, the deck, actor or figure)
// that differs.

#include <gtest/gtest.h>

#include <string>

#include "model/actor.h"
#include "model/gameState.h"
#include "model/monsterInstance.h"

namespace tav {
namespace test {

inline void expectEqual(const tav::MonsterInstance& a, const tav::MonsterInstance& b) {
  EXPECT_EQ(a.number, b.number);
  EXPECT_EQ(a.type, b.type);
  EXPECT_EQ(a.summon_color, b.summon_color);
  EXPECT_EQ(a.summon_move, b.summon_move);
  EXPECT_EQ(a.summon_attack, b.summon_attack);
  EXPECT_EQ(a.summon_range, b.summon_range);
  EXPECT_EQ(a.is_new, b.is_new);
  EXPECT_EQ(a.hp, b.hp);
  EXPECT_EQ(a.hp_max, b.hp_max);
  EXPECT_EQ(a.conditions, b.conditions);
  EXPECT_EQ(a.conditions_expired, b.conditions_expired);
  EXPECT_EQ(a.conditions_current_turn, b.conditions_current_turn);
}

inline void expectEqual(const tav::Actor& a, const tav::Actor& b) {
  ASSERT_EQ(a.__is_player, b.__is_player);
  const tav::MonsterActor& ma = a.__monster;
  const tav::MonsterActor& mb = b.__monster;
  EXPECT_EQ(ma.id, mb.id);
  EXPECT_EQ(ma.level, mb.level);
  EXPECT_EQ(ma.is_normal, mb.is_normal);
  EXPECT_EQ(ma.is_elite, mb.is_elite);
  EXPECT_TRUE(ma.ability == mb.ability);
  const tav::PlayerActor& pa = a.__player;
  const tav::PlayerActor& pb = b.__player;
  EXPECT_EQ(pa.name, pb.name);
  EXPECT_EQ(pa.character_class, pb.character_class);
  EXPECT_EQ(pa.xp, pb.xp);
  EXPECT_EQ(pa.hp, pb.hp);
  EXPECT_EQ(pa.hp_max, pb.hp_max);
  EXPECT_EQ(pa.level, pb.level);
  EXPECT_EQ(pa.loot, pb.loot);
  EXPECT_EQ(pa.initiative, pb.initiative);
  EXPECT_EQ(pa.conditions, pb.conditions);
  EXPECT_EQ(pa.conditions_expired, pb.conditions_expired);
  EXPECT_EQ(pa.conditions_current_turn, pb.conditions_current_turn);
  EXPECT_EQ(pa.exhausted, pb.exhausted);
  EXPECT_EQ(a.turn_completed, b.turn_completed);
  ASSERT_EQ(a.instances.size(), b.instances.size());
  for (std::size_t i = 0; i < a.instances.size(); ++i) {
    SCOPED_TRACE("figure " + std::to_string(i));
    expectEqual(a.instances[i], b.instances[i]);
  }
}

inline void expectEqual(const tav::GameState& a, const tav::GameState& b) {
  EXPECT_EQ(a.round, b.round);
  EXPECT_EQ(a.scenario_number, b.scenario_number);
  EXPECT_EQ(a.scenario_level, b.scenario_level);
  EXPECT_EQ(a.track_standees, b.track_standees);
  EXPECT_EQ(a.ability_cards, b.ability_cards);
  EXPECT_EQ(a.random_standees, b.random_standees);
  EXPECT_EQ(a.elites_first, b.elites_first);
  EXPECT_EQ(a.expire_conditions, b.expire_conditions);
  EXPECT_EQ(a.solo, b.solo);
  EXPECT_EQ(a.hide_stats, b.hide_stats);
  EXPECT_EQ(a.calculate_stats, b.calculate_stats);
  EXPECT_EQ(a.can_draw, b.can_draw);
  EXPECT_EQ(a.needs_shuffle, b.needs_shuffle);
  EXPECT_EQ(a.player_init, b.player_init);
  EXPECT_EQ(a.attack_modifiers, b.attack_modifiers);
  EXPECT_EQ(a.attack_modifiers_discard, b.attack_modifiers_discard);
  EXPECT_TRUE(a.attack_modifier1 == b.attack_modifier1);
  EXPECT_TRUE(a.attack_modifier2 == b.attack_modifier2);
  EXPECT_EQ(a.fire, b.fire);
  EXPECT_EQ(a.ice, b.ice);
  EXPECT_EQ(a.air, b.air);
  EXPECT_EQ(a.earth, b.earth);
  EXPECT_EQ(a.light, b.light);
  EXPECT_EQ(a.dark, b.dark);
  EXPECT_EQ(a.removed_abilities, b.removed_abilities);
  EXPECT_EQ(a.bad_omen, b.bad_omen);
  EXPECT_EQ(a.brav, b.brav);
  ASSERT_EQ(a.ability_decks.size(), b.ability_decks.size());
  for (auto ia = a.ability_decks.begin(), ib = b.ability_decks.begin(); ia != a.ability_decks.end();
       ++ia, ++ib) {
    SCOPED_TRACE("deck " + std::to_string(ia->first));
    EXPECT_EQ(ia->first, ib->first);
    EXPECT_EQ(ia->second.id, ib->second.id);
    EXPECT_EQ(ia->second.shuffle, ib->second.shuffle);
    EXPECT_TRUE(ia->second.shown_ability == ib->second.shown_ability);
    EXPECT_EQ(ia->second.abilities, ib->second.abilities);
    EXPECT_EQ(ia->second.abilities_discard, ib->second.abilities_discard);
    EXPECT_EQ(ia->second.shown, ib->second.shown);
    EXPECT_EQ(ia->second.was_shown, ib->second.was_shown);
  }
  ASSERT_EQ(a.actors.size(), b.actors.size());
  for (std::size_t i = 0; i < a.actors.size(); ++i) {
    SCOPED_TRACE("actor " + std::to_string(i));
    expectEqual(a.actors[i], b.actors[i]);
  }
}

}  // namespace test
}  // namespace tav
