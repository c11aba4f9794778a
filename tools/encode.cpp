#include "encode.h"

#include <cctype>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "json/gameStateJson.h"
#include "protocol/message.h"

namespace tav {
namespace tools {

namespace {

using Json = nlohmann::ordered_json;

// The deepest nesting of a document's "read" or of a patch: both are shallow by nature.
constexpr int kMaxSmallDepth = 16;
// Values that don't come back are listed up to this many per document.
constexpr std::size_t kMostLosses = 20;

bool hasOuterSpace(const std::string& text) {
  return !text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) != 0 ||
                           std::isspace(static_cast<unsigned char>(text.back())) != 0);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Follows JSON text byte by byte and tells which bytes stand outside its string literals,
// where brackets and commas are structure. A quote and everything up to the closing one
// (escapes included) count as inside.
class StringTracker {
 public:
  // Takes the next byte; returns true when it is outside every string.
  bool outside(char c) {
    if (inString_) {
      if (escaped_) {
        escaped_ = false;
      } else if (c == '\\') {
        escaped_ = true;
      } else if (c == '"') {
        inString_ = false;
      }
      return false;
    }
    inString_ = c == '"';
    return !inString_;
  }

 private:
  bool inString_ = false;
  bool escaped_ = false;
};

// Splits a stream of JSON texts into documents without parsing them: it follows strings and
// the nesting of objects and arrays, so it knows where each document ends as soon as its last
// byte arrives. Whether the document is valid JSON is the parser's to say.
class Splitter {
 public:
  // Takes one byte; returns true when it ends a document (the document is then in text()).
  bool take(char c) {
    if (!inDocument_) {
      if (isBlank(c)) {
        advance(c);
        return false;
      }
      inDocument_ = true;
      depth_ = 0;
      scalar_ = false;
      inString_ = false;
      escaped_ = false;
      startOffset_ = offset_;
      startLine_ = line_;
      startColumn_ = column_;
      text_.clear();
    }
    if (scalar_ && !inString_ &&
        (isBlank(c) || c == '{' || c == '[' || c == '"' || c == '}' || c == ']')) {
      // A scalar at the top level ends before this byte, which begins the next document.
      inDocument_ = false;
      pendingByte_ = true;
      pending_ = c;
      return true;
    }
    text_ += c;
    advance(c);
    if (inString_) {
      if (escaped_) {
        escaped_ = false;
      } else if (c == '\\') {
        escaped_ = true;
      } else if (c == '"') {
        inString_ = false;
        if (depth_ == 0) return finish();
      }
      return false;
    }
    switch (c) {
      case '"':
        inString_ = true;
        return false;
      case '{':
      case '[':
        ++depth_;
        return false;
      case '}':
      case ']':
        if (--depth_ <= 0) return finish();
        return false;
      default:
        if (depth_ == 0) scalar_ = true;
        return false;
    }
  }
  // True when a byte was held back by take() for the next document.
  bool takePending(char& c) {
    if (!pendingByte_) return false;
    pendingByte_ = false;
    c = pending_;
    return true;
  }
  // At the end of the input: true when a document was begun (it is then in text()).
  bool endOfInput() {
    const bool begun = inDocument_;
    inDocument_ = false;
    return begun;
  }
  std::string& text() { return text_; }
  std::size_t size() const { return text_.size(); }
  bool inDocument() const { return inDocument_; }
  std::size_t startOffset() const { return startOffset_; }
  std::size_t startLine() const { return startLine_; }
  std::size_t startColumn() const { return startColumn_; }

