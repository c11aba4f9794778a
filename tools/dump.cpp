#include "dump.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <utility>

#include "htmlPage.h"
#include "json/gameStateJson.h"

namespace tav {
namespace tools {

namespace {

using tav::protocol::Annotation;
using tav::protocol::Detection;
using tav::protocol::FieldSpan;
using tav::protocol::MessageStatus;
using tav::protocol::quotedText;
using tav::protocol::ReadOutcome;
using tav::protocol::Version;
using Json = nlohmann::ordered_json;

std::string hexBytes(std::string_view bytes, std::size_t most) {
  std::string out;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size() && i < most; ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02x" : " %02x",
                  static_cast<unsigned>(static_cast<unsigned char>(bytes[i])));
    out += pair;
  }
  if (bytes.size() > most) out += " ...";
  return out;
}

std::string count(uint64_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// An event as a sender writes it: a short word of letters, digits and a few marks, ending the
// text or followed by a blank. Bytes that frame no message are searched for the next header
// that starts this way and whose body reads exactly.
bool plausibleEvent(std::string_view text, bool whole) {
  std::size_t i = 0;
  for (; i < text.size() && i < 64; ++i) {
    const char c = text[i];
    if (c == ' ') break;
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-' || c == '.' || c == ':';
    if (!word) return false;
  }
  if (i == 0) return !whole && text.empty();
  return i < 64 || !whole;
}

// The codes that colour a terminal's output; all empty without colour.
struct Palette {
  const char* bold = "";
  const char* dim = "";
  const char* bad = "";
  const char* good = "";
  const char* path = "";
  const char* off = "";
  explicit Palette(bool on) {
    if (!on) return;
    bold = "\x1b[1m";
    dim = "\x1b[2m";
    bad = "\x1b[31m";
    good = "\x1b[32m";
    path = "\x1b[36m";
    off = "\x1b[0m";
  }
};

}  // namespace

// One thing shown: a message (framed or bare) or a run of bytes that frame no message.
struct Dumper::Item {
  std::string input;
  std::size_t number = 0;
  uint64_t start = 0;  // offset of the first byte in the input
  bool framed = true;
  bool garbage = false;
  std::string reason;  // why the bytes frame no message (garbage)
  tav::protocol::Header header;
  std::size_t headerSize = 0;
  std::string_view whole;  // header and the body bytes there are (all the bytes of garbage)
  std::string_view body;   // the body bytes there are (fewer than announced when cut)
  bool cut = false;
  const Version* version = nullptr;
  std::string how;  // how the version was chosen
  bool detected = true;
  bool exactChoice = true;
  bool ok = true;
  tav::GameState state;
  ReadOutcome outcome;
  Annotation annotation;
  std::vector<FieldSpan> headerFields;
  std::string status;  // one word for the summary line
  uint64_t bodyStart() const { return start + headerSize; }
};

struct Dumper::Impl {
  DumpOptions options;
  std::ostream& out;
  std::ostream& err;
  Palette color;
  bool started = false;
  std::size_t shown = 0;
  // The page's data of the message being read, written as its fields are read (html).
  std::unique_ptr<HtmlMessageWriter> pageWriter;
  std::size_t pageUnread = 0;
  std::vector<Collected>* collect = nullptr;
  Json previous;  // the state before, for --diff
  bool havePrevious = false;

  // The input being read.
  std::string name;
  std::size_t number = 0;
  bool ok = true;
  bool anyOk = false;
  bool empty = true;
  // The bytes fed and not yet shown wait in the stream (with --bare, the whole body: nothing
  // is taken from it).
  tav::protocol::MessageStream stream;
  uint64_t fed = 0;
  // A run of bytes that frame no message: from garbageStart, searched for the next message
  // from scan on.
  bool inGarbage = false;
  uint64_t garbageStart = 0;
  uint64_t scan = 0;
  std::string garbageReason;
  std::size_t garbageNumber = 0;
  uint64_t budget = 0;  // body bytes the search may still read

  Impl(const DumpOptions& o, std::ostream& out_, std::ostream& err_)
      : options(o), out(out_), err(err_), color(o.color), stream(o.limit) {}

