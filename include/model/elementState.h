#pragma once

#include <cstdint>
#include <vector>

namespace tav {

// ElementState: the state of one element. Members are numbered densely from 0 in declaration order;
// the wire layer moves them as that number.
struct ElementStateNS {
  // The members, numbered densely from 0.
  enum Value : uint32_t { Inert = 0, Strong, Waning };
};

// The enumeration type itself, as fields and functions name it.
using ElementState = ElementStateNS::Value;

// Every member once, in ascending numeric order: entry i is the member whose value is i.
// Returns a new vector on every call.
std::vector<tav::ElementStateNS::Value> getElementStateValues();

}  // namespace tav
