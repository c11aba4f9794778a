#include "protocol/header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "src/protocol/trim.h"

using tav::protocol::Buffer;
using tav::protocol::Header;
using Bytes = std::vector<uint8_t>;

namespace {

void append(Buffer& buffer, const Bytes& bytes) {
  for (uint8_t b : bytes) buffer.writeByte(b);
}

Bytes drain(Buffer& buffer) {
  Bytes out;
  while (buffer.getSize() > 0) out.push_back(buffer.readByte());
  return out;
}

// The wire form of a header text (UTF string), without the length.
Bytes textBytes(const std::string& text) {
  Bytes out(2 + text.size());
  out[0] = static_cast<uint8_t>(text.size() >> 8);
  out[1] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), out.begin() + 2);
  return out;
}

Header sentinel() {
  Header h;
  h.event = "old";
  h.payload = "data";
  h.length = 77;
  return h;
}

void expectHeader(const Header& h, const std::string& event, const std::string& payload,
                  std::size_t length) {
  EXPECT_EQ(h.event, event);
  EXPECT_EQ(h.payload, payload);
  EXPECT_EQ(h.length, length);
}

}  // namespace

TEST(ReadHeader, CompleteHeaderLeavesWhatFollows) {
  Buffer buffer;
  append(buffer, {0x00, 0x05, 'a', 'b', 'c', ' ', 'x', 0x03, 1, 2, 3, 4});
  Header h;
  ASSERT_TRUE(tav::protocol::readHeader(h, buffer));
  expectHeader(h, "abc", "x", 3);
  EXPECT_EQ(buffer.getReadPosition(), 8u);
  EXPECT_EQ(drain(buffer), (Bytes{1, 2, 3, 4}));
}

TEST(ReadHeader, WaitsForFiveBytesBehindTheTextThenSucceeds) {
  Buffer buffer;
  append(buffer, {0x00, 0x05, 'a', 'b', 'c', ' ', 'x', 0x03});
  Header h = sentinel();
  EXPECT_FALSE(tav::protocol::readHeader(h, buffer));
  expectHeader(h, "old", "data", 77);
  EXPECT_EQ(buffer.getReadPosition(), 0u);
  append(buffer, {1, 2, 3});  // 4 bytes behind the text are not enough
  EXPECT_FALSE(tav::protocol::readHeader(h, buffer));
  EXPECT_EQ(buffer.getReadPosition(), 0u);
  append(buffer, {4});
  EXPECT_TRUE(tav::protocol::readHeader(h, buffer));
  expectHeader(h, "abc", "x", 3);
}

TEST(ReadHeader, IncompleteOrMalformedTextFails) {
  const Bytes cases[] = {
      {}, {0x00}, {0x00, 0x05, 'a', 'b'}, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0},  // negative count
  };
  for (const auto& bytes : cases) {
    Buffer buffer;
    append(buffer, {9});
    buffer.readByte();  // the remembered position is not 0
    append(buffer, bytes);
    Header h = sentinel();
    EXPECT_FALSE(tav::protocol::readHeader(h, buffer));
    expectHeader(h, "old", "data", 77);
    EXPECT_EQ(buffer.getReadPosition(), 1u);
  }
}

TEST(ReadHeader, SplitsAtTheFirstBlankAndTrims) {
  struct Case {
    std::string text;
    std::string event;
    std::string payload;
  };
  const Case cases[] = {
      {"abc", "abc", ""},
      {"a  b", "a", "b"},
      {" x", "", "x"},
      {"a\tb", "a\tb", ""},  // only a blank splits
      {"\tev  p q \r\n", "ev", "p q"},
      {"move 1 2 3", "move", "1 2 3"},
      {"", "", ""},
      {" ", "", ""},
      {"\xA0"
       "e\x85 \x85p\xA0",
       "\xA0"
       "e\x85",
       "\x85p\xA0"},  // bytes >= 0x80 aren't space
      {"\v\fe\v\f", "e", ""},
  };
  for (const auto& c : cases) {
    Buffer buffer;
    append(buffer, textBytes(c.text));
    append(buffer, {0x00, 0, 0, 0, 0});
    Header h = sentinel();
    ASSERT_TRUE(tav::protocol::readHeader(h, buffer)) << c.text;
    expectHeader(h, c.event, c.payload, 0);
  }
}

