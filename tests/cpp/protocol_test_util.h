#pragma once

// Helpers shared by the game-state body tests: the three versions as a table, byte-level write
// and read, std::cout capture, where a field lies and the round-trip normalisations. The
// worked-example state and the record comparisons come from the test support (tests/support).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture.h"
#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/version.h"
#include "records.h"
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

// Where a field lies in the body of base in version, found by the writer alone: the first byte
// at which the body of base differs from that of base with change applied (which sets the
// field to a value that is written differently).
template <class Change>
std::size_t fieldOffset(const Version& version, const tav::GameState& base, Change change) {
  tav::GameState changed = base;
  change(changed);
  const Bytes plain = write(version, base);
  const Bytes other = write(version, changed);
  const auto at = std::mismatch(plain.begin(), plain.end(), other.begin(), other.end());
  EXPECT_NE(at.first, plain.end()) << "the change does not show in the body";
  return static_cast<std::size_t>(at.first - plain.begin());
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

}  // namespace test
}  // namespace tav
