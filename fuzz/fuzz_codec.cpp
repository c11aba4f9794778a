// Every codec read on arbitrary bytes, and round trips of what the writers produce.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "check.h"
#include "protocol/deserializer.h"
#include "protocol/serializer.h"

using namespace tav::protocol;

namespace {

// A read's result must stay inside the run, and a failure must leave the value empty.
template <class T>
void checkRead(std::size_t result, std::size_t size, const tl::optional<T>& value,
               bool emptyOnSuccessAllowed = false) {
  FUZZ_CHECK(result <= size);
  if (result == 0) FUZZ_CHECK(!value.has_value());
  if (result != 0 && !emptyOnSuccessAllowed) FUZZ_CHECK(value.has_value());
}

// Runs a write into a heap run of exactly `room` bytes, so that ASan sees any write outside it.
template <class Write>
std::vector<uint8_t> writeInto(std::size_t room, Write write) {
  std::unique_ptr<uint8_t[]> run(new uint8_t[room + 1]);
  const std::size_t n = write(run.get(), room);
  FUZZ_CHECK(n <= room);
  return std::vector<uint8_t>(run.get(), run.get() + n);
}

void readsOnArbitraryBytes(const uint8_t* data, std::size_t size) {
  tl::optional<uint8_t> byte = uint8_t{1};
  checkRead(readByte(data, size, byte), size, byte);
  tl::optional<short> s = short{1};
  checkRead(readShort(data, size, s), size, s);
  tl::optional<int> i = 1;
  checkRead(readInt(data, size, i), size, i);
  tl::optional<std::string> text = std::string("x");
  checkRead(readUTFString(data, size, text), size, text);
  checkRead(readAscii(data, size, text), size, text);
  const std::size_t field = readUTFStringLength(data, size, i);
  checkRead(field, size, i);
  FUZZ_CHECK(field <= 5);
  if (field != 0 && *i > 0) {
    const auto length = static_cast<std::size_t>(*i);
    checkRead(readUTFStringValue(data + field, size - field, length, text), size - field, text);
  }

  for (const bool positive : {true, false}) {
    tl::optional<int> v;
    const std::size_t n = readVarInt(data, size, positive, v);
    checkRead(n, size, v);
    FUZZ_CHECK(n <= 5);
    if (n != 0) {
      // Re-encoding gives the shortest form, which decodes to the same value.
      const auto bytes =
          writeInto(5, [&](uint8_t* d, std::size_t r) { return writeVarInt(d, r, positive, *v); });
      FUZZ_CHECK(!bytes.empty() && bytes.size() <= n);
      tl::optional<int> again;
      FUZZ_CHECK(readVarInt(bytes.data(), bytes.size(), positive, again) == bytes.size());
      FUZZ_CHECK(again == *v);
    }
  }

  const std::size_t n = readString(data, size, text);
  checkRead(n, size, text, /*null reads as empty*/ true);
  if (n != 0) {
    // What was read writes back and reads again as the same value (texts read never hold a
    // zero byte, so nothing is cut).
    const auto bytes =
        writeInto(size + 8, [&](uint8_t* d, std::size_t r) { return writeString(d, r, text); });
    FUZZ_CHECK(!bytes.empty());
    tl::optional<std::string> again = std::string("sentinel");
    FUZZ_CHECK(readString(bytes.data(), bytes.size(), again) == bytes.size());
    FUZZ_CHECK(again == text);
  }
}

// The input taken as a text: every writer's output reads back as the text up to its first
// zero byte, and a write into too small a run fails without touching bytes outside it.
void textRoundTrips(const uint8_t* data, std::size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);
  const std::string expected = value.substr(0, value.find('\0'));

  const auto nullable =
      writeInto(size + 8, [&](uint8_t* d, std::size_t r) { return writeString(d, r, value); });
  FUZZ_CHECK(!nullable.empty());
  tl::optional<std::string> back;
  FUZZ_CHECK(readString(nullable.data(), nullable.size(), back) == nullable.size());
  FUZZ_CHECK(back == expected);
  FUZZ_CHECK(writeInto(nullable.size() - 1, [&](uint8_t* d, std::size_t r) {
               return writeString(d, r, value);
             }).empty());

  const auto utf =
      writeInto(size + 2, [&](uint8_t* d, std::size_t r) { return writeUTFString(d, r, value); });
  if (size > 32767) {
    FUZZ_CHECK(utf.empty());
  } else {
    FUZZ_CHECK(utf.size() == size + 2);
    FUZZ_CHECK(readUTFString(utf.data(), utf.size(), back) == utf.size());
    FUZZ_CHECK(back == expected);
    FUZZ_CHECK(writeInto(size + 1, [&](uint8_t* d, std::size_t r) {
                 return writeUTFString(d, r, value);
               }).empty());
  }

  if (size >= 2) {
    const auto ascii =
        writeInto(size, [&](uint8_t* d, std::size_t r) { return writeAscii(d, r, value); });
    FUZZ_CHECK(ascii.size() == size);
  }
}

// Every 4-byte window taken as an int: both varint forms and the fixed-width forms round trip.
void numberRoundTrips(const uint8_t* data, std::size_t size) {
  for (std::size_t at = 0; at + 4 <= size && at < 16; ++at) {
    uint32_t u;
    std::memcpy(&u, data + at, 4);
    const auto value = static_cast<int>(u);
    for (const bool positive : {true, false}) {
      uint8_t scratch[5];
      const std::size_t n = writeVarInt(scratch, sizeof scratch, positive, value);
      FUZZ_CHECK(n >= 1 && n <= 5);
      // Exactly n bytes of room suffice; one byte less fails.
      const auto bytes = writeInto(
          n, [&](uint8_t* d, std::size_t r) { return writeVarInt(d, r, positive, value); });
      FUZZ_CHECK(bytes.size() == n && std::memcmp(bytes.data(), scratch, n) == 0);
      FUZZ_CHECK(writeInto(n - 1, [&](uint8_t* d, std::size_t r) {
                   return writeVarInt(d, r, positive, value);
                 }).empty());
      tl::optional<int> back;
      FUZZ_CHECK(readVarInt(bytes.data(), n, positive, back) == n);
      FUZZ_CHECK(back == value);
      // One byte short of the encoding fails.
      FUZZ_CHECK(readVarInt(bytes.data(), n - 1, positive, back) == 0 && !back);
    }
    const auto fixed =
        writeInto(4, [&](uint8_t* d, std::size_t r) { return writeInt(d, r, value); });
    tl::optional<int> back;
    FUZZ_CHECK(readInt(fixed.data(), fixed.size(), back) == 4 && back == value);
    const auto half = writeInto(
        2, [&](uint8_t* d, std::size_t r) { return writeShort(d, r, static_cast<short>(value)); });
    tl::optional<short> shortBack;
    FUZZ_CHECK(readShort(half.data(), half.size(), shortBack) == 2 &&
               shortBack == static_cast<short>(value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  readsOnArbitraryBytes(data, size);
  // Also from every offset of a short prefix, so reads meet their run's end everywhere.
  for (std::size_t at = 1; at < size && at < 16; ++at) readsOnArbitraryBytes(data + at, size - at);
  textRoundTrips(data, size);
  numberRoundTrips(data, size);
  return 0;
}