 private:
  bool finish() {
    inDocument_ = false;
    return true;
  }
  void advance(char c) {
    ++offset_;
    if (c == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
  }
  std::string text_;
  bool inDocument_ = false;
  bool inString_ = false;
  bool escaped_ = false;
  bool scalar_ = false;
  bool pendingByte_ = false;
  char pending_ = 0;
  int depth_ = 0;
  std::size_t offset_ = 0;
  std::size_t line_ = 1;
  std::size_t column_ = 1;
  std::size_t startOffset_ = 0;
  std::size_t startLine_ = 1;
  std::size_t startColumn_ = 1;
};

// One member at the top level of an object document: where its key starts, where its value
// ends, and the commas around it.
struct Member {
  std::string key;
  std::size_t keyStart = 0;
  std::size_t valueEnd = 0;
  std::size_t commaBefore = std::string::npos;
  std::size_t commaAfter = std::string::npos;
  int depth = 0;  // the deepest nesting inside the value
};

// The members of an object document's top level, as far as they can be told apart; the
// parser judges whether the text is valid. Keys are taken as written (escapes not decoded).
std::vector<Member> topMembers(std::string_view text) {
  std::vector<Member> members;
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i >= text.size() || text[i] != '{') return members;
  ++i;
  std::size_t lastComma = std::string::npos;
  while (i < text.size()) {
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i >= text.size() || text[i] != '"') return members;
    Member m;
    m.keyStart = i;
    m.commaBefore = lastComma;
    std::size_t k = i + 1;
    while (k < text.size() && text[k] != '"') k += text[k] == '\\' ? 2 : 1;
    if (k >= text.size()) return members;
    m.key = std::string(text.substr(i + 1, k - i - 1));
    i = k + 1;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i >= text.size() || text[i] != ':') return members;
    ++i;
    // The value: up to a comma or the closing brace at this level.
    int depth = 0;
    StringTracker strings;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      if (!strings.outside(c)) continue;
      if (c == '{' || c == '[') {
        ++depth;
        m.depth = std::max(m.depth, depth);
      } else if (c == '}' || c == ']') {
        if (depth == 0) break;
        --depth;
      } else if (c == ',' && depth == 0) {
        break;
      }
    }
    m.valueEnd = i;
    while (m.valueEnd > m.keyStart && isBlank(text[m.valueEnd - 1])) --m.valueEnd;
    if (i < text.size() && text[i] == ',') {
      m.commaAfter = i;
      lastComma = i;
      ++i;
      members.push_back(std::move(m));
      continue;
    }
    members.push_back(std::move(m));
    return members;
  }
  return members;
}

// Blanks text[from, to) with spaces, keeping line breaks, so that positions stay as they were.
void blank(std::string& text, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < text.size(); ++i) {
    if (text[i] != '\n') text[i] = ' ';
  }
}

std::string shortJson(const Json& value) {
  std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
  if (text.size() > 60) text = text.substr(0, 57) + "...";
  return text;
}

}  // namespace

struct Encoder::Impl {
  EncodeOptions options;
  std::string name;
  std::string* warnings;
  std::string error;
  Splitter splitter;
  std::size_t documents = 0;
  bool failed = false;
  bool tooMany = false;  // --bare and a second document
  Json patch;
  bool havePatch = false;

  Impl(const EncodeOptions& o, std::string n, std::string* w)
      : options(o), name(std::move(n)), warnings(w) {}

  bool refuse(const std::string& what) {
    error = name + ": document " + std::to_string(documents) + what;
    failed = true;
    return false;
  }

  bool feed(std::string_view text, std::string& bytes) {
    if (failed) return false;
    for (const char c : text) {
      if (!takeByte(c, bytes)) return false;
    }
    return true;
  }

  bool takeByte(char c, std::string& bytes) {
    if (!splitter.take(c)) {
      if (splitter.size() > options.documentLimit) {
        ++documents;
        return refuse(" is larger than the limit of " + std::to_string(options.documentLimit) +
                      " bytes for a document");
      }
      return true;
    }
    if (!document(bytes)) return false;
    char held = 0;
    if (splitter.takePending(held)) return takeByte(held, bytes);
    return true;
  }

  bool end(std::string& bytes) {
    if (failed) return false;
    if (splitter.endOfInput() && !document(bytes)) return false;
    if (tooMany) {
      error = name + ": --bare writes one body, but the input holds " + std::to_string(documents) +
              " documents";
      failed = true;
      return false;
    }
    if (documents == 0) {
      error = name + ": no JSON document";
      failed = true;
      return false;
    }
    return true;
  }

  // The error of the library's reading, its place made relative to the whole input.
  bool refuseJson(tav::json::Error e, bool placed) {
    if (placed && e.line > 0) {
      if (e.line == 1) e.column += splitter.startColumn() - 1;
      e.line += splitter.startLine() - 1;
      e.offset += splitter.startOffset();
    }
    return refuse(", " + e.message());
  }

  bool document(std::string& bytes) {
    ++documents;
    if (options.bare && documents > 1) {
      tooMany = true;
      return true;  // counted to the end, then refused
    }
    std::string& text = splitter.text();
    // tav-dump's "source" and "read": where the message came from and how its read ended.
    Json read;
    bool haveRead = false;
    bool framedDocument = false;
    for (const Member& m : topMembers(text)) {
      framedDocument = framedDocument || m.key == "state";
      if (m.key != "source" && m.key != "read") continue;
      if (m.depth > kMaxSmallDepth) return refuse(", at /" + m.key + ": nested too deeply");
      if (m.key == "read") {
        if (haveRead) return refuse(", at /read: the member \"read\" is repeated");
        const std::size_t colon = text.find(':', m.keyStart + 6);
        read = Json::parse(text.substr(colon + 1, m.valueEnd - colon - 1), nullptr, false);
        haveRead = true;
      }
      if (m.commaAfter != std::string::npos) {
        blank(text, m.keyStart, m.commaAfter + 1);
      } else if (m.commaBefore != std::string::npos) {
        blank(text, m.commaBefore, m.valueEnd);
      } else {
        blank(text, m.keyStart, m.valueEnd);
      }
    }
    tav::json::MessagesResult parsed = tav::json::messagesFromJson(text);
    if (!parsed.ok) return refuseJson(parsed.error, true);
    if (parsed.messages.size() != 1) return refuse(": expected one JSON document");
    if (haveRead && !checkRead(read)) return false;
    if (!options.patch.empty()) {
      if (!applyPatch(text, parsed)) return false;
    }
    return encode(parsed.messages[0], framedDocument, bytes);
  }

