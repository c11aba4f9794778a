#pragma once

// The HTML byte map of tav-dump: one self-contained page (inline style and script, nothing
// fetched). Each message's bytes and field spans are written once as compact data; the page
// draws the selected message on demand: the hex grid (only the rows in view), each field's
// bytes shaded by the record the field lies in, and the field tree beside it with collapsible
// records. It has a message list for streams, search by path or value, hex or decimal offsets,
// copying of a value or its bytes, and arrow keys to move between fields.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "protocol/version.h"

namespace tav {
namespace tools {

/// One message (or a run of bytes that frame no message) as the page shows it.
struct HtmlMessage {
  /// The message's heading.
  std::string title;
  /// Its short line in the message list.
  std::string label;
  /// The message's bytes: header (if any) and the body bytes there are.
  std::string_view bytes;
  /// The offset of bytes[0] in the input, for the grid's addresses.
  uint64_t start = 0;
  /// Where the body begins in bytes.
  std::size_t bodyStart = 0;
  /// The header's fields, offsets from bytes[0]; null for none.
  const std::vector<tav::protocol::FieldSpan>* header = nullptr;
  /// The body's fields in wire order, offsets from the body's first byte; null for none.
  const std::vector<tav::protocol::FieldSpan>* body = nullptr;
  /// The body's version, whose schema the body fields' schemaIndex points into.
  const tav::protocol::Version* version = nullptr;
  /// The end of the bytes the body read used, from bytes[0].
  std::size_t consumedEnd = 0;
  /// False when the data ran out before the body was complete.
  bool complete = true;
  /// Where the first field that could not be read begins, from bytes[0]; when !complete.
  std::size_t stoppedAt = 0;
  /// One line on how the read ended.
  std::string status;
  /// False when the message has a problem (shown as such).
  bool ok = true;
  /// True for bytes that frame no message (shown hatched, with status saying why).
  bool garbage = false;
};

/// Writes the page's head and the field schemas: everything before the first message.
void htmlBegin(std::ostream& out);

/// Writes one message's data; index numbers the messages from 0.
void htmlMessage(std::ostream& out, const HtmlMessage& message, std::size_t index);

/// Writes one message's data as its fields come, so that they need not be held: made with
/// the message's bytes, start, bodyStart and version; then header() for each header field and
/// body() for each body field, in wire order (all header fields first); then finish() with
/// the rest of the message (how the read ended, title, label, status) filled in.
class HtmlMessageWriter {
 public:
  /// Writes the message's start, bytes and version.
  HtmlMessageWriter(std::ostream& out, const HtmlMessage& message);
  HtmlMessageWriter(const HtmlMessageWriter&) = delete;
  HtmlMessageWriter& operator=(const HtmlMessageWriter&) = delete;
  /// Writes a header field (offset from the message's first byte).
  void header(const tav::protocol::FieldSpan& field);
  /// Writes a body field (offset from the body's first byte).
  void body(const tav::protocol::FieldSpan& field);
  /// Writes the message's distinct values, how its read ended and its list entry.
  void finish(const HtmlMessage& message);

 private:
  void field(const tav::protocol::FieldSpan& field, std::size_t offset);

  std::ostream& out_;
  std::size_t bodyStart_ = 0;
  std::size_t end_ = 0;
  long long previous_[3] = {-1, 0, 0};
  bool first_ = true;
  bool inBody_ = false;
  // Each distinct value once, by its first place; the list of them in order of places.
  std::unordered_map<std::string, std::size_t> table_;
  std::vector<const std::string*> values_;
};

/// Writes the page's end: the script that draws the messages, and the closing tags.
void htmlEnd(std::ostream& out);

}  // namespace tools
}  // namespace tav
