#pragma once

// The work of tav-dump, apart from its command line: frame an input into messages as its
// bytes arrive (or take it as one bare body), choose each body's protocol version, and show
// each message as soon as it is complete: the reader's text dump, JSON, one summary line, an
// annotated byte listing, an HTML byte map, or a JSON Patch against the previous message.
// Bytes that frame no message are shown too, with what was wrong.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/message.h"
#include "protocol/version.h"

namespace tav {
namespace tools {

/// The ways tav-dump shows a message.
enum class Format { kText, kJson, kJsonLines, kSummary, kAnnotate, kHtml, kDiff };

/// How tav-dump reads and shows its inputs.
struct DumpOptions {
  /// How each message is shown.
  Format format = Format::kText;
  /// The body's version; null to find it for each message (the one that reads it exactly).
  const tav::protocol::Version* version = nullptr;
  /// True when the input is one body without a header.
  bool bare = false;
  /// The largest message (header and body; a bare body) read; larger ones are skipped.
  std::size_t limit = tav::protocol::kDefaultMessageLimit;
  /// True to colour text, annotate and summary output for a terminal.
  bool color = false;
  /// True to flush the output after each message (for live input).
  bool flushEach = true;
};

/// One message's state as JSON, for comparing two inputs (see compareInputs).
struct Collected {
  /// Where the message lies: "<input>: message <n> at offset <o>".
  std::string where;
  /// The state as compact JSON.
  std::string state;
};

/// Shows the messages of one input after another into out; problems go to err as
/// "tav-dump: <input>: message <n> at offset <o>: <what>". An input is given by begin(), any
/// number of feed() calls as its bytes arrive and end(); each message is shown as soon as it is
/// complete. An HTML page spans every input: it is opened by the first begin() and closed by
/// finish().
class Dumper {
 public:
  /// A dumper writing into out and err.
  Dumper(const DumpOptions& options, std::ostream& out, std::ostream& err);
  ~Dumper();
  Dumper(const Dumper&) = delete;
  Dumper& operator=(const Dumper&) = delete;

  /// Starts the input called name.
  void begin(const std::string& name);
  /// Takes bytes of the input that arrived, showing the messages they complete.
  void feed(std::string_view bytes);
  /// Ends the input: shows what is left (a message cut short, bytes that frame no message).
  /// Returns false when some message was incomplete, malformed or had bytes left over, some
  /// bytes framed no message, or the input was empty.
  bool end();
  /// begin(name), feed(bytes), end().
  bool dump(const std::string& name, std::string_view bytes);
  /// Ends the output (closes the HTML page). Call once after the last end().
  void finish();
  /// When collect is set, every message's state is appended to it (and nothing is shown).
  void collectInto(std::vector<Collected>* collect);

  struct Item;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// Compares the messages of two inputs one by one: writes each difference as
/// "<where a> / <where b>" and an RFC 6902 patch from a's state to b's (one JSON line), and
/// a line for messages one input has and the other lacks. Returns true when they are equal.
bool compareInputs(const std::vector<Collected>& a, const std::vector<Collected>& b,
                   std::ostream& out);

}  // namespace tools
}  // namespace tav
