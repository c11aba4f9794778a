#pragma once

// The field list of each record of the model, written once, for the code that treats every
// field alike: equality, the JSON mapping, dictionary conversion, test comparisons and random
// states. It knows no format: what a field looks like in JSON or on the wire is up to the
// visitor (the wire layout has its own description, and the dump its own labels and order).
//
// Visitor contract. forEachField(visit, record, more...) calls
//     visit(name, record.field, more.field...)
// once per field of the record type, in declaration order, where
// - name is a const char* to a static string: the field's name as declared ("hp_max");
// - each further argument is an lvalue reference to that field of one of the records (const
//   for a const record); all records have the same type, so one call can read one record,
//   fill one, or compare two (visit(name, a.hp, b.hp));
// - visit is taken by reference, so a visitor with state keeps it across the calls.
// The field types a visitor meets: int, bool, std::string, the seven enumerations (an
// unscoped enum over uint32_t, which may hold numbers no member has), tl::optional<int>,
// tl::optional<AttackModifier>, std::vector of int or of an enumeration,
// std::vector<MonsterInstance>, std::vector<Actor>, std::map<int, MonsterAbilityDeck>, and (in
// Actor) MonsterActor or PlayerActor. isRecord<T> tells the records, whose fields a visitor
// reaches by calling forEachField again.
//
// Where the records are not plain lists of fields, this header says so once:
// - Actor holds both a monster and a player record, and __is_player says which one is live.
//   Its list hands only the live one, as its first field, named "monster" or "player"
//   (kActorRecordNames); the other record is no part of the actor's value. The kind is chosen
//   when the actor is made (Actor(MonsterActor()), Actor(PlayerActor())), not through a field.
//   With several actors, the first one's kind decides which record is handed for all: test
//   sameKind first.
// - GameState::ability_decks maps a key to a deck, and the deck has an id of its own; the two
//   usually agree but may differ, and both are part of the value. A deck made for a key takes
//   the key as its id (entryForKey) until its own id is set.

#include <map>
#include <type_traits>

#include "model/actor.h"
#include "model/gameState.h"
#include "model/monsterAbilityDeck.h"
#include "model/monsterActor.h"
#include "model/monsterInstance.h"
#include "model/playerActor.h"

