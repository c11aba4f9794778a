#pragma once

#include <tl/optional.hpp>

namespace tav {

// Group-level data of one monster kind in the turn order.
struct MonsterActor {
  int id = 0;              // Identifier of the group's monster kind.
  int level = 0;           // Monster level.
  bool is_normal = false;  // Flag.
  bool is_elite = false;   // Flag.
  // Ability card shown for the group; empty when none is shown.
  tl::optional<int> ability;

  // All fields at their defaults: numbers 0, flags false, no ability.
  MonsterActor();
};

#ifndef SWIG
/// Value equality: every field equal.
bool operator==(const MonsterActor& a, const MonsterActor& b);
/// The negation of ==.
bool operator!=(const MonsterActor& a, const MonsterActor& b);
#endif

}  // namespace tav
