#pragma once

// Helpers shared by the game-state body tests: the three versions as a table, byte-level write
// and read, std::cout capture, the worked-example state, the round-trip normalisations and a
// field-by-field comparison.

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/version.h"
#include "worked_example.h"

namespace tav {
namespace test {

using Bytes = std::vector<uint8_t>;

// A protocol version of the library's table, with what the tests ask of it.
struct Version {
  const tav::protocol::Version* protocol;
  std::string_view name;  // "8.4"

  explicit Version(const tav::protocol::Version* version)
      : protocol(version), name(version->name()) {}
  bool is76() const { return name == "7.6"; }
  bool hasBrav() const { return name == "8.4"; }
  // The specified reader and writer forms (the reader dumping to std::cout).
  void read(tav::GameState& state, tav::protocol::Buffer& buffer) const {
    protocol->read(state, buffer, &std::cout);
  }
  void write(const tav::GameState& state, tav::protocol::Buffer& buffer) const {
    protocol->write(state, buffer);
  }
};

// Every version of the library's table.
inline std::vector<Version> versions() {
  std::vector<Version> all;
  for (const tav::protocol::Version* version : tav::protocol::kVersions) all.emplace_back(version);
  return all;
}

// The version of the given name.
inline Version version(std::string_view name) { return Version(tav::protocol::findVersion(name)); }

// "v8_4": a version's name as a test name.
inline std::string versionName(const ::testing::TestParamInfo<Version>& info) {
  std::string id = "v" + std::string(info.param.name);
  for (char& c : id) c = c == '.' ? '_' : c;
  return id;
}

// What the print calls of f write to std::cout.
template <class F>
std::string capture(F f) {
  std::ostringstream out;
  std::streambuf* const saved = std::cout.rdbuf(out.rdbuf());
  f();
  std::cout.rdbuf(saved);
  return out.str();
}

// The body of state in version, as written into a Buffer of the given room.
inline Bytes write(const Version& version, const tav::GameState& state,
                   std::size_t room = 1 << 16) {
  Bytes bytes(room);
  tav::protocol::Buffer buffer(bytes.data(), bytes.size());
  buffer.clear();
  version.write(state, buffer);
  bytes.resize(buffer.getPosition());
  return bytes;
}

// Reads bytes as a body of version into state and returns the reader's dump; *consumed, when
// given, receives the bytes read.
inline std::string read(const Version& version, tav::GameState& state, const Bytes& bytes,
                        std::size_t* consumed = nullptr) {
  std::ostringstream dump;
  const tav::protocol::ReadOutcome outcome =
      version.protocol->read(state, bytes.data(), bytes.size(), &dump);
  if (consumed != nullptr) *consumed = outcome.consumed;
  return dump.str();
}

inline tav::GameState normalised(tav::GameState state, const Version& version) {
  const tav::GameState fresh;
  state.attack_modifier1 = version.is76() ? state.attack_modifier1 : fresh.attack_modifier1;
  state.attack_modifier2 = version.is76() ? state.attack_modifier2 : fresh.attack_modifier2;
  if (!version.hasBrav()) state.brav = false;
  if (version.is76()) {
    state.ability_cards = false;
    state.attack_modifiers_discard.clear();
    state.removed_abilities.clear();
    state.bad_omen = 0;
  }
  const auto present = [](const tl::optional<int>& value) {
    return value && *value != -1 ? value : tl::optional<int>();
  };
  std::map<int, tav::MonsterAbilityDeck> decks;
  for (const auto& entry : state.ability_decks) {
    tav::MonsterAbilityDeck deck = entry.second;
    if (version.is76()) {
      deck.shuffle = false;
      deck.shown_ability = tl::nullopt;
      deck.abilities_discard.clear();
    } else {
      deck.shown = false;
      deck.was_shown = false;
      deck.shown_ability = present(deck.shown_ability);
    }
    decks[deck.id] = deck;
  }
  state.ability_decks = decks;
  for (tav::Actor& actor : state.actors) {
    const bool isPlayer = static_cast<bool>(actor.getPlayer());
    tav::Actor copy = isPlayer ? tav::Actor(*actor.getPlayer()) : tav::Actor(*actor.getMonster());
    copy.turn_completed = actor.turn_completed;
    copy.instances = actor.instances;
    if (isPlayer && !version.is76()) copy.getPlayer()->initiative = 78;
    if (!isPlayer) {
      tl::optional<int>& ability = copy.getMonster()->ability;
      ability = version.is76() ? tl::optional<int>() : present(ability);
    }
    for (tav::MonsterInstance& figure : copy.instances) {
      if (figure.type == tav::MonsterTypeNS::Summon) continue;
      figure.summon_color = tav::SummonColorNS::None;
      figure.summon_move = figure.summon_attack = figure.summon_range = 0;
    }
    actor = copy;
  }
  return state;
}

inline void expectEqual(const tav::MonsterInstance& a, const tav::MonsterInstance& b) {
  EXPECT_EQ(a.number, b.number);
  EXPECT_EQ(a.type, b.type);
  EXPECT_EQ(a.summon_color, b.summon_color);
  EXPECT_EQ(a.summon_move, b.summon_move);
  EXPECT_EQ(a.summon_attack, b.summon_attack);
  EXPECT_EQ(a.summon_range, b.summon_range);
  EXPECT_EQ(a.is_new, b.is_new);
  EXPECT_EQ(a.hp, b.hp);
  EXPECT_EQ(a.hp_max, b.hp_max);
  EXPECT_EQ(a.conditions, b.conditions);
  EXPECT_EQ(a.conditions_expired, b.conditions_expired);
  EXPECT_EQ(a.conditions_current_turn, b.conditions_current_turn);
}

inline void expectEqual(const tav::Actor& a, const tav::Actor& b) {
  ASSERT_EQ(a.__is_player, b.__is_player);
  const tav::MonsterActor& ma = a.__monster;
  const tav::MonsterActor& mb = b.__monster;
  EXPECT_EQ(ma.id, mb.id);
  EXPECT_EQ(ma.level, mb.level);
  EXPECT_EQ(ma.is_normal, mb.is_normal);
  EXPECT_EQ(ma.is_elite, mb.is_elite);
  EXPECT_TRUE(ma.ability == mb.ability);
  const tav::PlayerActor& pa = a.__player;
  const tav::PlayerActor& pb = b.__player;
  EXPECT_EQ(pa.name, pb.name);
  EXPECT_EQ(pa.character_class, pb.character_class);
  EXPECT_EQ(pa.xp, pb.xp);
  EXPECT_EQ(pa.hp, pb.hp);
  EXPECT_EQ(pa.hp_max, pb.hp_max);
  EXPECT_EQ(pa.level, pb.level);
  EXPECT_EQ(pa.loot, pb.loot);
  EXPECT_EQ(pa.initiative, pb.initiative);
  EXPECT_EQ(pa.conditions, pb.conditions);
  EXPECT_EQ(pa.conditions_expired, pb.conditions_expired);
  EXPECT_EQ(pa.conditions_current_turn, pb.conditions_current_turn);
  EXPECT_EQ(pa.exhausted, pb.exhausted);
  EXPECT_EQ(a.turn_completed, b.turn_completed);
  ASSERT_EQ(a.instances.size(), b.instances.size());
  for (std::size_t i = 0; i < a.instances.size(); ++i) {
    SCOPED_TRACE("figure " + std::to_string(i));
    expectEqual(a.instances[i], b.instances[i]);
  }
}

inline void expectEqual(const tav::GameState& a, const tav::GameState& b) {
  EXPECT_EQ(a.round, b.round);
  EXPECT_EQ(a.scenario_number, b.scenario_number);
  EXPECT_EQ(a.scenario_level, b.scenario_level);
  EXPECT_EQ(a.track_standees, b.track_standees);
  EXPECT_EQ(a.ability_cards, b.ability_cards);
  EXPECT_EQ(a.random_standees, b.random_standees);
  EXPECT_EQ(a.elites_first, b.elites_first);
  EXPECT_EQ(a.expire_conditions, b.expire_conditions);
  EXPECT_EQ(a.solo, b.solo);
  EXPECT_EQ(a.hide_stats, b.hide_stats);
  EXPECT_EQ(a.calculate_stats, b.calculate_stats);
  EXPECT_EQ(a.can_draw, b.can_draw);
  EXPECT_EQ(a.needs_shuffle, b.needs_shuffle);
  EXPECT_EQ(a.player_init, b.player_init);
  EXPECT_EQ(a.attack_modifiers, b.attack_modifiers);
  EXPECT_EQ(a.attack_modifiers_discard, b.attack_modifiers_discard);
  EXPECT_TRUE(a.attack_modifier1 == b.attack_modifier1);
  EXPECT_TRUE(a.attack_modifier2 == b.attack_modifier2);
  EXPECT_EQ(a.fire, b.fire);
  EXPECT_EQ(a.ice, b.ice);
  EXPECT_EQ(a.air, b.air);
  EXPECT_EQ(a.earth, b.earth);
  EXPECT_EQ(a.light, b.light);
  EXPECT_EQ(a.dark, b.dark);
  EXPECT_EQ(a.removed_abilities, b.removed_abilities);
  EXPECT_EQ(a.bad_omen, b.bad_omen);
  EXPECT_EQ(a.brav, b.brav);
  ASSERT_EQ(a.ability_decks.size(), b.ability_decks.size());
  for (auto ia = a.ability_decks.begin(), ib = b.ability_decks.begin(); ia != a.ability_decks.end();
       ++ia, ++ib) {
    SCOPED_TRACE("deck " + std::to_string(ia->first));
    EXPECT_EQ(ia->first, ib->first);
    EXPECT_EQ(ia->second.id, ib->second.id);
    EXPECT_EQ(ia->second.shuffle, ib->second.shuffle);
    EXPECT_TRUE(ia->second.shown_ability == ib->second.shown_ability);
    EXPECT_EQ(ia->second.abilities, ib->second.abilities);
    EXPECT_EQ(ia->second.abilities_discard, ib->second.abilities_discard);
    EXPECT_EQ(ia->second.shown, ib->second.shown);
    EXPECT_EQ(ia->second.was_shown, ib->second.was_shown);
  }
  ASSERT_EQ(a.actors.size(), b.actors.size());
  for (std::size_t i = 0; i < a.actors.size(); ++i) {
    SCOPED_TRACE("actor " + std::to_string(i));
    expectEqual(a.actors[i], b.actors[i]);
  }
}

}  // namespace test
}  // namespace tav
