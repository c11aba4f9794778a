#include "dump.h"

#include <cstdio>
#include <ostream>
#include <sstream>
#include <vector>

#include "htmlPage.h"
#include "json/gameStateJson.h"
#include "protocol/buffer.h"
#include "protocol/header.h"
#include "src/protocol/quoted.h"

namespace tav {
namespace tools {

namespace {

using tav::protocol::detail::quoted;

using tav::protocol::Annotation;
using tav::protocol::FieldSpan;
using tav::protocol::ReadOutcome;
using tav::protocol::Version;

// The longest header: a 2-byte count, 32767 bytes of text and a 5-byte varint.
constexpr std::size_t kMaxHeader = 2 + 32767 + 5;

enum class HeaderRead { kOk, kIncomplete, kBadCount, kBadLength, kNegativeLength };

// Reads the header at the front of rest. readHeader waits for 5 bytes behind the text even
// when the length takes fewer, so the header is read from a copy padded with zeros and
// accepted when it ends inside the real bytes: a complete header in front of a short (or
// empty) body is found, and a cut one is not.
HeaderRead readFramedHeader(std::string_view rest, tav::protocol::Header& header,
                            std::size_t& size) {
  if (rest.size() >= 2 && (static_cast<unsigned char>(rest[0]) & 0x80u) != 0) {
    return HeaderRead::kBadCount;
  }
  std::vector<uint8_t> padded(rest.begin(), rest.begin() + std::min(rest.size(), kMaxHeader));
  padded.resize(padded.size() + 5, 0);
  tav::protocol::Buffer buffer(padded.data(), padded.size());
  if (!tav::protocol::readHeader(header, buffer)) return HeaderRead::kIncomplete;
  size = buffer.getReadPosition();
  if (size > rest.size()) return HeaderRead::kIncomplete;
  const std::size_t textSize = 2 + ((static_cast<std::size_t>(static_cast<uint8_t>(rest[0])) << 8) |
                                    static_cast<uint8_t>(rest[1]));
  if (size == textSize) return HeaderRead::kBadLength;  // a varint of 5 bytes with bit 7 set
  if (header.length > 0x7FFFFFFFu) return HeaderRead::kNegativeLength;
  return HeaderRead::kOk;
}

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

// Once the data has run out, the reader goes on through the records with neutral values, and
// the annotation lists every field it could not read. A run of such fields is kept as its first
// one and a marker (empty path, the count in value), so the listing stays as long as the data.
std::vector<FieldSpan> collapseUnread(const std::vector<FieldSpan>& fields) {
  std::vector<FieldSpan> kept;
  for (std::size_t i = 0; i < fields.size();) {
    kept.push_back(fields[i]);
    if (fields[i].length != 0) {
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < fields.size() && fields[end].length == 0) ++end;
    if (end - i > 1) {
      FieldSpan more;
      more.offset = fields[i].offset;
      more.depth = fields[i].depth;
      more.value = "... " + std::to_string(end - i - 1) + " more fields not read";
      kept.push_back(std::move(more));
    }
    i = end;
  }
  return kept;
}

}  // namespace

struct Dumper::Message {
  std::string input;
  std::size_t number = 0;
  // Offsets count from the input's first byte.
  std::size_t start = 0;
  bool framed = true;
  tav::protocol::Header header;
  std::size_t headerSize = 0;
  std::string_view whole;  // header and the body bytes there are
  std::string_view body;   // the body bytes there are (fewer than announced when cut)
  std::size_t bodyStart = 0;
  bool cut = false;
  const Version* version = nullptr;
  std::string how;  // how the version was chosen
  bool ok = true;
  tav::GameState state;
  ReadOutcome outcome;
  std::string dump;
  Annotation annotation;
  std::vector<FieldSpan> headerFields;
};

Dumper::Dumper(const DumpOptions& options, std::ostream& out, std::ostream& err)
    : options_(options), out_(out), err_(err) {}

bool Dumper::problem(const Message& m, const std::string& what) {
  err_ << "tav-dump: " << m.input;
  if (m.framed) err_ << ": message " << m.number << " at offset " << m.start;
  err_ << ": " << what << "\n";
  return false;
}

bool Dumper::dump(const std::string& name, std::string_view bytes) {
  if (!started_ && options_.format == Format::kHtml) htmlBegin(out_);
  started_ = true;
  if (bytes.empty()) {
    err_ << "tav-dump: " << name << ": empty input\n";
    return false;
  }
  bool ok = true;
  if (options_.bare) {
    Message m;
    m.input = name;
    m.number = 1;
    m.framed = false;
    m.whole = bytes;
    m.body = bytes;
    show(m);
    return m.ok;
  }
  std::size_t offset = 0;
  for (std::size_t number = 1; offset < bytes.size(); ++number) {
    Message m;
    m.input = name;
    m.number = number;
    m.start = offset;
    const std::string_view rest = bytes.substr(offset);
    switch (readFramedHeader(rest, m.header, m.headerSize)) {
      case HeaderRead::kOk:
        break;
      case HeaderRead::kIncomplete:
        return problem(m, "incomplete header: " + std::to_string(rest.size()) +
                              " bytes left, too few for the header they begin");
      case HeaderRead::kBadCount:
        return problem(m, "malformed header: negative text length");
      case HeaderRead::kBadLength:
        return problem(m, "malformed header: the body length is no varint");
      case HeaderRead::kNegativeLength:
        return problem(m, "malformed header: negative body length " +
                              std::to_string(static_cast<long long>(
                                  static_cast<int32_t>(static_cast<uint32_t>(m.header.length)))));
    }
    const std::size_t available = rest.size() - m.headerSize;
    m.cut = m.header.length > available;
    m.body = rest.substr(m.headerSize, m.cut ? available : m.header.length);
    m.whole = rest.substr(0, m.headerSize + m.body.size());
    m.bodyStart = offset + m.headerSize;
    const std::size_t textSize =
        2 + ((static_cast<std::size_t>(static_cast<uint8_t>(rest[0])) << 8) |
             static_cast<uint8_t>(rest[1]));
    FieldSpan text;
    text.path = "header.text";
    text.offset = 0;
    text.length = textSize;
    text.value =
        quoted(m.header.payload.empty() ? m.header.event : m.header.event + " " + m.header.payload);
    text.depth = 1;
    FieldSpan length;
    length.path = "header.length";
    length.offset = textSize;
    length.length = m.headerSize - textSize;
    length.value = std::to_string(m.header.length);
    length.depth = 1;
    m.headerFields = {text, length};
    show(m);
    ok = m.ok && ok;
    offset += m.whole.size();
    if (m.cut) break;
  }
  return ok;
}

void Dumper::show(Message& m) {
  // The version: as given, or the one that reads the body exactly.
  if (options_.version != nullptr) {
    m.version = options_.version;
    m.how = "given";
  } else if (m.cut && m.framed && tav::protocol::findVersion(m.header.payload) != nullptr) {
    // A body cut short can't be read exactly by any version, and a shorter one might seem to
    // be: the version the header names is the best guess.
    m.version = tav::protocol::findVersion(m.header.payload);
    m.how = "auto: named by the header of an incomplete message";
  } else {
    std::vector<const Version*> exact;
    std::string misses;
    for (const Version* version : tav::protocol::kVersions) {
      tav::GameState scratch;
      const ReadOutcome outcome = version->read(scratch, m.body);
      if (outcome.exact()) {
        exact.push_back(version);
      } else {
        if (!misses.empty()) misses += "; ";
        misses += std::string(version->name()) + ": ";
        if (!outcome.complete) {
          misses += "ran out at offset " + std::to_string(m.bodyStart + outcome.stoppedAt);
        } else {
          misses += std::to_string(outcome.leftover) + " bytes left over";
        }
      }
    }
    const Version* named = m.framed ? tav::protocol::findVersion(m.header.payload) : nullptr;
    if (exact.size() == 1) {
      m.version = exact[0];
      m.how = "auto";
    } else {
      std::string names;
      for (const Version* version : exact) {
        if (!names.empty()) names += ", ";
        names += version->name();
      }
      const Version* pick = named;
      if (exact.empty()) {
        m.how = "auto: no version reads the body exactly";
        if (pick == nullptr) pick = tav::protocol::kVersions.back();
        problem(m, "no protocol version reads the body exactly (" + misses + "); shown as " +
                       std::string(pick->name()));
        m.ok = false;
      } else {
        bool namedFits = false;
        for (const Version* version : exact) namedFits = namedFits || version == named;
        if (!namedFits) pick = exact.back();
        m.how = "auto: " + names + " read it exactly";
        // The output names the candidates; a guess not settled by the header is noted.
        if (!namedFits) {
          err_ << "tav-dump: " << m.input;
          if (m.framed) err_ << ": message " << m.number << " at offset " << m.start;
          err_ << ": note: the body reads exactly as " << names << "; shown as the newest, "
               << pick->name() << "\n";
        }
      }
      m.version = pick;
    }
  }

  // Read it as the format needs.
  switch (options_.format) {
    case Format::kText: {
      std::ostringstream text;
      m.outcome = m.version->read(m.state, m.body, &text);
      m.dump = text.str();
      break;
    }
    case Format::kJson:
      m.outcome = m.version->read(m.state, m.body);
      break;
    case Format::kAnnotate:
    case Format::kHtml:
      m.annotation = m.version->annotate(m.body);
      m.outcome = m.annotation.outcome;
      break;
  }

  if (m.cut) {
    m.ok = false;
    problem(m, "incomplete message: the header announces " + std::to_string(m.header.length) +
                   " body bytes, only " + std::to_string(m.body.size()) + " follow");
  }
  if (m.how.rfind("auto: no", 0) != 0) {
    if (!m.outcome.complete) {
      m.ok = false;
      std::string where =
          "the body ran out at offset " + std::to_string(m.bodyStart + m.outcome.stoppedAt);
      if (!m.annotation.stoppedField.empty()) where += " in field " + m.annotation.stoppedField;
      problem(m, where + " (protocol " + std::string(m.version->name()) + ")");
    } else if (m.outcome.leftover > 0) {
      m.ok = false;
      problem(m, std::to_string(m.outcome.leftover) + " bytes left over after the body at offset " +
                     std::to_string(m.bodyStart + m.outcome.consumed) + " (protocol " +
                     std::string(m.version->name()) + ")");
    }
  }

  switch (options_.format) {
    case Format::kText:
      showText(m);
      break;
    case Format::kJson:
      showJson(m);
      break;
    case Format::kAnnotate:
      showAnnotate(m);
      break;
    case Format::kHtml:
      showHtml(m);
      break;
  }
  ++shown_;
}

void Dumper::showText(const Message& m) {
  if (shown_ > 0) out_ << "\n";
  if (m.framed) {
    out_ << "header: event " << m.header.event << ", payload " << m.header.payload << ", length "
         << m.header.length << "\n";
  }
  out_ << "protocol: " << m.version->name() << " (" << m.how << ")\n";
  out_ << m.dump;
  out_ << "unread bytes: " << (m.body.size() - m.outcome.consumed) << "\n";
}

void Dumper::showJson(const Message& m) {
  tav::json::Message message;
  message.framed = m.framed;
  message.event = m.header.event;
  message.payload = m.header.payload;
  message.protocol = std::string(m.version->name());
  message.state = m.state;
  out_ << tav::json::toJson(message) << "\n";
}

void Dumper::showAnnotate(const Message& m) {
  if (shown_ > 0) out_ << "\n";
  out_ << m.input;
  if (m.framed) {
    out_ << ": message " << m.number << " at offset " << m.start << ", event "
         << quoted(m.header.event) << ", payload " << quoted(m.header.payload) << ", length "
         << m.header.length;
  }
  out_ << ", protocol " << m.version->name() << " (" << m.how << ")\n";
  out_ << "  offset  size  bytes                        field = value\n";
  auto line = [&](const FieldSpan& f, std::size_t base) {
    char head[32];
    std::snprintf(head, sizeof head, "%8zu %5zu  ", base + f.offset, f.length);
    std::string hex = hexBytes(m.whole.substr(base - m.start + f.offset, f.length), 8);
    hex.resize(std::max<std::size_t>(hex.size(), 27), ' ');
    out_ << head << hex << "  " << std::string(std::size_t{2} * f.depth, ' ') << f.path << " = "
         << (f.length == 0 ? std::string("(not read)") : f.value) << "\n";
  };
  for (const FieldSpan& f : m.headerFields) line(f, m.start);
  for (const FieldSpan& f : collapseUnread(m.annotation.fields)) {
    if (f.path.empty()) {
      out_ << std::string(44 + std::size_t{2} * f.depth, ' ') << f.value << "\n";
    } else {
      line(f, m.bodyStart);
    }
  }
  const ReadOutcome& o = m.outcome;
  if (!o.complete) {
    out_ << "the data ran out at offset " << m.bodyStart + o.stoppedAt;
    if (!m.annotation.stoppedField.empty()) out_ << " in field " << m.annotation.stoppedField;
    out_ << "\n";
  } else {
    out_ << "body complete: " << o.consumed << " bytes\n";
  }
  const std::size_t rest = m.body.size() - std::min(m.body.size(), o.consumed);
  if (o.complete && rest > 0) {
    out_ << rest << " bytes left over at offset " << m.bodyStart + o.consumed << ": "
         << hexBytes(m.body.substr(o.consumed), 32) << "\n";
  }
  if (m.cut) {
    out_ << "the header announces " << m.header.length << " body bytes, only " << m.body.size()
         << " follow\n";
  }
}

void Dumper::showHtml(const Message& m) {
  HtmlMessage page;
  page.title = m.input;
  if (m.framed) {
    page.title += " \u00b7 message " + std::to_string(m.number) + " at offset " +
                  std::to_string(m.start) + " \u00b7 event " + quoted(m.header.event) +
                  ", payload " + quoted(m.header.payload);
  }
  page.title += " \u00b7 protocol " + std::string(m.version->name()) + " (" + m.how + ")";
  page.bytes = m.whole;
  page.start = m.start;
  page.bodyStart = m.bodyStart - m.start;
  for (const FieldSpan& f : m.headerFields) page.fields.push_back(f);
  for (FieldSpan f : collapseUnread(m.annotation.fields)) {
    f.offset += page.bodyStart;
    page.fields.push_back(std::move(f));
  }
  page.consumedEnd = page.bodyStart + m.outcome.consumed;
  page.complete = m.outcome.complete;
  page.stoppedAt = page.bodyStart + m.outcome.stoppedAt;
  page.stoppedField = m.annotation.stoppedField;
  if (!m.outcome.complete) {
    page.status = "the data ran out at offset " + std::to_string(m.bodyStart + m.outcome.stoppedAt);
    if (!m.annotation.stoppedField.empty()) page.status += " in field " + m.annotation.stoppedField;
  } else {
    page.status = "body complete: " + std::to_string(m.outcome.consumed) + " bytes";
    const std::size_t rest = m.body.size() - m.outcome.consumed;
    if (rest > 0) {
      page.status += "; " + std::to_string(rest) + " bytes left over at offset " +
                     std::to_string(m.bodyStart + m.outcome.consumed);
    }
  }
  if (m.cut) {
    page.status += "; the header announces " + std::to_string(m.header.length) +
                   " body bytes, only " + std::to_string(m.body.size()) + " follow";
  }
  page.ok = m.ok;
  htmlMessage(out_, page, shown_);
}

void Dumper::finish() {
  if (options_.format == Format::kHtml) {
    if (!started_) htmlBegin(out_);
    htmlEnd(out_);
  }
}

}  // namespace tools
}  // namespace tav
