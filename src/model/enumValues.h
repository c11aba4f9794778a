#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tav {

// Every member of a densely numbered enumeration, from 0 up to and including last, in
// ascending order, so that entry i is the member whose value is i.
template <class Enum>
std::vector<Enum> denseEnumValues(Enum last) {
  std::vector<Enum> values;
  values.reserve(static_cast<std::size_t>(last) + 1);
  for (uint32_t value = 0; value <= static_cast<uint32_t>(last); ++value) {
    values.push_back(static_cast<Enum>(value));
  }
  return values;
}

}  // namespace tav
