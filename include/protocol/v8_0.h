#pragma once

#include "model/gameState.h"
#include "protocol/buffer.h"

// Game-state message body, protocol 8.0.
namespace tav {
namespace protocol {
namespace v8_0 {

// Reads one body at the buffer's read position into state, printing a running dump to
// std::cout. Never stops early and never clears state: scalars are overwritten, lists and
// actors appended, decks stored under their id. Short data reads as neutral values.
void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer);

// Appends one body to buffer. Values that don't fit are dropped without notice.
void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer);

}  // namespace v8_0
}  // namespace protocol
}  // namespace tav
