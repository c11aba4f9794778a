#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "model/actor.h"
#include "model/characterClass.h"
#include "model/condition.h"
#include "model/gameState.h"
#include "model/monsterAbilityDeck.h"
#include "model/names.h"
#include "print.h"
#include "records.h"
#include "worked_example.h"

namespace {

using namespace tav;

// Field-by-field equality of the records, for the construction tests.
void expectSameMonster(const MonsterActor& a, const MonsterActor& b) {
  tav::test::expectEqual(a, b);
}

void expectSamePlayer(const PlayerActor& a, const PlayerActor& b) { tav::test::expectEqual(a, b); }

void expectActor(const Actor& actor, bool is_player, const MonsterActor& monster,
                 const PlayerActor& player) {
  EXPECT_EQ(actor.__is_player, is_player);
  expectSameMonster(actor.__monster, monster);
  expectSamePlayer(actor.__player, player);
  EXPECT_FALSE(actor.turn_completed);
  EXPECT_TRUE(actor.instances.empty());
}

MonsterActor sampleMonster() {
  MonsterActor monster;
  monster.id = 4;
  monster.level = 2;
  monster.is_elite = true;
  monster.ability = 17;
  return monster;
}

PlayerActor samplePlayer() {
  PlayerActor player;
  player.name = "hero";
  player.character_class = CharacterClassNS::Skellan;
  player.hp = 7;
  player.conditions = {ConditionNS::Muddle, ConditionNS::Muddle};
  player.exhausted = true;
  return player;
}

TEST(ValueLists, EveryCallReturnsAnIndependentVector) {
  std::vector<Condition> first = getConditionValues();
  first[0] = ConditionNS::Regenerate;
  first.pop_back();
  const std::vector<Condition> second = getConditionValues();
  ASSERT_EQ(second.size(), 19u);
  EXPECT_EQ(second.front(), ConditionNS::Star);
  EXPECT_EQ(second.back(), ConditionNS::value19);
  const std::vector<CharacterClass> classes = getCharacterClassValues();
  ASSERT_EQ(classes.size(), 26u);
  EXPECT_EQ(classes[19], CharacterClassNS::Yorrel);
  EXPECT_EQ(classes[20], CharacterClassNS::value20);
  EXPECT_EQ(classes[21], CharacterClassNS::Astrel);
  EXPECT_EQ(classes[25], CharacterClassNS::value25);
}

TEST(RecordDefaults, PlayerIsUnnamedEscortAndMonsterShowsNoAbility) {
  const PlayerActor player;
  EXPECT_EQ(player.name, "");
  EXPECT_EQ(player.character_class, CharacterClassNS::Escort);
  EXPECT_FALSE(MonsterActor().ability.has_value());
  EXPECT_EQ(MonsterInstance().type, MonsterTypeNS::Normal);
}

TEST(ActorConstruction, EveryFormBuildsTheLiveRecordAndDefaultsTheOther) {
  MonsterActor monster = sampleMonster();
  PlayerActor player = samplePlayer();
  expectActor(Actor(), false, MonsterActor(), PlayerActor());
  expectActor(Actor(MonsterActor()), false, MonsterActor(), PlayerActor());
  expectActor(Actor(monster), false, monster, PlayerActor());
  expectActor(Actor(&monster), false, monster, PlayerActor());
  expectActor(Actor(player), true, MonsterActor(), player);
  expectActor(Actor(&player), true, MonsterActor(), player);
  // A null pointer gives an entry of the requested kind with a default record.
  expectActor(Actor(static_cast<MonsterActor*>(nullptr)), false, MonsterActor(), PlayerActor());
  expectActor(Actor(static_cast<PlayerActor*>(nullptr)), true, MonsterActor(), PlayerActor());
}

TEST(ActorAccessors, OnlyTheLiveRecordIsReachable) {
  Actor actor(sampleMonster());
  const Actor& view = actor;
  ASSERT_TRUE(actor.getMonster().has_value());
  EXPECT_EQ(&*actor.getMonster(), &actor.__monster);
  EXPECT_EQ(&*view.getMonster(), &actor.__monster);
  EXPECT_FALSE(actor.getPlayer().has_value());
  EXPECT_FALSE(view.getPlayer().has_value());
  EXPECT_THROW(actor.getPlayer().value(), tl::bad_optional_access);

  // Writes through the mutable accessor reach the actor.
  actor.getMonster()->level = 6;
  EXPECT_EQ(actor.__monster.level, 6);

  // The flag alone switches the live record; neither record is touched.
  actor.__is_player = true;
  EXPECT_FALSE(actor.getMonster().has_value());
  ASSERT_TRUE(view.getPlayer().has_value());
  EXPECT_EQ(&*view.getPlayer(), &actor.__player);
  expectSamePlayer(*view.getPlayer(), PlayerActor());
  actor.getPlayer()->name = "switched";
  actor.__is_player = false;
  ASSERT_TRUE(view.getMonster().has_value());
  EXPECT_EQ(view.getMonster()->level, 6);
  EXPECT_EQ(view.getMonster()->ability, tl::make_optional(17));
  EXPECT_EQ(actor.__player.name, "switched");
}

TEST(ActorCopies, FiguresAreCopiedDeeply) {
  Actor source(samplePlayer());
  MonsterInstance figure;
  figure.type = MonsterTypeNS::Elite;
  figure.summon_move = 3;
  figure.conditions = {ConditionNS::Wounded};
  source.instances.push_back(figure);

  Actor copy = source;
  copy.instances[0].conditions[0] = ConditionNS::Invisible;
  copy.getPlayer()->conditions.clear();
  EXPECT_EQ(source.instances[0].conditions[0], ConditionNS::Wounded);
  EXPECT_EQ(source.getPlayer()->conditions.size(), 2u);
  EXPECT_EQ(copy.instances[0].summon_move, 3);

  Actor assigned;
  assigned = source;
  expectSamePlayer(*assigned.getPlayer(), samplePlayer());
  EXPECT_EQ(assigned.instances.size(), 1u);
}

TEST(GameStateModel, Defaults) {
  const GameState state;
  EXPECT_EQ(state.round + state.scenario_number + state.scenario_level + state.bad_omen, 0);
  EXPECT_FALSE(state.track_standees || state.ability_cards || state.random_standees ||
               state.elites_first || state.expire_conditions || state.solo || state.hide_stats ||
               state.calculate_stats || state.can_draw || state.needs_shuffle || state.brav);
  EXPECT_EQ(state.player_init, PlayerInitNS::value1);
  EXPECT_FALSE(state.attack_modifier1.has_value());
  EXPECT_FALSE(state.attack_modifier2.has_value());
  for (const ElementState element :
       {state.fire, state.ice, state.air, state.earth, state.light, state.dark}) {
    EXPECT_EQ(element, ElementStateNS::Inert);
  }
  EXPECT_TRUE(state.attack_modifiers.empty() && state.attack_modifiers_discard.empty() &&
              state.removed_abilities.empty() && state.ability_decks.empty() &&
              state.actors.empty());
}

TEST(GameStateModel, ClearEmptiesTheContainersOnly) {
  GameState state;
  state.round = 5;
  state.solo = true;
  state.bad_omen = 2;
  state.brav = true;
  state.player_init = PlayerInitNS::value4;
  state.dark = ElementStateNS::Waning;
  state.attack_modifier1 = AttackModifierNS::Crit;
  state.attack_modifiers = {AttackModifierNS::Bless};
  state.attack_modifiers_discard = {AttackModifierNS::Curse};
  state.removed_abilities = {8};
  state.ability_decks[1] = MonsterAbilityDeck(1);
  state.actors = {Actor(sampleMonster()), Actor(samplePlayer())};

  state.clear();
  EXPECT_TRUE(state.attack_modifiers.empty() && state.attack_modifiers_discard.empty() &&
              state.removed_abilities.empty() && state.ability_decks.empty() &&
              state.actors.empty());
  EXPECT_EQ(state.round, 5);
  EXPECT_TRUE(state.solo && state.brav);
  EXPECT_EQ(state.bad_omen, 2);
  EXPECT_EQ(state.player_init, PlayerInitNS::value4);
  EXPECT_EQ(state.dark, ElementStateNS::Waning);
  EXPECT_EQ(state.attack_modifier1, tl::make_optional(AttackModifierNS::Crit));
  EXPECT_FALSE(state.attack_modifier2.has_value());
}

TEST(MonsterAbilityDeckModel, ConstructorsAndMapOrder) {
  const MonsterAbilityDeck seven(7);
  EXPECT_EQ(seven.id, 7);
  EXPECT_FALSE(seven.shuffle || seven.shown || seven.was_shown);
  EXPECT_FALSE(seven.shown_ability.has_value());
  EXPECT_TRUE(seven.abilities.empty() && seven.abilities_discard.empty());
  EXPECT_EQ(MonsterAbilityDeck().id, 0);

  GameState state;
  for (const int key : {9, 2, 5}) state.ability_decks[key] = MonsterAbilityDeck(key);
  std::vector<int> keys;
  for (const auto& entry : state.ability_decks) keys.push_back(entry.first);
  EXPECT_EQ(keys, (std::vector<int>{2, 5, 9}));

  // A second assignment under the same key replaces the deck.
  MonsterAbilityDeck replacement(3);
  replacement.abilities = {1, 2};
  state.ability_decks[3] = MonsterAbilityDeck(3);
  state.ability_decks[3] = replacement;
  EXPECT_EQ(state.ability_decks.count(3), 1u);
  EXPECT_EQ(state.ability_decks.at(3).abilities, (std::vector<int>{1, 2}));
}

}  // namespace

