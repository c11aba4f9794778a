#pragma once

#include <cstdint>
#include <vector>

namespace tav {

// Condition: status effects on a figure. Members are numbered densely from 0 in declaration order;
// the wire layer moves them as that number.
struct ConditionNS {
  // The members, numbered densely from 0.
  enum Value : uint32_t {
    Star = 0,
    Summon,
    NotSummon,
    Stuned,
    Immobilized,
    Disarmed,
    Wounded,
    Muddle,
    Poisoned,
    Strengthen,
    Invisible,
    Regenerate,
    value13,
    value14,
    value15,
    value16,
    value17,
    value18,
    value19
  };
};

// The enumeration type itself, as fields and functions name it.
using Condition = ConditionNS::Value;

// Every member once, in ascending numeric order: entry i is the member whose value is i.
// Returns a new vector on every call.
std::vector<tav::ConditionNS::Value> getConditionValues();

}  // namespace tav
