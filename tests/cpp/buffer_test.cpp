#include "protocol/buffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

using tav::protocol::Buffer;
using Bytes = std::vector<uint8_t>;

namespace {

// An enumeration shaped like the model's: a plain enum with a fixed unsigned underlying type.
struct ShadeNS {
  enum Value : uint32_t { Light = 0, Medium, Dark };
};
using Shade = ShadeNS::Value;
const std::vector<Shade> kShades = {ShadeNS::Light, ShadeNS::Medium, ShadeNS::Dark};

// The unread bytes of a Buffer, taken out one by one (the only way to see its bytes).
Bytes drain(Buffer& buffer) {
  Bytes out;
  while (buffer.getSize() > 0) out.push_back(buffer.readByte());
  return out;
}

void expectPositions(const Buffer& buffer, std::size_t read, std::size_t write) {
  EXPECT_EQ(buffer.getReadPosition(), read);
  EXPECT_EQ(buffer.getPosition(), write);
  EXPECT_EQ(buffer.getSize(), write - read);
}

}  // namespace

static_assert(!std::is_copy_constructible<Buffer>::value, "Buffer must not be copied");
static_assert(!std::is_copy_assignable<Buffer>::value, "Buffer must not be copied");
static_assert(!std::is_move_constructible<Buffer>::value, "Buffer must not be moved");

TEST(Buffer, NewBufferReadsNeutralValuesAndMovesNothing) {
  Buffer buffer;
  expectPositions(buffer, 0, 0);
  EXPECT_EQ(buffer.readInt(true), 0);
  EXPECT_EQ(buffer.readInt(false), 0);
  EXPECT_EQ(buffer.readByte(), 0);
  EXPECT_EQ(buffer.readFullInt(), 0);
  EXPECT_FALSE(buffer.readBoolean());
  EXPECT_FALSE(buffer.readString());
  EXPECT_FALSE(buffer.readUTFString());
  EXPECT_EQ(buffer.readEnum(kShades), ShadeNS::Light);
  EXPECT_FALSE(buffer.readEnumOrNull(kShades));
  std::vector<int> ints = {9};
  buffer.readIntArray(ints, true);
  EXPECT_EQ(ints, std::vector<int>{9});
  expectPositions(buffer, 0, 0);
}

TEST(Buffer, PartialValuesAreNotConsumed) {
  struct Case {
    Bytes bytes;
    void (*read)(Buffer&);
  };
  const Case cases[] = {
      {{0x80}, [](Buffer& b) { EXPECT_EQ(b.readInt(true), 0); }},
      {{0x80, 0x80, 0x80, 0x80, 0x80}, [](Buffer& b) { EXPECT_EQ(b.readInt(false), 0); }},
      {{0x01, 0x02, 0x03}, [](Buffer& b) { EXPECT_EQ(b.readFullInt(), 0); }},
      {{0x00, 0x05, 'a'}, [](Buffer& b) { EXPECT_FALSE(b.readUTFString()); }},
      {{'a', 'b'}, [](Buffer& b) { EXPECT_FALSE(b.readString()); }},
      {{0x83, 'a'}, [](Buffer& b) { EXPECT_FALSE(b.readString()); }},
      {{0xC0}, [](Buffer& b) { EXPECT_FALSE(b.readString()); }},
  };
  for (const auto& c : cases) {
    Bytes bytes = c.bytes;
    Buffer buffer(bytes.data(), bytes.size());
    c.read(buffer);
    expectPositions(buffer, 0, bytes.size());
  }
}

TEST(Buffer, OverCallersArrayStartsFull) {
  uint8_t bytes[] = {1, 2, 3};
  Buffer buffer(bytes, sizeof bytes);
  expectPositions(buffer, 0, 3);
  buffer.writeByte(4);
  expectPositions(buffer, 0, 3);
  EXPECT_EQ(buffer.readByte(), 1);
  EXPECT_EQ(buffer.getSize(), 2u);
  // Reading all and flushing makes room again; the caller's array receives the writes.
  EXPECT_EQ(drain(buffer), (Bytes{2, 3}));
  buffer.flush();
  buffer.writeByte(9);
  EXPECT_EQ(bytes[0], 9);
  expectPositions(buffer, 0, 1);
}

