#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/header.h"
#include "protocol/version.h"

// Messages: a header (a UTF string "event[ payload]", then a varint length), then a body of
// the length the header gives. This is the one place that frames messages: reading one from
// bytes, writing one, decoding a stream of them as its bytes arrive, and telling which
// protocol version a body is written in.
namespace tav {
namespace protocol {

/// The most text bytes a header can carry: its count is a 16-bit value whose top bit must
/// stay clear.
inline constexpr std::size_t kMaxHeaderText = 0x7FFF;
/// The most bytes a header can take: the 2-byte text count, the text, a 5-byte length.
inline constexpr std::size_t kMaxHeaderSize = 2 + kMaxHeaderText + 5;
/// The largest message a MessageStream accepts unless told otherwise: 16 MiB.
inline constexpr std::size_t kDefaultMessageLimit = std::size_t{16} << 20;

/// What a run of bytes holds at its start.
enum class MessageStatus : uint8_t {
  /// A whole message: header and body.
  kComplete,
  /// The header is not complete yet: more bytes are needed.
  kNeedHeader,
  /// The header is complete, the body not yet: more bytes are needed.
  kNeedBody,
  /// The text count has its top bit set (a negative count).
  kBadTextCount,
  /// The length varint does not end within 5 bytes.
  kBadLength,
  /// The length is negative as a signed 32-bit value.
  kNegativeLength,
  /// The header is complete and announces a message larger than the caller's limit.
  kTooLarge,
};

/// A short lower-case description of a status, such as "complete" or "need more bytes".
std::string_view statusText(MessageStatus status);
/// True for kNeedHeader and kNeedBody: the bytes so far are a valid start of a message.
constexpr bool needsMoreBytes(MessageStatus status) {
  return status == MessageStatus::kNeedHeader || status == MessageStatus::kNeedBody;
}
/// True for the statuses no further bytes can make complete (malformed or too large).
constexpr bool isBroken(MessageStatus status) {
  return status != MessageStatus::kComplete && !needsMoreBytes(status);
}

/// One message as read from bytes, without copying them: the views point into the bytes read.
struct Message {
  /// What the bytes hold.
  MessageStatus status = MessageStatus::kNeedHeader;
  /// The header's fields. event and payload are set once the text is complete (also for a
  /// malformed length); header.length, the body size the header announces, once the header is
  /// complete (kComplete, kNeedBody, kTooLarge; kNegativeLength keeps it as readHeader does,
  /// 2^64 minus its magnitude).
  Header header;
  /// The header's text as it is on the wire, before it is cut at a zero byte, split and
  /// trimmed; set when the text is complete.
  std::string_view text;
  /// Bytes the header takes; set when the header is complete (and for kNegativeLength).
  std::size_t headerSize = 0;
  /// The body: all of it when kComplete; the bytes present so far when kNeedBody; empty
  /// otherwise.
  std::string_view body;
  /// kComplete, kNeedBody, kTooLarge: headerSize + header.length. kNeedHeader: the fewest
  /// bytes the message can take given what was seen (more than were there). 0 for the
  /// malformed statuses.
  std::size_t size = 0;
  /// Where the message starts, counted from the first byte of a MessageStream (0 for
  /// readMessage).
  uint64_t offset = 0;
};

/// Reads the message at the start of data[0, size) without copying. Exact: a complete header
/// in front of an empty body is a complete message. A message whose header announces more
/// than limit bytes in all is kTooLarge (header fields set, body empty). Never reads outside
/// the bytes given.
Message readMessage(const uint8_t* data, std::size_t size, std::size_t limit = SIZE_MAX);
/// As above, over the bytes of data.
Message readMessage(std::string_view data, std::size_t limit = SIZE_MAX);

/// The header's text: the event, or event + ' ' + payload.
std::string headerText(const Header& header);
/// The number of bytes header takes on the wire (its text and the low 32 bits of its length);
/// 0 when its text is longer than kMaxHeaderText.
std::size_t headerSize(const Header& header);

/// Writes a message: header with its length set to body.size(), then body. Appends to buffer
/// and returns the bytes written; when it can't be written whole (no room, text too long,
/// body longer than INT32_MAX), writes nothing, leaves the write position and returns 0.
std::size_t writeMessage(const Header& header, std::string_view body, Buffer& buffer);
/// As above, into data[0, size).
std::size_t writeMessage(const Header& header, std::string_view body, uint8_t* data,
                         std::size_t size);
/// The message as bytes of their own; empty when it can't be written.
std::vector<uint8_t> encodeMessage(const Header& header, std::string_view body);
/// The message holding the body of state in version, under a header of the given event whose
/// payload is the version's name (e.g. "game_state 8.4"); empty when it can't be written.
std::vector<uint8_t> encodeMessage(const Version& version, const tav::GameState& state,
                                   std::string_view event = "game_state");

/// An incremental decoder for the bytes of a stream as they arrive (a socket, a pipe): feed
/// chunks of any size, take each message as soon as it is complete. Work and memory are
/// O(bytes fed) for every split of the input; a message announcing more than the limit is
/// reported at once, never waited for nor buffered.
class MessageStream {
 public:
  /// A stream accepting messages of at most limit bytes (header and body).
  explicit MessageStream(std::size_t limit = kDefaultMessageLimit) : limit_(limit) {}

