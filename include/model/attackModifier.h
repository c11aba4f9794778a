#pragma once

#include <cstdint>
#include <vector>

namespace tav {

// AttackModifier: a card of the attack-modifier deck. Members are numbered densely from 0 in
// declaration order; the wire layer moves them as that number.
struct AttackModifierNS {
  // The members, numbered densely from 0.
  enum Value : uint32_t { Zero = 0, Plus1, Plus2, Minus1, Minus2, Miss, Crit, Bless, Curse };
};

// The enumeration type itself, as fields and functions name it.
using AttackModifier = AttackModifierNS::Value;

// Every member once, in ascending numeric order: entry i is the member whose value is i.
// Returns a new vector on every call.
std::vector<tav::AttackModifierNS::Value> getAttackModifierValues();

}  // namespace tav