TEST(Buffer, NullArrayIsCapacityZero) {
  Buffer buffer(nullptr, 100);
  expectPositions(buffer, 0, 0);
  buffer.writeInt(5, true);
  buffer.writeString(std::string("abc"));
  buffer.writeFullInt(1);
  expectPositions(buffer, 0, 0);
  EXPECT_EQ(buffer.readInt(true), 0);
  EXPECT_FALSE(buffer.readString());
  buffer.flush();
  buffer.clear();
  buffer.setReadPosition(10);
  expectPositions(buffer, 0, 0);
}

TEST(Buffer, HoldsAtMost1024Bytes) {
  Buffer buffer;
  for (int i = 0; i < 1025; ++i) buffer.writeByte(static_cast<uint8_t>(i));
  expectPositions(buffer, 0, 1024);
  // A multi-byte value that does not fit in the last free bytes is dropped whole.
  Buffer almost;
  for (int i = 0; i < 1021; ++i) almost.writeByte(0);
  almost.writeFullInt(-1);
  EXPECT_EQ(almost.getPosition(), 1021u);
  almost.writeInt(INT_MIN, true);  // 5 bytes
  EXPECT_EQ(almost.getPosition(), 1021u);
  almost.writeInt(300, true);  // 2 bytes
  EXPECT_EQ(almost.getPosition(), 1023u);
}

TEST(Buffer, FlushMovesOnlyWhenMoreWasReadThanRemains) {
  struct Case {
    std::size_t read;
    std::size_t expectedRead;
    std::size_t expectedWrite;
  };
  const Case cases[] = {
      {0, 0, 10}, {3, 3, 10}, {5, 5, 10}, {6, 0, 4}, {9, 0, 1}, {10, 0, 0},
  };
  for (const auto& c : cases) {
    Buffer buffer;
    for (uint8_t i = 0; i < 10; ++i) buffer.writeByte(i);
    for (std::size_t i = 0; i < c.read; ++i) buffer.readByte();
    buffer.flush();
    expectPositions(buffer, c.expectedRead, c.expectedWrite);
    Bytes rest;
    for (std::size_t i = c.read; i < 10; ++i) rest.push_back(static_cast<uint8_t>(i));
    EXPECT_EQ(drain(buffer), rest) << "after reading " << c.read;
  }
}

TEST(Buffer, ClearForgetsContentButKeepsCapacity) {
  Buffer buffer;
  for (int i = 0; i < 1024; ++i) buffer.writeByte(1);
  buffer.readByte();
  buffer.clear();
  expectPositions(buffer, 0, 0);
  for (int i = 0; i < 1025; ++i) buffer.writeByte(2);
  EXPECT_EQ(buffer.getPosition(), 1024u);
}

TEST(Buffer, SetReadPositionClampsToWritePosition) {
  Buffer buffer;
  buffer.writeFullInt(0x01020304);
  buffer.setReadPosition(2);
  expectPositions(buffer, 2, 4);
  EXPECT_EQ(buffer.readByte(), 3);
  buffer.setReadPosition(0);
  EXPECT_EQ(buffer.readFullInt(), 0x01020304);
  buffer.setReadPosition(100);
  expectPositions(buffer, 4, 4);
  buffer.setReadPosition(SIZE_MAX);
  expectPositions(buffer, 4, 4);
  EXPECT_EQ(buffer.readByte(), 0);
}

TEST(Buffer, ExampleMessageBytes) {
  Buffer buffer;
  buffer.writeInt(300, true);
  buffer.writeBoolean(true);
  buffer.writeString(std::string("ab"));
  buffer.writeEnumOrNull(tl::optional<Shade>());
  EXPECT_EQ(buffer.getPosition(), 6u);
  EXPECT_EQ(drain(buffer), (Bytes{0xAC, 0x02, 0x01, 0x61, 0xE2, 0x00}));
}