  // The bytes waiting from offset from on (from is at or after the stream's position).
  std::string_view view(uint64_t from) const {
    const std::string_view waiting = stream.waiting();
    const uint64_t at =
        std::min<uint64_t>(from - std::min(from, stream.position()), waiting.size());
    return waiting.substr(static_cast<std::size_t>(at));
  }

  bool problem(const Item& m, const std::string& what) {
    err << "tav-dump: " << m.input;
    if (m.framed) err << ": message " << m.number << " at offset " << m.start;
    err << ": " << what << "\n";
    return false;
  }

  void begin(const std::string& input) {
    if (!started && options.format == Format::kHtml) htmlBegin(out);
    started = true;
    name = input;
    number = 0;
    ok = true;
    anyOk = false;
    empty = true;
    stream = tav::protocol::MessageStream(options.limit);
    fed = 0;
    inGarbage = false;
  }

  void feed(std::string_view bytes) {
    if (bytes.empty()) return;
    empty = false;
    if (options.bare) {
      if (fed + bytes.size() > options.limit) {
        if (fed <= options.limit) {
          err << "tav-dump: " << name << ": the body is larger than the limit of " << options.limit
              << " bytes (--max-message)\n";
          ok = false;
        }
        fed += bytes.size();
        stream = tav::protocol::MessageStream(options.limit);
        return;
      }
      stream.feed(bytes);
      fed += bytes.size();
      return;
    }
    fed += bytes.size();
    stream.feed(bytes);
    pump(false);
  }

  bool end() {
    if (options.bare) {
      if (empty) {
        err << "tav-dump: " << name << ": empty input\n";
        return false;
      }
      if (fed > options.limit) return false;
      Item m;
      m.input = name;
      m.number = 1;
      m.framed = false;
      m.whole = m.body = stream.waiting();
      show(m);
      if (!m.ok) hintFramed();
      return m.ok && ok;
    }
    if (empty) {
      err << "tav-dump: " << name << ": empty input\n";
      return false;
    }
    pump(true);
    return ok;
  }

  void hintBare() {
    const std::string_view all = stream.waiting();
    if (all.empty() || stream.position() != 0 || all.size() != fed) return;
    const Detection d = tav::protocol::detectVersion(all);
    if (d.exact()) {
      err << "tav-dump: " << name << ": hint: the input reads exactly as a bare "
          << d.chosen->name() << " body; try --bare\n";
    }
  }

  void hintFramed() {
    const tav::protocol::Message m = tav::protocol::readMessage(stream.waiting(), options.limit);
    if (m.status != MessageStatus::kComplete) return;
    const Detection d = tav::protocol::detectVersion(m.body, &m.header);
    if (d.exact()) {
      err << "tav-dump: " << name << ": hint: the input begins with a framed message (event "
          << quotedText(m.header.event) << ", " << m.body.size()
          << " body bytes); try without --bare\n";
    }
  }

  // The reason bytes at offset at frame no message, for a status other than complete.
  std::string reason(const tav::protocol::Message& m, uint64_t at, bool atEnd) {
    const std::string_view bytes = view(at);
    const std::string where = " at offset " + std::to_string(at);
    switch (m.status) {
      case MessageStatus::kBadTextCount:
        return "malformed header: negative text length (the count bytes " +
               hexBytes(bytes.substr(0, 2), 2) + where + ")";
      case MessageStatus::kBadLength:
        return "malformed header: the body length is no varint (5 bytes with no end" +
               std::string(" at offset ") + std::to_string(at + 2 + m.text.size()) + ")";
      case MessageStatus::kNegativeLength:
        return "malformed header: negative body length " +
               std::to_string(static_cast<long long>(
                   static_cast<int32_t>(static_cast<uint32_t>(m.header.length)))) +
               " (at offset " + std::to_string(at + 2 + m.text.size()) + ")";
      case MessageStatus::kTooLarge:
        return "the header announces " + std::to_string(m.header.length) + " body bytes" + where +
               ", more than the limit of " + std::to_string(options.limit) +
               " bytes for a message (--max-message)";
      case MessageStatus::kNeedHeader:
      case MessageStatus::kNeedBody:
      case MessageStatus::kComplete:
        break;
    }
    (void)atEnd;
    if (bytes.size() < 2) {
      return "incomplete header: " + count(bytes.size(), "byte") +
             " left, too few for the header " + (bytes.size() == 1 ? "it begins" : "they begin");
    }
    const std::size_t text = (static_cast<std::size_t>(static_cast<unsigned char>(bytes[0])) << 8) |
                             static_cast<unsigned char>(bytes[1]);
    if (bytes.size() < 2 + text) {
      return "incomplete header: the header claims " + count(text, "text byte") + where +
             ", only " + std::to_string(bytes.size() - 2) + " follow";
    }
    return "incomplete header: the body length" + std::string(" at offset ") +
           std::to_string(at + 2 + text) + " is cut short";
  }

