#pragma once

// The one reading and writing of a message header, shared by readHeader/writeHeader and the
// message layer (message.cpp).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "protocol/header.h"
#include "protocol/message.h"

namespace tav {
namespace protocol {
namespace detail {

// What the bytes at the start of a message hold of its header.
struct HeaderScan {
  // kComplete: the header is whole and its length valid; kNeedHeader: not whole yet;
  // kBadTextCount, kBadLength, kNegativeLength: malformed. Never kNeedBody or kTooLarge.
  MessageStatus status = MessageStatus::kNeedHeader;
  // True once the count and all text bytes are there (always for a length status).
  bool textComplete = false;
  // 2 + the text count, once the count is there and not negative.
  std::size_t textEnd = 0;
  // Bytes of the length varint, once it ended (kComplete, kNegativeLength).
  std::size_t lengthSize = 0;
  // The length's low 32 bits, once it ended.
  uint32_t length = 0;
  // For kNeedHeader: the fewest bytes the header can take given what was seen, more than
  // there were.
  std::size_t fewest = 0;

  // The header's size where it ended (textEnd + lengthSize); 0 otherwise.
  std::size_t size() const { return lengthSize == 0 ? 0 : textEnd + lengthSize; }
};

// Scans the header at the start of data[0, size), reading nothing outside it.
HeaderScan scanHeader(const uint8_t* data, std::size_t size);

// Sets header.event and header.payload from a text as it is on the wire: cut at its first zero
// byte, split at the first blank, both parts trimmed.
void splitText(std::string_view wire, Header& header);

// Writes text as a header text (its 2-byte count, then its bytes). Returns the bytes written,
// or 0, writing nothing, when the text is longer than kMaxHeaderText or does not fit.
std::size_t writeText(uint8_t* data, std::size_t size, std::string_view text);

// Writes the low 32 bits of length as a varint; 0 (nothing written) when it does not fit.
std::size_t writeLength(uint8_t* data, std::size_t size, std::size_t length);

}  // namespace detail
}  // namespace protocol
}  // namespace tav