namespace {

// For one enumeration of n members: the printed name is what the dump prints, every member's
// identifier names it back, and numbers past the last member have no identifier.
template <class E>
void expectNames(uint32_t members) {
  for (uint32_t i = 0; i < members + 3; ++i) {
    const E value = static_cast<E>(i);
    std::ostringstream printed;
    tav::print(printed, value);
    EXPECT_EQ(tav::printedName(value), printed.str()) << i;
    const std::string_view identifier = tav::enumeratorName(value);
    EXPECT_EQ(identifier.empty(), i >= members) << i;
    E back = static_cast<E>(members + 7);
    EXPECT_EQ(tav::enumeratorFromName(identifier, back), i < members) << i;
    if (i < members) {
      EXPECT_EQ(back, value);
    }
  }
  E untouched = static_cast<E>(1);
  EXPECT_FALSE(tav::enumeratorFromName("no such member", untouched));
  EXPECT_EQ(untouched, static_cast<E>(1));
}

TEST(EnumerationNames, PrintedNamesAndIdentifiers) {
  expectNames<tav::AttackModifier>(9);
  expectNames<tav::CharacterClass>(26);
  expectNames<tav::Condition>(19);
  expectNames<tav::ElementState>(3);
  expectNames<tav::MonsterType>(16);
  expectNames<tav::PlayerInit>(5);
  expectNames<tav::SummonColor>(9);
  EXPECT_EQ(tav::printedName(tav::AttackModifierNS::Plus1), "+1");
  EXPECT_EQ(tav::enumeratorName(tav::AttackModifierNS::Plus1), "Plus1");
  EXPECT_EQ(tav::printedName(tav::CharacterClassNS::value20), "Unknown (20)");
  EXPECT_EQ(tav::enumeratorName(tav::CharacterClassNS::value20), "value20");
}

// Equality sees every field: one change anywhere makes two states differ.
TEST(Equality, EveryFieldCounts) {
  const GameState base = tav::example::workedExample();
  const std::vector<void (*)(GameState&)> changes = {
      [](GameState& s) { s.round = -1; },
      [](GameState& s) { s.needs_shuffle = true; },
      [](GameState& s) { s.attack_modifier2 = tav::AttackModifierNS::Zero; },
      [](GameState& s) { s.dark = tav::ElementStateNS::Waning; },
      [](GameState& s) { s.brav = true; },
      [](GameState& s) { s.ability_decks[3].was_shown = true; },
      [](GameState& s) { s.ability_decks[4] = MonsterAbilityDeck(4); },
      [](GameState& s) { s.actors[0].getMonster()->ability = 2; },
      [](GameState& s) { s.actors[0].instances[0].conditions.clear(); },
      [](GameState& s) { s.actors[0].instances[0].summon_range = 1; },
      [](GameState& s) { s.actors[1].getPlayer()->name += "!"; },
      [](GameState& s) { s.actors[1].turn_completed = !s.actors[1].turn_completed; },
      [](GameState& s) { s.actors[1].__is_player = false; },
      [](GameState& s) { s.actors.pop_back(); },
  };
  EXPECT_TRUE(base == GameState(base));
  for (std::size_t i = 0; i < changes.size(); ++i) {
    GameState changed = base;
    changes[i](changed);
    EXPECT_FALSE(changed == base) << "change " << i;
    EXPECT_TRUE(changed != base) << "change " << i;
  }
  // The record of the other kind is invisible to readers of the model, and to equality.
  GameState hidden = base;
  hidden.actors[1].__monster.level = 9;
  EXPECT_TRUE(hidden == base);
}

}  // namespace
