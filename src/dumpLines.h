#pragma once

// The lines a game-state reader adds to its dump besides the records' own dumps. They belong
// to the dump's layout and are written by the dump code; the readers only say when.

#include <iosfwd>

#include "model/monsterType.h"

namespace tav {
namespace detail {

// Which count line a list of records announces itself with, if any.
enum class CountLine { kNone, kDecks, kActors };

// "Monster type: <type>\n", written as soon as a figure's type has been read.
void printMonsterTypeLine(std::ostream& out, tav::MonsterType type);

// "Nr monster ability decks: <count>\n" or "Nr actors: <count>\n"; nothing for kNone.
void printCountLine(std::ostream& out, CountLine line, int count);

}  // namespace detail
}  // namespace tav
