#include "protocol/header.h"

#include <string>

#include "bufferAccess.h"
#include "framing.h"

namespace tav {
namespace protocol {
namespace {

// A header is accepted only once this many bytes follow its text (the longest varint).
constexpr std::size_t kBytesAfterText = 5;

}  // namespace

bool readHeader(Header& state, Buffer& buffer) {
  const uint8_t* data = detail::BufferAccess::unread(buffer);
  const std::size_t size = detail::BufferAccess::unreadSize(buffer);
  const detail::HeaderScan scan = detail::scanHeader(data, size);
  if (!scan.textComplete || size - scan.textEnd < kBytesAfterText) return false;
  // With five bytes behind the text the length either ended or is malformed. A malformed
  // length reads as 0 and consumes nothing; a negative one is kept, converted to size_t (2^64
  // minus its magnitude), as callers may rely on that.
  const bool malformed = scan.status == MessageStatus::kBadLength;
  const int length = malformed ? 0 : static_cast<int>(scan.length);
  detail::splitText(std::string_view(reinterpret_cast<const char*>(data) + 2, scan.textEnd - 2),
                    state);
  state.length = static_cast<std::size_t>(static_cast<long long>(length));
  detail::BufferAccess::consume(buffer, malformed ? scan.textEnd : scan.size());
  return true;
}

void writeHeader(const Header& state, Buffer& buffer) {
  // A text the 16-bit count can't carry, or one without room, is not written, and neither is
  // the length: a length without its text would be read as the start of a header.
  uint8_t* room = detail::BufferAccess::room(buffer);
  const std::size_t roomSize = detail::BufferAccess::roomSize(buffer);
  const std::size_t text = detail::writeText(room, roomSize, headerText(state));
  if (text == 0) return;
  detail::BufferAccess::commit(buffer, text);
  detail::BufferAccess::commit(buffer,
                               detail::writeLength(room + text, roomSize - text, state.length));
}

}  // namespace protocol
}  // namespace tav
