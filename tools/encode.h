#pragma once

// The work of tav-encode, apart from its command line: a stream of JSON documents to framed
// messages or a bare body, one document at a time, each checked to come back from its bytes
// as it was written.

#include <cstddef>
#include <memory>
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
  /// True to encode documents whose values don't all survive (said on the warnings stream),
  /// and messages whose read was incomplete; false to refuse them.
  bool lossy = false;
  /// An RFC 6902 JSON Patch (JSON text) applied to each document before it is encoded; empty
  /// for none.
  std::string patch;
  /// The largest document, in bytes of JSON text.
  std::size_t documentLimit = std::size_t{256} << 20;
};

/// Encodes a stream of JSON documents (each a message object or a bare state, see
/// tav::json::messagesFromJson; a message's "source" and "read", as tav-dump writes them, are
/// understood) as their text arrives. The first refusal stops it: error() says what and where.
class Encoder {
 public:
  /// An encoder for the input called name; warnings (values changed under lossy) go to
  /// *warnings when it is not null.
  Encoder(const EncodeOptions& options, std::string name, std::string* warnings = nullptr);
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  /// Takes text that arrived; appends the bytes of each document it completes to bytes.
  /// Returns false once a document is refused.
  bool feed(std::string_view text, std::string& bytes);
  /// Ends the input: encodes a last document and checks there was one. Returns false when a
  /// document was refused or there was none.
  bool end(std::string& bytes);
  /// Why a document was refused: "<name>: document <n>, <where>: <what>".
  const std::string& error() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// Checks that text is a JSON Patch: an array of operation objects, nested at most 16 deep.
/// Returns false with what is wrong in error.
bool checkPatch(std::string_view text, std::string& error);

/// Encodes every document of text into bytes, one message after another. Returns false with a
/// message in error, naming the input and the place, and bytes empty when any document is
/// refused: nothing is written then.
bool encodeAll(const EncodeOptions& options, std::string_view text, const std::string& name,
               std::string& bytes, std::string& error);

}  // namespace tools
}  // namespace tav
