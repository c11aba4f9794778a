// The input as a sequence of Buffer operations. A shadow copy of the Buffer's bytes and
// positions, kept with the codec functions directly, must agree with the Buffer after every
// operation, and 0 <= read <= write <= capacity must always hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "check.h"
#include "protocol/buffer.h"
#include "protocol/deserializer.h"
#include "protocol/header.h"
#include "protocol/serializer.h"

using namespace tav::protocol;

namespace {

struct ShadeNS {
  enum Value : uint32_t { A = 0, B, C, D };
};
using Shade = ShadeNS::Value;
const std::vector<Shade> kShades = {ShadeNS::A, ShadeNS::B, ShadeNS::C, ShadeNS::D};

// What the Buffer should hold: bytes[0, write) are the written bytes, read the read position.
struct Shadow {
  std::vector<uint8_t> bytes;
  std::size_t read = 0;
  std::size_t capacity = 0;

  std::size_t write() const { return bytes.size(); }
  const uint8_t* unread() const { return bytes.data() + read; }
  std::size_t unreadSize() const { return bytes.size() - read; }

  std::vector<uint8_t> scratch = std::vector<uint8_t>(1025);  // room for the largest capacity

  // Appends what a codec write produces in the free room.
  template <class Write>
  void produce(Write write) {
    const std::size_t n = write(scratch.data(), capacity - bytes.size());
    bytes.insert(bytes.end(), scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(n));
  }
};

void checkAgrees(const Buffer& buffer, const Shadow& shadow) {
  FUZZ_CHECK(buffer.getReadPosition() <= buffer.getPosition());
  FUZZ_CHECK(buffer.getPosition() <= shadow.capacity);
  FUZZ_CHECK(buffer.getReadPosition() == shadow.read);
  FUZZ_CHECK(buffer.getPosition() == shadow.write());
  FUZZ_CHECK(buffer.getSize() == shadow.unreadSize());
}

std::string someText(FuzzedDataProvider& in) {
  const auto length = in.ConsumeIntegralInRange<std::size_t>(0, in.ConsumeBool() ? 40 : 1100);
  return in.ConsumeBytesAsString(length);
}

void run(Buffer& buffer, Shadow& shadow, FuzzedDataProvider& in) {
  checkAgrees(buffer, shadow);
  for (int steps = 0; steps < 400 && in.remaining_bytes() > 0; ++steps) {
    const int op = in.ConsumeIntegralInRange<int>(0, 24);
    switch (op) {
      case 0: {  // readInt
        const bool positive = in.ConsumeBool();
        tl::optional<int> expected;
        shadow.read += readVarInt(shadow.unread(), shadow.unreadSize(), positive, expected);
        FUZZ_CHECK(buffer.readInt(positive) == expected.value_or(0));
        break;
      }
      case 1: {  // writeInt
        const bool positive = in.ConsumeBool();
        const int value = in.ConsumeIntegral<int>();
        shadow.produce(
            [&](uint8_t* d, std::size_t s) { return writeVarInt(d, s, positive, value); });
        buffer.writeInt(value, positive);
        break;
      }
      case 2: {  // readByte, readBoolean
        tl::optional<uint8_t> expected;
        shadow.read += readByte(shadow.unread(), shadow.unreadSize(), expected);
        if (in.ConsumeBool()) {
          FUZZ_CHECK(buffer.readByte() == expected.value_or(0));
        } else {
          FUZZ_CHECK(buffer.readBoolean() == (expected.value_or(0) != 0));
        }
        break;
      }
      case 3: {  // writeByte, writeBoolean
        const auto value = in.ConsumeIntegral<uint8_t>();
        const bool asBoolean = in.ConsumeBool();
        const uint8_t stored = asBoolean ? (value & 1) : value;
        shadow.produce([&](uint8_t* d, std::size_t s) { return writeByte(d, s, stored); });
        if (asBoolean) {
          buffer.writeBoolean(stored != 0);
        } else {
          buffer.writeByte(stored);
        }
        break;
      }
      case 4: {  // readFullInt
        tl::optional<int> expected;
        shadow.read += readInt(shadow.unread(), shadow.unreadSize(), expected);
        FUZZ_CHECK(buffer.readFullInt() == expected.value_or(0));
        break;
      }
      case 5: {  // writeFullInt
        const int value = in.ConsumeIntegral<int>();
        shadow.produce([&](uint8_t* d, std::size_t s) { return writeInt(d, s, value); });
        buffer.writeFullInt(value);
        break;
      }
      case 6: {  // readString
        tl::optional<std::string> expected;
        shadow.read += readString(shadow.unread(), shadow.unreadSize(), expected);
        FUZZ_CHECK(buffer.readString() == expected);
        break;
      }
      case 7: {  // writeString
        tl::optional<std::string> value;
        if (in.ConsumeBool()) value = someText(in);
        shadow.produce([&](uint8_t* d, std::size_t s) { return writeString(d, s, value); });
        buffer.writeString(value);
        break;
      }
      case 8: {  // readUTFString
        tl::optional<std::string> expected;
        shadow.read += readUTFString(shadow.unread(), shadow.unreadSize(), expected);
        FUZZ_CHECK(buffer.readUTFString() == expected);
        break;
      }
      case 9: {  // writeUTFString
        const std::string value = someText(in);
        shadow.produce([&](uint8_t* d, std::size_t s) { return writeUTFString(d, s, value); });
        buffer.writeUTFString(value);
        break;
      }
      case 10: {  // readEnum, readEnumOrNull
        tl::optional<int> ordinal;
        shadow.read += readVarInt(shadow.unread(), shadow.unreadSize(), true, ordinal);
        const auto index = static_cast<uint32_t>(ordinal.value_or(0));
        if (in.ConsumeBool()) {
          FUZZ_CHECK(static_cast<uint32_t>(buffer.readEnum(kShades)) == index);
        } else {
          const tl::optional<Shade> value = buffer.readEnumOrNull(kShades);
          FUZZ_CHECK(value.has_value() == (index != 0));
          if (value) FUZZ_CHECK(static_cast<uint32_t>(*value) == index - 1);
        }
        break;
      }
      case 11:    // readEnumArray
      case 12: {  // readIntArray
        // Elements appended are bounded by the bytes left after the count; positions are
        // followed from the Buffer and then checked against the codec's view of them.
        const std::size_t before = buffer.getReadPosition();
        tl::optional<int> count;
        const std::size_t countSize = readVarInt(shadow.unread(), shadow.unreadSize(), true, count);
        const std::size_t bound = shadow.unreadSize() - countSize;
        std::size_t appended;
        if (in.ConsumeBool()) {
          std::vector<Shade> vec(2, ShadeNS::B);
          buffer.readEnumArray(vec, kShades);
          FUZZ_CHECK(vec[0] == ShadeNS::B && vec[1] == ShadeNS::B);
          appended = vec.size() - 2;
        } else {
          std::vector<int> vec;
          buffer.readIntArray(vec, in.ConsumeBool());
          appended = vec.size();
        }
        FUZZ_CHECK(appended <= bound);
        FUZZ_CHECK(appended <= static_cast<std::size_t>(count.value_or(0) > 0 ? *count : 0));
        FUZZ_CHECK(buffer.getReadPosition() >= before + countSize);
        FUZZ_CHECK(buffer.getReadPosition() <= before + countSize + 5 * appended);
        shadow.read = buffer.getReadPosition();
        break;
      }
      case 13: {  // writeEnum, writeEnumOrNull
        const auto value = static_cast<Shade>(in.ConsumeIntegral<uint32_t>());
        if (in.ConsumeBool()) {
          shadow.produce([&](uint8_t* d, std::size_t s) {
            return writeVarInt(d, s, true, static_cast<int>(value));
          });
          buffer.writeEnum(value);
        } else if (in.ConsumeBool()) {
          shadow.produce([&](uint8_t* d, std::size_t s) { return writeByte(d, s, 0); });
          buffer.writeEnumOrNull(tl::optional<Shade>());
        } else {
          shadow.produce([&](uint8_t* d, std::size_t s) {
            return writeVarInt(d, s, true, static_cast<int>(static_cast<uint32_t>(value) + 1u));
          });
          buffer.writeEnumOrNull(tl::optional<Shade>(value));
        }
        break;
      }
      case 14:    // writeEnumArray
      case 15:    // writeIntArray
      case 16: {  // writeArrayStart
        const auto count = in.ConsumeIntegralInRange<std::size_t>(0, 300);
        std::vector<int> ints;
        for (std::size_t i = 0; i < count; ++i) ints.push_back(in.ConsumeIntegral<int>() % 70000);
        const bool positive = in.ConsumeBool();
        shadow.produce([&](uint8_t* d, std::size_t s) {
          return writeVarInt(d, s, true, static_cast<int>(count));
        });
        if (op == 14) {
          std::vector<Shade> shades;
          for (int v : ints) shades.push_back(static_cast<Shade>(static_cast<uint32_t>(v)));
          for (int v : ints) {
            shadow.produce([&](uint8_t* d, std::size_t s) { return writeVarInt(d, s, true, v); });
          }
          buffer.writeEnumArray(shades);
        } else if (op == 15) {
          for (int v : ints) {
            shadow.produce(
                [&](uint8_t* d, std::size_t s) { return writeVarInt(d, s, positive, v); });
          }
          buffer.writeIntArray(ints, positive);
        } else {
          FUZZ_CHECK(buffer.writeArrayStart(ints) == static_cast<int>(count));
        }
        break;
      }
      case 17: {  // flush
        const std::size_t unread = shadow.unreadSize();
        if (shadow.read > unread) {
          shadow.bytes.erase(shadow.bytes.begin(),
                             shadow.bytes.begin() + static_cast<std::ptrdiff_t>(shadow.read));
          shadow.read = 0;
        }
        buffer.flush();
        break;
      }
      case 18: {  // clear
        shadow.bytes.clear();
        shadow.read = 0;
        buffer.clear();
        break;
      }
      case 19: {  // setReadPosition, also far beyond the write position
        const std::size_t position = in.ConsumeBool()
                                         ? in.ConsumeIntegralInRange<std::size_t>(0, 1100)
                                         : in.ConsumeIntegral<std::size_t>();
        shadow.read = position < shadow.write() ? position : shadow.write();
        buffer.setReadPosition(position);
        break;
      }
      case 20: {  // readHeader: either a whole header or nothing is consumed
        Header header;
        header.event = "unchanged";
        const std::size_t before = buffer.getReadPosition();
        if (!readHeader(header, buffer)) {
          FUZZ_CHECK(buffer.getReadPosition() == before);
          FUZZ_CHECK(header.event == "unchanged");
        } else {
          FUZZ_CHECK(buffer.getReadPosition() >= before + 2);
        }
        shadow.read = buffer.getReadPosition();
        break;
      }
      case 21: {  // writeHeader
        Header header;
        header.event = someText(in);
        header.payload = in.ConsumeBool() ? someText(in) : std::string();
        header.length = in.ConsumeIntegral<std::size_t>();
        std::string text = header.event;
        if (!header.payload.empty()) text += ' ' + header.payload;
        const std::size_t before = shadow.write();
        shadow.produce([&](uint8_t* d, std::size_t s) { return writeUTFString(d, s, text); });
        if (shadow.write() != before) {
          shadow.produce([&](uint8_t* d, std::size_t s) {
            return writeVarInt(d, s, true, static_cast<int>(static_cast<uint32_t>(header.length)));
          });
        }
        writeHeader(header, buffer);
        break;
      }
      default: {  // the bytes as stored: read one unread byte and compare
        if (shadow.unreadSize() > 0) {
          FUZZ_CHECK(buffer.readByte() == shadow.bytes[shadow.read]);
          ++shadow.read;
        }
        break;
      }
    }
    checkAgrees(buffer, shadow);
  }
  // Whatever is left unread matches byte for byte.
  while (shadow.unreadSize() > 0) FUZZ_CHECK(buffer.readByte() == shadow.bytes[shadow.read++]);
  checkAgrees(buffer, shadow);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Shadow shadow;
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: {  // owning, 1024 bytes
      Buffer buffer;
      shadow.capacity = 1024;
      run(buffer, shadow, in);
      break;
    }
    case 1: {  // over a caller's array, starting full
      std::vector<uint8_t> storage =
          in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 300));
      std::unique_ptr<uint8_t[]> array(new uint8_t[storage.size()]);
      std::copy(storage.begin(), storage.end(), array.get());
      Buffer buffer(array.get(), storage.size());
      shadow.capacity = storage.size();
      shadow.bytes = storage;
      run(buffer, shadow, in);
      break;
    }
    default: {  // no array at all
      Buffer buffer(nullptr, in.ConsumeIntegral<std::size_t>());
      shadow.capacity = 0;
      run(buffer, shadow, in);
      break;
    }
  }
  return 0;
}
