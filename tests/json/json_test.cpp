// The JSON mapping: random states survive a round trip through the text (out-of-range
// enumeration values, extreme ints, names that are not UTF-8, deck keys apart from their ids);
// one fixed state gives exactly the documented text; bad texts are refused with what and where.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "json/gameStateJson.h"
#include "random_state.h"

namespace {

// The JSON mapping keeps every value, so its states also hold enumeration values that no
// member has and names with zero bytes.
tav::test::RandomState randomState(unsigned seed) {
  tav::test::RandomStateOptions options;
  options.unknownEnumValues = true;
  options.zeroBytesInNames = true;
  return tav::test::RandomState(seed, options);
}

TEST(JsonMapping, RandomStatesSurviveTheRoundTrip) {
  tav::test::RandomState random = randomState(20261207);
  for (int i = 0; i < 600; ++i) {
    const tav::GameState state = random.make();
    for (const int indent : {2, -1}) {
      const std::string text = tav::json::toJson(state, indent);
      const tav::json::StateResult back = tav::json::fromJson(text);
      ASSERT_TRUE(back.ok) << back.error.message() << "\n" << text;
      ASSERT_TRUE(back.state == state) << "state " << i << " changed on the way:\n" << text;
      // The text is canonical: writing the state read back gives the same text.
      ASSERT_EQ(tav::json::toJson(back.state, indent), text);
    }
  }
}

TEST(JsonMapping, FixedStateGivesTheDocumentedText) {
  tav::GameState s;
  s.round = INT_MIN;
  s.attack_modifiers = {tav::AttackModifierNS::Plus1,
                        static_cast<tav::AttackModifier>(4000000000u)};
  s.attack_modifier2 = tav::AttackModifierNS::Curse;
  s.fire = tav::ElementStateNS::Waning;
  tav::MonsterAbilityDeck deck(7);
  deck.shown_ability = 3;
  deck.abilities = {1, -2};
  s.ability_decks[-4] = deck;
  tav::PlayerActor player;
  player.name = std::string("h\xFF", 2);
  player.character_class = tav::CharacterClassNS::Varsk;
  tav::Actor hero(player);
  tav::MonsterInstance summon;
  summon.type = tav::MonsterTypeNS::Summon;
  summon.summon_color = static_cast<tav::SummonColor>(9);
  summon.conditions = {tav::ConditionNS::Stuned};
  hero.instances.push_back(summon);
  s.actors.push_back(hero);
  s.actors.emplace_back(tav::MonsterActor());

  EXPECT_EQ(tav::json::toJson(s, -1),
            R"({"round":-2147483648,"scenario_number":0,"scenario_level":0,)"
            R"("track_standees":false,"ability_cards":false,"random_standees":false,)"
            R"("elites_first":false,"expire_conditions":false,"solo":false,)"
            R"("hide_stats":false,"calculate_stats":false,"can_draw":false,)"
            R"("needs_shuffle":false,"player_init":"value1",)"
            R"("attack_modifiers":["Plus1",4000000000],"attack_modifiers_discard":[],)"
            R"("attack_modifier1":null,"attack_modifier2":"Curse","fire":"Waning",)"
            R"("ice":"Inert","air":"Inert","earth":"Inert","light":"Inert","dark":"Inert",)"
            R"("removed_abilities":[],"bad_omen":0,"brav":false,)"
            R"("ability_decks":{"-4":{"id":7,"shuffle":false,"shown_ability":3,)"
            R"("abilities":[1,-2],"abilities_discard":[],"shown":false,"was_shown":false}},)"
            R"("actors":[{"kind":"player","player":{"name":{"hex":"68ff"},)"
            R"("character_class":"Varsk","xp":0,"hp":0,"hp_max":0,"level":0,"loot":0,)"
            R"("initiative":0,"conditions":[],"conditions_expired":[],)"
            R"("conditions_current_turn":[],"exhausted":false},"turn_completed":false,)"
            R"("instances":[{"number":0,"type":"Summon","summon_color":9,"summon_move":0,)"
            R"("summon_attack":0,"summon_range":0,"is_new":false,"hp":0,"hp_max":0,)"
            R"("conditions":["Stuned"],"conditions_expired":[],"conditions_current_turn":[]}]},)"
            R"({"kind":"monster","monster":{"id":0,"level":0,"is_normal":false,)"
            R"("is_elite":false,"ability":null},"turn_completed":false,"instances":[]}]})");
}

TEST(JsonMapping, LeftOutMembersTakeTheirDefaultsAndNumbersNameMembers) {
  const auto result = tav::json::fromJson(
      R"({"round": 3, "fire": 1, "ability_decks": {"5": {}},
          "actors": [{"kind": "player", "player": {"name": "x"}}, {"kind": "monster"}]})");
  ASSERT_TRUE(result.ok) << result.error.message();
  tav::GameState expected;
  expected.round = 3;
  expected.fire = tav::ElementStateNS::Strong;
  expected.ability_decks[5] = tav::MonsterAbilityDeck(5);  // the id comes from the key
  tav::PlayerActor player;
  player.name = "x";
  expected.actors.emplace_back(player);
  expected.actors.emplace_back(tav::MonsterActor());
  EXPECT_TRUE(result.state == expected);
}

