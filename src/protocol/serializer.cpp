#include "protocol/serializer.h"

#include <cstdint>
#include <cstring>

namespace tav {
namespace protocol {
namespace {

// Largest byte count a UTF string's Short can carry.
constexpr std::size_t kMaxUTFLength = 0x7FFF;
// Largest text the nullable string's UTF form can carry: its length field L = n + 1 must stay
// below 2^31, which is as far as the reader accepts it.
constexpr std::size_t kMaxStringLength = 0x7FFFFFFE;

bool isAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

void copyText(uint8_t* data, const std::string& text) {
  // The bytes of the text alone: the wire form has no terminating zero.
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
  if (!text.empty()) std::memcpy(data, text.data(), text.size());
}

// Size of the UTF form's length field for L (6 bits in the first byte, 7 in each further one).
std::size_t lengthFieldSize(uint32_t length) {
  std::size_t n = 1;
  for (length >>= 6; length != 0; length >>= 7) ++n;
  return n;
}

// The nullable string's UTF form: length field L = byte count + 1, then the bytes. Writes
// nothing and returns 0 when it does not fit.
std::size_t writeUTFForm(uint8_t* data, std::size_t size, const std::string& text) {
  if (text.size() > kMaxStringLength) return 0;
  uint32_t length = static_cast<uint32_t>(text.size()) + 1;
  const std::size_t field = lengthFieldSize(length);
  if (size < field || size - field < text.size()) return 0;

  uint8_t first = static_cast<uint8_t>(0x80u | (length & 0x3Fu));
  length >>= 6;
  if (length != 0) first |= 0x40u;
  data[0] = first;
  for (std::size_t i = 1; length != 0; ++i) {
    uint8_t b = static_cast<uint8_t>(length & 0x7Fu);
    length >>= 7;
    if (length != 0) b |= 0x80u;
    data[i] = b;
  }
  copyText(data + field, text);
  return field + text.size();
}

}  // namespace

std::size_t writeShort(uint8_t* data, std::size_t size, short value) {
  if (size < 2) return 0;
  const auto u = static_cast<uint16_t>(value);
  data[0] = static_cast<uint8_t>(u >> 8);
  data[1] = static_cast<uint8_t>(u);
  return 2;
}

std::size_t writeInt(uint8_t* data, std::size_t size, int value) {
  if (size < 4) return 0;
  const auto u = static_cast<uint32_t>(value);
  data[0] = static_cast<uint8_t>(u >> 24);
  data[1] = static_cast<uint8_t>(u >> 16);
  data[2] = static_cast<uint8_t>(u >> 8);
  data[3] = static_cast<uint8_t>(u);
  return 4;
}

std::size_t writeAscii(uint8_t* data, std::size_t size, const std::string& value) {
  const std::size_t n = value.size();
  if (n == 0 || n > size) return 0;
  copyText(data, value);
  data[n - 1] = static_cast<uint8_t>(data[n - 1] + 0x80u);  // marks the last byte
  return n;
}

std::size_t writeString(uint8_t* data, std::size_t size, tl::optional<std::string> value) {
  return writeString(data, size, value ? &*value : nullptr);
}

// The ASCII form carries only texts of two or more bytes below 0x80: a single byte would read
// as a UTF length field, and a byte with bit 7 set would end the form early. All other texts
// go in the UTF form, which reads back the same.
std::size_t writeString(uint8_t* data, std::size_t size, const std::string* value) {
  if (value == nullptr) return writeByte(data, size, 0x80);  // L = 0: null
  if (value->empty()) return writeByte(data, size, 0x81);    // L = 1: empty
  if (value->size() >= 2 && isAscii(*value)) return writeAscii(data, size, *value);
  return writeUTFForm(data, size, *value);
}

std::size_t stringSize(const std::string* value) {
  if (value == nullptr || value->empty()) return 1;
  const std::size_t n = value->size();
  if (n >= 2 && isAscii(*value)) return n;
  // A text too long for the UTF form can't be written: it takes more than any room there is.
  if (n > kMaxStringLength) return SIZE_MAX;
  return lengthFieldSize(static_cast<uint32_t>(n) + 1) + n;
}

std::size_t writeUTFString(uint8_t* data, std::size_t size, const std::string& value) {
  const std::size_t n = value.size();
  // The Short can't carry more than 32767; writing the low 16 bits would corrupt the stream.
  if (n > kMaxUTFLength || size < 2 || size - 2 < n) return 0;
  writeShort(data, size, static_cast<short>(n));
  copyText(data + 2, value);
  return 2 + n;
}

}  // namespace protocol
}  // namespace tav
