// Game-state bodies of protocols 8.4, 8.0 and 7.6: exact bytes, read-back, dump order and
// hostile input.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "print.h"
#include "protocol/buffer.h"
#include "protocol/v7_6.h"
#include "protocol/v8_0.h"
#include "protocol/v8_4.h"
#include "protocol_test_util.h"

namespace {

using tav::GameState;
using tav::protocol::Buffer;
using tav::test::Bytes;
using tav::test::capture;
using tav::test::Version;

const Version kV84 = tav::test::version("8.4");
const Version kV80 = tav::test::version("8.0");
const Version kV76 = tav::test::version("7.6");

// The worked example's bytes in each version.
const Bytes kExample84 = {0x02, 0x07, 0x01,  // round, scenario, level
                          0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // ten flags
                          0x00,                                // player_init
                          0x02, 0x01, 0x05, 0x01, 0x00,        // draw and discard piles
                          0x01, 0x00, 0x02, 0x00, 0x00, 0x00,  // elements
                          0x02, 0x04, 0x09, 0x00, 0x00,        // removed abilities, bad_omen, brav
                          0x01, 0x03, 0x00, 0x0D, 0x02, 0x0A, 0x0B, 0x00,  // one deck
                          0x02,                                            // two actors
                          0x00, 0x03, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01,  // monster, one figure
                          0x01, 0x00, 0x00, 0x05, 0x05, 0x01, 0x08, 0x00, 0x00,  // the figure
                          0x01, 0x68, 0x65, 0x72, 0xEF,                          // player "hero"
                          0x02, 0x04, 0x08, 0x0A, 0x01, 0x02, 0x4E,  // class, stats, initiative 78
                          0x00, 0x00, 0x00, 0x00, 0x01, 0x00};

// 8.0 lays the body out as 8.4 does, without the brav byte.
Bytes example80() {
  Bytes bytes = kExample84;
  const std::size_t brav = tav::test::fieldOffset(kV84, tav::example::workedExample(),
                                                  [](GameState& state) { state.brav = true; });
  bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(brav));
  return bytes;
}

const Bytes kExample76 = {0x02, 0x07, 0x01,  // round, scenario, level
                          0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // nine flags
                          0x00, 0x02, 0x01, 0x05,              // player_init, draw pile
                          0x07, 0x00,                          // attack_modifier1 Crit, 2 absent
                          0x01, 0x00, 0x02, 0x00, 0x00, 0x00,  // elements
                          0x01, 0x03, 0x00, 0x00, 0x02, 0x0A, 0x0B,  // one deck
                          0x02,                                      // two actors
                          0x00, 0x03, 0x01, 0x01, 0x00, 0x00, 0x01,  // monster, one figure
                          0x01, 0x00, 0x00, 0x05, 0x05, 0x01, 0x08, 0x00, 0x00,  // the figure
                          0x01, 0x68, 0x65, 0x72, 0xEF,                          // player "hero"
                          0x02, 0x04, 0x08, 0x0A, 0x01, 0x02, 0x23,  // class, stats, initiative 35
                          0x00, 0x00, 0x00, 0x00, 0x01, 0x00};

Bytes exampleBytes(const Version& version) {
  if (version.name == ("8.4")) return kExample84;
  if (version.name == ("8.0")) return example80();
  return kExample76;
}

class WorkedExample : public ::testing::TestWithParam<Version> {};

TEST_P(WorkedExample, IsWrittenExactly) {
  const Version& version = GetParam();
  EXPECT_EQ(tav::test::write(version, tav::example::workedExample()), exampleBytes(version));
}

TEST_P(WorkedExample, ReadsBackAsTheNormalisedState) {
  const Version& version = GetParam();
  const Bytes bytes = exampleBytes(version);
  GameState state;
  std::size_t consumed = 0;
  tav::test::read(version, state, bytes, &consumed);
  EXPECT_EQ(consumed, bytes.size());
  tav::test::expectEqual(state, tav::test::normalised(tav::example::workedExample(), version));
  ASSERT_EQ(state.actors.size(), 2u);
  if (version.is76()) {
    EXPECT_EQ(state.actors[1].getPlayer()->initiative, 35);
    EXPECT_TRUE(state.attack_modifier1 == tav::AttackModifierNS::Crit);
    EXPECT_FALSE(state.ability_decks.at(3).shown_ability);
  } else {
    EXPECT_EQ(state.actors[1].getPlayer()->initiative, 78);
    EXPECT_FALSE(state.attack_modifier1);
    EXPECT_TRUE(state.ability_decks.at(3).shown_ability == 12);
  }
}