  // Frames what the stream holds; at the end, also what can't be completed.
  void pump(bool atEnd) {
    for (;;) {
      if (inGarbage) {
        if (!searchGarbage(atEnd)) return;
        continue;
      }
      const uint64_t at = stream.position();
      if (at >= fed && stream.buffered() == 0) return;
      const std::string_view front = stream.waiting();  // stays valid through next()
      const tav::protocol::Message m = stream.next();
      if (m.status == MessageStatus::kComplete) {
        showFramed(m, front, at, false);
        continue;
      }
      if (tav::protocol::needsMoreBytes(m.status)) {
        if (!atEnd) return;
        if (m.status == MessageStatus::kNeedBody &&
            plausibleEvent(m.header.event, true)) {  // a message cut short: show what there is
          showFramed(m, front, at, true);
          stream.discard(stream.buffered());
          return;
        }
        startGarbage(at, reason(m, at, atEnd));
        continue;
      }
      if (m.status == MessageStatus::kTooLarge && plausibleEvent(m.header.event, true)) {
        Item item;
        item.input = name;
        item.number = ++number;
        item.start = at;
        problem(item, reason(m, at, atEnd) + "; skipped");
        ok = false;
        stream.discard(m.size);
        continue;
      }
      startGarbage(at, reason(m, at, atEnd));
    }
  }

  void startGarbage(uint64_t at, std::string why) {
    inGarbage = true;
    garbageStart = at;
    scan = at + 1;
    garbageReason = std::move(why);
    garbageNumber = ++number;
    budget = (std::size_t{1} << 20);
  }

  // Searches the bytes after a run that frames no message for the next message: a header of
  // a plausible event with a body read exactly. Returns true when the search is over (the run
  // shown), false when it waits for more bytes.
  bool searchGarbage(bool atEnd) {
    for (; scan < fed; ++scan) {
      const std::string_view rest = view(scan);
      const tav::protocol::Message c = tav::protocol::readMessage(rest, options.limit);
      if (c.status == MessageStatus::kComplete) {
        if (!plausibleEvent(c.header.event, true) || c.body.size() > budget) continue;
        budget -= c.body.size();
        if (readsExactly(c)) {
          endGarbage(scan);
          return true;
        }
        continue;
      }
      if (tav::protocol::needsMoreBytes(c.status) && !atEnd) {
        const std::size_t text =
            rest.size() < 2 ? 0
                            : (static_cast<std::size_t>(static_cast<unsigned char>(rest[0])) << 8) |
                                  static_cast<unsigned char>(rest[1]);
        const std::string_view shownText = rest.substr(std::min<std::size_t>(2, rest.size()), text);
        const bool wait = rest.size() < 2 ? true
                          : c.status == MessageStatus::kNeedBody
                              ? plausibleEvent(c.header.event, true)
                              : (text > 0 && plausibleEvent(shownText, shownText.size() >= text));
        if (wait) return false;
      }
    }
    if (!atEnd) return false;
    endGarbage(fed);
    return true;
  }

  bool readsExactly(const tav::protocol::Message& c) const {
    if (options.version != nullptr) {
      tav::GameState scratch;
      return options.version->read(scratch, c.body).exact();
    }
    return tav::protocol::detectVersion(c.body, &c.header).exact();
  }

