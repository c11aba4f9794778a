#pragma once

#include <cstddef>
#include <cstdint>

// Varint primitives shared by the codec's reader and writer: 7 data bits a byte, least
// significant group first, bit 7 set on every byte but the last, at most 5 bytes.
namespace tav {
namespace protocol {
namespace varint {

constexpr std::size_t kMaxBytes = 5;

// Zigzag mapping: v >= 0 -> 2v, v < 0 -> -2v - 1 (all in 32 bits, no signed overflow).
inline uint32_t zigzag(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return (u << 1) ^ (0u - (u >> 31));
}
inline uint32_t unzigzag(uint32_t u) { return (u >> 1) ^ (0u - (u & 1u)); }

// Number of bytes the encoding of u takes (1 to 5): one per started group of 7 bits. With
// b = floor(log2(u | 1)), (9b + 73) / 64 equals b / 7 + 1 for every b from 0 to 31, and costs
// no branch.
inline std::size_t encodedSize(uint32_t u) {
#if defined(__GNUC__) || defined(__clang__)
  const auto log2 = static_cast<uint32_t>(31 - __builtin_clz(u | 1u));
  return (log2 * 9 + 73) / 64;
#else
  return u < (1u << 7) ? 1 : u < (1u << 14) ? 2 : u < (1u << 21) ? 3 : u < (1u << 28) ? 4 : 5;
#endif
}

// Decodes one varint from data[0, size) into out. Returns its length, or 0 when the run ends
// before the last byte or the fifth byte still has bit 7 set. Reads at most 5 bytes.
inline std::size_t decode(const uint8_t* data, std::size_t size, uint32_t& out) {
  if (size == 0) return 0;
  uint32_t b = data[0];
  if (b < 0x80) {  // the common one-byte case
    out = b;
    return 1;
  }
  uint32_t acc = b & 0x7Fu;
  if (size >= kMaxBytes) {  // all five bytes are there: no bounds checks needed
    b = data[1];
    acc |= (b & 0x7Fu) << 7;
    if (b < 0x80) {
      out = acc;
      return 2;
    }
    b = data[2];
    acc |= (b & 0x7Fu) << 14;
    if (b < 0x80) {
      out = acc;
      return 3;
    }
    b = data[3];
    acc |= (b & 0x7Fu) << 21;
    if (b < 0x80) {
      out = acc;
      return 4;
    }
    b = data[4];
    acc |= b << 28;  // only the low 4 data bits fit; the rest fall off the top
    if (b < 0x80) {
      out = acc;
      return 5;
    }
    return 0;
  }
  for (std::size_t i = 1; i < size; ++i) {  // fewer than five bytes: check each one
    b = data[i];
    acc |= (b & 0x7Fu) << (7 * i);
    if (b < 0x80) {
      out = acc;
      return i + 1;
    }
  }
  return 0;
}

// Encodes u into data[0, size). Returns its length, or 0 (writing nothing) when it does not fit.
inline std::size_t encode(uint8_t* data, std::size_t size, uint32_t u) {
  if (u < 0x80 && size >= 1) {  // the common one-byte case
    data[0] = static_cast<uint8_t>(u);
    return 1;
  }
  // Only a run shorter than the longest varint needs the length up front.
  if (size < kMaxBytes && encodedSize(u) > size) return 0;
  std::size_t i = 0;
  for (; u >= 0x80; u >>= 7) data[i++] = static_cast<uint8_t>(u | 0x80u);
  data[i] = static_cast<uint8_t>(u);
  return i + 1;
}

}  // namespace varint
}  // namespace protocol
}  // namespace tav