  bool checkRead(const Json& read) {
    if (!read.is_object()) return refuse(", at /read: expected an object, as tav-dump writes it");
    const auto flag = [&](const char* key, bool otherwise) {
      const auto it = read.find(key);
      return it != read.end() && it->is_boolean() ? it->get<bool>() : otherwise;
    };
    const auto number = [&](const char* key) -> long long {
      const auto it = read.find(key);
      return it != read.end() && it->is_number_integer() ? it->get<long long>() : 0;
    };
    const bool complete = flag("complete", true);
    const long long left = number("left_over");
    if (complete && left == 0 && !flag("no_exact_version", false)) return true;
    std::string how;
    if (!complete) {
      how = "the read of its bytes was incomplete";
      if (read.contains("stopped_at")) {
        how += ": it stopped at offset " + std::to_string(number("stopped_at"));
      }
      if (read.contains("stopped_field") && read["stopped_field"].is_string()) {
        how += " in field " + read["stopped_field"].get<std::string>();
      }
      if (read.contains("announced")) {
        how += "; the header announced " + std::to_string(number("announced")) + " body bytes, " +
               std::to_string(number("present")) + " were there";
      }
    } else if (left > 0) {
      how = "its bytes had " + std::to_string(left) + " bytes left over after the body";
    } else {
      how = "no protocol version read its bytes exactly";
    }
    if (options.lossy) {
      if (warnings != nullptr) {
        *warnings += name + ": document " + std::to_string(documents) + ", at /read: " + how +
                     "; encoded all the same (--lossy)\n";
      }
      return true;
    }
    return refuse(", at /read: " + how +
                  "; the state holds values the bytes did not give (--lossy encodes it anyway)");
  }

  bool applyPatch(const std::string& text, tav::json::MessagesResult& parsed) {
    if (!havePatch) {
      patch = Json::parse(options.patch, nullptr, false);
      havePatch = true;
    }
    try {
      // The patch's paths are in the state, as tav-dump --diff writes them.
      Json document = Json::parse(text);
      if (document.is_object() && document.contains("state")) {
        document["state"] = document["state"].patch(patch);
      } else {
        document = document.patch(patch);
      }
      parsed = tav::json::messagesFromJson(document.dump());
    } catch (const std::exception& e) {
      return refuse(": the patch does not apply: " + std::string(e.what()));
    }
    if (!parsed.ok) return refuseJson(parsed.error, false);
    return true;
  }

  // Names each value of the state that does not come back from its body, with what happens.
  std::vector<std::string> losses(const tav::GameState& state, const tav::GameState& back,
                                  const std::string& prefix) {
    std::vector<std::string> lines;
    const Json from = Json::parse(tav::json::toJson(state, -1), nullptr, false);
    const Json to = Json::parse(tav::json::toJson(back, -1), nullptr, false);
    const Json ops = Json::diff(from, to);
    for (const Json& op : ops) {
      const std::string path = op.value("path", std::string());
      const std::string kind = op.value("op", std::string());
      std::string line = prefix + path + ": ";
      if (kind == "remove") {
        const Json::json_pointer pointer(path);
        line += shortJson(from.contains(pointer) ? from.at(pointer) : Json()) + " is lost";
      } else if (kind == "replace") {
        const Json::json_pointer pointer(path);
        line += shortJson(from.contains(pointer) ? from.at(pointer) : Json()) + " comes back as " +
                shortJson(op.value("value", Json()));
      } else {
        line += "comes back as " + shortJson(op.value("value", Json())) +
                ", which the document does not hold";
      }
      lines.push_back(std::move(line));
    }
    if (lines.empty()) lines.emplace_back(prefix + ": a value does not come back as written");
    return lines;
  }

