#pragma once

#include <tl/optional.hpp>
#include <vector>

#include "model/monsterActor.h"
#include "model/monsterInstance.h"
#include "model/playerActor.h"

namespace tav {

// One entry of the turn order: a monster group or a player figure, with its figures.
// Both records are always present; __is_player selects the live one, and readers of the
// model reach it only through getMonster() / getPlayer().
struct Actor {
  bool __is_player;        // True: __player is the live record; false: __monster is.
  MonsterActor __monster;  // The monster-group record; live while __is_player is false.
  PlayerActor __player;    // The player record; live while __is_player is true.
  bool turn_completed;     // The entry's turn is completed.
  // The standees of a monster group, or the summons of a player.
  std::vector<tav::MonsterInstance> instances;

  // A monster entry holding a copy of monster.
  Actor(const tav::MonsterActor& monster);
  // A player entry holding a copy of player.
  Actor(const tav::PlayerActor& player);
  // As Actor(const MonsterActor&); a null pointer gives a monster entry with a default record.
  Actor(tav::MonsterActor* monster);
  // As Actor(const PlayerActor&); a null pointer gives a player entry with a default record.
  Actor(tav::PlayerActor* player);
  // A monster entry with default records.
  Actor();

  // The live monster record, or empty when this is a player entry. The reference stays valid
  // while the actor lives and is not moved.
  tl::optional<MonsterActor&> getMonster();
  // The live monster record, read-only, or empty when this is a player entry.
  tl::optional<const MonsterActor&> getMonster() const;
  // The live player record, or empty when this is a monster entry.
  tl::optional<PlayerActor&> getPlayer();
  // The live player record, read-only, or empty when this is a monster entry.
  tl::optional<const PlayerActor&> getPlayer() const;
};

#ifndef SWIG
/// Value equality: the same kind, equal live records, turn_completed and instances. The
/// record of the other kind, which no reader of the model sees, is not compared.
bool operator==(const Actor& a, const Actor& b);
/// The negation of ==.
bool operator!=(const Actor& a, const Actor& b);
#endif

}  // namespace tav
