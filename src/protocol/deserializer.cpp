#include "protocol/deserializer.h"

#include <cstring>

#include "readText.h"

namespace tav {

std::size_t copyBytes(const uint8_t* source, uint8_t* destination, std::size_t count,
                      std::size_t available) {
  const std::size_t n = count < available ? count : available;
  if (n > 0) std::memcpy(destination, source, n);
  return n;
}

namespace protocol {
namespace {

// The length of the text of n bytes: up to the first zero byte if there is one.
std::size_t textLength(const uint8_t* data, std::size_t n) {
  const void* zero = n > 0 ? std::memchr(data, 0, n) : nullptr;
  return zero == nullptr ? n : static_cast<std::size_t>(static_cast<const uint8_t*>(zero) - data);
}

// The text of n bytes, ending at the first zero byte if there is one.
std::string textOf(const uint8_t* data, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(data), textLength(data, n));
}

// Puts the text of n bytes into text, which keeps its memory.
void assignText(std::string& text, const uint8_t* data, std::size_t n) {
  text.clear();
  text.append(reinterpret_cast<const char*>(data), n);
}

// The ASCII form into text, which keeps its memory: the bytes up to and including the first
// one with bit 7 set, that bit cleared, the text ending at a zero byte. 0 when no byte has bit
// 7 set; text is then untouched.
std::size_t asciiInto(const uint8_t* data, std::size_t size, std::string& text) {
  std::size_t n = 0;
  bool zero = false;
  for (; n < size && data[n] < 0x80; ++n) zero = zero || data[n] == 0;
  if (n == size) return 0;
  const std::size_t head = zero ? textLength(data, n) : n;
  assignText(text, data, head);
  const auto last = static_cast<char>(data[n] & 0x7F);
  if (head == n && last != '\0') text.push_back(last);
  return n + 1;
}

// Clears the out-parameter and reports failure.
template <class T>
std::size_t fail(tl::optional<T>& value) {
  value = tl::nullopt;
  return 0;
}

}  // namespace

std::size_t readShort(const uint8_t* data, std::size_t size, tl::optional<short>& value) {
  if (size < 2) return fail(value);
  const auto u = static_cast<uint16_t>((data[0] << 8) | data[1]);
  value = static_cast<short>(u);
  return 2;
}

std::size_t readInt(const uint8_t* data, std::size_t size, tl::optional<int>& value) {
  if (size < 4) return fail(value);
  const uint32_t u = (uint32_t{data[0]} << 24) | (uint32_t{data[1]} << 16) |
                     (uint32_t{data[2]} << 8) | uint32_t{data[3]};
  value = static_cast<int>(u);
  return 4;
}

std::size_t readUTFString(const uint8_t* data, std::size_t size, tl::optional<std::string>& value) {
  tl::optional<short> count;
  if (readShort(data, size, count) == 0 || *count < 0) return fail(value);
  const auto n = static_cast<std::size_t>(*count);
  if (size - 2 < n) return fail(value);
  value = textOf(data + 2, n);
  return 2 + n;
}

std::size_t readUTFStringLength(const uint8_t* data, std::size_t size, tl::optional<int>& value) {
  if (size < 1) return fail(value);
  // First byte: bit 7 marks the form (not examined here), bit 6 = more, bits 0-5 = low bits.
  uint32_t length = data[0] & 0x3Fu;
  if ((data[0] & 0x40u) == 0) {
    value = static_cast<int>(length);
    return 1;
  }
  // Further bytes: bit 7 = more, 7 bits each at bit 6, 13, 20 and 27 (bits above 31 dropped).
  const std::size_t limit = size < 5 ? size : 5;
  for (std::size_t i = 1; i < limit; ++i) {
    const uint32_t b = data[i];
    length |= (b & 0x7Fu) << (7 * i - 1);
    if (b < 0x80) {
      value = static_cast<int>(length);
      return i + 1;
    }
  }
  return fail(value);  // ran out of bytes, or a fifth byte with bit 7 set
}

std::size_t readUTFStringValue(const uint8_t* data, std::size_t size, std::size_t length,
                               tl::optional<std::string>& value) {
  // A length of 0 has no encoding of its own here (0 means failure), so it fails too.
  if (length == 0 || size < length) return fail(value);
  value = textOf(data, length);
  return length;
}

std::size_t readAscii(const uint8_t* data, std::size_t size, tl::optional<std::string>& value) {
  std::string text;
  const std::size_t n = asciiInto(data, size, text);
  if (n == 0) return fail(value);
  value = std::move(text);
  return n;
}

std::size_t readString(const uint8_t* data, std::size_t size, tl::optional<std::string>& value) {
  std::string text;
  bool null = false;
  const std::size_t n = detail::readStringInto(data, size, text, null);
  if (n == 0) return fail(value);
  if (null) {
    value = tl::nullopt;
  } else {
    value = std::move(text);
  }
  return n;
}

namespace detail {

std::size_t readStringInto(const uint8_t* data, std::size_t size, std::string& text, bool& null) {
  null = false;
  if (size < 1) return 0;
  if (data[0] < 0x80) return asciiInto(data, size, text);

  tl::optional<int> length;
  const std::size_t field = readUTFStringLength(data, size, length);
  if (field == 0) return 0;
  const auto l = static_cast<uint32_t>(*length);
  // L = 0 (null) and L = 1 (empty) consume the whole length field, even in a longer encoding
  // such as C0 00, so that a reader stays aligned with what follows.
  if (l == 0) {
    null = true;
    return field;
  }
  if (l == 1) {
    text.clear();
    return field;
  }
  // An L of 2^31 or more is longer than any run we accept; too few text bytes fail as a whole,
  // so a string that has not fully arrived consumes nothing.
  if (l > 0x7FFFFFFFu) return 0;
  const std::size_t count = l - 1;
  if (size - field < count) return 0;
  assignText(text, data + field, textLength(data + field, count));
  return field + count;
}

}  // namespace detail
}  // namespace protocol
}  // namespace tav
