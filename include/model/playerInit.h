#pragma once

#include <cstdint>
#include <vector>

namespace tav {

// PlayerInit: a five-way setting of the game state. Members are numbered densely from 0 in
// declaration order; the wire layer moves them as that number.
struct PlayerInitNS {
  // The members, numbered densely from 0.
  enum Value : uint32_t { value1 = 0, value2, value3, value4, value5 };
};

// The enumeration type itself, as fields and functions name it.
using PlayerInit = PlayerInitNS::Value;

// Every member once, in ascending numeric order: entry i is the member whose value is i.
// Returns a new vector on every call.
std::vector<tav::PlayerInitNS::Value> getPlayerInitValues();

}  // namespace tav
