#include "protocol/message.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "bufferAccess.h"
#include "framing.h"
#include "protocol/varint.h"
#include "trim.h"

namespace tav {
namespace protocol {
namespace detail {

HeaderScan scanHeader(const uint8_t* data, std::size_t size) {
  HeaderScan scan;
  if (data == nullptr) size = 0;
  // The count is big-endian: its first byte alone tells a negative one.
  if (size >= 1 && (data[0] & 0x80u) != 0) {
    scan.status = MessageStatus::kBadTextCount;
    return scan;
  }
  if (size < 2) {
    scan.fewest = 3;  // the count and a one-byte length
    return scan;
  }
  scan.textEnd = 2 + ((std::size_t{data[0]} << 8) | data[1]);
  if (size < scan.textEnd) {
    scan.fewest = scan.textEnd + 1;
    return scan;
  }
  scan.textComplete = true;
  const uint8_t* length = data + scan.textEnd;
  const std::size_t available = size - scan.textEnd;
  const std::size_t n = varint::decode(length, available, scan.length);
  if (n == 0) {
    if (available >= varint::kMaxBytes) {
      scan.status = MessageStatus::kBadLength;
    } else {
      // Every byte there so far carries the continuation bit: one more is needed at least.
      scan.fewest = size + 1;
    }
    return scan;
  }
  scan.lengthSize = n;
  scan.status = static_cast<int32_t>(scan.length) < 0 ? MessageStatus::kNegativeLength
                                                      : MessageStatus::kComplete;
  return scan;
}

void splitText(std::string_view wire, Header& header) {
  // The text ends at its first zero byte; only a blank splits event from payload, other
  // whitespace is merely trimmed.
  const char* text = wire.data();
  std::size_t size = wire.size();
  if (size == 0) {
    header.event.clear();
    header.payload.clear();
    return;
  }
  if (const void* zero = std::memchr(text, '\0', size)) {
    size = static_cast<std::size_t>(static_cast<const char*>(zero) - text);
  }
  const auto* blank = static_cast<const char*>(std::memchr(text, ' ', size));
  const std::size_t eventSize = blank == nullptr ? size : static_cast<std::size_t>(blank - text);
  const std::string_view event = trimmed(std::string_view(text, eventSize));
  header.event.clear();
  header.event.append(event.data(), event.size());
  if (blank == nullptr) {
    header.payload.clear();
  } else {
    const std::string_view payload = trimmed(std::string_view(blank + 1, size - eventSize - 1));
    header.payload.clear();
    header.payload.append(payload.data(), payload.size());
  }
}

std::size_t writeText(uint8_t* data, std::size_t size, std::string_view text) {
  const std::size_t n = text.size();
  if (data == nullptr || n > kMaxHeaderText || size < 2 || size - 2 < n) return 0;
  data[0] = static_cast<uint8_t>(n >> 8);
  data[1] = static_cast<uint8_t>(n);
  if (n > 0) std::memcpy(data + 2, text.data(), n);
  return 2 + n;
}

std::size_t writeLength(uint8_t* data, std::size_t size, std::size_t length) {
  if (data == nullptr) return 0;
  return varint::encode(data, size, static_cast<uint32_t>(length));
}

}  // namespace detail

namespace {

std::string_view viewOf(const uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

const uint8_t* bytesOf(std::string_view data) {
  return reinterpret_cast<const uint8_t*>(data.data());
}

// A + b, saturating at SIZE_MAX.
std::size_t saturatingAdd(std::size_t a, std::size_t b) {
  return b > SIZE_MAX - a ? SIZE_MAX : a + b;
}

}  // namespace

std::string_view statusText(MessageStatus status) {
  switch (status) {
    case MessageStatus::kComplete:
      return "complete";
    case MessageStatus::kNeedHeader:
      return "need more bytes for the header";
    case MessageStatus::kNeedBody:
      return "need more bytes for the body";
    case MessageStatus::kBadTextCount:
      return "malformed header: negative text count";
    case MessageStatus::kBadLength:
      return "malformed header: the length is no varint";
    case MessageStatus::kNegativeLength:
      return "malformed header: negative length";
    case MessageStatus::kTooLarge:
      return "message larger than the limit";
  }
  return "unknown status";
}

namespace {

// readMessage into m, a Message as it is made. A stream passes the text and the fields of
// the last header it split: most streams repeat one header, whose fields are then copied
// rather than split again. Returns true when they were.
inline bool readInto(const uint8_t* data, std::size_t size, std::size_t limit, Message& m,
                     const std::string* lastText = nullptr, const Header* last = nullptr) {
  const detail::HeaderScan scan = detail::scanHeader(data, size);
  m.status = scan.status;
  bool repeated = false;
  if (scan.textComplete) {
    m.text = viewOf(data + 2, scan.textEnd - 2);
    if (lastText != nullptr && m.text == *lastText) {
      m.header.event = last->event;
      m.header.payload = last->payload;
      repeated = true;
    } else {
      detail::splitText(m.text, m.header);
    }
  }
  switch (scan.status) {
    case MessageStatus::kNeedHeader:
      m.size = scan.fewest;
      return repeated;
    case MessageStatus::kBadTextCount:
    case MessageStatus::kBadLength:
      return repeated;
    case MessageStatus::kNegativeLength:
      // Kept as readHeader keeps it: 2^64 minus its magnitude.
      m.header.length =
          static_cast<std::size_t>(static_cast<long long>(static_cast<int32_t>(scan.length)));
      m.headerSize = scan.size();
      return repeated;
    default:
      break;
  }
  m.header.length = scan.length;
  m.headerSize = scan.size();
  m.size = m.headerSize + m.header.length;
  if (m.size > limit) {
    m.status = MessageStatus::kTooLarge;
    return repeated;
  }
  if (size < m.size) {
    m.status = MessageStatus::kNeedBody;
    m.body = viewOf(data + m.headerSize, size - m.headerSize);
    return repeated;
  }
  m.status = MessageStatus::kComplete;
  m.body = viewOf(data + m.headerSize, m.header.length);
  return repeated;
}

}  // namespace

Message readMessage(const uint8_t* data, std::size_t size, std::size_t limit) {
  Message m;
  readInto(data, data == nullptr ? 0 : size, limit, m);
  return m;
}

Message readMessage(std::string_view data, std::size_t limit) {
  return readMessage(bytesOf(data), data.size(), limit);
}

std::string headerText(const Header& header) {
  std::string text = header.event;
  if (!header.payload.empty()) {
    text += ' ';
    text += header.payload;
  }
  return text;
}

std::size_t headerSize(const Header& header) {
  const std::size_t text =
      header.event.size() + (header.payload.empty() ? 0 : 1 + header.payload.size());
  if (text > kMaxHeaderText) return 0;
  return 2 + text + varint::encodedSize(static_cast<uint32_t>(header.length));
}

std::size_t writeMessage(const Header& header, std::string_view body, uint8_t* data,
                         std::size_t size) {
  if (data == nullptr ||
      body.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
    return 0;
  }
  Header framed;
  const std::string text = headerText(header);
  const std::size_t head =
      text.size() > kMaxHeaderText
          ? 0
          : 2 + text.size() + varint::encodedSize(static_cast<uint32_t>(body.size()));
  if (head == 0 || size < head || size - head < body.size()) return 0;
  std::size_t at = detail::writeText(data, size, text);
  at += detail::writeLength(data + at, size - at, body.size());
  if (!body.empty()) std::memcpy(data + at, body.data(), body.size());
  return at + body.size();
}

std::size_t writeMessage(const Header& header, std::string_view body, Buffer& buffer) {
  const std::size_t written = writeMessage(header, body, detail::BufferAccess::room(buffer),
                                           detail::BufferAccess::roomSize(buffer));
  detail::BufferAccess::commit(buffer, written);
  return written;
}

std::vector<uint8_t> encodeMessage(const Header& header, std::string_view body) {
  Header sized = header;
  sized.length = body.size();
  const std::size_t head = headerSize(sized);
  if (head == 0) return {};
  std::vector<uint8_t> bytes(saturatingAdd(head, body.size()));
  if (writeMessage(header, body, bytes.data(), bytes.size()) != bytes.size()) bytes.clear();
  return bytes;
}

std::vector<uint8_t> encodeMessage(const Version& version, const tav::GameState& state,
                                   std::string_view event) {
  Header header;
  header.event.clear();
  header.event.append(event.data(), event.size());
  header.payload = std::string(version.name());
  header.length = version.size(state);
  if (header.length > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) return {};
  const std::size_t head = headerSize(header);
  if (head == 0) return {};
  std::vector<uint8_t> bytes(head + header.length);
  std::size_t at = detail::writeText(bytes.data(), bytes.size(), headerText(header));
  at += detail::writeLength(bytes.data() + at, bytes.size() - at, header.length);
  if (at != head || version.write(state, bytes.data() + at, bytes.size() - at) != header.length) {
    bytes.clear();
  }
  return bytes;
}

// The stream. bytes_[start_, end) are the bytes waiting. pending_ caches the last result that
// asked for more bytes, with needed_ the buffered size at which asking again can change it, so
// that small feeds don't parse the same header again; a broken result is cached likewise until
// discard() or setLimit().

void MessageStream::feed(const uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0) return;
  if (toDiscard_ > 0) {
    const std::size_t dropped = toDiscard_ < size ? static_cast<std::size_t>(toDiscard_) : size;
    toDiscard_ -= dropped;
    data += dropped;
    size -= dropped;
    if (size == 0) return;
  }
  // Compacts once the taken bytes are at least as many as the waiting ones: each byte moved
  // is paid for by a byte taken, so moving costs O(bytes fed) in all.
  const std::size_t waiting = bytes_.size() - start_;
  if (start_ > 0 && start_ >= waiting) {
    if (waiting > 0) std::memmove(bytes_.data(), bytes_.data() + start_, waiting);
    bytes_.resize(waiting);
    start_ = 0;
  }
  bytes_.insert(bytes_.end(), data, data + size);
}

void MessageStream::feed(std::string_view data) { feed(bytesOf(data), data.size()); }

Message MessageStream::next() {
  const std::size_t waiting = buffered();
  const uint8_t* front = bytes_.data() + start_;
  Message m;
  if (cached_ && waiting < needed_) {
    // Nothing that can change the answer has arrived: the cached one, its views made anew.
    m = pending_;
    if (!m.text.empty()) m.text = viewOf(front + 2, m.text.size());
    if (m.status == MessageStatus::kNeedBody) {
      m.body = viewOf(front + m.headerSize, waiting - m.headerSize);
    }
    return m;
  }
  const bool repeated = readInto(front, waiting, limit_, m, &lastText_, &last_);
  m.offset = position_;
  if (m.status == MessageStatus::kComplete) {
    if (!repeated) {
      lastText_.assign(m.text.data(), m.text.size());
      last_.event = m.header.event;
      last_.payload = m.header.payload;
    }
    cached_ = false;
    needed_ = 0;
    // The bytes stay where they are (feed() compacts them): the message's views and a view
    // of waiting() taken before stay valid.
    start_ += m.size;
    position_ += m.size;
    return m;
  }
  cached_ = true;
  pending_ = m;
  // The buffered size at which the answer can change. A broken status holds whatever arrives.
  // A body holds until it is whole. A header's count can turn out negative with its first
  // byte; its text is judged once all of it is there (m.size is one more, for the length);
  // each byte of its length can end it.
  if (m.status == MessageStatus::kNeedBody) {
    needed_ = m.size;
  } else if (m.status == MessageStatus::kNeedHeader) {
    needed_ = waiting < 2 ? waiting + 1 : std::max(waiting + 1, m.size - 1);
  } else {
    needed_ = SIZE_MAX;
  }
  return m;
}

void MessageStream::discard(uint64_t n) {
  cached_ = false;
  needed_ = 0;
  const std::size_t waiting = buffered();
  const std::size_t now = n < waiting ? static_cast<std::size_t>(n) : waiting;
  start_ += now;
  position_ += n;
  toDiscard_ += n - now;
}

std::size_t MessageStream::buffered() const { return bytes_.size() - start_; }

std::string_view MessageStream::waiting() const {
  return viewOf(bytes_.data() + start_, bytes_.size() - start_);
}

void MessageStream::setLimit(std::size_t limit) {
  limit_ = limit;
  cached_ = false;
  needed_ = 0;
}

std::string_view choiceText(VersionChoice choice) {
  switch (choice) {
    case VersionChoice::kOnlyExact:
      return "only one reads it exactly";
    case VersionChoice::kNamed:
      return "several read it exactly; the header names one of them";
    case VersionChoice::kNewestExact:
      return "several read it exactly; the newest of them";
    case VersionChoice::kNamedInexact:
      return "none reads it exactly; the one the header names";
    case VersionChoice::kNewest:
      return "none reads it exactly; the newest";
  }
  return "unknown choice";
}

Detection detectVersion(const uint8_t* data, std::size_t size, const Header* header) {
  if (data == nullptr) size = 0;
  Detection detection;
  detection.named = header == nullptr ? nullptr : findVersion(header->payload);
  const Version* newestExact = nullptr;
  std::size_t exact = 0;
  bool namedExact = false;
  for (std::size_t i = 0; i < kVersions.size(); ++i) {
    VersionTrial& trial = detection.trials[i];
    trial.version = kVersions[i];
    tav::GameState scratch;
    trial.outcome = trial.version->read(scratch, data, size);
    trial.result = !trial.outcome.complete       ? TrialResult::kRanOut
                   : trial.outcome.leftover != 0 ? TrialResult::kLeftover
                                                 : TrialResult::kExact;
    if (trial.result == TrialResult::kExact) {
      ++exact;
      newestExact = trial.version;
      namedExact = namedExact || trial.version == detection.named;
    }
  }
  if (exact == 1) {
    detection.chosen = newestExact;
    detection.choice = VersionChoice::kOnlyExact;
  } else if (exact > 1) {
    detection.chosen = namedExact ? detection.named : newestExact;
    detection.choice = namedExact ? VersionChoice::kNamed : VersionChoice::kNewestExact;
  } else if (detection.named != nullptr) {
    detection.chosen = detection.named;
    detection.choice = VersionChoice::kNamedInexact;
  } else {
    detection.chosen = kVersions.back();
    detection.choice = VersionChoice::kNewest;
  }
  return detection;
}

Detection detectVersion(std::string_view body, const Header* header) {
  return detectVersion(bytesOf(body), body.size(), header);
}

const std::vector<SchemaField>& headerSchema() {
  static const std::vector<SchemaField> fields = {
      {"header.text_count", FieldType::kCount, {}, RecordKind::kHeader, 1},
      {"header.text", FieldType::kText, {}, RecordKind::kHeader, 1},
      {"header.length", FieldType::kNumber, {}, RecordKind::kHeader, 1},
  };
  return fields;
}

std::vector<FieldSpan> annotateHeader(const uint8_t* data, std::size_t size) {
  if (data == nullptr) size = 0;
  std::vector<FieldSpan> spans;
  // Adds the next header field; false when it could not be read, which ends the header.
  auto add = [&](std::size_t offset, std::size_t length, std::string value) {
    FieldSpan span;
    span.schemaIndex = spans.size();
    span.path = headerSchema()[span.schemaIndex].pattern;
    span.offset = offset;
    span.length = length;
    span.value = std::move(value);
    span.depth = 1;
    span.record = RecordKind::kHeader;
    spans.push_back(std::move(span));
    return length != 0;
  };
  const detail::HeaderScan scan = detail::scanHeader(data, size);
  if (size < 2) {
    add(0, 0, "0");
    return spans;
  }
  const auto count = static_cast<int16_t>((data[0] << 8) | data[1]);
  if (!add(0, 2, std::to_string(count)) || scan.status == MessageStatus::kBadTextCount) {
    return spans;
  }
  if (!scan.textComplete) {
    add(2, 0, quotedText({}));
    return spans;
  }
  add(2, scan.textEnd - 2, quotedText(viewOf(data + 2, scan.textEnd - 2)));
  if (scan.lengthSize == 0) {
    add(scan.textEnd, 0, "0");
  } else {
    add(scan.textEnd, scan.lengthSize, std::to_string(static_cast<int32_t>(scan.length)));
  }
  return spans;
}

std::vector<FieldSpan> annotateHeader(std::string_view data) {
  return annotateHeader(bytesOf(data), data.size());
}

}  // namespace protocol
}  // namespace tav