  // Shows the run from garbageStart to until and goes on framing at until.
  void endGarbage(uint64_t until) {
    Item m;
    m.input = name;
    m.number = garbageNumber;
    m.start = garbageStart;
    m.garbage = true;
    m.whole = view(garbageStart).substr(0, static_cast<std::size_t>(until - garbageStart));
    m.reason = garbageReason;
    m.ok = false;
    m.status = "garbage";
    std::string what = garbageReason + "; " + count(until - garbageStart, "byte") +
                       " up to offset " + std::to_string(until) + " frame" +
                       (until - garbageStart == 1 ? "s" : "") + " no message";
    if (until < fed) what += "; a message follows";
    problem(m, what);
    ok = false;
    if (garbageStart == 0 && until == fed && !anyOk) hintBare();
    display(m);
    inGarbage = false;
    const uint64_t skip = until - stream.position();
    stream.discard(skip);
  }

  void showFramed(const tav::protocol::Message& message, std::string_view front, uint64_t at,
                  bool cut) {
    Item m;
    m.input = name;
    m.number = ++number;
    m.start = at;
    m.header = message.header;
    m.headerSize = message.headerSize;
    m.cut = cut;
    m.body = message.body;
    m.whole = front.substr(0, message.headerSize + message.body.size());
    if (options.format == Format::kAnnotate || options.format == Format::kHtml) {
      m.headerFields = tav::protocol::annotateHeader(m.whole);
    }
    show(m);
  }

  void choose(Item& m) {
    if (options.version != nullptr) {
      m.version = options.version;
      m.how = "given";
      m.detected = false;
      return;
    }
    const Detection d = tav::protocol::detectVersion(m.body, m.framed ? &m.header : nullptr);
    m.version = d.chosen;
    m.how = "auto: " + std::string(tav::protocol::choiceText(d.choice));
    m.exactChoice = d.exact();
    if (m.cut) {
      // A body cut short can't be read exactly by any version, and a shorter one might seem
      // to be: the version the header names is the best guess.
      if (d.named != nullptr) {
        m.version = d.named;
        m.how = "auto: named by the header of an incomplete message";
      }
      return;
    }
    std::string names;
    std::string misses;
    for (const tav::protocol::VersionTrial& trial : d.trials) {
      if (trial.version == nullptr) continue;
      if (trial.result == tav::protocol::TrialResult::kExact) {
        if (!names.empty()) names += ", ";
        names += trial.version->name();
        continue;
      }
      if (!misses.empty()) misses += "; ";
      misses += std::string(trial.version->name()) + ": ";
      if (trial.result == tav::protocol::TrialResult::kRanOut) {
        misses += "ran out at offset " + std::to_string(m.bodyStart() + trial.outcome.stoppedAt);
      } else {
        misses += count(trial.outcome.leftover, "byte") + " left over";
      }
    }
    if (!d.exact()) {
      m.ok = false;
      problem(m, "no protocol version reads the body exactly (" + misses + "); shown as " +
                     std::string(m.version->name()));
    } else if (d.choice == tav::protocol::VersionChoice::kNewestExact) {
      err << "tav-dump: " << m.input;
      if (m.framed) err << ": message " << m.number << " at offset " << m.start;
      err << ": note: the body reads exactly as " << names << "; shown as the newest, "
          << m.version->name() << "\n";
    }
  }

