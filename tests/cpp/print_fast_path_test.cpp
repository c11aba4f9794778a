#include <gtest/gtest.h>

#include <iostream>
#include <locale>
#include <sstream>
#include <string>

#include "capture.h"
#include "print.h"

namespace {

using namespace tav;

GameState smallState() {
  GameState state;
  state.round = 3;
  state.attack_modifiers = {AttackModifierNS::Plus1};
  MonsterInstance figure;
  figure.conditions = {ConditionNS::Poisoned};
  Actor actor{MonsterActor()};
  actor.instances.push_back(figure);
  state.actors.push_back(actor);
  return state;
}

// A stream that is not good receives nothing from any dump, and is left in the state that a
// refused write through operator<< leaves it in.
TEST(PrintBadStream, WritesNothingAndEndsAsARefusedWriteWould) {
  tav::test::CoutCapture sink;
  for (const std::ios_base::iostate initial :
       {std::ios_base::badbit, std::ios_base::failbit, std::ios_base::eofbit}) {
    std::cout.clear(initial);
    print(smallState());
    print("text", 5, true, "\n");
    const std::ios_base::iostate after = std::cout.rdstate();
    std::cout.clear(initial);
    std::cout << "x";
    EXPECT_EQ(after, std::cout.rdstate()) << "initial state " << initial;
  }
  std::cout.clear();
  EXPECT_EQ(sink.text(), "");
}

// What print(state) writes to std::cout, with the stream's locale set to the given one.
std::string dumped(const GameState& state, const std::locale& locale) {
  tav::test::CoutCapture sink;
  std::cout.imbue(locale);
  print(state);
  return sink.text();
}

// A dump far larger than the writer's buffers (so its text moves to the large buffer and leaves
// in several pieces) is the same text as the one written piece by piece through operator<<,
// which a locale other than the classic one forces.
TEST(PrintLargeDump, BufferedTextEqualsThePieceByPieceText) {
  GameState state = smallState();
  for (int i = 0; i < 12; ++i) state.attack_modifiers.push_back(AttackModifierNS::Minus2);
  Actor actor = state.actors.front();
  for (int i = 0; i < 6; ++i) actor.instances.push_back(actor.instances.front());
  for (int i = 0; i < 200; ++i) {
    actor.instances.front().hp = -i * 1000;
    state.actors.push_back(actor);
  }
  const std::string buffered = dumped(state, std::locale::classic());
  ASSERT_GT(buffered.size(), 3u * 65536u);
  EXPECT_EQ(buffered, dumped(state, std::locale(std::locale::classic(), new std::numpunct<char>)));
}

}  // namespace
