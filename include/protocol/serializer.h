#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <tl/optional.hpp>

#include "protocol/varint.h"

// Encoding of the protocol's primitive values into a run of bytes.
//
// Every function writes into data[0, size), never touches a byte outside it, and returns the
// number of bytes produced, or 0 when the value does not fit or can't be encoded; a failed
// write stores nothing.

namespace tav {
namespace protocol {

// One byte. Inline, like writeVarInt, for callers writing many values in a row.
inline std::size_t writeByte(uint8_t* data, std::size_t size, uint8_t value) {
  if (size < 1) return 0;
  data[0] = value;
  return 1;
}
// Big-endian two's-complement 16 bits.
std::size_t writeShort(uint8_t* data, std::size_t size, short value);
// Big-endian two's-complement 32 bits.
std::size_t writeInt(uint8_t* data, std::size_t size, int value);
// Varint of 1 to 5 bytes; zigzag-encoded unless optimizePositive. Defined here, like the
// primitives it uses, so that callers writing many values in a row pay no call for each.
inline std::size_t writeVarInt(uint8_t* data, std::size_t size, bool optimizePositive, int value) {
  return varint::encode(data, size,
                        optimizePositive ? static_cast<uint32_t>(value) : varint::zigzag(value));
}
// The nullable string's ASCII form. Fails for the empty string.
std::size_t writeAscii(uint8_t* data, std::size_t size, const std::string& value);
// A nullable string: null as 80, the empty string as 81, plain ASCII texts of two or more
// bytes in the ASCII form, every other text in the UTF form (so it always reads back equal).
std::size_t writeString(uint8_t* data, std::size_t size, tl::optional<std::string> value);
// As above, with null for a null string: writes *value without copying it.
std::size_t writeString(uint8_t* data, std::size_t size, const std::string* value);
// The number of bytes writeString produces for value (null for a null string).
std::size_t stringSize(const std::string* value);
// Short byte count, then the bytes. Fails for texts longer than 32767 bytes.
std::size_t writeUTFString(uint8_t* data, std::size_t size, const std::string& value);

}  // namespace protocol
}  // namespace tav
