#include "model/actor.h"
#include "model/gameState.h"
#include "model/monsterAbilityDeck.h"
#include "model/monsterActor.h"
#include "model/monsterInstance.h"
#include "model/playerActor.h"

namespace tav {

bool operator==(const MonsterInstance& a, const MonsterInstance& b) {
  return a.number == b.number && a.type == b.type && a.summon_color == b.summon_color &&
         a.summon_move == b.summon_move && a.summon_attack == b.summon_attack &&
         a.summon_range == b.summon_range && a.is_new == b.is_new && a.hp == b.hp &&
         a.hp_max == b.hp_max && a.conditions == b.conditions &&
         a.conditions_expired == b.conditions_expired &&
         a.conditions_current_turn == b.conditions_current_turn;
}

bool operator==(const PlayerActor& a, const PlayerActor& b) {
  return a.name == b.name && a.character_class == b.character_class && a.xp == b.xp &&
         a.hp == b.hp && a.hp_max == b.hp_max && a.level == b.level && a.loot == b.loot &&
         a.initiative == b.initiative && a.conditions == b.conditions &&
         a.conditions_expired == b.conditions_expired &&
         a.conditions_current_turn == b.conditions_current_turn && a.exhausted == b.exhausted;
}

bool operator==(const MonsterActor& a, const MonsterActor& b) {
  return a.id == b.id && a.level == b.level && a.is_normal == b.is_normal &&
         a.is_elite == b.is_elite && a.ability == b.ability;
}

bool operator==(const Actor& a, const Actor& b) {
  if (a.__is_player != b.__is_player) return false;
  const bool records = a.__is_player ? a.__player == b.__player : a.__monster == b.__monster;
  return records && a.turn_completed == b.turn_completed && a.instances == b.instances;
}

bool operator==(const MonsterAbilityDeck& a, const MonsterAbilityDeck& b) {
  return a.id == b.id && a.shuffle == b.shuffle && a.shown_ability == b.shown_ability &&
         a.abilities == b.abilities && a.abilities_discard == b.abilities_discard &&
         a.shown == b.shown && a.was_shown == b.was_shown;
}

bool operator==(const GameState& a, const GameState& b) {
  return a.round == b.round && a.scenario_number == b.scenario_number &&
         a.scenario_level == b.scenario_level && a.track_standees == b.track_standees &&
         a.ability_cards == b.ability_cards && a.random_standees == b.random_standees &&
         a.elites_first == b.elites_first && a.expire_conditions == b.expire_conditions &&
         a.solo == b.solo && a.hide_stats == b.hide_stats &&
         a.calculate_stats == b.calculate_stats && a.can_draw == b.can_draw &&
         a.needs_shuffle == b.needs_shuffle && a.player_init == b.player_init &&
         a.attack_modifiers == b.attack_modifiers &&
         a.attack_modifiers_discard == b.attack_modifiers_discard &&
         a.attack_modifier1 == b.attack_modifier1 && a.attack_modifier2 == b.attack_modifier2 &&
         a.fire == b.fire && a.ice == b.ice && a.air == b.air && a.earth == b.earth &&
         a.light == b.light && a.dark == b.dark && a.removed_abilities == b.removed_abilities &&
         a.bad_omen == b.bad_omen && a.brav == b.brav && a.ability_decks == b.ability_decks &&
         a.actors == b.actors;
}

bool operator!=(const MonsterInstance& a, const MonsterInstance& b) { return !(a == b); }
bool operator!=(const PlayerActor& a, const PlayerActor& b) { return !(a == b); }
bool operator!=(const MonsterActor& a, const MonsterActor& b) { return !(a == b); }
bool operator!=(const Actor& a, const Actor& b) { return !(a == b); }
bool operator!=(const MonsterAbilityDeck& a, const MonsterAbilityDeck& b) { return !(a == b); }
bool operator!=(const GameState& a, const GameState& b) { return !(a == b); }

}  // namespace tav
