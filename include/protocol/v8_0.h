#pragma once

#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/version.h"

// Game-state message body, protocol 8.0: the 8.4 body without the brav flag. The body carries no
// version mark: the caller picks the version by calling its functions.
namespace tav {
namespace protocol {
namespace v8_0 {

// Reads one body at the buffer's read position into state, printing a running dump to
// std::cout. Never stops early and never clears state: scalars are overwritten, lists and
// actors appended, decks stored under their id. Short data reads as neutral values; every
// count appends at most as many records as there were unread bytes right after it.
void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer);

// Appends one body to buffer. A body that does not fit whole is not written at all: the write
// position stays where it was, which is how a caller sees the failure (kVersion.write()
// returns it as a size of 0).
void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer);

}  // namespace v8_0
}  // namespace protocol
}  // namespace tav
