#pragma once

// Reading a nullable string into a string that keeps its memory, for the body reader.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tav {
namespace protocol {
namespace detail {

// Reads a nullable string as readString does, but into text, assigned in place so that its
// capacity is reused. Returns the bytes consumed, or 0 on failure; null tells a null string.
// text is untouched on failure and for a null string.
std::size_t readStringInto(const uint8_t* data, std::size_t size, std::string& text, bool& null);

}  // namespace detail
}  // namespace protocol
}  // namespace tav
