#pragma once

// The layout of every wire record of a game-state body, written once. Each routine walks a
// record's fields in wire order and hands each one to a field visitor, which decides what
// happens to it: the reader decodes it from bytes, the writer encodes it, the sizer counts its
// bytes, the annotator notes where it lies. The routines take the record as a template
// parameter, so one routine serves a GameState being filled (reading) and a const GameState
// being encoded (writing, sizing).
//
// A visitor V provides:
//   static constexpr bool kDecodes     true when fields flow from bytes into the record
//   number(name, int&)                 a varint, optimised for positive values
//   boolean(name, bool&)               one byte, non-zero meaning true
//   enumeration(name, E&)              an enumeration's ordinal as a varint
//   slot(name, optional<T>&)           an optional int or enumeration: 0 for absent, the
//                                      value + 1 otherwise
//   playerName(name, std::string&)     a nullable string; null stands for kNameless
//   list(name, vector<T>&)             a count, then the ints or enumerations as varints
//   records(name, container, countLine, layoutOne)
//                                      a count, then one record per element (a vector's
//                                      elements, a map's values); layoutOne(visitor, record)
//                                      takes any visitor, so that a reader can size a record
//                                      of the kind it reads
//   record(name, layoutOne)            a nested record without a count (an actor's body)
//   absent(record, &Record::field)     a field the format does not carry at this point (or a
//                                      branch not taken): a reader that replaces a state's
//                                      contents puts it back to its value in a default record
//   figureType(type), done(record)     points the reader's dump reports
// (each with a const value where the visitor encodes).

#include <type_traits>

#include "../dumpLines.h"
#include "model/actor.h"
#include "model/gameState.h"
#include "model/monsterAbilityDeck.h"
#include "model/monsterInstance.h"

