#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <tl/optional.hpp>

#include "protocol/varint.h"

// Decoding of the protocol's primitive values from a run of bytes.
//
// Every function reads from data[0, size), never touches a byte outside it, and returns the
// number of bytes consumed. 0 means failure (short or malformed input); the out-parameter is
// then left empty. No function throws except for memory for a returned string.

namespace tav {

// Copies min(count, available) bytes and returns that number.
std::size_t copyBytes(const uint8_t* source, uint8_t* destination, std::size_t count,
                      std::size_t available);

// Reverses count items in place; converts between host order and big-endian wire order.
template <class T>
void reverse(std::size_t count, T* items) {
  for (std::size_t i = 0, j = count; i + 1 < j; ++i, --j) {
    T tmp = items[i];
    items[i] = items[j - 1];
    items[j - 1] = tmp;
  }
}

namespace protocol {

// One byte. Inline, like readVarInt, for callers reading many values in a row.
inline std::size_t readByte(const uint8_t* data, std::size_t size, tl::optional<uint8_t>& value) {
  if (size < 1) {
    value = tl::nullopt;
    return 0;
  }
  value = data[0];
  return 1;
}
// Big-endian two's-complement 16 bits.
std::size_t readShort(const uint8_t* data, std::size_t size, tl::optional<short>& value);
// Big-endian two's-complement 32 bits.
std::size_t readInt(const uint8_t* data, std::size_t size, tl::optional<int>& value);
// Varint of 1 to 5 bytes; zigzag-decoded unless optimizePositive. Fails on an unterminated
// varint and on a fifth byte with bit 7 set. Defined here, like the primitives it uses, so that
// callers reading many values in a row pay no call for each.
inline std::size_t readVarInt(const uint8_t* data, std::size_t size, bool optimizePositive,
                              tl::optional<int>& value) {
  uint32_t u;
  const std::size_t n = varint::decode(data, size, u);
  if (n == 0) {
    value = tl::nullopt;
    return 0;
  }
  value = static_cast<int>(optimizePositive ? u : varint::unzigzag(u));
  return n;
}
// Short byte count n (0..32767), then n bytes. The text ends at a zero byte, if any.
std::size_t readUTFString(const uint8_t* data, std::size_t size, tl::optional<std::string>& value);
// The 1..5-byte length field L of the nullable string's UTF form.
std::size_t readUTFStringLength(const uint8_t* data, std::size_t size, tl::optional<int>& value);
// length bytes of text (cut at a zero byte). A length of 0 fails.
std::size_t readUTFStringValue(const uint8_t* data, std::size_t size, std::size_t length,
                               tl::optional<std::string>& value);
// The nullable string's ASCII form: bytes up to and including the first one with bit 7 set.
std::size_t readAscii(const uint8_t* data, std::size_t size, tl::optional<std::string>& value);
// A nullable string in either form. Null reads as an empty optional with a result of 1 (or the
// size of a longer length field encoding L = 0, such as C0 00; likewise for the empty string).
// A UTF form whose text bytes are not all there fails with 0, so nothing is consumed.
std::size_t readString(const uint8_t* data, std::size_t size, tl::optional<std::string>& value);

}  // namespace protocol
}  // namespace tav
