#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "protocol/deserializer.h"
#include "protocol/serializer.h"

#ifdef TAV_HAVE_PROTOBUF
#include <google/protobuf/io/coded_stream.h>
#include <google/protobuf/wire_format_lite.h>
#endif

using namespace tav::protocol;
using Bytes = std::vector<uint8_t>;

namespace {

std::string hex(const Bytes& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// Runs a write into a run of exactly `room` bytes (guarded on both sides by canaries) and
// returns the bytes produced; checks that nothing outside the produced bytes was touched.
template <class Write>
Bytes written(std::size_t room, Write write, std::size_t* result = nullptr) {
  const uint8_t canary = 0xA5;
  Bytes run(room + 2, canary);
  const std::size_t n = write(run.data() + 1, room);
  if (result != nullptr) *result = n;
  EXPECT_LE(n, room);
  EXPECT_EQ(run.front(), canary);
  EXPECT_EQ(run.back(), canary);
  return Bytes(run.begin() + 1, run.begin() + 1 + static_cast<std::ptrdiff_t>(n));
}

Bytes encodeVarInt(int value, bool optimizePositive) {
  return written(5, [&](uint8_t* data, std::size_t size) {
    return writeVarInt(data, size, optimizePositive, value);
  });
}

// A heap array of exactly the given bytes and not one more, so that ASan reports a read of
// even one byte past the end (an empty input gives a zero-size array).
std::unique_ptr<uint8_t[]> exactHeapCopy(const Bytes& bytes) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), copy.get());
  return copy;
}

// Reads from a heap copy of exactly the given bytes, so ASan catches any read past the end.
template <class T, class Read>
std::size_t readFrom(const Bytes& bytes, tl::optional<T>& value, Read read) {
  const std::unique_ptr<uint8_t[]> copy = exactHeapCopy(bytes);
  return read(copy.get(), bytes.size(), value);
}

std::size_t decodeVarInt(const Bytes& bytes, bool optimizePositive, tl::optional<int>& value) {
  return readFrom(bytes, value, [&](const uint8_t* d, std::size_t s, tl::optional<int>& v) {
    return readVarInt(d, s, optimizePositive, v);
  });
}

std::size_t decodeString(const Bytes& bytes, tl::optional<std::string>& value) {
  return readFrom(bytes, value, [](const uint8_t* d, std::size_t s, tl::optional<std::string>& v) {
    return readString(d, s, v);
  });
}

