// A user's program: builds a game state, frames and writes it as a protocol 8.4 message, reads
// it back and checks what came back. Exits with 0 when the round trip kept the state. The
// headers come in both ways a user may write them, and the same header both ways must be one.
#include <tav/model/gameState.h>
#include <tav/protocol/header.h>
#include <tav/protocol/v8_4.h>

#include <cstdint>
#include <iostream>
#include <vector>

#include "model/gameState.h"
#include "print.h"
#include "protocol/header.h"

int main() {
  tav::GameState state;
  state.round = 3;
  state.scenario_number = 12;
  state.fire = tav::ElementStateNS::Strong;
  state.attack_modifiers = {tav::AttackModifierNS::Plus1, tav::AttackModifierNS::Crit};
  tav::PlayerActor hero;
  hero.name = "hero";
  hero.hp = 7;
  state.actors.emplace_back(hero);
  tav::MonsterAbilityDeck deck(5);
  deck.abilities = {1, 2, 3};
  state.ability_decks[5] = deck;

  std::vector<uint8_t> bytes(1024);
  tav::protocol::Buffer out(bytes.data(), bytes.size());
  out.clear();
  tav::protocol::Header header;
  header.event = "game_state";
  tav::protocol::writeHeader(header, out);
  tav::protocol::v8_4::writeGameState(state, out);

  tav::protocol::Buffer in(bytes.data(), out.getPosition());
  tav::protocol::Header readBack;
  tav::GameState copy;
  if (!tav::protocol::readHeader(readBack, in)) {
    std::cerr << "header not read\n";
    return 1;
  }
  tav::protocol::v8_4::readGameState(copy, in);

  const bool same = readBack.event == "game_state" && copy.round == 3 &&
                    copy.scenario_number == 12 && copy.fire == tav::ElementStateNS::Strong &&
                    copy.attack_modifiers == state.attack_modifiers && copy.actors.size() == 1 &&
                    copy.actors[0].getPlayer() && copy.actors[0].getPlayer()->name == "hero" &&
                    copy.actors[0].getPlayer()->hp == 7 && copy.ability_decks.count(5) == 1 &&
                    copy.ability_decks[5].abilities == deck.abilities && in.getSize() == 0;
  std::cout << (same ? "round trip ok" : "round trip changed the state") << std::endl;
  return same ? 0 : 1;
}