  void show(Item& m) {
    choose(m);
    switch (options.format) {
      case Format::kText:
        if (collect == nullptr) {
          // The dump goes out as it is read, not kept: the heading first.
          textHead(m);
          m.outcome = m.version->read(m.state, m.body, &out);
        } else {
          m.outcome = m.version->read(m.state, m.body);
        }
        break;
      case Format::kAnnotate:
        // The fields are written as they are read (showAnnotate); here only how the read ends.
        m.outcome = m.version->read(m.state, m.body);
        if (!m.outcome.complete) {
          m.annotation.stoppedField =
              m.version->annotate(m.body, tav::protocol::FieldCallback()).stoppedField;
        }
        break;
      case Format::kHtml:
        if (collect == nullptr) {
          // The page's data goes out as the fields are read, not kept.
          htmlFields(m);
          break;
        }
        m.annotation = m.version->annotate(m.body);
        m.outcome = m.annotation.outcome;
        break;
      case Format::kJson:
      case Format::kJsonLines:
      case Format::kSummary:
      case Format::kDiff:
        m.outcome = m.version->read(m.state, m.body);
        if (!m.outcome.complete && m.annotation.stoppedField.empty() &&
            (options.format == Format::kJson || options.format == Format::kJsonLines)) {
          m.annotation.stoppedField = m.version->annotate(m.body).stoppedField;
        }
        break;
    }
    m.status = "ok";
    if (m.cut) {
      m.ok = false;
      m.status = "cut";
      problem(m, "incomplete message: the header announces " + std::to_string(m.header.length) +
                     " body bytes, only " + std::to_string(m.body.size()) + " follow");
    }
    if (!m.detected || m.cut || m.exactChoice) {
      if (!m.outcome.complete) {
        m.ok = false;
        if (!m.cut) m.status = "ran-out";
        std::string where =
            "the body ran out at offset " + std::to_string(m.bodyStart() + m.outcome.stoppedAt);
        if (!m.annotation.stoppedField.empty()) where += " in field " + m.annotation.stoppedField;
        problem(m, where + " (protocol " + std::string(m.version->name()) + ")");
      } else if (m.outcome.leftover > 0) {
        m.ok = false;
        m.status = "left-over";
        problem(m, count(m.outcome.leftover, "byte") + " left over after the body at offset " +
                       std::to_string(m.bodyStart() + m.outcome.consumed) + " (protocol " +
                       std::string(m.version->name()) + ")");
      }
    } else {
      m.status = "no-version";
    }
    ok = ok && m.ok;
    anyOk = anyOk || m.ok;
    display(m);
  }

  void display(Item& m) {
    if (collect != nullptr) {
      if (!m.garbage) {
        collect->push_back({where(m), tav::json::toJson(m.state, -1)});
      }
      return;
    }
    switch (options.format) {
      case Format::kText:
        showText(m);
        break;
      case Format::kJson:
      case Format::kJsonLines:
        showJson(m);
        break;
      case Format::kSummary:
        showSummary(m);
        break;
      case Format::kAnnotate:
        showAnnotate(m);
        break;
      case Format::kHtml:
        showHtml(m);
        break;
      case Format::kDiff:
        showDiff(m);
        break;
    }
    ++shown;
    if (options.flushEach) out.flush();
  }

  static std::string where(const Item& m) {
    if (!m.framed) return m.input;
    return m.input + ": message " + std::to_string(m.number) + " at offset " +
           std::to_string(m.start);
  }

  void showHex(const Item& m, const char* indent) {
    char head[32];
    for (std::size_t row = 0; row < m.whole.size(); row += 16) {
      std::snprintf(head, sizeof head, "%8llu  ", static_cast<unsigned long long>(m.start) + row);
      out << indent << color.dim << head << color.off << color.bad
          << hexBytes(m.whole.substr(row, 16), 16) << color.off << "\n";
    }
  }

  void showGarbageHeading(const Item& m) {
    out << color.bold << color.bad << m.input << ": offset " << m.start << ": "
        << count(m.whole.size(), "byte") << " that frame no message" << color.off << " ("
        << m.reason << ")\n";
  }

  void showText(const Item& m) {
    if (m.garbage) {
      if (shown > 0) out << "\n";
      showGarbageHeading(m);
      showHex(m, "");
      return;
    }
    const std::size_t unread = m.body.size() - std::min(m.body.size(), m.outcome.consumed);
    out << (unread > 0 ? color.bad : "") << "unread bytes: " << unread
        << (unread > 0 ? color.off : "") << "\n";
  }

  void textHead(const Item& m) {
    if (shown > 0) out << "\n";
    if (m.framed) {
      out << color.bold << where(m) << color.off << "\n";
      out << color.bold << "header: event " << m.header.event << ", payload " << m.header.payload
          << ", length " << m.header.length << color.off << "\n";
    }
    out << "protocol: " << m.version->name() << " (" << m.how << ")\n";
  }