TEST(Buffer, EveryOperationRoundTrips) {
  Buffer buffer;
  buffer.writeInt(-7, false);
  buffer.writeInt(-7, true);
  buffer.writeByte(0xFE);
  buffer.writeFullInt(INT_MIN);
  buffer.writeString(tl::nullopt);
  buffer.writeString(std::string());
  buffer.writeString(std::string("x"));
  buffer.writeString(std::string("caf\xC3\xA9"));
  buffer.writeUTFString("hello world");
  buffer.writeBoolean(false);
  buffer.writeBoolean(true);
  buffer.writeEnum(ShadeNS::Dark);
  buffer.writeEnumArray(std::vector<Shade>{ShadeNS::Medium, ShadeNS::Light});
  buffer.writeEnumOrNull(tl::optional<Shade>(ShadeNS::Medium));
  EXPECT_EQ(buffer.writeArrayStart(std::vector<int>{5, 6, 7}), 3);
  buffer.writeIntArray({1, -1, 1000}, false);

  EXPECT_EQ(buffer.readInt(false), -7);
  EXPECT_EQ(buffer.readInt(true), -7);
  EXPECT_EQ(buffer.readByte(), 0xFE);
  EXPECT_EQ(buffer.readFullInt(), INT_MIN);
  EXPECT_EQ(buffer.readString(), tl::nullopt);
  EXPECT_EQ(buffer.readString(), std::string());
  EXPECT_EQ(buffer.readString(), std::string("x"));
  EXPECT_EQ(buffer.readString(), std::string("caf\xC3\xA9"));
  EXPECT_EQ(buffer.readUTFString(), std::string("hello world"));
  EXPECT_FALSE(buffer.readBoolean());
  EXPECT_TRUE(buffer.readBoolean());
  EXPECT_EQ(buffer.readEnum(kShades), ShadeNS::Dark);
  std::vector<Shade> shades = {ShadeNS::Dark};
  buffer.readEnumArray(shades, kShades);  // appends behind earlier contents
  EXPECT_EQ(shades, (std::vector<Shade>{ShadeNS::Dark, ShadeNS::Medium, ShadeNS::Light}));
  EXPECT_EQ(buffer.readEnumOrNull(kShades), ShadeNS::Medium);
  EXPECT_EQ(buffer.readInt(true), 3);
  std::vector<int> ints;
  buffer.readIntArray(ints, false);
  EXPECT_EQ(ints, (std::vector<int>{1, -1, 1000}));
  EXPECT_EQ(buffer.getSize(), 0u);
}

TEST(Buffer, BooleanReadsAnyNonZeroByteAsTrue) {
  uint8_t bytes[] = {0x00, 0x01, 0x02, 0xFF};
  Buffer buffer(bytes, sizeof bytes);
  EXPECT_FALSE(buffer.readBoolean());
  EXPECT_TRUE(buffer.readBoolean());
  EXPECT_TRUE(buffer.readBoolean());
  EXPECT_TRUE(buffer.readBoolean());
}

TEST(BufferEnums, OptionalOrdinals) {
  uint8_t bytes[] = {0x00, 0x03, 0x01};
  Buffer buffer(bytes, sizeof bytes);
  EXPECT_EQ(buffer.readEnumOrNull(kShades), tl::nullopt);
  EXPECT_EQ(buffer.readEnumOrNull(kShades), ShadeNS::Dark);
  EXPECT_EQ(buffer.readEnumOrNull(kShades), ShadeNS::Light);
  EXPECT_EQ(buffer.getSize(), 0u);

  Buffer out;
  out.writeEnumOrNull(tl::optional<Shade>());
  out.writeEnumOrNull(tl::optional<Shade>(ShadeNS::Dark));
  EXPECT_EQ(drain(out), (Bytes{0x00, 0x03}));
}

TEST(BufferEnums, OrdinalsOutsideTheListAreKeptAsNumbers) {
  struct Case {
    Bytes bytes;
    uint32_t expected;
  };
  const Case plain[] = {
      {{0x03}, 3},
      {{0x7F}, 127},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, 0xFFFFFFFFu},  // -1
      {{0x80, 0x80, 0x80, 0x80, 0x08}, 0x80000000u},  // INT_MIN
  };
  for (const auto& c : plain) {
    Bytes bytes = c.bytes;
    Buffer buffer(bytes.data(), bytes.size());
    EXPECT_EQ(static_cast<uint32_t>(buffer.readEnum(kShades)), c.expected);
    buffer.setReadPosition(0);
    std::vector<Shade> shades;
    Bytes withCount = {0x01};
    withCount.insert(withCount.end(), bytes.begin(), bytes.end());
    Buffer arrays(withCount.data(), withCount.size());
    arrays.readEnumArray(shades, kShades);
    ASSERT_EQ(shades.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(shades[0]), c.expected);
  }
  // Optional ordinals: k >= 1 stands for k - 1, also outside the list.
  uint8_t bytes[] = {0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F};
  Buffer buffer(bytes, sizeof bytes);
  EXPECT_EQ(static_cast<uint32_t>(*buffer.readEnumOrNull(kShades)), 3u);
  EXPECT_EQ(static_cast<uint32_t>(*buffer.readEnumOrNull(kShades)), 0xFFFFFFFEu);
  // An ordinal written back reads the same.
  Buffer out;
  out.writeEnum(static_cast<Shade>(200));
  EXPECT_EQ(static_cast<uint32_t>(out.readEnum(kShades)), 200u);
}