TEST_P(WorkedExample, PrintsCountsFiguresActorsAndStateInOrder) {
  const Version& version = GetParam();
  GameState state;
  const std::string output = tav::test::read(version, state, exampleBytes(version));

  // The dumps of the records as read, in the order the reader must print them.
  const tav::Actor& monster = state.actors[0];
  std::string expected;
  if (!version.is76()) {
    expected += "Nr monster ability decks: 1\nNr actors: 2\n";
  }
  expected += "Monster type: Normal\n";
  expected += capture([&] { tav::print(monster.instances[0]); });
  expected += capture([&] { tav::print(monster); });
  expected += capture([&] { tav::print(state.actors[1]); });
  expected += capture([&] { tav::print(state); });
  EXPECT_EQ(output, expected);
  // A few literal lines, so the test does not rest on the dump functions alone.
  EXPECT_NE(output.find("Monster type: Normal\n   {\n       number: 1\n       type: Normal\n"),
            std::string::npos);
  EXPECT_NE(output.find("actor: player\n   {\n       name: hero\n"), std::string::npos);
}

// Every prefix of the body reads without fault and reports exactly where it was cut: at the
// first field that the whole body's annotation shows reaching past the cut.
TEST_P(WorkedExample, EveryPrefixReportsWhereItWasCut) {
  const Version& version = GetParam();
  const Bytes bytes = exampleBytes(version);
  const tav::protocol::Annotation whole = version.protocol->annotate(bytes.data(), bytes.size());
  ASSERT_TRUE(whole.outcome.exact());
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    SCOPED_TRACE("prefix " + std::to_string(n));
    GameState state;
    const tav::protocol::ReadOutcome outcome = version.protocol->read(state, bytes.data(), n);
    std::size_t cutField = 0;
    while (whole.fields[cutField].offset + whole.fields[cutField].length <= n) ++cutField;
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(outcome.stoppedAt, whole.fields[cutField].offset);
    EXPECT_LE(outcome.consumed, n);
    EXPECT_EQ(outcome.consumed + outcome.leftover, n);
    EXPECT_LE(state.actors.size(), 2u);
    EXPECT_LE(state.ability_decks.size(), 1u);
  }
}