  Json readJson(const Item& m) const {
    Json read = Json::object();
    read["complete"] = m.outcome.complete && !m.cut;
    read["left_over"] = m.outcome.leftover;
    if (!m.outcome.complete) {
      read["stopped_at"] = m.bodyStart() + m.outcome.stoppedAt;
      if (!m.annotation.stoppedField.empty()) read["stopped_field"] = m.annotation.stoppedField;
    }
    if (m.cut) {
      read["announced"] = m.header.length;
      read["present"] = m.body.size();
    }
    if (!m.exactChoice && m.detected && !m.cut) read["no_exact_version"] = true;
    return read;
  }

  void showJson(const Item& m) {
    if (m.garbage) return;  // said on standard error; JSON holds messages only
    const bool lines = options.format == Format::kJsonLines;
    tav::json::Message message;
    message.framed = m.framed;
    message.event = m.header.event;
    message.payload = m.header.payload;
    message.protocol = std::string(m.version->name());
    message.state = m.state;
    std::string text = tav::json::toJson(message, lines ? -1 : 2);
    if (m.framed) {
      // Where the message lies and how its read ended, before the state.
      Json source = Json::object();
      source["input"] = m.input;
      source["message"] = m.number;
      source["offset"] = m.start;
      const std::string key = lines ? "\"state\":" : "\"state\": ";
      const std::size_t at = text.find(key);
      if (at != std::string::npos) {
        const std::string sep = lines ? "," : ",\n  ";
        const std::string colon = lines ? ":" : ": ";
        text.insert(at, "\"source\"" + colon +
                            source.dump(-1, ' ', false, Json::error_handler_t::replace) + sep +
                            "\"read\"" + colon + readJson(m).dump() + sep);
      }
    }
    out << text << "\n";
  }

  void showSummary(const Item& m) {
    char line[160];
    if (m.garbage) {
      std::snprintf(line, sizeof line, " %5zu %9llu  %-14s %-7s %-4s %8zu  ", m.number,
                    static_cast<unsigned long long>(m.start), "-", "-", "-", m.whole.size());
      out << m.input << line << color.bad << "garbage" << color.off << "  " << m.reason << "\n";
      return;
    }
    // A plain word as it is; anything else quoted, so that a line stays one line.
    const auto shown = [](const std::string& text) {
      return !text.empty() && plausibleEvent(text, true) ? text : quotedText(text);
    };
    const std::string event = m.framed ? shown(m.header.event) : std::string("-");
    const std::string payload = m.framed ? shown(m.header.payload) : std::string("-");
    std::snprintf(line, sizeof line, " %5zu %9llu  %-14s %-7s %-4s %8zu  ", m.number,
                  static_cast<unsigned long long>(m.start), event.c_str(), payload.c_str(),
                  std::string(m.version->name()).c_str(), m.whole.size());
    out << m.input << line << (m.ok ? color.good : color.bad);
    char status[16];
    std::snprintf(status, sizeof status, "%-10s", m.status.c_str());
    out << status << color.off;
    std::snprintf(line, sizeof line, " round %d scenario %d actors %zu", m.state.round,
                  m.state.scenario_number, m.state.actors.size());
    out << line << "\n";
  }

  void showDiff(const Item& m) {
    if (m.garbage) return;
    Json state = Json::parse(tav::json::toJson(m.state, -1), nullptr, false);
    if (!havePrevious) {
      previous = Json::parse(tav::json::toJson(tav::GameState(), -1), nullptr, false);
      havePrevious = true;
    }
    Json line = Json::object();
    line["source"] = {{"input", m.input}, {"message", m.number}, {"offset", m.start}};
    line["protocol"] = std::string(m.version->name());
    line["patch"] = Json::diff(previous, state);
    out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
    previous = std::move(state);
  }

