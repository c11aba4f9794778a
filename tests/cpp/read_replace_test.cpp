// The replacing read (ReadMode::kReplace) against the reading into a new state, over random
// states of every version; the dump's buffered text against the piece-by-piece text.

#include <gtest/gtest.h>

#include <locale>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/fields.h"
#include "print.h"
#include "protocol_test_util.h"
#include "random_state.h"

namespace {

using tav::protocol::ReadMode;
using tav::protocol::ReadOutcome;
using tav::test::Bytes;
using tav::test::Version;

// Gives every list of a record, at every depth, n elements: longer lists are cut, shorter ones
// padded with copies of their first element (a default one for an empty list); decks are
// added under new keys or dropped from the front.
struct Shape {
  std::size_t n;

  template <class T>
  void operator()(const char*, T& field) {
    apply(field);
  }
  template <class T>
  void apply(T& value) {
    if constexpr (tav::fields::isRecord<T>) tav::fields::forEachField(*this, value);
  }
  template <class T>
  void apply(std::vector<T>& list) {
    list.resize(n, list.empty() ? T() : list.front());
    for (T& element : list) apply(element);
  }
  void apply(std::map<int, tav::MonsterAbilityDeck>& decks) {
    while (decks.size() > n) decks.erase(decks.begin());
    for (int key = 1000; decks.size() < n; ++key) decks.emplace(key, tav::MonsterAbilityDeck(key));
    for (auto& entry : decks) apply(entry.second);
  }
};

tav::GameState shaped(tav::GameState state, std::size_t n) {
  Shape shape{n};
  shape.apply(state);
  return state;
}

// What a read gives: the outcome, the state and the dump.
struct Read {
  ReadOutcome outcome;
  tav::GameState state;
  std::string dump;
};

Read readInto(const tav::protocol::Version& version, tav::GameState state, const Bytes& bytes,
              ReadMode mode) {
  std::ostringstream dump;
  Read read;
  read.outcome = version.read(state, bytes.data(), bytes.size(), mode, &dump);
  read.state = std::move(state);
  read.dump = dump.str();
  return read;
}

void expectSameRead(const tav::protocol::Version& version, const Read& got, const Read& fresh) {
  EXPECT_EQ(got.outcome.consumed, fresh.outcome.consumed);
  EXPECT_EQ(got.outcome.complete, fresh.outcome.complete);
  EXPECT_EQ(got.outcome.stoppedAt, fresh.outcome.stoppedAt);
  EXPECT_TRUE(got.state == fresh.state);
  EXPECT_EQ(version.encode(got.state), version.encode(fresh.state));
  EXPECT_EQ(got.dump, fresh.dump);
  // The record of each actor that is not live is no part of its value, but is a default one
  // after either read.
  if (got.state.actors.size() != fresh.state.actors.size()) return;
  for (std::size_t i = 0; i < got.state.actors.size(); ++i) {
    EXPECT_TRUE(got.state.actors[i].__monster == fresh.state.actors[i].__monster) << "actor " << i;
    EXPECT_TRUE(got.state.actors[i].__player == fresh.state.actors[i].__player) << "actor " << i;
  }
}

class ReadReplace : public ::testing::TestWithParam<Version> {};

// Reading B into a state that held A gives what reading B into a new state gives, whether A's
// lists are longer or shorter than B's at every depth, and for B cut short anywhere; where A's
// lists had room, B's records land in A's memory.
TEST_P(ReadReplace, EqualsAReadIntoANewState) {
  const tav::protocol::Version& version = *GetParam().protocol;
  tav::test::RandomState random(20261210u);
  std::mt19937 rng(5u);
  const struct { std::size_t held, read; } kShapes[] = {{5, 1}, {1, 5}, {0, 3}, {3, 0}, {2, 2}};
  for (int i = 0; i < 60; ++i) {
    for (const auto& shape : kShapes) {
      SCOPED_TRACE("state " + std::to_string(i) + ", lists of " + std::to_string(shape.held) +
                   " read over lists of " + std::to_string(shape.read));
      const tav::GameState held = shaped(random.make(), shape.held);
      const Bytes bytes = version.encode(shaped(random.make(), shape.read));
      ASSERT_FALSE(bytes.empty());
      const Bytes cut(bytes.begin(),
                      bytes.begin() + static_cast<std::ptrdiff_t>(rng() % bytes.size()));
      for (const Bytes* body : {&bytes, &cut}) {
        const Read fresh = readInto(version, tav::GameState(), *body, ReadMode::kAppend);
        // The model's object itself, holding fields this version does not carry, and the
        // same state as this version reads it.
        expectSameRead(version, readInto(version, held, *body, ReadMode::kReplace), fresh);
        tav::GameState reread;
        version.read(reread, version.encode(held).data(), version.size(held));
        expectSameRead(version, readInto(version, reread, *body, ReadMode::kReplace), fresh);
      }
      if (shape.held >= shape.read && shape.read > 0) {
        tav::GameState state = held;
        const tav::Actor* const actors = state.actors.data();
        const tav::MonsterInstance* const figures = state.actors[0].instances.data();
        version.read(state, bytes.data(), bytes.size(), ReadMode::kReplace);
        EXPECT_EQ(state.actors.data(), actors);
        EXPECT_EQ(state.actors[0].instances.data(), figures);
      }
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// A state read again and again replacing holds each body's state in turn (through a Buffer).
TEST_P(ReadReplace, AStreamOfBodiesIntoOneState) {
  const tav::protocol::Version& version = *GetParam().protocol;
  tav::test::RandomState random(77u);
  tav::GameState state;
  for (int i = 0; i < 40; ++i) {
    const tav::GameState next = random.make();
    Bytes bytes = version.encode(next);
    tav::protocol::Buffer buffer(bytes.data(), bytes.size());
    ASSERT_TRUE(version.read(state, buffer, ReadMode::kReplace).exact());
    tav::GameState fresh;
    version.read(fresh, bytes.data(), bytes.size());
    ASSERT_TRUE(state == fresh) << "body " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, ReadReplace, ::testing::ValuesIn(tav::test::versions()),
                         tav::test::versionName);

// A stream whose locale is not the classic one (with a number facet that formats as the
// classic one does) takes the dump piece by piece through operator<<.
std::locale plainLocale() { return std::locale(std::locale::classic(), new std::numpunct<char>); }

// The buffered text of print and of the reader's dump equals the piece-by-piece text, for every
// record kind and every version's reader.
TEST(DumpFastPath, EqualsThePieceByPieceText) {
  tav::test::RandomState random(31u, {true, true});
  for (int i = 0; i < 40; ++i) {
    const tav::GameState state = random.make();
    auto both = [](auto write) {
      std::ostringstream fast;
      std::ostringstream plain;
      plain.imbue(plainLocale());
      write(fast);
      write(plain);
      EXPECT_EQ(fast.str(), plain.str());
    };
    both([&](std::ostream& out) { tav::print(out, state); });
    for (const auto& entry : state.ability_decks) {
      both([&](std::ostream& out) { tav::print(out, entry.second); });
    }
    for (const tav::Actor& actor : state.actors) {
      both([&](std::ostream& out) { tav::print(out, actor); });
      both([&](std::ostream& out) { tav::print(out, actor.__player); });
      both([&](std::ostream& out) { tav::print(out, actor.__monster); });
      for (const tav::MonsterInstance& figure : actor.instances) {
        both([&](std::ostream& out) { tav::print(out, figure); });
      }
    }
    for (const tav::protocol::Version* version : tav::protocol::kVersions) {
      const Bytes bytes = version->encode(state);
      both([&](std::ostream& out) {
        tav::GameState read;
        version->read(read, bytes.data(), bytes.size(), &out);
      });
    }
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
