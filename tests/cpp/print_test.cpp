#include "print.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iomanip>
#include <iostream>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "capture.h"
#include "worked_example.h"

namespace {

using namespace tav;

using tav::test::CoutCapture;

// What the print calls of body write to std::cout.
template <class Body>
std::string printed(Body body) {
  CoutCapture capture;
  body();
  return capture.text();
}

template <class Value>
std::string printedValue(const Value& value) {
  return printed([&] { print(value); });
}

// A locale that formats exactly like the classic one but is a distinct locale object, so the
// dump cannot take its buffered path and renders every piece through operator<<.
std::locale classicLookalike() {
  return std::locale(std::locale::classic(), new std::numpunct<char>);
}

// Digit grouping by threes with ',' as separator.
struct GroupingPunct : std::numpunct<char> {
  char do_thousands_sep() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};

// ---- Enumeration tables ----

// Checks a value list against the printed texts of its members, index by index, and checks
// that numbers outside the enumeration print fallback(number).
template <class Enum>
void expectEnumeration(std::vector<Enum> (*values)(), const std::vector<std::string>& names,
                       std::string (*fallback)(uint32_t)) {
  const std::vector<Enum> list = values();
  ASSERT_EQ(list.size(), names.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(static_cast<uint32_t>(list[i]), i);
    EXPECT_EQ(printedValue(list[i]), names[i]) << "value " << i;
  }
  const auto size = static_cast<uint32_t>(names.size());
  for (const uint32_t outside : {size, size + 1, 0x7fffffffu, 0x80000000u, 0xffffffffu}) {
    EXPECT_EQ(printedValue(static_cast<Enum>(outside)), fallback(outside)) << "value " << outside;
  }
}

std::string nothing(uint32_t) { return ""; }
std::string unknownClass(uint32_t value) {
  return "Unknown (" + std::to_string(static_cast<int>(value)) + ")";
}

TEST(EnumerationTable, Condition) {
  expectEnumeration(getConditionValues,
                    {"Star", "Summon", "NotSummon", "Stuned", "Immobilized", "Disarmed", "Wounded",
                     "Muddle", "Poisoned", "Strengthen", "Invisible", "Regenerate", "value13",
                     "value14", "value15", "value16", "value17", "value18", "value19"},
                    nothing);
  static_assert(ConditionNS::value13 == 12 && ConditionNS::value19 == 18);
}

TEST(EnumerationTable, MonsterType) {
  expectEnumeration(
      getMonsterTypeValues,
      {"Normal", "Elite", "Boss", "Summon", "value5", "value6", "value7", "value8", "value9",
       "value10", "value11", "value12", "value13", "value14", "value15", "value16"},
      nothing);
  static_assert(MonsterTypeNS::Summon == 3 && MonsterTypeNS::value5 == 4);
}

TEST(EnumerationTable, SummonColor) {
  expectEnumeration(
      getSummonColorValues,
      {"None", "Turquise", "Green", "Yellow", "Orange", "White", "Purple", "Pink", "Red"}, nothing);
}

TEST(EnumerationTable, CharacterClassWithFallbackText) {
  expectEnumeration(
      getCharacterClassValues,
      {"Escort",  "Objective", "Varsk",  "Tolmin",  "Quessa",      "Dravel", "Orlune",
       "Fennick", "Sabrel",    "Kettar", "Morvik",  "Pellow",      "Zarnet", "Ilvas",
       "Hollet",  "Wendar",    "Gessim", "Calvet",  "Nostri",      "Yorrel", "Unknown (20)",
       "Astrel",  "Tervo",     "Ulmeth", "Skellan", "Unknown (25)"},
      unknownClass);
  static_assert(CharacterClassNS::value20 == 20 && CharacterClassNS::value25 == 25);
  EXPECT_EQ(printedValue(static_cast<CharacterClass>(0xffffffffu)), "Unknown (-1)");
}

TEST(EnumerationTable, AttackModifierPrintsCardFaces) {
  expectEnumeration(getAttackModifierValues,
                    {"0", "+1", "+2", "-1", "-2", "x0", "x2", "x2*", "x0*"}, nothing);
}

TEST(EnumerationTable, ElementState) {
  expectEnumeration(getElementStateValues, {"Inert", "Strong", "Waning"}, nothing);
}

TEST(EnumerationTable, PlayerInit) {
  expectEnumeration(getPlayerInitValues, {"value1", "value2", "value3", "value4", "value5"},
                    nothing);
}

// ---- Building blocks ----

TEST(PrintBuildingBlocks, ValuesAndArgumentList) {
  EXPECT_EQ(printedValue(-42), "-42");
  EXPECT_EQ(printedValue(std::numeric_limits<int>::min()), "-2147483648");
  EXPECT_EQ(printedValue(18446744073709551615ul), "18446744073709551615");
  EXPECT_EQ(printedValue(true) + printedValue(false), "10");
  EXPECT_EQ(printedValue(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(printed([] { print("no line end"); }), "no line end");
  EXPECT_EQ(printed([] { print(static_cast<const char*>(nullptr)); }), "");
  EXPECT_EQ(printed([] { print("hp: ", 5, "\n", ElementStateNS::Waning, true, "\n"); }),
            "hp: 5\nWaning1\n");
}

// ---- Record layouts ----

using tav::example::workedExample;

const char* const kWorkedExampleDump =
    "round: 2\n"
    "scen nr: 7\n"
    "scen lvl: 1\n"
    "track standees: 1\n"
    "ability cards: 0\n"
    "rand standees: 0\n"
    "elite first: 0\n"
    "expire cond: 0\n"
    "solo: 0\n"
    "hide stats: 0\n"
    "calc stats: 0\n"
    "can draw: 0\n"
    "needs shuffle: 0\n"
    "player init: value1\n"
    "attack modifier: +1\n"
    "attack modifier: x0\n"
    "attack modifier discard: 0\n"
    "attack modifier 1: x2\n"
    "fire state:  Strong\n"
    "ics state:   Inert\n"
    "air state:   Waning\n"
    "earth state: Inert\n"
    "light state: Inert\n"
    "dark state:  Inert\n"
    "removed abilities: {4 9 }\n"
    "bad omen: 0\n"
    "brav: 0\n"
    "monster ability deck: id: 3\n"
    "shuffle: 0\n"
    "shown ability: 12\n"
    "abilties: { 10 11 }\n"
    "abilties discard: { }\n"
    "actor: monster\n"
    "  {\n"
    "    id:        3\n"
    "    level:     1\n"
    "    is_normal: 1\n"
    "    is_elite:  0\n"
    "    ability:  -1\n"
    "  }\n"
    "turn_completed: 0\n"
    "instance:    {\n"
    "       number: 1\n"
    "       type: Normal\n"
    "       is_new: 0\n"
    "       hp: 5\n"
    "       hp_max: 5\n"
    "       conditions: 1\n"
    "         Poisoned\n"
    "       conditions expired: 0\n"
    "       conditions current_turn: 0\n"
    "   }\n"
    "\n"
    "actor: player\n"
    "   {\n"
    "       name: hero\n"
    "       character_class: Varsk\n"
    "       xp: 4\n"
    "       hp: 8\n"
    "       hp_max: 10\n"
    "       level: 1\n"
    "       loot: 2\n"
    "       initiative: 35\n"
    "       conditions: 0\n"
    "       conditions expired: 0\n"
    "       conditions current_turn: 0\n"
    "       exhausted: 0\n"
    "   }\n"
    "turn_completed: 1\n";

TEST(PrintGameState, WorkedExampleByteForByte) {
  EXPECT_EQ(printedValue(workedExample()), kWorkedExampleDump);
}

TEST(PrintGameState, AbsentAttackModifiersWriteNoLines) {
  GameState state;
  const std::string text = printedValue(state);
  EXPECT_EQ(text.find("attack modifier"), std::string::npos);
  EXPECT_NE(text.find("player init: value1\nfire state:  Inert\n"), std::string::npos);
  EXPECT_NE(text.find("removed abilities: {}\nbad omen: 0\n"), std::string::npos);

  state.attack_modifier2 = AttackModifierNS::Curse;
  EXPECT_NE(printedValue(state).find("player init: value1\nattack modifier 2: x0*\nfire state:  "),
            std::string::npos);
}

TEST(PrintGameState, DecksInAscendingKeyOrderAndOutOfRangeFields) {
  GameState state;
  state.ability_decks[9] = MonsterAbilityDeck(90);
  state.ability_decks[2] = MonsterAbilityDeck(20);
  state.ice = static_cast<ElementState>(7);
  state.player_init = static_cast<PlayerInit>(0xffffffffu);
  const std::string text = printedValue(state);
  const auto first = text.find("monster ability deck: id: 20\n");
  const auto second = text.find("monster ability deck: id: 90\n");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  // A field outside its enumeration keeps its label and line end.
  EXPECT_NE(text.find("\nics state:   \n"), std::string::npos);
  EXPECT_NE(text.find("\nplayer init: \n"), std::string::npos);
}

TEST(PrintMonsterInstance, SummonLinesOnlyForSummons) {
  MonsterInstance elite;
  elite.type = MonsterTypeNS::Elite;
  elite.summon_move = 4;
  elite.summon_color = SummonColorNS::Red;
  EXPECT_EQ(printedValue(elite).find("summon"), std::string::npos);

  MonsterInstance summon;
  summon.number = 2;
  summon.type = MonsterTypeNS::Summon;
  summon.summon_move = 3;
  summon.summon_attack = -1;
  summon.summon_range = 12;
  summon.is_new = true;
  summon.conditions = {ConditionNS::Stuned, ConditionNS::value13};
  summon.conditions_current_turn = {ConditionNS::Star};
  EXPECT_EQ(printedValue(summon),
            "   {\n"
            "       number: 2\n"
            "       type: Summon\n"
            "       summon_color:  None\n"
            "       summon_move:   3\n"
            "       summon_attack: -1\n"
            "       summon_range:  12\n"
            "       is_new: 1\n"
            "       hp: 0\n"
            "       hp_max: 0\n"
            "       conditions: 2\n"
            "         Stuned\n"
            "         value13\n"
            "       conditions expired: 0\n"
            "       conditions current_turn: 1\n"
            "         Star\n"
            "   }\n");
}

TEST(PrintMonsterActor, AbsentAbilityPrintsMinusOne) {
  const char* const kDefault =
      "  {\n"
      "    id:        0\n"
      "    level:     0\n"
      "    is_normal: 0\n"
      "    is_elite:  0\n"
      "    ability:  -1\n"
      "  }\n";
  MonsterActor monster;
  EXPECT_EQ(printedValue(monster), kDefault);
  monster.ability = -1;
  EXPECT_EQ(printedValue(monster), kDefault);
  monster.ability = 61;
  EXPECT_NE(printedValue(monster).find("    ability:  61\n"), std::string::npos);
}

TEST(PrintMonsterAbilityDeck, AbsentShownAbilityAndEmptyPiles) {
  const char* const kEmpty =
      "id: 5\n"
      "shuffle: 0\n"
      "shown ability: -1\n"
      "abilties: { }\n"
      "abilties discard: { }\n";
  MonsterAbilityDeck deck(5);
  deck.shown = true;  // not part of the dump
  deck.was_shown = true;
  EXPECT_EQ(printedValue(deck), kEmpty);
  deck.shown_ability = -1;
  EXPECT_EQ(printedValue(deck), kEmpty);
  deck.shuffle = true;
  deck.abilities_discard = {7, -3};
  EXPECT_EQ(printedValue(deck),
            "id: 5\nshuffle: 1\nshown ability: -1\nabilties: { }\nabilties discard: { 7 -3 }\n");
}

TEST(PrintActor, PrintsOnlyTheLiveRecordAndEveryFigure) {
  PlayerActor hero;
  hero.name = "x";
  hero.character_class = CharacterClassNS::value20;
  Actor actor(hero);
  actor.__monster.id = 99;
  MonsterInstance first;
  first.number = 1;
  MonsterInstance second;
  second.number = 2;
  actor.instances = {first, second};
  const std::string text = printedValue(actor);
  EXPECT_EQ(text.rfind("player\n   {\n       name: x\n       character_class: Unknown (20)\n", 0),
            0u);
  EXPECT_EQ(text.find("monster"), std::string::npos);
  EXPECT_EQ(text.find("id:"), std::string::npos);
  const std::string figures = text.substr(text.find("turn_completed: 0\n"));
  EXPECT_EQ(figures,
            "turn_completed: 0\n"
            "instance:    {\n       number: 1\n       type: Normal\n       is_new: 0\n"
            "       hp: 0\n       hp_max: 0\n       conditions: 0\n"
            "       conditions expired: 0\n       conditions current_turn: 0\n   }\n\n"
            "instance:    {\n       number: 2\n       type: Normal\n       is_new: 0\n"
            "       hp: 0\n       hp_max: 0\n       conditions: 0\n"
            "       conditions expired: 0\n       conditions current_turn: 0\n   }\n\n");

  actor.__is_player = false;
  EXPECT_EQ(printedValue(actor).rfind("monster\n  {\n    id:        99\n", 0), 0u);
}

// ---- Buffered path against the stream path ----

// A state whose dump is several times the writer's 4 KiB buffer, with a name longer than it.
GameState largeState() {
  GameState state = workedExample();
  state.actors.front().__monster.ability = std::numeric_limits<int>::min();
  state.actors.back().__player.name = std::string(5000, 'n');
  for (int i = 0; i < 40; ++i) state.actors.push_back(state.actors[i % 2]);
  return state;
}

// With each set of flags, the dump under the classic locale must equal the dump rendered piece
// by piece through operator<< (forced by a locale object other than the classic one).
TEST(PrintStreamState, BufferedAndStreamPathsWriteTheSameBytes) {
  const std::vector<std::ios_base::fmtflags> flag_sets = {
      std::cout.flags(),
      std::ios_base::dec,
      std::ios_base::dec | std::ios_base::uppercase | std::ios_base::showbase,
      std::ios_base::dec | std::ios_base::left | std::ios_base::unitbuf,
      std::ios_base::dec | std::ios_base::showpoint | std::ios_base::fixed,
      std::ios_base::boolalpha | std::ios_base::dec,
      std::ios_base::showpos | std::ios_base::dec,
      std::ios_base::hex,
      std::ios_base::fmtflags{}};
  for (const GameState& state : {workedExample(), largeState()}) {
    for (const std::ios_base::fmtflags flags : flag_sets) {
      const std::string buffered = printed([&] {
        std::cout.flags(flags);
        print(state);
      });
      const std::string streamed = printed([&] {
        std::cout.flags(flags);
        std::cout.imbue(classicLookalike());
        print(state);
      });
      EXPECT_EQ(buffered, streamed) << "flags " << flags;
    }
  }
  EXPECT_EQ(printedValue(workedExample()), kWorkedExampleDump);
}

TEST(PrintStreamState, HonoursTheCallersFlagsAndLeavesThemAlone) {
  MonsterActor monster;
  monster.id = 26;
  monster.is_normal = true;
  std::ios_base::fmtflags after{};
  EXPECT_EQ(printed([&] {
              std::cout << std::boolalpha;
              print(monster);
              after = std::cout.flags();
            }),
            "  {\n    id:        26\n    level:     0\n    is_normal: true\n"
            "    is_elite:  false\n    ability:  -1\n  }\n");
  EXPECT_EQ(after, std::ios_base::boolalpha | std::ios_base::dec | std::ios_base::skipws);
  EXPECT_EQ(printed([&] {
              std::cout << std::showpos;
              print(monster);
            }),
            "  {\n    id:        +26\n    level:     +0\n    is_normal: +1\n"
            "    is_elite:  +0\n    ability:  -1\n  }\n");
  EXPECT_EQ(printed([&] {
              std::cout << std::hex;
              print("id ", monster.id, " ", static_cast<unsigned long>(255), "\n");
            }),
            "id 1a ff\n");
  // A width applies to the first piece only ("  {\n", 4 characters), as with separate calls.
  EXPECT_EQ(printed([&] {
              std::cout << std::setw(9);
              print(monster);
            }),
            "     " + printedValue(monster));
}

TEST(PrintStreamState, HonoursTheStreamsLocale) {
  GameState state;
  state.round = 1234567;
  const std::string text = printed([&] {
    std::cout.imbue(std::locale(std::locale::classic(), new GroupingPunct));
    print(state);
    print(-7654321);
  });
  EXPECT_EQ(text.rfind("round: 1,234,567\nscen nr: 0\n", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 10), "-7,654,321");
}

}  // namespace