namespace tav {
namespace fields {

/// The field list of Record: Fields<Record>::each(visit, records...) as described above.
/// Specialised for each record; there is no primary definition.
template <class Record>
struct Fields;

/// The field list of MonsterInstance.
template <>
struct Fields<MonsterInstance> {
  /// Calls visit(name, r.field...) for each field of MonsterInstance, in declaration order.
  template <class Visit, class... R>
  static void each(Visit& visit, R&... r) {
    visit("number", r.number...);
    visit("type", r.type...);
    visit("summon_color", r.summon_color...);
    visit("summon_move", r.summon_move...);
    visit("summon_attack", r.summon_attack...);
    visit("summon_range", r.summon_range...);
    visit("is_new", r.is_new...);
    visit("hp", r.hp...);
    visit("hp_max", r.hp_max...);
    visit("conditions", r.conditions...);
    visit("conditions_expired", r.conditions_expired...);
    visit("conditions_current_turn", r.conditions_current_turn...);
  }
};

/// The field list of MonsterActor.
template <>
struct Fields<MonsterActor> {
  /// Calls visit(name, r.field...) for each field of MonsterActor, in declaration order.
  template <class Visit, class... R>
  static void each(Visit& visit, R&... r) {
    visit("id", r.id...);
    visit("level", r.level...);
    visit("is_normal", r.is_normal...);
    visit("is_elite", r.is_elite...);
    visit("ability", r.ability...);
  }
};

/// The field list of PlayerActor.
template <>
struct Fields<PlayerActor> {
  /// Calls visit(name, r.field...) for each field of PlayerActor, in declaration order.
  template <class Visit, class... R>
  static void each(Visit& visit, R&... r) {
    visit("name", r.name...);
    visit("character_class", r.character_class...);
    visit("xp", r.xp...);
    visit("hp", r.hp...);
    visit("hp_max", r.hp_max...);
    visit("level", r.level...);
    visit("loot", r.loot...);
    visit("initiative", r.initiative...);
    visit("conditions", r.conditions...);
    visit("conditions_expired", r.conditions_expired...);
    visit("conditions_current_turn", r.conditions_current_turn...);
    visit("exhausted", r.exhausted...);
  }
};

/// The name under which Actor's list hands its live record: [0] for a monster entry (the
/// MonsterActor), [1] for a player entry (the PlayerActor); index by __is_player.
inline constexpr const char* kActorRecordNames[2] = {"monster", "player"};

/// The field list of Actor.
template <>
struct Fields<Actor> {
  /// Calls visit(name, r.field...) for each field of Actor (the live record first; see above), in
  /// declaration order.
  template <class Visit, class First, class... R>
  static void each(Visit& visit, First& first, R&... r) {
    if (first.__is_player) {
      visit(kActorRecordNames[1], first.__player, r.__player...);
    } else {
      visit(kActorRecordNames[0], first.__monster, r.__monster...);
    }
    visit("turn_completed", first.turn_completed, r.turn_completed...);
    visit("instances", first.instances, r.instances...);
  }
};

/// The field list of MonsterAbilityDeck.
template <>
struct Fields<MonsterAbilityDeck> {
  /// Calls visit(name, r.field...) for each field of MonsterAbilityDeck, in declaration order.
  template <class Visit, class... R>
  static void each(Visit& visit, R&... r) {
    visit("id", r.id...);
    visit("shuffle", r.shuffle...);
    visit("shown_ability", r.shown_ability...);
    visit("abilities", r.abilities...);
    visit("abilities_discard", r.abilities_discard...);
    visit("shown", r.shown...);
    visit("was_shown", r.was_shown...);
  }
};

/// The field list of GameState.
template <>
struct Fields<GameState> {
  /// Calls visit(name, r.field...) for each field of GameState, in declaration order.
  template <class Visit, class... R>
  static void each(Visit& visit, R&... r) {
    visit("round", r.round...);
    visit("scenario_number", r.scenario_number...);
    visit("scenario_level", r.scenario_level...);
    visit("track_standees", r.track_standees...);
    visit("ability_cards", r.ability_cards...);
    visit("random_standees", r.random_standees...);
    visit("elites_first", r.elites_first...);
    visit("expire_conditions", r.expire_conditions...);
    visit("solo", r.solo...);
    visit("hide_stats", r.hide_stats...);
    visit("calculate_stats", r.calculate_stats...);
    visit("can_draw", r.can_draw...);
    visit("needs_shuffle", r.needs_shuffle...);
    visit("player_init", r.player_init...);
    visit("attack_modifiers", r.attack_modifiers...);
    visit("attack_modifiers_discard", r.attack_modifiers_discard...);
    visit("attack_modifier1", r.attack_modifier1...);
    visit("attack_modifier2", r.attack_modifier2...);
    visit("fire", r.fire...);
    visit("ice", r.ice...);
    visit("air", r.air...);
    visit("earth", r.earth...);
    visit("light", r.light...);
    visit("dark", r.dark...);
    visit("removed_abilities", r.removed_abilities...);
    visit("bad_omen", r.bad_omen...);
    visit("brav", r.brav...);
    visit("ability_decks", r.ability_decks...);
    visit("actors", r.actors...);
  }
};

/// True for the six records that have a field list (const or not), false for every other type.
template <class T, class = void>
inline constexpr bool isRecord = false;
/// @copydoc isRecord
template <class T>
inline constexpr bool isRecord<T, std::void_t<decltype(sizeof(Fields<std::remove_const_t<T>>))>> =
    true;

/// Calls visit(name, record.field, more.field...) for each field of the records, in
/// declaration order (see the visitor contract above). All records have the same type.
template <class Visit, class Record, class... More>
void forEachField(Visit&& visit, Record& record, More&... more) {
  static_assert(isRecord<Record>, "forEachField takes a record of the model");
  static_assert((std::is_same_v<std::remove_const_t<Record>, std::remove_const_t<More>> && ...),
                "forEachField takes records of one type");
  Fields<std::remove_const_t<Record>>::each(visit, record, more...);
}

/// True when the records' field lists hand the same fields: always, except for actors of
/// different kinds (a monster entry and a player entry), whose values differ.
template <class Record>
bool sameKind(const Record&, const Record&) {
  return true;
}
/// @copydoc sameKind
inline bool sameKind(const Actor& a, const Actor& b) { return a.__is_player == b.__is_player; }

/// The record that the map entry under key starts as, before its fields are set; only
/// MonsterAbilityDeck, the value of GameState::ability_decks, has one: a deck with id key.
template <class Record>
Record entryForKey(int key);
/// @copydoc entryForKey
template <>
inline MonsterAbilityDeck entryForKey<MonsterAbilityDeck>(int key) {
  return MonsterAbilityDeck(key);
}

}  // namespace fields
}  // namespace tav