TEST(ReadHeader, LengthForms) {
  struct Case {
    Bytes length;
    std::size_t expected;
    std::size_t consumed;  // bytes of the length field consumed
  };
  const Case cases[] = {
      {{0xAC, 0x02, 0, 0, 0}, 300, 2},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x07}, 2147483647u, 5},
      // Negative lengths arrive converted from the signed value: 2^64 minus the magnitude.
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, SIZE_MAX, 5},
      {{0x80, 0x80, 0x80, 0x80, 0x08}, SIZE_MAX - 2147483647u, 5},
      // Malformed: length 0 and the read position stays behind the text.
      {{0x80, 0x80, 0x80, 0x80, 0x80}, 0, 0},
  };
  for (const auto& c : cases) {
    Buffer buffer;
    append(buffer, textBytes("e"));
    append(buffer, c.length);
    Header h;
    ASSERT_TRUE(tav::protocol::readHeader(h, buffer));
    EXPECT_EQ(h.length, c.expected);
    EXPECT_EQ(buffer.getReadPosition(), 3 + c.consumed);
  }
}

TEST(WriteHeader, WireForms) {
  struct Case {
    std::string event;
    std::string payload;
    std::size_t length;
    Bytes bytes;
  };
  const Case cases[] = {
      {"abc", "x", 3, {0x00, 0x05, 'a', 'b', 'c', ' ', 'x', 0x03}},
      {"abc", "", 0, {0x00, 0x03, 'a', 'b', 'c', 0x00}},
      {"e", "", 300, {0x00, 0x01, 'e', 0xAC, 0x02}},
      {"", "p", 1, {0x00, 0x02, ' ', 'p', 0x01}},
      {"e", "", (std::size_t{1} << 32) + 5, {0x00, 0x01, 'e', 0x05}},  // low 32 bits
      {"e", "", SIZE_MAX, {0x00, 0x01, 'e', 0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},
  };
  for (const auto& c : cases) {
    Header h;
    h.event = c.event;
    h.payload = c.payload;
    h.length = c.length;
    Buffer buffer;
    tav::protocol::writeHeader(h, buffer);
    EXPECT_EQ(drain(buffer), c.bytes) << c.event << "|" << c.payload;
  }
}

TEST(WriteHeader, RoundTripsThroughReadHeader) {
  Header h;
  h.event = "a b";
  h.payload = "c";
  h.length = 12345;
  Buffer buffer;
  tav::protocol::writeHeader(h, buffer);
  append(buffer, {0, 0, 0, 0, 0});
  Header back;
  ASSERT_TRUE(tav::protocol::readHeader(back, buffer));
  expectHeader(back, "a", "b c", 12345);
}

TEST(WriteHeader, TextTooLongForTheCountWritesNothing) {
  std::vector<uint8_t> storage(70000);
  Buffer buffer(storage.data(), storage.size());
  buffer.clear();

  Header h;
  h.event = std::string(32767, 'e');  // the longest text that fits the count
  h.length = 1;
  tav::protocol::writeHeader(h, buffer);
  EXPECT_EQ(buffer.getPosition(), 32770u);

  buffer.clear();
  h.event = std::string(32766, 'e');
  h.payload = "p";  // 32766 + blank + 1 = 32768 bytes
  tav::protocol::writeHeader(h, buffer);
  EXPECT_EQ(buffer.getPosition(), 0u);
}

TEST(WriteHeader, NoRoomForTheTextWritesNoLength) {
  Header h;
  h.event = std::string(1023, 'e');
  h.length = 3;
  Buffer buffer;
  tav::protocol::writeHeader(h, buffer);
  EXPECT_EQ(buffer.getPosition(), 0u);
}

TEST(Trim, CLocaleWhitespaceOnly) {
  struct Case {
    std::string in;
    std::string left;
    std::string right;
    std::string both;
  };
  const Case cases[] = {
      {"", "", "", ""},
      {" \t\n\v\f\r", "", "", ""},
      {"  a b  ", "a b  ", "  a b", "a b"},
      {"\x85 a \xA0", "\x85 a \xA0", "\x85 a \xA0", "\x85 a \xA0"},
      {std::string("\0a\0", 3), std::string("\0a\0", 3), std::string("\0a\0", 3),
       std::string("\0a\0", 3)},
      {"\x1f"
       "a\x0e",
       "\x1f"
       "a\x0e",
       "\x1f"
       "a\x0e",
       "\x1f"
       "a\x0e"},
  };
  for (const auto& c : cases) {
    std::string left = c.in;
    tav::ltrim(left);
    EXPECT_EQ(left, c.left);
    std::string right = c.in;
    tav::rtrim(right);
    EXPECT_EQ(right, c.right);
    EXPECT_EQ(tav::trim(c.in), c.both);
  }
}