struct BadText {
  const char* text;
  const char* pointer;  // "" for a syntax error
  const char* what;     // part of the message
  std::size_t line;     // for a syntax error
  std::size_t column;
};

TEST(JsonMapping, BadTextsAreRefusedWithWhatAndWhere) {
  const BadText cases[] = {
      {"", "", "unexpected end of input", 1, 1},
      {"{\n  \"round\": 1,\n  \"solo\": tru\n}", "", "invalid literal", 3, 14},
      {"{\"round\": 1} {}", "", "more text after the state object", 1, 14},
      {"[]", "", "expected a game state object, got an array", 0, 0},
      {R"({"rounds": 1})", "/rounds", "unknown member \"rounds\" of a game state", 0, 0},
      {R"({"round": 2147483648})", "/round",
       "expected an integer from -2147483648 to "
       "2147483647, got 2147483648",
       0, 0},
      {R"({"round": -2147483649})", "/round", "got -2147483649", 0, 0},
      {R"({"round": 1.5})", "/round", "got 1.5", 0, 0},
      {R"({"round": 1e400})", "", "number overflow parsing '1e400'", 1, 0},
      {R"({"round": "1"})", "/round", "got the string \"1\"", 0, 0},
      {R"({"solo": 1})", "/solo", "expected true or false, got 1", 0, 0},
      {R"({"fire": "Hot"})", "/fire", "unknown element state \"Hot\"", 0, 0},
      {R"({"fire": 4294967296})", "/fire", "number from 0 to 4294967295, got 4294967296", 0, 0},
      {R"({"fire": -1})", "/fire", "got -1", 0, 0},
      {R"({"attack_modifiers": ["Plus1", null]})", "/attack_modifiers/1",
       "expected a attack modifier identifier", 0, 0},
      {R"({"ability_decks": {"01": {}}})", "/ability_decks/01", "deck key \"01\"", 0, 0},
      {R"({"ability_decks": {"2147483648": {}}})", "/ability_decks/2147483648", "deck key", 0, 0},
      {R"({"ability_decks": {"1": {"shown_ability": true}}})", "/ability_decks/1/shown_ability",
       "got true", 0, 0},
      {R"({"actors": [{"kind": "monster"}, {}]})", "/actors/1", "actor without \"kind\"", 0, 0},
      {R"({"actors": [{"kind": "hero"}]})", "/actors/0/kind", "expected \"monster\" or", 0, 0},
      {R"({"actors": [{"kind": "monster", "player": {}}]})", "/actors/0/player",
       "unknown member \"player\" of a monster actor", 0, 0},
      {R"({"actors": [{"kind": "player", "player": {"name": {"hex": "6"}}}]})",
       "/actors/0/player/name/hex", "pairs of hex digits", 0, 0},
      {R"({"actors": [{"kind": "player", "instances": [{"hp": 1, "a/b~": 2}]}]})",
       "/actors/0/instances/0/a~1b~0", "unknown member", 0, 0},
      {R"({"round": 1, "round": 2})", "/round", "member \"round\" appears twice", 1, 0},
      {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]", "",
       "nested deeper than 32 levels", 1, 0},
  };
  for (const BadText& c : cases) {
    SCOPED_TRACE(c.text);
    const tav::json::StateResult result = tav::json::fromJson(c.text);
    ASSERT_FALSE(result.ok);
    EXPECT_TRUE(result.state == tav::GameState());
    EXPECT_NE(result.error.what.find(c.what), std::string::npos) << result.error.what;
    if (std::string(c.pointer).size() > 0) {
      EXPECT_EQ(result.error.pointer, c.pointer);
    }
    EXPECT_EQ(result.error.line, c.line);
    if (c.column > 0) {
      EXPECT_EQ(result.error.column, c.column);
    }
    // The message names the place: the pointer or the line and column.
    const std::string message = result.error.message();
    EXPECT_NE(message.find(result.error.line > 0 ? "line " : "at "), std::string::npos) << message;
  }
}

