// Round-trip property of the game-state bodies: random states written and read back equal the
// original after each version's normalisations. Seeded, so every run checks the same states.

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "protocol_test_util.h"

namespace {

using tav::test::Version;

class RandomState {
 public:
  explicit RandomState(unsigned seed) : rng_(seed) {}

  tav::GameState make() {
    tav::GameState state;
    state.round = number();
    state.scenario_number = number();
    state.scenario_level = number();
    for (bool* flag :
         {&state.track_standees, &state.ability_cards, &state.random_standees, &state.elites_first,
          &state.expire_conditions, &state.solo, &state.hide_stats, &state.calculate_stats,
          &state.can_draw, &state.needs_shuffle, &state.brav}) {
      *flag = coin();
    }
    state.player_init = enumValue<tav::PlayerInit>(5);
    state.attack_modifiers = enumList<tav::AttackModifier>(9);
    state.attack_modifiers_discard = enumList<tav::AttackModifier>(9);
    if (coin()) state.attack_modifier1 = enumValue<tav::AttackModifier>(9);
    if (coin()) state.attack_modifier2 = enumValue<tav::AttackModifier>(9);
    for (tav::ElementState* element :
         {&state.fire, &state.ice, &state.air, &state.earth, &state.light, &state.dark}) {
      *element = enumValue<tav::ElementState>(3);
    }
    state.removed_abilities = ints();
    state.bad_omen = number();
    for (int i = upTo(3); i > 0; --i) {
      // Keys usually equal the deck's id; sometimes they don't, and ids may repeat.
      tav::MonsterAbilityDeck deck(upTo(5));
      deck.shuffle = coin();
      deck.shown_ability = ability();
      deck.abilities = ints();
      deck.abilities_discard = ints();
      deck.shown = coin();
      deck.was_shown = coin();
      state.ability_decks[coin() ? deck.id : upTo(9)] = deck;
    }
    for (int i = upTo(4); i > 0; --i) state.actors.push_back(actor());
    return state;
  }

 private:
  bool coin() { return std::uniform_int_distribution<int>(0, 1)(rng_) == 1; }
  int upTo(int n) { return std::uniform_int_distribution<int>(0, n)(rng_); }
  // Small numbers mostly, with the extremes and negatives now and then.
  int number() {
    switch (upTo(5)) {
      case 0:
        return INT_MIN;
      case 1:
        return INT_MAX;
      case 2:
        return std::uniform_int_distribution<int>(INT_MIN, INT_MAX)(rng_);
      default:
        return upTo(200) - 20;
    }
  }
  tl::optional<int> ability() {
    switch (upTo(3)) {
      case 0:
        return tl::nullopt;
      case 1:
        return -1;  // travels as "absent"
      default:
        return number();
    }
  }
  std::vector<int> ints() {
    std::vector<int> list(upTo(4));
    for (int& element : list) element = number();
    return list;
  }
  template <class E>
  E enumValue(int size) {
    return static_cast<E>(upTo(size - 1));
  }
  template <class E>
  std::vector<E> enumList(int size) {
    std::vector<E> list(upTo(4));
    for (E& element : list) element = enumValue<E>(size);
    return list;
  }
  std::string name() {
    switch (upTo(4)) {
      case 0:
        return "nameless";
      case 1:
        return "";
      default: {
        // Any bytes but zero: one-byte and non-ASCII names take the long string form.
        std::string text(upTo(6) + 1, ' ');
        for (char& c : text) c = static_cast<char>(1 + upTo(254));
        return text;
      }
    }
  }
  tav::MonsterInstance figure() {
    tav::MonsterInstance figure;
    figure.number = number();
    figure.type = coin() ? tav::MonsterTypeNS::Summon : enumValue<tav::MonsterType>(16);
    figure.summon_color = enumValue<tav::SummonColor>(9);
    figure.summon_move = number();
    figure.summon_attack = number();
    figure.summon_range = number();
    figure.is_new = coin();
    figure.hp = number();
    figure.hp_max = number();
    figure.conditions = enumList<tav::Condition>(19);
    figure.conditions_expired = enumList<tav::Condition>(19);
    figure.conditions_current_turn = enumList<tav::Condition>(19);
    return figure;
  }
  tav::Actor actor() {
    tav::Actor actor;
    if (coin()) {
      tav::PlayerActor player;
      player.name = name();
      player.character_class = enumValue<tav::CharacterClass>(26);
      for (int* field : {&player.xp, &player.hp, &player.hp_max, &player.level, &player.loot,
                         &player.initiative}) {
        *field = number();
      }
      player.conditions = enumList<tav::Condition>(19);
      player.conditions_expired = enumList<tav::Condition>(19);
      player.conditions_current_turn = enumList<tav::Condition>(19);
      player.exhausted = coin();
      actor = tav::Actor(player);
    } else {
      tav::MonsterActor monster;
      monster.id = number();
      monster.level = number();
      monster.is_normal = coin();
      monster.is_elite = coin();
      monster.ability = ability();
      actor = tav::Actor(monster);
    }
    actor.turn_completed = coin();
    for (int i = upTo(3); i > 0; --i) actor.instances.push_back(figure());
    return actor;
  }