  bool encode(const tav::json::Message& m, bool framedDocument, std::string& bytes) {
    const tav::protocol::Version* version = options.version;
    if (version == nullptr && !m.protocol.empty()) {
      version = tav::protocol::findVersion(m.protocol);
      if (version == nullptr) {
        return refuse(": unknown protocol \"" + m.protocol +
                      "\" (known: " + tav::protocol::versionNames() + ")");
      }
    }
    if (version == nullptr) version = tav::protocol::findVersion(m.payload);
    if (version == nullptr) version = tav::protocol::kVersions.back();

    const std::vector<uint8_t> body = version->encode(m.state);
    if (body.empty()) return refuse(": the body does not fit a message");
    // What the bytes give back must be what the document says.
    tav::GameState back;
    const tav::protocol::ReadOutcome outcome = version->read(back, body.data(), body.size());
    if (!outcome.exact() || !(back == m.state)) {
      const std::vector<std::string> lost =
          losses(m.state, back, framedDocument ? "/state" : std::string());
      std::string list;
      for (std::size_t i = 0; i < lost.size() && i < kMostLosses; ++i) list += "\n  " + lost[i];
      if (lost.size() > kMostLosses) {
        list += "\n  ... " + std::to_string(lost.size() - kMostLosses) + " more";
      }
      const std::string what =
          ": protocol " + std::string(version->name()) + " does not keep " +
          (lost.size() == 1 ? std::string("a value") : std::to_string(lost.size()) + " values") +
          " of the document:" + list;
      if (!options.lossy) return refuse(what + "\n  (--lossy encodes it all the same)");
      if (warnings != nullptr) {
        *warnings += name + ": document " + std::to_string(documents) + what +
                     "\n  (encoded all the same: --lossy)\n";
      }
    }
    const std::string_view bodyView(reinterpret_cast<const char*>(body.data()), body.size());
    if (options.bare) {
      bytes.append(bodyView.data(), bodyView.size());
      return true;
    }
    tav::protocol::Header header;
    header.event = options.eventGiven ? options.event
                                      : (m.event.empty() ? std::string("game_state") : m.event);
    header.payload = options.payloadGiven
                         ? options.payload
                         : (m.payload.empty() ? std::string(version->name()) : m.payload);
    // The reader splits the header text at its first blank and trims both parts: an event
    // or payload that would read back differently is refused.
    if (header.event.empty() || header.event.find(' ') != std::string::npos ||
        hasOuterSpace(header.event)) {
      return refuse(": the event \"" + header.event +
                    "\" must be non-empty, without blanks and without surrounding white space");
    }
    if (hasOuterSpace(header.payload)) {
      return refuse(": the payload must not begin or end with white space");
    }
    if (tav::protocol::headerText(header).size() > tav::protocol::kMaxHeaderText) {
      return refuse(": the header text is longer than " +
                    std::to_string(tav::protocol::kMaxHeaderText) + " bytes");
    }
    const std::vector<uint8_t> message = tav::protocol::encodeMessage(header, bodyView);
    if (message.empty()) return refuse(": the message can't be written");
    bytes.append(reinterpret_cast<const char*>(message.data()), message.size());
    return true;
  }
};

Encoder::Encoder(const EncodeOptions& options, std::string name, std::string* warnings)
    : impl_(new Impl(options, std::move(name), warnings)) {}

Encoder::~Encoder() = default;

bool Encoder::feed(std::string_view text, std::string& bytes) { return impl_->feed(text, bytes); }

bool Encoder::end(std::string& bytes) { return impl_->end(bytes); }

const std::string& Encoder::error() const { return impl_->error; }

bool checkPatch(std::string_view text, std::string& error) {
  int depth = 0;
  StringTracker strings;
  for (const char c : text) {
    if (!strings.outside(c)) continue;
    if (c == '{' || c == '[') {
      if (++depth > kMaxSmallDepth) {
        error = "nested more than " + std::to_string(kMaxSmallDepth) + " deep";
        return false;
      }
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  const Json patch = Json::parse(text, nullptr, false);
  if (patch.is_discarded()) {
    error = "not valid JSON";
    return false;
  }
  if (!patch.is_array()) {
    error = "a JSON Patch is an array of operations";
    return false;
  }
  for (std::size_t i = 0; i < patch.size(); ++i) {
    if (!patch[i].is_object() || !patch[i].contains("op") || !patch[i].contains("path")) {
      error = "operation " + std::to_string(i) + " is no object with \"op\" and \"path\"";
      return false;
    }
  }
  return true;
}

bool encodeAll(const EncodeOptions& options, std::string_view text, const std::string& name,
               std::string& bytes, std::string& error) {
  bytes.clear();
  Encoder encoder(options, name);
  if (!encoder.feed(text, bytes) || !encoder.end(bytes)) {
    error = encoder.error();
    bytes.clear();
    return false;
  }
  return true;
}

}  // namespace tools
}  // namespace tav
