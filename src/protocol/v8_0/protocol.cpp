#include "../gameStateFormat.h"
#include "protocol/v8_0.h"

// Protocol 8.0: the 8.4 body without the brav flag; the decks follow bad_omen directly.
namespace tav {
namespace protocol {
namespace v8_0 {

void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer) {
  detail::readHead8x(state, buffer);
  detail::readRecords(state, buffer, detail::kFormat8x);
}

void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  detail::writeHead8x(state, buffer);
  detail::writeRecords(state, buffer, detail::kFormat8x);
}

}  // namespace v8_0
}  // namespace protocol
}  // namespace tav
