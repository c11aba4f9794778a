#pragma once

// The work of tav-encode, apart from its command line: JSON documents to framed messages or a
// bare body.

#include <string>
#include <string_view>

#include "protocol/version.h"

namespace tav {
namespace tools {

/// How tav-encode writes its messages. Values left empty come from each document.
struct EncodeOptions {
  /// The body's version; null to take the document's "protocol", else the version its payload
  /// names, else the newest.
  const tav::protocol::Version* version = nullptr;
  /// True when event holds the header's event for every message.
  bool eventGiven = false;
  /// The event when eventGiven.
  std::string event;
  /// True when payload holds the header's payload for every message.
  bool payloadGiven = false;
  /// The payload when payloadGiven.
  std::string payload;
  /// True to write the body alone, without a header (one document only).
  bool bare = false;
};

/// Encodes every document of text (each a message object or a bare state, see
/// tav::json::messagesFromJson) into bytes, one message after another. Returns false with a
/// message in error, naming the input and the place, and bytes empty when any document is
/// refused: nothing is written then.
bool encodeAll(const EncodeOptions& options, std::string_view text, const std::string& name,
               std::string& bytes, std::string& error);

}  // namespace tools
}  // namespace tav
