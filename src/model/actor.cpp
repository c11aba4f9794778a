#include "model/actor.h"

namespace tav {

Actor::Actor(const tav::MonsterActor& monster)
    : __is_player(false), __monster(monster), turn_completed(false) {}

Actor::Actor(const tav::PlayerActor& player)
    : __is_player(true), __player(player), turn_completed(false) {}

// A null pointer stands for "no record given" (the Python layer passes one for None): the
// entry gets a default record of the requested kind instead of a read through the pointer.
Actor::Actor(tav::MonsterActor* monster) : Actor(monster ? *monster : MonsterActor()) {}

Actor::Actor(tav::PlayerActor* player) : Actor(player ? *player : PlayerActor()) {}

Actor::Actor() : Actor(MonsterActor()) {}

tl::optional<MonsterActor&> Actor::getMonster() {
  if (__is_player) return tl::nullopt;
  return __monster;
}

tl::optional<const MonsterActor&> Actor::getMonster() const {
  if (__is_player) return tl::nullopt;
  return __monster;
}

tl::optional<PlayerActor&> Actor::getPlayer() {
  if (!__is_player) return tl::nullopt;
  return __player;
}

tl::optional<const PlayerActor&> Actor::getPlayer() const {
  if (!__is_player) return tl::nullopt;
  return __player;
}

}  // namespace tav
