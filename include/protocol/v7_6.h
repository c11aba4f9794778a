#pragma once

#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/version.h"

// Game-state message body, protocol 7.6: nine table flags (no ability_cards), the two optional
// attack-modifier cards instead of the discard pile, no removed abilities, bad omen or brav, a
// short deck record (id, shown, was_shown, draw pile) and no monster ability. Player initiative
// travels as it is (8.x writes 78 there). The body carries no version mark.
namespace tav {
namespace protocol {
namespace v7_6 {

// Reads one body at the buffer's read position into state, printing a running dump to
// std::cout (no count lines in 7.6). Never stops early and never clears state: scalars are
// overwritten, lists and actors appended, decks stored under their id. Short data reads as neutral
// values; every count appends at most as many records as there were unread bytes right after it.
void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer);

// Appends one body to buffer. A body that does not fit whole is not written at all: the write
// position stays where it was, which is how a caller sees the failure (kVersion.write()
// returns it as a size of 0).
void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer);

}  // namespace v7_6
}  // namespace protocol
}  // namespace tav