namespace tav {
namespace protocol {
namespace detail {

using tav::detail::CountLine;

// What the versions' bodies differ in. Each version's source defines one of these as a
// constexpr constant, with every difference named.
struct Format {
  // The table flag ability_cards, between track_standees and random_standees.
  bool abilityCards = false;
  // The discard pile of attack modifiers after the draw pile; without it, the two optional
  // attack-modifier cards stand there.
  bool discardPile = false;
  // removed_abilities and bad_omen after the elements.
  bool removedAbilities = false;
  // The brav flag after bad_omen.
  bool brav = false;
  // The deck record id, shuffle, shown_ability, draw pile, discard pile; without it the short
  // record id, shown, was_shown, draw pile.
  bool fullDeck = false;
  // A monster group ends with its ability slot.
  bool monsterAbility = false;
  // The writer puts kFixedInitiative into a player's initiative slot instead of the field.
  bool fixedInitiative = false;
  // The reader's dump announces the deck and actor counts.
  bool countLines = false;
};

// The versions' formats. 7.6 has every default; 8.0 differs in everything but brav; 8.4 is
// 8.0 with brav.
inline constexpr Format kFormat7_6{};

constexpr Format format8_0() {
  Format format;
  format.abilityCards = true;
  format.discardPile = true;
  format.removedAbilities = true;
  format.fullDeck = true;
  format.monsterAbility = true;
  format.fixedInitiative = true;
  format.countLines = true;
  return format;
}
inline constexpr Format kFormat8_0 = format8_0();

constexpr Format withBrav(Format format) {
  format.brav = true;
  return format;
}
inline constexpr Format kFormat8_4 = withBrav(kFormat8_0);

// The value written into a player's initiative slot where the format fixes it.
inline constexpr int kFixedInitiative = 78;

// A player whose name is this text travels with a null name, and a null name reads as it.
inline constexpr const char* kNameless = "nameless";

// Copies constness from From to To: a record's parts are const where the record is.
template <class From, class To>
using Like = std::conditional_t<std::is_const<From>::value, const To, To>;

// The three condition lists of a figure or a player, in wire order.
template <class V, class Record>
void conditionLists(V& v, Record& record) {
  v.list("conditions", record.conditions);
  v.list("conditions_expired", record.conditions_expired);
  v.list("conditions_current_turn", record.conditions_current_turn);
}

// One figure. Its type is reported as soon as it is read: the reader's dump shows it before
// the rest of the figure.
template <const Format& F, class V, class Figure>
void figureLayout(V& v, Figure& figure) {
  v.number("number", figure.number);
  v.enumeration("type", figure.type);
  v.figureType(figure.type);
  if (figure.type == tav::MonsterTypeNS::Summon) {
    v.enumeration("summon_color", figure.summon_color);
    v.number("summon_move", figure.summon_move);
    v.number("summon_attack", figure.summon_attack);
    v.number("summon_range", figure.summon_range);
  } else {
    v.absent(figure, &tav::MonsterInstance::summon_color);
    v.absent(figure, &tav::MonsterInstance::summon_move);
    v.absent(figure, &tav::MonsterInstance::summon_attack);
    v.absent(figure, &tav::MonsterInstance::summon_range);
  }
  v.boolean("is_new", figure.is_new);
  v.number("hp", figure.hp);
  v.number("hp_max", figure.hp_max);
  conditionLists(v, figure);
  v.done(figure);
}

// One deck record. Read, it is stored under its own id by the visitor's records().
template <const Format& F, class V, class Deck>
void deckLayout(V& v, Deck& deck) {
  v.number("id", deck.id);
  if constexpr (F.fullDeck) {
    v.boolean("shuffle", deck.shuffle);
    v.slot("shown_ability", deck.shown_ability);
    v.list("abilities", deck.abilities);
    v.list("abilities_discard", deck.abilities_discard);
    v.absent(deck, &tav::MonsterAbilityDeck::shown);
    v.absent(deck, &tav::MonsterAbilityDeck::was_shown);
  } else {
    v.boolean("shown", deck.shown);
    v.boolean("was_shown", deck.was_shown);
    v.list("abilities", deck.abilities);
    v.absent(deck, &tav::MonsterAbilityDeck::shuffle);
    v.absent(deck, &tav::MonsterAbilityDeck::shown_ability);
    v.absent(deck, &tav::MonsterAbilityDeck::abilities_discard);
  }
}

template <const Format& F, class V, class Player>
void playerLayout(V& v, Player& player) {
  v.playerName("name", player.name);
  v.enumeration("character_class", player.character_class);
  v.number("xp", player.xp);
  v.number("hp", player.hp);
  v.number("hp_max", player.hp_max);
  v.number("level", player.level);
  v.number("loot", player.loot);
  if constexpr (F.fixedInitiative && !V::kDecodes) {
    const int fixed = kFixedInitiative;
    v.number("initiative", fixed);
  } else {
    v.number("initiative", player.initiative);
  }
  conditionLists(v, player);
  v.boolean("exhausted", player.exhausted);
}

template <const Format& F, class V, class Monster>
void monsterLayout(V& v, Monster& monster) {
  v.number("id", monster.id);
  v.number("level", monster.level);
  v.boolean("is_normal", monster.is_normal);
  v.boolean("is_elite", monster.is_elite);
  if constexpr (F.monsterAbility) {
    v.slot("ability", monster.ability);
  } else {
    v.absent(monster, &tav::MonsterActor::ability);
  }
}

// One actor: the kind flag, the live record, turn_completed and the figures. A read actor
// starts as a default monster entry; the flag turns it into a player entry where it says so.
template <const Format& F, class V, class ActorT>
void actorLayout(V& v, ActorT& actor) {
  bool isPlayer = actor.__is_player;
  v.boolean("is_player", isPlayer);
  if constexpr (V::kDecodes) actor.__is_player = isPlayer;
  if (isPlayer) {
    v.record("player", [&](V& inner) { playerLayout<F>(inner, actor.__player); });
    v.absent(actor, &tav::Actor::__monster);
  } else {
    v.record("monster", [&](V& inner) { monsterLayout<F>(inner, actor.__monster); });
    v.absent(actor, &tav::Actor::__player);
  }
  v.boolean("turn_completed", actor.turn_completed);
  v.records("instances", actor.instances, CountLine::kNone,
            [](auto& inner, auto& figure) { figureLayout<F>(inner, figure); });
  v.done(actor);
}

// A whole body: the top-level rows, the decks, the actors.
template <const Format& F, class V, class State>
void gameStateLayout(V& v, State& state) {
  v.number("round", state.round);
  v.number("scenario_number", state.scenario_number);
  v.number("scenario_level", state.scenario_level);
  v.boolean("track_standees", state.track_standees);
  if constexpr (F.abilityCards) {
    v.boolean("ability_cards", state.ability_cards);
  } else {
    v.absent(state, &tav::GameState::ability_cards);
  }
  v.boolean("random_standees", state.random_standees);
  v.boolean("elites_first", state.elites_first);
  v.boolean("expire_conditions", state.expire_conditions);
  v.boolean("solo", state.solo);
  v.boolean("hide_stats", state.hide_stats);
  v.boolean("calculate_stats", state.calculate_stats);
  v.boolean("can_draw", state.can_draw);
  v.boolean("needs_shuffle", state.needs_shuffle);
  v.enumeration("player_init", state.player_init);
  v.list("attack_modifiers", state.attack_modifiers);
  if constexpr (F.discardPile) {
    v.list("attack_modifiers_discard", state.attack_modifiers_discard);
    v.absent(state, &tav::GameState::attack_modifier1);
    v.absent(state, &tav::GameState::attack_modifier2);
  } else {
    v.slot("attack_modifier1", state.attack_modifier1);
    v.slot("attack_modifier2", state.attack_modifier2);
    v.absent(state, &tav::GameState::attack_modifiers_discard);
  }
  v.enumeration("fire", state.fire);
  v.enumeration("ice", state.ice);
  v.enumeration("air", state.air);
  v.enumeration("earth", state.earth);
  v.enumeration("light", state.light);
  v.enumeration("dark", state.dark);
  if constexpr (F.removedAbilities) {
    v.list("removed_abilities", state.removed_abilities);
    v.number("bad_omen", state.bad_omen);
  } else {
    v.absent(state, &tav::GameState::removed_abilities);
    v.absent(state, &tav::GameState::bad_omen);
  }
  if constexpr (F.brav) {
    v.boolean("brav", state.brav);
  } else {
    v.absent(state, &tav::GameState::brav);
  }
  v.records("ability_decks", state.ability_decks,
            F.countLines ? CountLine::kDecks : CountLine::kNone,
            [](auto& inner, auto& deck) { deckLayout<F>(inner, deck); });
  v.records("actors", state.actors, F.countLines ? CountLine::kActors : CountLine::kNone,
            [](auto& inner, auto& actor) { actorLayout<F>(inner, actor); });
  v.done(state);
}

}  // namespace detail
}  // namespace protocol
}  // namespace tav
