#pragma once

#include <cstddef>
#include <string>

#include "protocol/buffer.h"

namespace tav {
namespace protocol {

// The header in front of every message: a UTF string "event[ payload]", then a varint length.
struct Header {
  // Header text before its first blank, trimmed.
  std::string event;
  // Header text after the first blank, trimmed; empty when the text has no blank.
  std::string payload;
  // Carried without interpretation. A negative length on the wire arrives converted from the
  // signed 32-bit value, i.e. as 2^64 minus its magnitude.
  std::size_t length = 0;
};

// Reads one header from the unread bytes of buffer. Returns false, with state and the read
// position unchanged, until the text and at least 5 bytes behind it are there.
bool readHeader(tav::protocol::Header& state, tav::protocol::Buffer& buffer);

// Appends the header: the text (event, or event + ' ' + payload) as a UTF string, then the
// low 32 bits of length as a varint. When the text is not written (longer than 32767 bytes, or
// no room for it), the length is not written either, so no stray length can pose as a header.
// When the text fits but the length doesn't, the text stays without its length.
void writeHeader(const tav::protocol::Header& state, tav::protocol::Buffer& buffer);

}  // namespace protocol

}  // namespace tav
