#pragma once

// Record layouts and building blocks shared by the game-state bodies of every protocol version.
// Each version's source holds its top-level layout and calls these with its own Format.

#include <algorithm>
#include <cstddef>
#include <tl/optional.hpp>
#include <vector>

#include "model/actor.h"
#include "model/gameState.h"
#include "protocol/buffer.h"

namespace tav {
namespace protocol {
namespace detail {

// What differs between the versions below the top level.
struct Format {
  // The table flags include ability_cards (8.x); 7.6 goes from track_standees to
  // random_standees.
  bool abilityCards;
  // Deck record: id, shuffle, shown_ability slot, draw pile, discard pile (8.x); or id, shown,
  // was_shown, draw pile (7.6).
  bool fullDeck;
  // The monster body ends with an ability slot (8.x).
  bool monsterAbility;
  // The writer puts the constant 78 into a player's initiative slot instead of the field (8.x).
  bool fixedInitiative;
  // The reader prints "Nr monster ability decks: " and "Nr actors: " lines (8.x).
  bool countLines;
};

// Record forms of protocols 8.0 and 8.4, which differ only in their top level.
inline constexpr Format kFormat8x{true, true, true, true, true};

// The value written into a player's initiative slot by the 8.x writers.
inline constexpr int kFixedInitiative = 78;

// The value list of an enumeration, built on first use and kept (it never changes): a body
// looks up many ordinals, and a new list for every one would cost an allocation each.
template <class T, std::vector<T> (*GetValues)()>
const std::vector<T>& valuesOf() {
  static const std::vector<T> values = GetValues();
  return values;
}

// The number of records a count read just now can announce for real: nothing for a count of 0
// or less, and no more than the unread bytes, since every record takes at least one byte.
inline std::size_t boundedCount(int count, const tav::protocol::Buffer& buffer) {
  return count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), buffer.getSize());
}

// Top-level rows shared by every version: round, scenario_number, scenario_level, the table
// flags (ability_cards only where format carries it), player_init and the attack-modifier draw
// pile.
void readOpening(tav::GameState& state, tav::protocol::Buffer& buffer, const Format& format);
void writeOpening(const tav::GameState& state, tav::protocol::Buffer& buffer, const Format& format);

// The six element states, fire to dark.
void readElements(tav::GameState& state, tav::protocol::Buffer& buffer);
void writeElements(const tav::GameState& state, tav::protocol::Buffer& buffer);

// Rows shared by 8.0 and 8.4: everything from round to bad_omen.
void readHead8x(tav::GameState& state, tav::protocol::Buffer& buffer);
void writeHead8x(const tav::GameState& state, tav::protocol::Buffer& buffer);

// Everything after the top-level rows: the decks, the actors and, when reading, the dump of the
// whole state.
void readRecords(tav::GameState& state, tav::protocol::Buffer& buffer, const Format& format);
void writeRecords(const tav::GameState& state, tav::protocol::Buffer& buffer, const Format& format);

// Actor records. The kind flag in front of each actor entry is handled by readRecords and
// writeRecords; a body routine ends with the common tail.
tav::Actor __readPlayerActor(tav::protocol::Buffer& buffer);
tav::Actor __readMonsterActor(tav::protocol::Buffer& buffer, const Format& format);
// turn_completed and the figures, appended to actor.instances.
void __readCommonActor(tav::protocol::Buffer& buffer, tav::Actor& actor);
// One int: 0 is absent, v the value v - 1.
tl::optional<int> __readMonsterAbility(tav::protocol::Buffer& buffer);

void __writePlayerActor(tav::protocol::Buffer& buffer, const tav::Actor& actor,
                        const Format& format);
void __writeMonsterActor(tav::protocol::Buffer& buffer, const tav::Actor& actor,
                         const Format& format);
void __writeCommonActor(tav::protocol::Buffer& buffer, const tav::Actor& actor);
void __writeMonsterAbility(tav::protocol::Buffer& buffer, tl::optional<int> ability);

}  // namespace detail
}  // namespace protocol
}  // namespace tav