TEST(BufferArrays, IntArrays) {
  struct Case {
    Bytes bytes;
    bool optimizePositive;
    std::vector<int> appended;
    std::size_t consumed;
  };
  const Case cases[] = {
      {{0x02, 0x04, 0x06}, false, {2, 3}, 3},
      {{0x02, 0x04, 0x06}, true, {4, 6}, 3},
      {{0x00, 0x05}, true, {}, 1},
      {{}, true, {}, 0},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x01}, true, {}, 5},  // count -1: only the count
      {{0x03, 0x01, 0x80}, true, {1}, 2},                   // an unreadable element ends it
  };
  for (const auto& c : cases) {
    Bytes bytes = c.bytes;
    Buffer buffer(bytes.data(), bytes.size());
    std::vector<int> vec = {42};
    buffer.readIntArray(vec, c.optimizePositive);
    std::vector<int> expected = {42};
    expected.insert(expected.end(), c.appended.begin(), c.appended.end());
    EXPECT_EQ(vec, expected);
    EXPECT_EQ(buffer.getReadPosition(), c.consumed);
  }

  Buffer out;
  out.writeIntArray({}, true);
  out.writeIntArray({2, 3}, false);
  EXPECT_EQ(drain(out), (Bytes{0x00, 0x02, 0x04, 0x06}));
}

TEST(BufferArrays, HugeCountsAreBoundedByTheUnreadBytes) {
  // A count of 2147483647 in a 6-byte message: one byte follows the count.
  uint8_t bytes[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x80};
  {
    Buffer buffer(bytes, sizeof bytes);
    std::vector<int> ints;
    buffer.readIntArray(ints, true);
    EXPECT_TRUE(ints.empty());  // the unterminated element ends the list
    EXPECT_LE(ints.capacity(), 16u);
    EXPECT_EQ(buffer.getReadPosition(), 5u);
  }
  {
    Buffer buffer(bytes, sizeof bytes);
    std::vector<Shade> shades;
    buffer.readEnumArray(shades, kShades);
    EXPECT_TRUE(shades.empty());
    EXPECT_LE(shades.capacity(), 16u);
  }
  // Well-formed elements are all read when the count matches.
  Buffer buffer;
  std::vector<int> many(300, 1);
  buffer.writeIntArray(many, true);
  std::vector<int> back;
  buffer.readIntArray(back, true);
  EXPECT_EQ(back, many);
}

TEST(BufferArrays, AnUnreadableElementEndsTheList) {
  // Count 5, the element 1, then a malformed varint: every later element would fail in the same
  // place, so the list stops instead of filling up with neutral values.
  uint8_t bytes[] = {0x05, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02};
  Buffer buffer(bytes, sizeof bytes);
  std::vector<int> ints;
  buffer.readIntArray(ints, true);
  EXPECT_EQ(ints, std::vector<int>{1});
  EXPECT_EQ(buffer.getReadPosition(), 2u);

  // Many such lists in one message keep memory proportional to the message, not its square.
  std::vector<uint8_t> crafted;
  for (int i = 0; i < 2000; ++i) {
    crafted.insert(crafted.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  }
  Buffer hostile(crafted.data(), crafted.size());
  std::size_t held = 0;
  for (int i = 0; i < 2000; ++i) {
    std::vector<int> list;
    hostile.readIntArray(list, true);
    held += list.capacity();
    hostile.setReadPosition(hostile.getReadPosition() + 5);  // skip the malformed element
  }
  EXPECT_LE(held, 16u * 2000u);
}
