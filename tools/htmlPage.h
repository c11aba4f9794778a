#pragma once

// The HTML byte map of tav-dump: one self-contained page (inline style and script, nothing
// fetched) with a section per message: the bytes as a hex grid, each field's bytes shaded by
// the record the field lies in, and the field tree beside it. Hovering or clicking a field
// (in the grid or the tree) highlights its bytes and its tree entry.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/version.h"

namespace tav {
namespace tools {

/// One message as the page shows it. Offsets count from the message's first byte.
struct HtmlMessage {
  /// The section's heading.
  std::string title;
  /// The message's bytes: header (if any) and the body bytes there are.
  std::string_view bytes;
  /// The offset of bytes[0] in the input, for the grid's addresses.
  std::size_t start = 0;
  /// Where the body begins in bytes.
  std::size_t bodyStart = 0;
  /// Every field read, header fields first, in byte order. A field with an empty path stands
  /// for a run of fields not read; its value says how many.
  std::vector<tav::protocol::FieldSpan> fields;
  /// The end of the bytes the body read used.
  std::size_t consumedEnd = 0;
  /// False when the data ran out before the body was complete.
  bool complete = true;
  /// Where the first field that could not be read begins; meaningful when !complete.
  std::size_t stoppedAt = 0;
  /// The path of that field.
  std::string stoppedField;
  /// One line on how the read ended.
  std::string status;
  /// False when the message has a problem (shown as such).
  bool ok = true;
};

/// Writes the page's head: everything before the first message.
void htmlBegin(std::ostream& out);

/// Writes one message's section; index numbers the sections from 0.
void htmlMessage(std::ostream& out, const HtmlMessage& message, std::size_t index);

/// Writes the page's end: the script and the closing tags.
void htmlEnd(std::ostream& out);

}  // namespace tools
}  // namespace tav
