#pragma once

#include <cstdint>
#include <vector>

namespace tav {

// SummonColor: colour marker of a summoned figure. Members are numbered densely from 0 in
// declaration order; the wire layer moves them as that number.
struct SummonColorNS {
  // The members, numbered densely from 0.
  enum Value : uint32_t { None = 0, Turquise, Green, Yellow, Orange, White, Purple, Pink, Red };
};

// The enumeration type itself, as fields and functions name it.
using SummonColor = SummonColorNS::Value;

// Every member once, in ascending numeric order: entry i is the member whose value is i.
// Returns a new vector on every call.
std::vector<tav::SummonColorNS::Value> getSummonColorValues();

}  // namespace tav