  /// Appends bytes that arrived. Invalidates the views of messages taken before.
  void feed(const uint8_t* data, std::size_t size);
  /// As above, over the bytes of data.
  void feed(std::string_view data);

  /// The message at the front of the bytes waiting. kComplete: the message is taken out of
  /// the stream (its views stay valid until the next feed()). kNeedHeader/kNeedBody:
  /// nothing is taken; feed more. A broken status (malformed, too large): nothing is taken and
  /// the same status comes back until discard() drops bytes (a kTooLarge message's own size,
  /// say, or one byte to search for the next header).
  Message next();
  /// Drops the next n bytes of the stream, including ones that have not arrived yet (they are
  /// dropped as they come, without being stored).
  void discard(uint64_t n);
  /// Bytes waiting: fed and not taken nor discarded.
  std::size_t buffered() const;
  /// The bytes waiting, the one at position() first, e.g. to search them for the next message
  /// after a broken header. next() and discard() only shorten the view at its front, they
  /// never move bytes: a view (and the bytes of a message taken) stays valid until the next
  /// feed().
  std::string_view waiting() const;
  /// The stream offset of the first byte waiting (bytes taken and discarded so far).
  uint64_t position() const { return position_; }
  /// The limit given at construction; setLimit changes it for the messages not taken yet.
  std::size_t limit() const { return limit_; }
  /// Sets the limit on a message's size (header and body).
  void setLimit(std::size_t limit);

 private:
  std::size_t limit_;
  std::vector<uint8_t> bytes_;
  std::size_t start_ = 0;
  // The last result that did not take a message, served again while fewer than needed_ bytes
  // wait (SIZE_MAX for a broken one, which only discard() or setLimit() changes).
  Message pending_;
  bool cached_ = false;
  // The text of the last message taken and its split fields, copied for a message that
  // repeats the text.
  std::string lastText_;
  Header last_;
  std::size_t needed_ = 0;
  uint64_t position_ = 0;
  uint64_t toDiscard_ = 0;
};

/// How a version fared in reading a body quietly.
enum class TrialResult : uint8_t {
  /// The body read completely with no byte left over.
  kExact,
  /// The data ran out (or held an undecodable value) before the body was complete.
  kRanOut,
  /// The body read completely and bytes were left after it.
  kLeftover,
};

/// One version's quiet read of a body.
struct VersionTrial {
  /// The version tried.
  const Version* version = nullptr;
  /// What its read found.
  TrialResult result = TrialResult::kExact;
  /// Its read's outcome (offsets from the body's first byte).
  ReadOutcome outcome;
};

/// How the version of a body was chosen.
enum class VersionChoice : uint8_t {
  /// Exactly one version reads the body exactly.
  kOnlyExact,
  /// Several read it exactly; the header's payload names one of them.
  kNamed,
  /// Several read it exactly and the payload names none of them: the newest of them.
  kNewestExact,
  /// None reads it exactly; the payload names a known version: that one.
  kNamedInexact,
  /// None reads it exactly and the payload names no known version: the newest version.
  kNewest,
};

/// A short lower-case description of a choice, such as "only one reads it exactly".
std::string_view choiceText(VersionChoice choice);

/// Which versions read a body exactly and the one to read it as.
struct Detection {
  /// The version chosen; never null.
  const Version* chosen = nullptr;
  /// How it was chosen.
  VersionChoice choice = VersionChoice::kNewest;
  /// The version the header's payload names; null without a header or for an unknown name.
  const Version* named = nullptr;
  /// Every version's trial, in the order of kVersions.
  std::array<VersionTrial, 3> trials{};

  /// True when the chosen version reads the body exactly.
  bool exact() const {
    return choice != VersionChoice::kNamedInexact && choice != VersionChoice::kNewest;
  }
};

/// Reads body quietly in every version and chooses one: the payload's if it reads exactly,
/// else the newest that does; when none does, the payload's, else the newest. header may be
/// null (a bare body).
Detection detectVersion(std::string_view body, const Header* header = nullptr);
/// As above, over data[0, size).
Detection detectVersion(const uint8_t* data, std::size_t size, const Header* header = nullptr);

/// The fields of a header, as the schema of a body lists its own: "header.text_count" (a
/// count), "header.text" (a text), "header.length" (a number), each with record kHeader and
/// depth 1. The header spans of annotateHeader have their schemaIndex in this list.
const std::vector<SchemaField>& headerSchema();

/// The header's fields as annotation spans, offsets from the message's first byte:
/// "header.text_count" (2 bytes), "header.text" (the text), "header.length" (the varint),
/// each with record kHeader; as many of them as the bytes hold (a field cut short has
/// length 0). The values are shown as the annotation shows values (the text quoted).
std::vector<FieldSpan> annotateHeader(const uint8_t* data, std::size_t size);
/// As above, over the bytes of data.
std::vector<FieldSpan> annotateHeader(std::string_view data);

}  // namespace protocol
}  // namespace tav