  void showAnnotate(const Item& m) {
    if (shown > 0) out << "\n";
    if (m.garbage) {
      showGarbageHeading(m);
      out << "  offset  bytes\n";
      showHex(m, "");
      return;
    }
    out << color.bold << m.input;
    if (m.framed) {
      out << ": message " << m.number << " at offset " << m.start << ", event "
          << quotedText(m.header.event) << ", payload " << quotedText(m.header.payload)
          << ", length " << m.header.length;
    }
    out << ", protocol " << m.version->name() << " (" << m.how << ")" << color.off << "\n";
    out << "  offset  size  bytes                        field = value\n";
    auto line = [&](const FieldSpan& f, uint64_t base) {
      char head[48];
      std::snprintf(head, sizeof head, "%8llu %5zu  ",
                    static_cast<unsigned long long>(base) + f.offset, f.length);
      const std::size_t from = static_cast<std::size_t>(base - m.start) + f.offset;
      std::string hex = hexBytes(m.whole.substr(std::min(from, m.whole.size()), f.length), 8);
      hex.resize(std::max<std::size_t>(hex.size(), 27), ' ');
      out << color.dim << head << color.off << hex << "  "
          << std::string(std::size_t{2} * f.depth, ' ') << color.path << f.path << color.off
          << " = ";
      if (f.length == 0) {
        out << color.bad << "(not read)" << color.off << "\n";
      } else {
        out << f.value << "\n";
      }
    };
    for (const FieldSpan& f : m.headerFields) line(f, m.start);
    // A run of fields that could not be read is shown as its first one, named as the read's
    // outcome names the field it stopped in, and a count of the rest. The fields are written
    // as the walk hands them out, not kept.
    const std::string& stopped = m.annotation.stoppedField;
    bool firstRun = true;
    bool inRun = false;
    std::size_t run = 0;
    FieldSpan first;
    auto endRun = [&] {
      if (!inRun) return;
      if (firstRun && !stopped.empty() && first.path != stopped) {
        FieldSpan named = first;
        named.path = stopped;
        line(named, m.bodyStart());
        ++run;
      } else {
        line(first, m.bodyStart());
      }
      firstRun = false;
      if (run > 1) {
        out << std::string(44 + std::size_t{2} * first.depth, ' ') << color.bad << "... " << run - 1
            << " more fields not read" << color.off << "\n";
      }
      inRun = false;
    };
    m.version->annotate(m.body, [&](const FieldSpan& f) {
      if (f.length != 0) {
        endRun();
        line(f, m.bodyStart());
      } else if (!inRun) {
        first = f;
        run = 1;
        inRun = true;
      } else {
        ++run;
      }
    });
    endRun();
    const ReadOutcome& o = m.outcome;
    if (!o.complete) {
      out << color.bad << "the data ran out at offset " << m.bodyStart() + o.stoppedAt;
      if (!m.annotation.stoppedField.empty()) out << " in field " << m.annotation.stoppedField;
      out << color.off << "\n";
    } else {
      out << "body complete: " << o.consumed << " bytes\n";
    }
    const std::size_t rest = m.body.size() - std::min(m.body.size(), o.consumed);
    if (o.complete && rest > 0) {
      out << color.bad << rest << " bytes left over at offset " << m.bodyStart() + o.consumed
          << ": " << hexBytes(m.body.substr(o.consumed), 32) << color.off << "\n";
    }
    if (m.cut) {
      out << color.bad << "the header announces " << m.header.length << " body bytes, only "
          << m.body.size() << " follow" << color.off << "\n";
    }
  }

  void htmlFields(Item& m) {
    HtmlMessage start;
    start.bytes = m.whole;
    start.start = m.start;
    start.bodyStart = m.headerSize;
    start.version = m.version;
    pageWriter = std::make_unique<HtmlMessageWriter>(out, start);
    for (const FieldSpan& f : m.headerFields) pageWriter->header(f);
    pageUnread = 0;
    const tav::protocol::AnnotationEnd end =
        m.version->annotate(m.body, [this](const FieldSpan& f) {
          if (f.length == 0) ++pageUnread;
          pageWriter->body(f);
        });
    m.outcome = end.outcome;
    m.annotation.stoppedField = end.stoppedField;
  }

