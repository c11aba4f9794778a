#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <tl/optional.hpp>
#include <vector>

#include "protocol/deserializer.h"
#include "protocol/serializer.h"

namespace tav {
namespace protocol {

namespace detail {
struct BufferAccess;
}  // namespace detail

// A fixed-size byte array with a read and a write position (0 <= read <= write <= capacity).
// Reads consume unread bytes; writes append into the free room. Nothing throws for short data
// or lack of room: a read that finds no complete value returns a neutral value (0, false, an
// empty optional) and moves nothing; a write that does not fit is dropped. The storage never
// grows.
class Buffer {
 public:
  // Owns a new 1024-byte array; both positions 0.
  Buffer();
  ~Buffer();
  // Borrows data (the caller keeps it alive); all dataLength bytes count as unread, so writes
  // fail until flush() or clear() makes room. A null data gives a Buffer of capacity 0.
  Buffer(uint8_t* data, std::size_t dataLength);

  // Copying would share or double-free the array: a Buffer is neither copied nor moved.
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  // Moves the unread bytes to the front, but only when strictly more bytes have been read
  // than remain unread (so old and new places don't overlap).
  void flush();
  // Both positions 0; capacity and bytes stay.
  void clear();
  // Sets the read position, clamped to the write position.
  void setReadPosition(std::size_t position);
  // The read position.
  std::size_t getReadPosition() const;
  // The write position.
  std::size_t getPosition() const;
  // The number of unread bytes.
  std::size_t getSize() const;

  // A varint; 0 if none can be read.
  int readInt(bool optimizePositive);
  // Appends a varint, zigzag-encoded unless optimizePositive.
  void writeInt(int value, bool optimizePositive);
  // One byte; 0 if none is left.
  uint8_t readByte();
  // Appends one byte.
  void writeByte(uint8_t value);
  // A 4-byte big-endian int; 0 if fewer than 4 bytes are left.
  int readFullInt();
  // Appends a 4-byte big-endian int.
  void writeFullInt(int value);
  // A nullable string; empty for null and when none can be read.
  tl::optional<std::string> readString();
  // Appends a nullable string (empty optional: null), in a form that reads back equal.
  void writeString(tl::optional<std::string> value);
  // A UTF string (16-bit count, then bytes); empty when none can be read.
  tl::optional<std::string> readUTFString();
  // Appends a UTF string; dropped for texts longer than 32767 bytes.
  void writeUTFString(std::string value);
  // A byte, non-zero meaning true; false when none is left.
  bool readBoolean();
  // Appends 1 for true, 0 for false.
  void writeBoolean(bool value);

  // An enumeration ordinal (varint) looked up in values. An ordinal outside the list is kept
  // as a number (cast to T), never used to index outside it. The lists here are only read, so
  // they are taken by reference: a caller can keep one list for many reads without copies.
  template <class T>
  T readEnum(const std::vector<T>& values) {
    return lookup(values, readInt(true));
  }

  // A count, then that many ordinals appended to vec. At most as many elements as there were
  // unread bytes after the count are appended (each takes at least one byte).
  // The list ends early at an element that can't be read: nothing would be consumed, so every
  // later element would fail the same way and only pad the list.
  template <class T>
  void readEnumArray(std::vector<T>& vec, const std::vector<T>& values) {
    readArray(vec, [&] { return lookup(values, readInt(true)); });
  }

  // An optional ordinal: 0 is null, k >= 1 the value of ordinal k - 1.
  template <class T>
  tl::optional<T> readEnumOrNull(const std::vector<T>& values) {
    const int ordinal = readInt(true);
    if (ordinal == 0) return tl::nullopt;
    return lookup(values, static_cast<int>(static_cast<uint32_t>(ordinal) - 1u));
  }

  // The enumerator's numeric value as a varint.
  template <class T>
  void writeEnum(T value) {
    writeInt(static_cast<int>(value), true);
  }

  // A count, then each element's numeric value as a varint.
  template <class T>
  void writeEnumArray(const std::vector<T>& vec) {
    writeInt(static_cast<int>(vec.size()), true);
    for (const T& element : vec) writeEnum(element);
  }

  // Null as the byte 00, a value as its numeric value + 1.
  template <class T>
  void writeEnumOrNull(tl::optional<T> value) {
    if (!value) {
      writeByte(0);
    } else {
      writeInt(static_cast<int>(static_cast<uint32_t>(*value) + 1u), true);
    }
  }

  // Writes the count of vec and returns it; the caller writes the elements.
  template <class T>
  int writeArrayStart(const std::vector<T>& vec) {
    const int count = static_cast<int>(vec.size());
    writeInt(count, true);
    return count;
  }

  // The count, then each element as a varint.
  void writeIntArray(std::vector<int> vec, bool optimizePositive);
  // A count, then that many varints appended to vec (bounded as for readEnumArray).
  void readIntArray(std::vector<int>& vec, bool optimizePositive);

 private:
  // The game-state readers and writers work on the bytes directly.
  friend struct detail::BufferAccess;

  // The number of elements a list with the given count can really hold: a count of 0 or less
  // gives 0, and no more than the unread bytes, since each element takes at least one byte.
  std::size_t boundedCount(int count) const {
    if (count <= 0) return 0;
    const auto wanted = static_cast<std::size_t>(count);
    const std::size_t unread = getSize();
    return wanted < unread ? wanted : unread;
  }

  // Reads a count, then appends elements produced by readOne while each of them consumes bytes.
  // Appends at most min(count, unread bytes) elements, so a list never holds more elements than
  // the bytes it was read from, and reserves no more than a few elements up front, so a crafted
  // count can't make a list hold memory that its bytes don't justify.
  template <class T, class ReadOne>
  void readArray(std::vector<T>& vec, ReadOne readOne) {
    const std::size_t count = boundedCount(readInt(true));
    constexpr std::size_t kReserveLimit = 16;
    vec.reserve(vec.size() + (count < kReserveLimit ? count : kReserveLimit));
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t before = __read_position;
      T element = readOne();
      if (__read_position == before) break;
      vec.push_back(element);
    }
  }

  template <class T>
  static T lookup(const std::vector<T>& values, int ordinal) {
    const auto index = static_cast<uint32_t>(ordinal);
    return index < values.size() ? values[index] : static_cast<T>(index);
  }

  uint8_t* __data;
  std::size_t __dataLength;
  std::size_t __read_position;
  std::size_t __write_position;
  bool __free_on_delete;
};

// The per-value operations are defined here: the game-state readers and writers call them for
// nearly every field, and inlined they cost no call each.

inline int Buffer::readInt(bool optimizePositive) {
  tl::optional<int> value;
  __read_position += protocol::readVarInt(
      __data + __read_position, __write_position - __read_position, optimizePositive, value);
  return value ? *value : 0;
}

inline void Buffer::writeInt(int value, bool optimizePositive) {
  __write_position += protocol::writeVarInt(
      __data + __write_position, __dataLength - __write_position, optimizePositive, value);
}

inline uint8_t Buffer::readByte() {
  tl::optional<uint8_t> value;
  __read_position +=
      protocol::readByte(__data + __read_position, __write_position - __read_position, value);
  return value ? *value : 0;
}

inline void Buffer::writeByte(uint8_t value) {
  __write_position +=
      protocol::writeByte(__data + __write_position, __dataLength - __write_position, value);
}

inline bool Buffer::readBoolean() { return readByte() != 0; }

inline void Buffer::writeBoolean(bool value) { writeByte(value ? 1 : 0); }

}  // namespace protocol
}  // namespace tav
