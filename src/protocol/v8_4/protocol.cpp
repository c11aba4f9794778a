#include "../gameStateFormat.h"
#include "protocol/v8_4.h"

// Protocol 8.4: the 8.x head, then the brav flag, then the decks and actors in their 8.x form.
namespace tav {
namespace protocol {
namespace v8_4 {

void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer) {
  detail::readHead8x(state, buffer);
  state.brav = buffer.readBoolean();
  detail::readRecords(state, buffer, detail::kFormat8x);
}

void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer) {
  detail::writeHead8x(state, buffer);
  buffer.writeBoolean(state.brav);
  detail::writeRecords(state, buffer, detail::kFormat8x);
}

}  // namespace v8_4
}  // namespace protocol
}  // namespace tav