std::size_t decodeUTF(const Bytes& bytes, tl::optional<std::string>& value) {
  return readFrom(bytes, value, [](const uint8_t* d, std::size_t s, tl::optional<std::string>& v) {
    return readUTFString(d, s, v);
  });
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
#define TAV_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAV_TEST_ASAN 1
#endif
#endif

#ifdef TAV_TEST_ASAN
// The reads above are only as strict as the copies they read from: a read of the byte just
// past a copy must be reported, so the copy can't carry a spare byte.
TEST(CodecTestSupport, ReadOneBytePastTheHeapCopyIsReported) {
  EXPECT_DEATH(
      {
        const std::unique_ptr<uint8_t[]> copy = exactHeapCopy(Bytes{1, 2, 3});
        const volatile uint8_t* past = copy.get() + 3;
        std::printf("%d\n", *past);
      },
      "heap-buffer-overflow");
}
#endif

// ---- Varint -------------------------------------------------------------------------------

struct VarIntCase {
  int value;
  Bytes positive;  // optimizePositive true
  Bytes zigzag;    // optimizePositive false
};

const VarIntCase kVarInts[] = {
    {0, {0x00}, {0x00}},
    {1, {0x01}, {0x02}},
    {-1, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, {0x01}},
    {63, {0x3F}, {0x7E}},
    {64, {0x40}, {0x80, 0x01}},
    {128, {0x80, 0x01}, {0x80, 0x02}},
    {300, {0xAC, 0x02}, {0xD8, 0x04}},
    {INT_MAX, {0xFF, 0xFF, 0xFF, 0xFF, 0x07}, {0xFE, 0xFF, 0xFF, 0xFF, 0x0F}},
    {INT_MIN, {0x80, 0x80, 0x80, 0x80, 0x08}, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},
};

TEST(VarInt, EncodesTheTableWithBothFlags) {
  for (const auto& c : kVarInts) {
    EXPECT_EQ(hex(encodeVarInt(c.value, true)), hex(c.positive)) << c.value;
    EXPECT_EQ(hex(encodeVarInt(c.value, false)), hex(c.zigzag)) << c.value;
  }
}

TEST(VarInt, DecodesTheTableWithBothFlags) {
  for (const auto& c : kVarInts) {
    for (const bool positive : {true, false}) {
      Bytes bytes = positive ? c.positive : c.zigzag;
      tl::optional<int> value;
      EXPECT_EQ(decodeVarInt(bytes, positive, value), bytes.size()) << c.value;
      EXPECT_EQ(value, c.value);
      // Trailing bytes are not consumed.
      bytes.push_back(0x7F);
      EXPECT_EQ(decodeVarInt(bytes, positive, value), bytes.size() - 1) << c.value;
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(VarInt, MalformedAndShortInputsFailAndClearTheValue) {
  const Bytes bad[] = {
      {},
      {0x80},
      {0xFF, 0xFF},
      {0x80, 0x80, 0x80, 0x80},
      {0x80, 0x80, 0x80, 0x80, 0x80},        // fifth byte still has bit 7 set
      {0x80, 0x80, 0x80, 0x80, 0x80, 0x01},  // ... whatever follows it
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},
  };
  for (const auto& bytes : bad) {
    for (const bool positive : {true, false}) {
      tl::optional<int> value = 42;
      EXPECT_EQ(decodeVarInt(bytes, positive, value), 0u) << hex(bytes);
      EXPECT_FALSE(value.has_value()) << hex(bytes);
    }
  }
}

TEST(VarInt, FifthByteKeepsOnlyFourDataBits) {
  tl::optional<int> value;
  EXPECT_EQ(decodeVarInt({0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, true, value), 5u);
  EXPECT_EQ(value, -1);
  // Over-long encodings of small values are accepted.
  EXPECT_EQ(decodeVarInt({0x81, 0x80, 0x00}, true, value), 3u);
  EXPECT_EQ(value, 1);
}

TEST(VarInt, WriteThatDoesNotFitFailsAndWritesNothing) {
  std::size_t n = 99;
  EXPECT_TRUE(written(
                  1, [](uint8_t* d, std::size_t s) { return writeVarInt(d, s, true, 128); }, &n)
                  .empty());
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(hex(written(2, [](uint8_t* d, std::size_t s) { return writeVarInt(d, s, true, 128); })),
            "80 01");
  EXPECT_EQ(written(0, [](uint8_t* d, std::size_t s) { return writeVarInt(d, s, true, 0); }).size(),
            0u);
  EXPECT_EQ(
      written(4, [](uint8_t* d, std::size_t s) { return writeVarInt(d, s, true, -1); }).size(), 0u);
}

TEST(VarInt, RoundTripsBoundaryValues) {
  for (int shift = 0; shift < 32; ++shift) {
    const uint32_t base = 1u << shift;  // wraps like the 32-bit values on the wire
    for (const uint32_t u : {base - 1, base, base + 1, 0u - base, ~base, 1u - base}) {
      const auto v = static_cast<int>(u);
      for (const bool positive : {true, false}) {
        const Bytes bytes = encodeVarInt(v, positive);
        tl::optional<int> value;
        EXPECT_EQ(decodeVarInt(bytes, positive, value), bytes.size());
        EXPECT_EQ(value, v);
      }
    }
  }
}

#ifdef TAV_HAVE_PROTOBUF
// protobuf's varint routines are an independent oracle for the encoding and its zigzag step.
namespace {

Bytes oracle(int value, bool optimizePositive) {
  using google::protobuf::internal::WireFormatLite;
  const uint32_t u =
      optimizePositive ? static_cast<uint32_t>(value) : WireFormatLite::ZigZagEncode32(value);
  uint8_t out[8];
  uint8_t* end = google::protobuf::io::CodedOutputStream::WriteVarint32ToArray(u, out);
  return Bytes(out, end);
}

void checkAgainstOracle(int v) {
  for (const bool positive : {true, false}) {
    const Bytes expected = oracle(v, positive);
    ASSERT_EQ(encodeVarInt(v, positive), expected) << v << " " << positive;
    tl::optional<int> value;
    ASSERT_EQ(decodeVarInt(expected, positive, value), expected.size()) << v;
    ASSERT_EQ(value, v);
  }
}

}  // namespace

TEST(VarIntDifferential, AgreesWithProtobufOnBoundaries) {
  for (int shift = 0; shift < 32; ++shift) {
    const uint32_t base = 1u << shift;
    for (const uint32_t u : {base - 1, base, base + 1, ~base, ~base + 1, ~(base - 1)}) {
      checkAgainstOracle(static_cast<int>(u));
    }
  }
}

TEST(VarIntDifferential, AgreesWithProtobufOnRandomValues) {
  std::mt19937 rng(12345);
  // Spread the bit lengths evenly, so that every encoded size is well covered.
  std::uniform_int_distribution<int> bits(0, 32);
  for (int i = 0; i < 300000; ++i) {
    const int b = bits(rng);
    const uint32_t mask = b == 32 ? 0xFFFFFFFFu : (1u << b) - 1;
    checkAgainstOracle(static_cast<int>(static_cast<uint32_t>(rng()) & mask));
  }
}
#endif

// ---- Fixed-width values -------------------------------------------------------------------

TEST(FixedWidth, ReadsBigEndian) {
  tl::optional<short> s;
  EXPECT_EQ(readFrom(Bytes{0xFF, 0xFE}, s, readShort), 2u);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(readFrom(Bytes{0x12, 0x34, 0x56}, s, readShort), 2u);
  EXPECT_EQ(s, 0x1234);

  tl::optional<int> i;
  EXPECT_EQ(readFrom(Bytes{0xFF, 0xFF, 0xFF, 0xFE}, i, readInt), 4u);
  EXPECT_EQ(i, -2);
  EXPECT_EQ(readFrom(Bytes{0x80, 0x00, 0x00, 0x01}, i, readInt), 4u);
  EXPECT_EQ(i, INT_MIN + 1);

  tl::optional<uint8_t> b;
  EXPECT_EQ(readFrom(Bytes{0xC3, 0x00}, b, readByte), 1u);
  EXPECT_EQ(b, 0xC3);
}

TEST(FixedWidth, ShortReadsFailAndClearTheValue) {
  tl::optional<uint8_t> b = 1;
  EXPECT_EQ(readFrom(Bytes{}, b, readByte), 0u);
  EXPECT_FALSE(b);
  tl::optional<short> s = 1;
  EXPECT_EQ(readFrom(Bytes{0x01}, s, readShort), 0u);
  EXPECT_FALSE(s);
  tl::optional<int> i = 1;
  EXPECT_EQ(readFrom(Bytes{0x01, 0x02, 0x03}, i, readInt), 0u);
  EXPECT_FALSE(i);
}

TEST(FixedWidth, WritesBigEndianAndFailsWithoutRoom) {
  EXPECT_EQ(hex(written(2, [](uint8_t* d, std::size_t s) { return writeShort(d, s, -2); })),
            "FF FE");
  EXPECT_EQ(hex(written(4, [](uint8_t* d, std::size_t s) { return writeInt(d, s, 0x01020304); })),
            "01 02 03 04");
  EXPECT_EQ(hex(written(1, [](uint8_t* d, std::size_t s) { return writeByte(d, s, 0xAB); })), "AB");
  EXPECT_TRUE(written(0, [](uint8_t* d, std::size_t s) { return writeByte(d, s, 1); }).empty());
  EXPECT_TRUE(written(1, [](uint8_t* d, std::size_t s) { return writeShort(d, s, 1); }).empty());
  EXPECT_TRUE(written(3, [](uint8_t* d, std::size_t s) { return writeInt(d, s, 1); }).empty());
}

TEST(ByteUtilities, CopyBytesCopiesWhatIsAvailable) {
  const uint8_t source[] = {1, 2, 3};
  uint8_t destination[3] = {0, 0, 0};
  EXPECT_EQ(tav::copyBytes(source, destination, 3, 2), 2u);
  EXPECT_EQ(destination[1], 2);
  EXPECT_EQ(destination[2], 0);
  EXPECT_EQ(tav::copyBytes(nullptr, nullptr, 5, 0), 0u);

  int items[] = {1, 2, 3, 4};
  tav::reverse(4, items);
  EXPECT_EQ(items[0], 4);
  EXPECT_EQ(items[3], 1);
  tav::reverse(0, items);
}

// ---- UTF string ---------------------------------------------------------------------------

struct StringRead {
  Bytes bytes;
  std::size_t result;              // 0 = failure
  tl::optional<std::string> text;  // expected value
};

TEST(UTFString, Reads) {
  const StringRead cases[] = {
      {{0x00, 0x03, 'a', 'b', 'c'}, 5, std::string("abc")},
      {{0x00, 0x00}, 2, std::string()},
      {{0x00, 0x03, 'a', 0x00, 'b'}, 5, std::string("a")},  // text ends at a zero byte
      {{0x00, 0x01, 'x', 'y'}, 3, std::string("x")},
      {{0x00, 0x05, 'a', 'b'}, 0, tl::nullopt},  // 2 of 5 bytes
      {{0xFF, 0xFF, 'a'}, 0, tl::nullopt},       // negative count
      {{0x80, 0x00}, 0, tl::nullopt},            // negative count
      {{0x00}, 0, tl::nullopt},
      {{}, 0, tl::nullopt},
  };
  for (const auto& c : cases) {
    tl::optional<std::string> value = std::string("old");
    EXPECT_EQ(decodeUTF(c.bytes, value), c.result) << hex(c.bytes);
    EXPECT_EQ(value, c.text) << hex(c.bytes);
  }
}

TEST(UTFString, Writes) {
  const auto write = [](const std::string& text) {
    return [text](uint8_t* d, std::size_t s) { return writeUTFString(d, s, text); };
  };
  EXPECT_TRUE(written(4, write("abc")).empty());
  EXPECT_EQ(hex(written(5, write("abc"))), "00 03 61 62 63");
  EXPECT_EQ(hex(written(2, write(""))), "00 00");
  EXPECT_EQ(hex(written(4, write(std::string("\0\xff", 2)))), "00 02 00 FF");

  // 32767 bytes fit the Short; one more can't be carried and writes nothing.
  const std::string longest(32767, 'x');
  EXPECT_EQ(written(40000, write(longest)).size(), 32769u);
  std::size_t n = 99;
  Bytes room(40000, 0xEE);
  n = writeUTFString(room.data(), room.size(), longest + "x");
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(room, Bytes(40000, 0xEE));
}

TEST(UTFString, LongestTextRoundTrips) {
  const std::string text(32767, 'q');
  Bytes bytes(32769);
  ASSERT_EQ(writeUTFString(bytes.data(), bytes.size(), text), bytes.size());
  tl::optional<std::string> value;
  EXPECT_EQ(decodeUTF(bytes, value), bytes.size());
  EXPECT_EQ(value, text);
}

// ---- Nullable string ----------------------------------------------------------------------

TEST(NullableString, Reads) {
  Bytes hundred = {0xE5, 0x01};
  hundred.insert(hundred.end(), 100, 'z');
  const StringRead cases[] = {
      {{0x80}, 1, tl::nullopt},                           // L = 0: null
      {{0x81}, 1, std::string()},                         // L = 1: empty
      {{0x82, 'a'}, 2, std::string("a")},                 // UTF form
      {{0x61, 0xE2}, 2, std::string("ab")},               // ASCII form
      {{0x61, 0x62, 0xE3, 0x00}, 3, std::string("abc")},  // ends at the marked byte
      {{0x61, 0x00, 0xE2}, 3, std::string("a")},          // zero byte ends the text
      {{0x61, 0x80}, 2, std::string("a")},                // marked byte itself is zero
      {hundred, 102, std::string(100, 'z')},              // two-byte length field
      {{0xC0, 0x00}, 2, tl::nullopt},                     // long encoding of L = 0
      {{0xC1, 0x80, 0x00, 'x'}, 3, std::string()},        // long encoding of L = 1
      {{0x84, 'a', 0x00, 'b'}, 4, std::string("a")},      // UTF text ends at a zero byte
      {{}, 0, tl::nullopt},
      {{0x61, 0x62}, 0, tl::nullopt},                          // unterminated ASCII form
      {{0xC0}, 0, tl::nullopt},                                // length field cut short
      {{0xC0, 0x80, 0x80, 0x80, 0x80, 0x01}, 0, tl::nullopt},  // fifth length byte has bit 7
      {{0x83, 'a'}, 0, tl::nullopt},                           // 1 of 2 text bytes
      {{0xE5, 0x01, 'z'}, 0, tl::nullopt},                     // 1 of 100 text bytes
      {{0xC0, 0x80, 0x80, 0x80, 0x10}, 0, tl::nullopt},        // L = 2^31: longer than any run
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 0, tl::nullopt},        // L = 2^32 - 1
  };
  for (const auto& c : cases) {
    tl::optional<std::string> value = std::string("old");
    EXPECT_EQ(decodeString(c.bytes, value), c.result) << hex(c.bytes);
    EXPECT_EQ(value, c.text) << hex(c.bytes);
  }
}

TEST(NullableString, Writes) {
  struct Case {
    tl::optional<std::string> text;
    std::string bytes;
  };
  const Case cases[] = {
      {tl::nullopt, "80"},
      {std::string(), "81"},
      {std::string("ab"), "61 E2"},
      {std::string("abc"), "61 62 E3"},
      {std::string("a"), "82 61"},            // one byte: UTF form
      {std::string("\xC3\xA9"), "83 C3 A9"},  // bytes >= 0x80: UTF form
      {std::string("a\xFF"), "83 61 FF"},
      {std::string("\x80"), "82 80"},
  };
  for (const auto& c : cases) {
    const Bytes out =
        written(16, [&](uint8_t* d, std::size_t s) { return writeString(d, s, c.text); });
    EXPECT_EQ(hex(out), c.bytes);
  }
}

TEST(NullableString, UTFFormLengthFieldSizes) {
  // L = n + 1 takes 1 byte up to 63, 2 bytes up to 2^13 - 1, 3 bytes beyond.
  for (const std::size_t n : {62u, 63u, 64u, 100u, 8190u, 8191u, 40000u}) {
    const std::string text(n, '\xAA');
    Bytes bytes(n + 8);
    const std::size_t produced = writeString(bytes.data(), bytes.size(), text);
    const std::size_t field = n + 1 < 64 ? 1 : n + 1 < 8192 ? 2 : 3;
    EXPECT_EQ(produced, field + n) << n;
    bytes.resize(produced);
    tl::optional<std::string> value;
    EXPECT_EQ(decodeString(bytes, value), produced) << n;
    EXPECT_EQ(value, text) << n;
  }
}

TEST(NullableString, EveryWrittenTextReadsBackEqual) {
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    std::string text(rng() % 80, ' ');
    const bool ascii = rng() % 2 == 0;
    for (char& c : text) c = static_cast<char>(ascii ? 1 + rng() % 127 : 1 + rng() % 255);
    Bytes bytes(100);
    const std::size_t produced = writeString(bytes.data(), bytes.size(), text);
    ASSERT_GT(produced, 0u);
    bytes.resize(produced);
    tl::optional<std::string> value;
    ASSERT_EQ(decodeString(bytes, value), produced);
    ASSERT_EQ(value, text);
  }
}

TEST(NullableString, WritesThatDoNotFitFailAndWriteNothing) {
  Bytes run(3, 0xEE);
  EXPECT_EQ(writeString(run.data(), 3, std::string("abcd")), 0u);
  EXPECT_EQ(writeString(run.data(), 2, std::string("ab\xFF")), 0u);
  EXPECT_EQ(writeString(run.data(), 0, tl::nullopt), 0u);
  EXPECT_EQ(writeString(run.data(), 0, std::string()), 0u);
  EXPECT_EQ(writeAscii(run.data(), 3, ""), 0u);
  EXPECT_EQ(run, Bytes(3, 0xEE));
}

TEST(NullableString, BuildingBlocks) {
  tl::optional<int> length;
  EXPECT_EQ(readFrom(Bytes{0x25}, length, readUTFStringLength), 1u);  // bit 7 not examined
  EXPECT_EQ(length, 0x25);
  EXPECT_EQ(readFrom(Bytes{0xE5, 0x01}, length, readUTFStringLength), 2u);
  EXPECT_EQ(length, 101);
  EXPECT_EQ(readFrom(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, length, readUTFStringLength), 5u);
  EXPECT_EQ(length, -1);  // bits above 31 dropped
  EXPECT_EQ(readFrom(Bytes{0xC0, 0x80}, length, readUTFStringLength), 0u);
  EXPECT_FALSE(length);

  tl::optional<std::string> text;
  const Bytes abc = {'a', 'b', 'c'};
  EXPECT_EQ(readFrom(abc, text,
                     [](const uint8_t* d, std::size_t s, tl::optional<std::string>& v) {
                       return readUTFStringValue(d, s, 2, v);
                     }),
            2u);
  EXPECT_EQ(text, std::string("ab"));
  EXPECT_EQ(readFrom(abc, text,
                     [](const uint8_t* d, std::size_t s, tl::optional<std::string>& v) {
                       return readUTFStringValue(d, s, 4, v);
                     }),
            0u);
  EXPECT_FALSE(text);
  EXPECT_EQ(readFrom(Bytes{0x41, 0xC2}, text, readAscii), 2u);
  EXPECT_EQ(text, std::string("AB"));
}

TEST(Writers, FailedWritesStoreNothing) {
  using Write = std::size_t (*)(uint8_t*, std::size_t);
  const std::pair<std::size_t, Write> cases[] = {
      {4, [](uint8_t* d, std::size_t s) { return writeVarInt(d, s, true, -1); }},
      {1, [](uint8_t* d, std::size_t s) { return writeVarInt(d, s, false, 64); }},
      {1, [](uint8_t* d, std::size_t s) { return writeShort(d, s, -1); }},
      {3, [](uint8_t* d, std::size_t s) { return writeInt(d, s, -1); }},
      {4, [](uint8_t* d, std::size_t s) { return writeUTFString(d, s, "abc"); }},
      {2, [](uint8_t* d, std::size_t s) { return writeAscii(d, s, "abc"); }},
      {2, [](uint8_t* d, std::size_t s) { return writeString(d, s, std::string("abc")); }},
      {1, [](uint8_t* d, std::size_t s) { return writeString(d, s, std::string("a")); }},
      {64, [](uint8_t* d, std::size_t s) { return writeString(d, s, std::string(63, '\xF0')); }},
  };
  for (const auto& c : cases) {
    Bytes run(c.first, 0xEE);
    EXPECT_EQ(c.second(run.data(), run.size()), 0u);
    EXPECT_EQ(run, Bytes(c.first, 0xEE));
  }
}