TEST(JsonMapping, MessagesAreReadDocumentByDocument) {
  tav::json::Message framed;
  framed.event = "game_state";
  framed.payload = "8.0";
  framed.protocol = "8.0";
  framed.state.round = 9;
  tav::json::Message bare;
  bare.framed = false;
  bare.state.solo = true;
  const std::string text = tav::json::toJson(framed) + "\n" + tav::json::toJson(bare, -1) + "\n" +
                           tav::json::toJson(framed);

  const tav::json::MessagesResult result = tav::json::messagesFromJson(text);
  ASSERT_TRUE(result.ok) << result.error.message();
  ASSERT_EQ(result.messages.size(), 3u);
  for (std::size_t i : {0u, 2u}) {
    EXPECT_TRUE(result.messages[i].framed);
    EXPECT_EQ(result.messages[i].event, "game_state");
    EXPECT_EQ(result.messages[i].payload, "8.0");
    EXPECT_EQ(result.messages[i].protocol, "8.0");
    EXPECT_TRUE(result.messages[i].state == framed.state);
  }
  EXPECT_FALSE(result.messages[1].framed);
  EXPECT_TRUE(result.messages[1].state == bare.state);

  EXPECT_TRUE(tav::json::messagesFromJson(" \n").ok);

  const auto bad = tav::json::messagesFromJson(text + "\n{\"state\": {}, \"events\": 1}");
  ASSERT_FALSE(bad.ok);
  EXPECT_TRUE(bad.messages.empty());
  EXPECT_EQ(bad.index, 3u);
  EXPECT_EQ(bad.error.pointer, "/events");

  const auto cut = tav::json::messagesFromJson(text.substr(0, text.size() - 3));
  ASSERT_FALSE(cut.ok);
  EXPECT_EQ(cut.index, 2u);
  EXPECT_GT(cut.error.line, 1u);
}

TEST(JsonMapping, BindingFormReturnsTheMessageAndKeepsTheState) {
  tav::GameState state;
  state.round = 5;
  EXPECT_EQ(tav::json::fromJson(std::string("{\"round\": \"x\"}"), state),
            "at /round: expected an integer from -2147483648 to 2147483647, got the string \"x\"");
  EXPECT_EQ(state.round, 5);
  EXPECT_EQ(tav::json::fromJson(std::string("{\"round\": 6}"), state), "");
  EXPECT_EQ(state.round, 6);
}

}  // namespace
