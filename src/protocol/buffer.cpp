#include "protocol/buffer.h"

#include <cstring>
#include <utility>

#include "protocol/deserializer.h"
#include "protocol/serializer.h"

namespace tav {
namespace protocol {
namespace {

constexpr std::size_t kDefaultCapacity = 1024;

// Runs one codec read on the unread bytes and moves the read position past what it consumed
// (nothing on failure). Returns the decoded value, empty on failure.
template <class T, class Read>
tl::optional<T> consume(const uint8_t* data, std::size_t& read, std::size_t write, Read codec) {
  tl::optional<T> value;
  read += codec(data + read, write - read, value);
  return value;
}

// Runs one codec write on the free room and moves the write position past what it produced
// (nothing on failure).
template <class Write>
void produce(uint8_t* data, std::size_t& write, std::size_t capacity, Write codec) {
  write += codec(data + write, capacity - write);
}

}  // namespace

Buffer::Buffer()
    : __data(new uint8_t[kDefaultCapacity]()),
      __dataLength(kDefaultCapacity),
      __read_position(0),
      __write_position(0),
      __free_on_delete(true) {}

Buffer::~Buffer() {
  if (__free_on_delete) delete[] __data;
}

Buffer::Buffer(uint8_t* data, std::size_t dataLength)
    : __data(data),
      __dataLength(data != nullptr ? dataLength : 0),
      __read_position(0),
      __write_position(__dataLength),
      __free_on_delete(false) {}

void Buffer::flush() {
  const std::size_t length = __write_position - __read_position;
  // Only when the old and new places of the unread bytes don't overlap.
  if (__write_position >= __read_position && __read_position > length) {
    if (length > 0) std::memcpy(__data, __data + __read_position, length);
    __write_position = length;
    __read_position = 0;
  }
}

void Buffer::clear() {
  __read_position = 0;
  __write_position = 0;
}

void Buffer::setReadPosition(std::size_t position) {
  __read_position = position < __write_position ? position : __write_position;
}

std::size_t Buffer::getReadPosition() const { return __read_position; }

std::size_t Buffer::getPosition() const { return __write_position; }

std::size_t Buffer::getSize() const { return __write_position - __read_position; }

int Buffer::readFullInt() {
  const auto value =
      consume<int>(__data, __read_position, __write_position,
                   [](const uint8_t* data, std::size_t size, tl::optional<int>& out) {
                     return protocol::readInt(data, size, out);
                   });
  return value ? *value : 0;
}

void Buffer::writeFullInt(int value) {
  produce(__data, __write_position, __dataLength,
          [&](uint8_t* data, std::size_t size) { return protocol::writeInt(data, size, value); });
}

tl::optional<std::string> Buffer::readString() {
  return consume<std::string>(
      __data, __read_position, __write_position,
      [](const uint8_t* data, std::size_t size, tl::optional<std::string>& out) {
        return protocol::readString(data, size, out);
      });
}

void Buffer::writeString(tl::optional<std::string> value) {
  produce(__data, __write_position, __dataLength, [&](uint8_t* data, std::size_t size) {
    return protocol::writeString(data, size, std::move(value));
  });
}

tl::optional<std::string> Buffer::readUTFString() {
  return consume<std::string>(
      __data, __read_position, __write_position,
      [](const uint8_t* data, std::size_t size, tl::optional<std::string>& out) {
        return protocol::readUTFString(data, size, out);
      });
}

void Buffer::writeUTFString(std::string value) {
  produce(__data, __write_position, __dataLength, [&](uint8_t* data, std::size_t size) {
    return protocol::writeUTFString(data, size, value);
  });
}

// The vector comes by value, as the interface has it (from Python too).
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void Buffer::writeIntArray(std::vector<int> vec, bool optimizePositive) {
  writeInt(static_cast<int>(vec.size()), true);
  for (const int element : vec) writeInt(element, optimizePositive);
}

void Buffer::readIntArray(std::vector<int>& vec, bool optimizePositive) {
  readArray(vec, [&] { return readInt(optimizePositive); });
}

}  // namespace protocol
}  // namespace tav
