#pragma once

// The game-state readers and writers work on a Buffer's bytes directly: they read its unread
// bytes in place and write into its free room, then move its positions once.

#include <cstddef>
#include <cstdint>

#include "protocol/buffer.h"

namespace tav {
namespace protocol {
namespace detail {

struct BufferAccess {
  // The unread bytes: [unread(b), unread(b) + unreadSize(b)).
  static const uint8_t* unread(const Buffer& b) { return b.__data + b.__read_position; }
  static std::size_t unreadSize(const Buffer& b) { return b.__write_position - b.__read_position; }
  // Marks n more bytes as read (n <= unreadSize(b)).
  static void consume(Buffer& b, std::size_t n) { b.__read_position += n; }

  // The free room: [room(b), room(b) + roomSize(b)).
  static uint8_t* room(Buffer& b) { return b.__data + b.__write_position; }
  static std::size_t roomSize(const Buffer& b) { return b.__dataLength - b.__write_position; }
  // Marks n more bytes as written (n <= roomSize(b)).
  static void commit(Buffer& b, std::size_t n) { b.__write_position += n; }

  // The written bytes, read or not: [written(b), written(b) + writtenSize(b)).
  static const uint8_t* written(const Buffer& b) { return b.__data; }
  static std::size_t writtenSize(const Buffer& b) { return b.__write_position; }
};

}  // namespace detail
}  // namespace protocol
}  // namespace tav
