#pragma once

// The work of tav-dump, apart from its command line: split an input into framed messages (or
// take it as one bare body), choose each body's protocol version, and show each message as
// the reader's text dump, JSON, an annotated byte listing or an HTML byte map.

#include <iosfwd>
#include <string>
#include <string_view>

#include "protocol/version.h"

namespace tav {
namespace tools {

/// The ways tav-dump shows a message.
enum class Format { kText, kJson, kAnnotate, kHtml };

/// How tav-dump reads and shows its inputs.
struct DumpOptions {
  /// How each message is shown.
  Format format = Format::kText;
  /// The body's version; null to find it for each message (the one that reads it exactly).
  const tav::protocol::Version* version = nullptr;
  /// True when the input is one body without a header.
  bool bare = false;
};

/// Shows the messages of one input after another into out; problems go to err as
/// "tav-dump: <input>: message <n> at offset <o>: <what>". An HTML page spans every input:
/// it is opened by the first dump() and closed by finish().
class Dumper {
 public:
  /// A dumper writing into out and err.
  Dumper(const DumpOptions& options, std::ostream& out, std::ostream& err);

  /// Shows every message of bytes, which came from the input called name. Returns false when
  /// some message was incomplete, malformed or had bytes left over, or the input was empty.
  bool dump(const std::string& name, std::string_view bytes);

  /// Ends the output (closes the HTML page). Call once after the last dump().
  void finish();

 private:
  struct Message;
  void show(Message& message);
  void showText(const Message& message);
  void showJson(const Message& message);
  void showAnnotate(const Message& message);
  void showHtml(const Message& message);
  bool problem(const Message& message, const std::string& what);

  DumpOptions options_;
  std::ostream& out_;
  std::ostream& err_;
  bool started_ = false;
  std::size_t shown_ = 0;
};

}  // namespace tools
}  // namespace tav
