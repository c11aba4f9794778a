#include "gameStateFormat.h"

#include <cstdint>
#include <string>
#include <utility>

#include "print.h"

namespace tav {
namespace protocol {
namespace detail {

namespace {

// A player whose name is this text travels with an absent name, and an absent name reads as it.
const char* const kNameless = "nameless";

// Ability slots and optional values are moved as value + 1; the arithmetic wraps in 32 bits so
// that no int value overflows.
int plusOne(int value) { return static_cast<int>(static_cast<uint32_t>(value) + 1u); }
int minusOne(int value) { return static_cast<int>(static_cast<uint32_t>(value) - 1u); }

void readConditions(tav::protocol::Buffer& buffer, std::vector<tav::Condition>& list) {
  buffer.readEnumArray(list, valuesOf<tav::Condition, tav::getConditionValues>());
}

// The three condition lists of a figure or a player, in wire order.
template <class Record>
void readConditionLists(tav::protocol::Buffer& buffer, Record& record) {
  readConditions(buffer, record.conditions);
  readConditions(buffer, record.conditions_expired);
  readConditions(buffer, record.conditions_current_turn);
}

template <class Record>
void writeConditionLists(tav::protocol::Buffer& buffer, const Record& record) {
  buffer.writeEnumArray(record.conditions);
  buffer.writeEnumArray(record.conditions_expired);
  buffer.writeEnumArray(record.conditions_current_turn);
}

// An int list written element by element behind its count.
void writeInts(tav::protocol::Buffer& buffer, const std::vector<int>& list) {
  buffer.writeArrayStart(list);
  for (int element : list) buffer.writeInt(element, true);
}

// One figure. Its type line is printed as soon as the type is read, its dump once it is
// complete.
tav::MonsterInstance readFigure(tav::protocol::Buffer& buffer) {
  tav::MonsterInstance figure;
  figure.number = buffer.readInt(true);
  figure.type = buffer.readEnum(valuesOf<tav::MonsterType, tav::getMonsterTypeValues>());
  tav::print("Monster type: ", figure.type, "\n");
  if (figure.type == tav::MonsterTypeNS::Summon) {
    figure.summon_color = buffer.readEnum(valuesOf<tav::SummonColor, tav::getSummonColorValues>());
    figure.summon_move = buffer.readInt(true);
    figure.summon_attack = buffer.readInt(true);
    figure.summon_range = buffer.readInt(true);
  }
  figure.is_new = buffer.readBoolean();
  figure.hp = buffer.readInt(true);
  figure.hp_max = buffer.readInt(true);
  readConditionLists(buffer, figure);
  tav::print(figure);
  return figure;
}

void writeFigure(tav::protocol::Buffer& buffer, const tav::MonsterInstance& figure) {
  buffer.writeInt(figure.number, true);
  buffer.writeEnum(figure.type);
  if (figure.type == tav::MonsterTypeNS::Summon) {
    buffer.writeEnum(figure.summon_color);
    buffer.writeInt(figure.summon_move, true);
    buffer.writeInt(figure.summon_attack, true);
    buffer.writeInt(figure.summon_range, true);
  }
  buffer.writeBoolean(figure.is_new);
  buffer.writeInt(figure.hp, true);
  buffer.writeInt(figure.hp_max, true);
  writeConditionLists(buffer, figure);
}

// One deck record, stored under its own id in place of any deck held there.
void readDeck(tav::GameState& state, tav::protocol::Buffer& buffer, const Format& format) {
  tav::MonsterAbilityDeck deck(buffer.readInt(true));
  if (format.fullDeck) {
    deck.shuffle = buffer.readBoolean();
    deck.shown_ability = __readMonsterAbility(buffer);
    buffer.readIntArray(deck.abilities, true);
    buffer.readIntArray(deck.abilities_discard, true);
  } else {
    deck.shown = buffer.readBoolean();
    deck.was_shown = buffer.readBoolean();
    buffer.readIntArray(deck.abilities, true);
  }
  const int id = deck.id;
  state.ability_decks.insert_or_assign(id, std::move(deck));
}

void writeDeck(tav::protocol::Buffer& buffer, const tav::MonsterAbilityDeck& deck,
               const Format& format) {
  buffer.writeInt(deck.id, true);
  if (format.fullDeck) {
    buffer.writeBoolean(deck.shuffle);
    __writeMonsterAbility(buffer, deck.shown_ability);
    writeInts(buffer, deck.abilities);
    writeInts(buffer, deck.abilities_discard);
  } else {
    buffer.writeBoolean(deck.shown);
    buffer.writeBoolean(deck.was_shown);
    writeInts(buffer, deck.abilities);
  }
}

}  // namespace

void readOpening(tav::GameState& state, tav::protocol::Buffer& buffer, const Format& format) {
  state.round = buffer.readInt(true);
  state.scenario_number = buffer.readInt(true);
  state.scenario_level = buffer.readInt(true);
  state.track_standees = buffer.readBoolean();
  if (format.abilityCards) state.ability_cards = buffer.readBoolean();
  state.random_standees = buffer.readBoolean();
  state.elites_first = buffer.readBoolean();
  state.expire_conditions = buffer.readBoolean();
  state.solo = buffer.readBoolean();
  state.hide_stats = buffer.readBoolean();
  state.calculate_stats = buffer.readBoolean();
  state.can_draw = buffer.readBoolean();
  state.needs_shuffle = buffer.readBoolean();
  state.player_init = buffer.readEnum(valuesOf<tav::PlayerInit, tav::getPlayerInitValues>());
  buffer.readEnumArray(state.attack_modifiers,
                       valuesOf<tav::AttackModifier, tav::getAttackModifierValues>());
}

void writeOpening(const tav::GameState& state, tav::protocol::Buffer& buffer,
                  const Format& format) {
  buffer.writeInt(state.round, true);
  buffer.writeInt(state.scenario_number, true);
  buffer.writeInt(state.scenario_level, true);
  buffer.writeBoolean(state.track_standees);
  if (format.abilityCards) buffer.writeBoolean(state.ability_cards);
  buffer.writeBoolean(state.random_standees);
  buffer.writeBoolean(state.elites_first);
  buffer.writeBoolean(state.expire_conditions);
  buffer.writeBoolean(state.solo);
  buffer.writeBoolean(state.hide_stats);
  buffer.writeBoolean(state.calculate_stats);
  buffer.writeBoolean(state.can_draw);
  buffer.writeBoolean(state.needs_shuffle);
  buffer.writeEnum(state.player_init);
  buffer.writeEnumArray(state.attack_modifiers);
}

void readElements(tav::GameState& state, tav::protocol::Buffer& buffer) {
  for (tav::ElementState* element :
       {&state.fire, &state.ice, &state.air, &state.earth, &state.light, &state.dark}) {
    *element = buffer.readEnum(valuesOf<tav::ElementState, tav::getElementStateValues>());
  }
}

void writeElements(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  for (tav::ElementState element :
       {state.fire, state.ice, state.air, state.earth, state.light, state.dark}) {
    buffer.writeEnum(element);
  }
}

void readHead8x(tav::GameState& state, tav::protocol::Buffer& buffer) {
  readOpening(state, buffer, kFormat8x);
  buffer.readEnumArray(state.attack_modifiers_discard,
                       valuesOf<tav::AttackModifier, tav::getAttackModifierValues>());
  readElements(state, buffer);
  buffer.readIntArray(state.removed_abilities, true);
  state.bad_omen = buffer.readInt(true);
}

void writeHead8x(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  writeOpening(state, buffer, kFormat8x);
  buffer.writeEnumArray(state.attack_modifiers_discard);
  writeElements(state, buffer);
  buffer.writeIntArray(state.removed_abilities, true);
  buffer.writeInt(state.bad_omen, true);
}

void readRecords(tav::GameState& state, tav::protocol::Buffer& buffer, const Format& format) {
  const int decks = buffer.readInt(true);
  if (format.countLines) tav::print("Nr monster ability decks: ", decks, "\n");
  for (std::size_t i = 0, n = boundedCount(decks, buffer); i < n; ++i) {
    readDeck(state, buffer, format);
  }

  const int actors = buffer.readInt(true);
  if (format.countLines) tav::print("Nr actors: ", actors, "\n");
  const std::size_t actorCount = boundedCount(actors, buffer);
  state.actors.reserve(state.actors.size() + actorCount);
  for (std::size_t i = 0; i < actorCount; ++i) {
    const bool isPlayer = buffer.readBoolean();
    tav::Actor actor = isPlayer ? __readPlayerActor(buffer) : __readMonsterActor(buffer, format);
    tav::print(actor);
    state.actors.push_back(std::move(actor));
  }

  tav::print(state);
}

void writeRecords(const tav::GameState& state, tav::protocol::Buffer& buffer,
                  const Format& format) {
  buffer.writeInt(static_cast<int>(state.ability_decks.size()), true);
  for (const auto& entry : state.ability_decks) writeDeck(buffer, entry.second, format);

  buffer.writeArrayStart(state.actors);
  for (const tav::Actor& actor : state.actors) {
    const bool isPlayer = static_cast<bool>(actor.getPlayer());
    buffer.writeBoolean(isPlayer);
    if (isPlayer) {
      __writePlayerActor(buffer, actor, format);
    } else {
      __writeMonsterActor(buffer, actor, format);
    }
  }
}

tav::Actor __readPlayerActor(tav::protocol::Buffer& buffer) {
  tav::PlayerActor player;
  tl::optional<std::string> name = buffer.readString();
  player.name = name ? std::move(*name) : std::string(kNameless);
  player.character_class =
      buffer.readEnum(valuesOf<tav::CharacterClass, tav::getCharacterClassValues>());
  player.xp = buffer.readInt(true);
  player.hp = buffer.readInt(true);
  player.hp_max = buffer.readInt(true);
  player.level = buffer.readInt(true);
  player.loot = buffer.readInt(true);
  player.initiative = buffer.readInt(true);
  readConditionLists(buffer, player);
  player.exhausted = buffer.readBoolean();
  tav::Actor actor(player);
  __readCommonActor(buffer, actor);
  return actor;
}

tav::Actor __readMonsterActor(tav::protocol::Buffer& buffer, const Format& format) {
  tav::MonsterActor monster;
  monster.id = buffer.readInt(true);
  monster.level = buffer.readInt(true);
  monster.is_normal = buffer.readBoolean();
  monster.is_elite = buffer.readBoolean();
  if (format.monsterAbility) monster.ability = __readMonsterAbility(buffer);
  tav::Actor actor(monster);
  __readCommonActor(buffer, actor);
  return actor;
}

void __readCommonActor(tav::protocol::Buffer& buffer, tav::Actor& actor) {
  actor.turn_completed = buffer.readBoolean();
  const std::size_t figures = boundedCount(buffer.readInt(true), buffer);
  actor.instances.reserve(actor.instances.size() + figures);
  for (std::size_t i = 0; i < figures; ++i) actor.instances.push_back(readFigure(buffer));
}

tl::optional<int> __readMonsterAbility(tav::protocol::Buffer& buffer) {
  const int slot = buffer.readInt(true);
  if (slot == 0) return tl::nullopt;
  return minusOne(slot);
}

void __writePlayerActor(tav::protocol::Buffer& buffer, const tav::Actor& actor,
                        const Format& format) {
  const tav::PlayerActor& player = *actor.getPlayer();
  if (player.name == kNameless) {
    buffer.writeString(tl::nullopt);
  } else {
    buffer.writeString(player.name);
  }
  buffer.writeEnum(player.character_class);
  buffer.writeInt(player.xp, true);
  buffer.writeInt(player.hp, true);
  buffer.writeInt(player.hp_max, true);
  buffer.writeInt(player.level, true);
  buffer.writeInt(player.loot, true);
  buffer.writeInt(format.fixedInitiative ? kFixedInitiative : player.initiative, true);
  writeConditionLists(buffer, player);
  buffer.writeBoolean(player.exhausted);
  __writeCommonActor(buffer, actor);
}

void __writeMonsterActor(tav::protocol::Buffer& buffer, const tav::Actor& actor,
                         const Format& format) {
  const tav::MonsterActor& monster = *actor.getMonster();
  buffer.writeInt(monster.id, true);
  buffer.writeInt(monster.level, true);
  buffer.writeBoolean(monster.is_normal);
  buffer.writeBoolean(monster.is_elite);
  if (format.monsterAbility) __writeMonsterAbility(buffer, monster.ability);
  __writeCommonActor(buffer, actor);
}

void __writeCommonActor(tav::protocol::Buffer& buffer, const tav::Actor& actor) {
  buffer.writeBoolean(actor.turn_completed);
  buffer.writeArrayStart(actor.instances);
  for (const tav::MonsterInstance& figure : actor.instances) writeFigure(buffer, figure);
}

void __writeMonsterAbility(tav::protocol::Buffer& buffer, tl::optional<int> ability) {
  buffer.writeInt(ability ? plusOne(*ability) : 0, true);
}

}  // namespace detail
}  // namespace protocol
}  // namespace tav