TEST_P(WorkedExample, BodyCutAfterTheActorCountAppendsNoActors) {
  const Version& version = GetParam();
  const Bytes bytes = exampleBytes(version);
  // The actors are the last part of a body, after their count: the body of the example without
  // them ends with the count, 00 there and 02 here.
  GameState noActors = tav::example::workedExample();
  noActors.actors.clear();
  const std::size_t cut = tav::test::write(version, noActors).size();
  ASSERT_EQ(bytes[cut - 1], 0x02);
  GameState state;
  const std::string output =
      tav::test::read(version, state, Bytes(bytes.begin(), bytes.begin() + cut));
  EXPECT_TRUE(state.actors.empty());
  EXPECT_EQ(state.ability_decks.size(), 1u);
  EXPECT_EQ(output.find("actor: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Versions, WorkedExample, ::testing::ValuesIn(tav::test::versions()),
                         tav::test::versionName);

TEST(GameStateBody, NewStateIsWrittenAsZeroBytes) {
  const struct {
    Version version;
    std::size_t size;
    const char* countLines;
  } cases[] = {{kV84, 27, "Nr monster ability decks: 0\nNr actors: 0\n"},
               {kV80, 26, "Nr monster ability decks: 0\nNr actors: 0\n"},
               {kV76, 24, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version.name);
    const Bytes bytes = tav::test::write(c.version, GameState());
    EXPECT_EQ(bytes, Bytes(c.size, 0));  // the other tests build on this
    GameState state;
    const std::string output = tav::test::read(c.version, state, bytes);
    tav::test::expectEqual(state, GameState());
    EXPECT_EQ(output, c.countLines + capture([&] { tav::print(GameState()); }));
  }
}

TEST(GameStateBody, FieldsTravelOnlyInTheirVersions) {
  GameState plain;
  GameState flagged;
  flagged.brav = true;
  EXPECT_NE(tav::test::write(kV84, plain), tav::test::write(kV84, flagged));
  EXPECT_EQ(tav::test::write(kV80, plain), tav::test::write(kV80, flagged));
  EXPECT_EQ(tav::test::write(kV76, plain), tav::test::write(kV76, flagged));

  flagged = GameState();
  flagged.ability_cards = true;
  flagged.bad_omen = 3;
  flagged.removed_abilities = {1};
  flagged.attack_modifiers_discard = {tav::AttackModifierNS::Crit};
  EXPECT_EQ(tav::test::write(kV76, plain), tav::test::write(kV76, flagged));

  flagged = GameState();
  flagged.attack_modifier1 = tav::AttackModifierNS::Bless;
  EXPECT_EQ(tav::test::write(kV84, plain), tav::test::write(kV84, flagged));
  EXPECT_EQ(tav::test::write(kV80, plain), tav::test::write(kV80, flagged));

  // Readers leave the fields their version does not carry as the target held them.
  GameState target;
  target.brav = true;
  target.ability_cards = true;
  target.bad_omen = 4;
  target.attack_modifier2 = tav::AttackModifierNS::Curse;
  tav::test::read(kV80, target, tav::test::write(kV80, GameState()));
  EXPECT_TRUE(target.brav);
  EXPECT_FALSE(target.ability_cards);
  EXPECT_EQ(target.bad_omen, 0);
  EXPECT_TRUE(target.attack_modifier2 == tav::AttackModifierNS::Curse);
  target.ability_cards = true;
  target.bad_omen = 4;
  tav::test::read(kV76, target, tav::test::write(kV76, GameState()));
  EXPECT_TRUE(target.brav);
  EXPECT_TRUE(target.ability_cards);
  EXPECT_EQ(target.bad_omen, 4);
  EXPECT_FALSE(target.attack_modifier2);
}

TEST(GameStateBody, ReadingTwiceAccumulatesListsAndKeepsOneDeckPerId) {
  for (const Version& version : tav::test::versions()) {
    SCOPED_TRACE(version.name);
    const Bytes bytes = exampleBytes(version);
    GameState state;
    capture([&] {
      Bytes twice = bytes;
      twice.insert(twice.end(), bytes.begin(), bytes.end());
      Buffer buffer(twice.data(), twice.size());
      version.read(state, buffer);
      version.read(state, buffer);
      EXPECT_EQ(buffer.getSize(), 0u);
    });
    EXPECT_EQ(state.actors.size(), 4u);
    EXPECT_EQ(state.attack_modifiers.size(), 4u);
    EXPECT_EQ(state.ability_decks.size(), 1u);
    EXPECT_EQ(state.ability_decks.at(3).abilities, (std::vector<int>{10, 11}));
    if (!version.is76()) {
      EXPECT_EQ(state.attack_modifiers_discard.size(), 2u);
      EXPECT_EQ(state.removed_abilities, (std::vector<int>{4, 9, 4, 9}));
    }
  }
}

TEST(GameStateBody, DecksWithTheSameIdReplaceEachOther) {
  // 8.4 head of zeros (a new state's body without its two counts), then two decks with id 5:
  // the second (draw pile 7) wins whole.
  Bytes bytes(tav::test::write(kV84, GameState()).size() - 2, 0);
  const Bytes decks = {0x02, 0x05, 0x01, 0x03, 0x01, 0x06, 0x01, 0x06,
                       0x05, 0x00, 0x00, 0x01, 0x07, 0x00, 0x00};
  bytes.insert(bytes.end(), decks.begin(), decks.end());
  GameState state;
  state.ability_decks[5].shown = true;
  state.ability_decks[8] = tav::MonsterAbilityDeck(8);
  tav::test::read(kV84, state, bytes);
  ASSERT_EQ(state.ability_decks.size(), 2u);
  const tav::MonsterAbilityDeck& deck = state.ability_decks.at(5);
  EXPECT_FALSE(deck.shuffle);
  EXPECT_FALSE(deck.shown_ability);
  EXPECT_FALSE(deck.shown);
  EXPECT_EQ(deck.abilities, (std::vector<int>{7}));
  EXPECT_TRUE(deck.abilities_discard.empty());
}

TEST(GameStateBody, PlayerNameInitiativeAndAbilitySlots) {
  GameState state;
  tav::PlayerActor nameless;
  nameless.name = "nameless";
  nameless.initiative = 15;
  state.actors.emplace_back(nameless);
  tav::MonsterActor monster;
  monster.ability = -1;
  state.actors.emplace_back(monster);
  monster.ability = 0;
  state.actors.emplace_back(monster);
  monster.ability = INT_MAX;
  state.actors.emplace_back(monster);

  const Bytes v84 = tav::test::write(kV84, state);
  // Player: kind 01, name null 80, class, five ints, then 78 where 15 stood. The actors follow
  // their count, the last byte of a new state's body.
  const auto player =
      v84.begin() + static_cast<std::ptrdiff_t>(tav::test::write(kV84, GameState()).size());
  EXPECT_EQ(Bytes(player, player + 9),
            (Bytes{0x01, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4E}));
  GameState read84;
  tav::test::read(kV84, read84, v84);
  ASSERT_EQ(read84.actors.size(), 4u);
  EXPECT_EQ(read84.actors[0].getPlayer()->name, "nameless");
  EXPECT_EQ(read84.actors[0].getPlayer()->initiative, 78);
  EXPECT_FALSE(read84.actors[1].getMonster()->ability);            // -1 travels as 0: absent
  EXPECT_TRUE(read84.actors[2].getMonster()->ability == 0);        // 0 travels as 1
  EXPECT_TRUE(read84.actors[3].getMonster()->ability == INT_MAX);  // wraps without overflow

  GameState read76;
  tav::test::read(kV76, read76, tav::test::write(kV76, state));
  EXPECT_EQ(read76.actors[0].getPlayer()->initiative, 15);
  EXPECT_FALSE(read76.actors[2].getMonster()->ability);

  // An empty name is a present string and stays empty.
  state.actors[0].getPlayer()->name = "";
  GameState empty;
  tav::test::read(kV84, empty, tav::test::write(kV84, state));
  EXPECT_EQ(empty.actors[0].getPlayer()->name, "");
}

TEST(GameStateBody, OnlySummonsCarryTheSummonFields) {
  GameState state;
  tav::MonsterActor group;
  tav::Actor actor(group);
  tav::MonsterInstance figure;
  figure.summon_color = tav::SummonColorNS::Red;
  figure.summon_move = 2;
  figure.summon_attack = 3;
  figure.summon_range = 4;
  figure.type = tav::MonsterTypeNS::Elite;
  actor.instances.push_back(figure);
  figure.type = tav::MonsterTypeNS::Summon;
  actor.instances.push_back(figure);
  state.actors.push_back(actor);

  GameState oneMonster;
  oneMonster.actors.emplace_back(group);
  for (const Version& version : tav::test::versions()) {
    SCOPED_TRACE(version.name);
    const Bytes bytes = tav::test::write(version, state);
    // The monster entry, an Elite figure of 8 values and a Summon of 12.
    const std::size_t entry = tav::test::write(version, oneMonster).size() -
                              tav::test::write(version, GameState()).size();
    EXPECT_EQ(bytes.size(), tav::test::write(version, GameState()).size() + entry + 8 + 12);
    GameState read;
    const std::string output = tav::test::read(version, read, bytes);
    ASSERT_EQ(read.actors.size(), 1u);
    ASSERT_EQ(read.actors[0].instances.size(), 2u);
    const tav::MonsterInstance& elite = read.actors[0].instances[0];
    EXPECT_EQ(elite.summon_color, tav::SummonColorNS::None);
    EXPECT_EQ(elite.summon_move + elite.summon_attack + elite.summon_range, 0);
    const tav::MonsterInstance& summon = read.actors[0].instances[1];
    EXPECT_EQ(summon.summon_color, tav::SummonColorNS::Red);
    EXPECT_EQ(summon.summon_range, 4);
    EXPECT_NE(output.find("Monster type: Elite\n"), std::string::npos);
    EXPECT_NE(output.find("Monster type: Summon\n"), std::string::npos);
  }
}

TEST(GameStateBody, OptionalAttackModifiersIn76) {
  GameState state;
  state.attack_modifier1 = tav::AttackModifierNS::Zero;
  const Bytes bytes = tav::test::write(kV76, state);
  // The two slots, where a second state with the first slot filled differs.
  const std::size_t slot1 = tav::test::fieldOffset(kV76, GameState(), [](GameState& changed) {
    changed.attack_modifier1 = tav::AttackModifierNS::Plus1;
  });
  EXPECT_EQ(bytes[slot1], 0x01);
  EXPECT_EQ(bytes[slot1 + 1], 0x00);
  Bytes nine = bytes;
  nine[slot1] = 0x09;
  GameState read;
  tav::test::read(kV76, read, nine);
  EXPECT_TRUE(read.attack_modifier1 == tav::AttackModifierNS::Curse);
}

TEST(GameStateBody, OrdinalsOutsideTheirListKeepTheNumber) {
  // 8.4 zero head (a new state's body without its two counts), no decks, one monster actor
  // with one figure of type ordinal 99.
  Bytes bytes(tav::test::write(kV84, GameState()).size() - 2, 0);
  const Bytes rest = {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x01, 0x00, 0x63, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  const std::size_t playerInit = tav::test::fieldOffset(kV84, GameState(), [](GameState& changed) {
    changed.player_init = tav::PlayerInitNS::value2;
  });
  bytes[playerInit] = 0x7F;  // ordinal 127
  GameState state;
  std::size_t consumed = 0;
  tav::test::read(kV84, state, bytes, &consumed);
  EXPECT_EQ(consumed, bytes.size());
  EXPECT_EQ(static_cast<int>(state.player_init), 127);
  ASSERT_EQ(state.actors.size(), 1u);
  ASSERT_EQ(state.actors[0].instances.size(), 1u);
  EXPECT_EQ(static_cast<int>(state.actors[0].instances[0].type), 99);
}

TEST(GameStateBody, HugeCountsAreBoundedByTheUnreadBytes) {
  const Bytes maxCount = {0xFF, 0xFF, 0xFF, 0xFF, 0x07};  // 2147483647
  for (const Version& version : tav::test::versions()) {
    SCOPED_TRACE(version.name);
    const std::size_t head = tav::test::write(version, GameState()).size() - 2;
    // Announcing 2^31 - 1 actors (after no decks) with five bytes left.
    Bytes actors(head, 0);
    actors.push_back(0x00);
    actors.insert(actors.end(), maxCount.begin(), maxCount.end());
    actors.insert(actors.end(), 5, 0x00);
    GameState state;
    tav::test::read(version, state, actors);
    EXPECT_LE(state.actors.size(), 5u);
    EXPECT_LE(state.actors.capacity(), 5u);

    // Announcing 2^31 - 1 decks.
    Bytes decks(head, 0);
    decks.insert(decks.end(), maxCount.begin(), maxCount.end());
    decks.insert(decks.end(), 5, 0x00);
    state = GameState();
    tav::test::read(version, state, decks);
    EXPECT_LE(state.ability_decks.size(), 1u);

    // One monster announcing 2^31 - 1 figures, in a body cut right after the count.
    Bytes figures(head, 0);
    figures.push_back(0x00);
    figures.push_back(0x01);
    figures.insert(figures.end(), version.is76() ? 6 : 7, 0x00);
    figures.insert(figures.end(), maxCount.begin(), maxCount.end());
    state = GameState();
    tav::test::read(version, state, figures);
    ASSERT_EQ(state.actors.size(), 1u);
    EXPECT_TRUE(state.actors[0].instances.empty());
  }
}

}  // namespace