  std::mt19937 rng_;
};

class RoundTrip : public ::testing::TestWithParam<Version> {};

// The annotation's spans of the bytes read lie one after another from offset 0, with no gap
// and no overlap, and end where the read stopped.
void expectSpansTile(const tav::protocol::Annotation& annotation) {
  std::size_t next = 0;
  for (const tav::protocol::FieldSpan& field : annotation.fields) {
    if (field.length == 0) continue;
    ASSERT_EQ(field.offset, next) << field.path;
    next += field.length;
  }
  EXPECT_EQ(next, annotation.outcome.consumed);
}

// Every view of a body agrees: the size is what the writers write, the quiet, dumping and
// annotating reads find the same outcome and state, and the dump is what the specified reader
// prints.
TEST_P(RoundTrip, RandomStatesComeBackNormalised) {
  const Version& version = GetParam();
  const tav::protocol::Version& protocol = *version.protocol;
  RandomState random(20261207u);
  for (int i = 0; i < 300; ++i) {
    SCOPED_TRACE("state " + std::to_string(i));
    const tav::GameState original = random.make();
    const tav::test::Bytes bytes = tav::test::write(version, original);
    EXPECT_EQ(protocol.size(original), bytes.size());
    EXPECT_EQ(protocol.encode(original), bytes);

    tav::GameState quiet;
    const tav::protocol::ReadOutcome outcome = protocol.read(quiet, bytes.data(), bytes.size());
    EXPECT_TRUE(outcome.exact());
    EXPECT_EQ(outcome.consumed, bytes.size());
    tav::test::expectEqual(quiet, tav::test::normalised(original, version));
    EXPECT_TRUE(quiet == tav::test::normalised(original, version));

    tav::GameState dumped;
    std::size_t consumed = 0;
    const std::string dump = tav::test::read(version, dumped, bytes, &consumed);
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_TRUE(dumped == quiet);
    if (i % 50 == 0) {
      tav::test::Bytes copy = bytes;
      tav::protocol::Buffer buffer(copy.data(), copy.size());
      tav::GameState specified;
      EXPECT_EQ(tav::test::capture([&] { version.read(specified, buffer); }), dump);
    }

    const tav::protocol::Annotation annotation = protocol.annotate(bytes.data(), bytes.size());
    EXPECT_TRUE(annotation.outcome.exact());
    EXPECT_TRUE(annotation.stoppedField.empty());
    expectSpansTile(annotation);
    if (::testing::Test::HasFailure()) break;
  }
}

// Arbitrary bytes: the readers agree on the outcome, the spans tile what was read, and the state
// read writes a body of the size the sizer gives.
TEST_P(RoundTrip, ArbitraryBytesAgreeAcrossViews) {
  const tav::protocol::Version& protocol = *GetParam().protocol;
  std::mt19937 rng(7u);
  for (int i = 0; i < 2000; ++i) {
    SCOPED_TRACE("input " + std::to_string(i));
    tav::test::Bytes bytes(rng() % 96);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : rng() % 4);
    tav::GameState quiet;
    const tav::protocol::ReadOutcome outcome = protocol.read(quiet, bytes.data(), bytes.size());
    const tav::protocol::Annotation annotation = protocol.annotate(bytes.data(), bytes.size());
    EXPECT_EQ(annotation.outcome.consumed, outcome.consumed);
    EXPECT_EQ(annotation.outcome.complete, outcome.complete);
    EXPECT_EQ(annotation.outcome.stoppedAt, outcome.stoppedAt);
    EXPECT_EQ(annotation.stoppedField.empty(), outcome.complete);
    expectSpansTile(annotation);
    EXPECT_EQ(protocol.encode(quiet).size(), protocol.size(quiet));
    if (::testing::Test::HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, RoundTrip, ::testing::ValuesIn(tav::test::versions()),
                         tav::test::versionName);

}  // namespace