  void showHtml(const Item& m) {
    HtmlMessage page;
    page.title = m.input;
    page.bytes = m.whole;
    page.start = m.start;
    page.label = "#" + std::to_string(m.number) + " @" + std::to_string(m.start) + " ";
    if (m.garbage) {
      page.label += count(m.whole.size(), "byte") + " framing no message";
      page.title += " \u00b7 offset " + std::to_string(m.start) + " \u00b7 " +
                    count(m.whole.size(), "byte") + " that frame no message";
      page.status = m.reason;
      page.ok = false;
      page.garbage = true;
      htmlMessage(out, page, shown);
      return;
    }
    if (m.framed) {
      page.title += " \u00b7 message " + std::to_string(m.number) + " at offset " +
                    std::to_string(m.start) + " \u00b7 event " + quotedText(m.header.event) +
                    ", payload " + quotedText(m.header.payload);
    }
    page.title += " \u00b7 protocol " + std::string(m.version->name()) + " (" + m.how + ")";
    page.label += (m.framed ? quotedText(m.header.event) + " " : std::string()) +
                  std::string(m.version->name()) + " " + m.status;
    page.bodyStart = m.headerSize;
    page.header = &m.headerFields;
    page.body = &m.annotation.fields;
    page.version = m.version;
    page.consumedEnd = page.bodyStart + m.outcome.consumed;
    page.complete = m.outcome.complete;
    page.stoppedAt = page.bodyStart + m.outcome.stoppedAt;
    if (!m.outcome.complete) {
      page.status =
          "the data ran out at offset " + std::to_string(m.bodyStart() + m.outcome.stoppedAt);
      if (!m.annotation.stoppedField.empty()) {
        page.status += " in field " + m.annotation.stoppedField;
      }
      const auto unread = pageWriter ? pageUnread
                                     : static_cast<std::size_t>(std::count_if(
                                           m.annotation.fields.begin(), m.annotation.fields.end(),
                                           [](const FieldSpan& f) { return f.length == 0; }));
      page.status += "; " + std::to_string(unread) + " fields not read";
    } else {
      page.status = "body complete: " + std::to_string(m.outcome.consumed) + " bytes";
      const std::size_t rest = m.body.size() - m.outcome.consumed;
      if (rest > 0) {
        page.status += "; " + count(rest, "byte") + " left over at offset " +
                       std::to_string(m.bodyStart() + m.outcome.consumed);
      }
    }
    if (m.cut) {
      page.status += "; the header announces " + std::to_string(m.header.length) +
                     " body bytes, only " + std::to_string(m.body.size()) + " follow";
    }
    page.ok = m.ok;
    if (pageWriter) {
      pageWriter->finish(page);
      pageWriter.reset();
    } else {
      htmlMessage(out, page, shown);
    }
  }
};

Dumper::Dumper(const DumpOptions& options, std::ostream& out, std::ostream& err)
    : impl_(new Impl(options, out, err)) {}

Dumper::~Dumper() = default;

void Dumper::begin(const std::string& name) { impl_->begin(name); }

void Dumper::feed(std::string_view bytes) { impl_->feed(bytes); }

bool Dumper::end() { return impl_->end(); }

bool Dumper::dump(const std::string& name, std::string_view bytes) {
  begin(name);
  feed(bytes);
  return end();
}

void Dumper::collectInto(std::vector<Collected>* collect) { impl_->collect = collect; }

void Dumper::finish() {
  if (impl_->options.format == Format::kHtml) {
    if (!impl_->started) htmlBegin(impl_->out);
    htmlEnd(impl_->out);
  }
  impl_->out.flush();
}

bool compareInputs(const std::vector<Collected>& a, const std::vector<Collected>& b,
                   std::ostream& out) {
  bool same = true;
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (i >= a.size() || i >= b.size()) {
      same = false;
      out << (i >= a.size() ? "only in the second: " + b[i].where
                            : "only in the first: " + a[i].where)
          << "\n";
      continue;
    }
    if (a[i].state == b[i].state) continue;
    same = false;
    const Json from = Json::parse(a[i].state, nullptr, false);
    const Json to = Json::parse(b[i].state, nullptr, false);
    out << a[i].where << " / " << b[i].where << "\n"
        << Json::diff(from, to).dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
  }
  return same;
}

}  // namespace tools
}  // namespace tav
