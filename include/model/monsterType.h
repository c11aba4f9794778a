#pragma once

#include <cstdint>
#include <vector>

namespace tav {

// MonsterType: kind of a monster figure. Members are numbered densely from 0 in declaration order;
// the wire layer moves them as that number.
struct MonsterTypeNS {
  // The members, numbered densely from 0.
  enum Value : uint32_t {
    Normal = 0,
    Elite,
    Boss,
    Summon,
    value5,
    value6,
    value7,
    value8,
    value9,
    value10,
    value11,
    value12,
    value13,
    value14,
    value15,
    value16
  };
};

// The enumeration type itself, as fields and functions name it.
using MonsterType = MonsterTypeNS::Value;

// Every member once, in ascending numeric order: entry i is the member whose value is i.
// Returns a new vector on every call.
std::vector<tav::MonsterTypeNS::Value> getMonsterTypeValues();

}  // namespace tav
