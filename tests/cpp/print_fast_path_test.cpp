#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

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
  std::ostringstream sink;
  std::streambuf* const saved = std::cout.rdbuf(sink.rdbuf());
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
  std::cout.rdbuf(saved);
  EXPECT_EQ(sink.str(), "");
}

}  // namespace
