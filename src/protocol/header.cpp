#include "protocol/header.h"

#include <utility>

#include "trim.h"

namespace tav {
namespace protocol {
namespace {

// A header is accepted only once this many bytes follow its text (the longest varint).
constexpr std::size_t kBytesAfterText = 5;
// The most a UTF string's 16-bit count can carry.
constexpr std::size_t kMaxTextLength = 0x7FFF;

}  // namespace

bool readHeader(Header& state, Buffer& buffer) {
  const std::size_t start = buffer.getReadPosition();
  tl::optional<std::string> text = buffer.readUTFString();
  if (!text || buffer.getSize() < kBytesAfterText) {
    buffer.setReadPosition(start);
    return false;
  }
  // A malformed length reads as 0 and consumes nothing; a negative one is kept, converted to
  // size_t (2^64 minus its magnitude), as callers may rely on that.
  const int length = buffer.readInt(true);

  // Only a blank splits event from payload; other whitespace is merely trimmed.
  const std::size_t blank = text->find(' ');
  std::string event;
  std::string payload;
  if (blank == std::string::npos) {
    event = trim(std::move(*text));
  } else {
    event = trim(text->substr(0, blank));
    payload = trim(text->substr(blank + 1));
  }
  state.event = std::move(event);
  state.payload = std::move(payload);
  state.length = static_cast<std::size_t>(static_cast<long long>(length));
  return true;
}

void writeHeader(const Header& state, Buffer& buffer) {
  std::string text = state.event;
  if (!state.payload.empty()) {
    text += ' ';
    text += state.payload;
  }
  // A text the 16-bit count can't carry is not written, and neither is the length: a length
  // without its text would be read as the start of a header.
  if (text.size() > kMaxTextLength) return;
  const std::size_t before = buffer.getPosition();
  buffer.writeUTFString(std::move(text));
  if (buffer.getPosition() == before) return;  // no room for the text: don't write the length
  buffer.writeInt(static_cast<int>(static_cast<uint32_t>(state.length)), true);
}

}  // namespace protocol
}  // namespace tav
