#include "htmlPage.h"

#include <cstdio>
#include <map>
#include <ostream>

namespace tav {
namespace tools {

namespace {

// Larger messages show their first bytes only, so the page stays usable in a browser.
constexpr std::size_t kMaxShown = std::size_t{1} << 18;

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The field's name within its record: the last part of its path, with ".count" kept on a
// list's count ("conditions.count").
std::string nameOf(const std::string& path) {
  const std::string suffix = ".count";
  const bool count = path.size() > suffix.size() &&
                     path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
  const std::size_t end = count ? path.size() - suffix.size() : path.size();
  const std::size_t dot = path.rfind('.', end - 1);
  return dot == std::string::npos ? path : path.substr(dot + 1);
}

// The record a field lies in: its path before its name ("" for the top level).
std::string recordOf(const std::string& path) {
  const std::size_t size = path.size() - nameOf(path).size();
  return size == 0 ? std::string() : path.substr(0, size - 1);
}

std::vector<std::string> segments(const std::string& record) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  while (!record.empty()) {
    const std::size_t dot = record.find('.', from);
    parts.push_back(record.substr(from, dot == std::string::npos ? dot : dot - from));
    if (dot == std::string::npos) break;
    from = dot + 1;
  }
  return parts;
}

const char kStyle[] = R"(
:root { font-family: system-ui, sans-serif; color: #1d2330; background: #fafafa; }
h1 { font-size: 1.2rem; margin: 0.5rem 0; }
section.msg { border: 1px solid #ccd; border-radius: 6px; background: #fff; margin: 1rem 0;
  padding: 0.5rem 1rem; }
section.msg h2 { font-size: 1rem; margin: 0.3rem 0; word-break: break-all; }
p.status { margin: 0.3rem 0; font-size: 0.9rem; }
p.status.bad { color: #a01818; font-weight: 600; }
.panes { display: flex; gap: 1.5rem; align-items: flex-start; flex-wrap: wrap; }
.grid { font-family: ui-monospace, monospace; font-size: 13px; line-height: 1.5; }
.row { white-space: nowrap; }
.addr { color: #889; display: inline-block; width: 6.5em; text-align: right;
  margin-right: 0.8em; }
.b { display: inline-block; width: 1.9em; text-align: center; margin: 1px 0; cursor: pointer;
  background: hsl(var(--h), 70%, 88%); border-left: 1px solid transparent; }
.b.fs { border-left-color: hsl(var(--h), 40%, 45%); }
.b.hdr { background: hsl(var(--h), 15%, 85%); }
.b.free { background: #fff; color: #999; cursor: default; }
.b.left { background: repeating-linear-gradient(45deg, #fde0e0, #fde0e0 3px, #fff 3px,
  #fff 6px); color: #a01818; cursor: default; }
.b.unread { background: #eee; color: #999; text-decoration: line-through; cursor: default; }
.end { display: inline-block; width: 0; height: 1.2em; vertical-align: middle;
  border-left: 3px solid #d01010; margin: 0 2px; }
.txt { color: #667; margin-left: 1em; white-space: pre; }
.b.hover, .fld.hover { outline: 2px solid #3060d0; outline-offset: -1px; }
.b.sel { background: #1d4ed8; color: #fff; }
.fld.sel { background: #dbe4ff; }
.tree { list-style: none; margin: 0; padding: 0; font-size: 13px; max-height: 80vh;
  overflow: auto; min-width: 24rem; }
.tree li { padding: 1px 4px 1px calc(0.6rem + var(--d) * 1.2rem); white-space: nowrap; }
.rec { color: #556; font-weight: 600; }
.fld { cursor: pointer; }
.fld .sw { display: inline-block; width: 0.8em; height: 0.8em; margin-right: 0.4em;
  background: hsl(var(--h), 70%, 80%); border: 1px solid hsl(var(--h), 40%, 45%); }
.fld .val { font-family: ui-monospace, monospace; }
.fld .at { color: #99a; font-size: 11px; margin-left: 0.5em; }
.fld.unread { color: #a01818; }
.more { color: #a01818; font-style: italic; }
.legend { font-size: 12px; color: #556; margin: 0.3rem 0 0.6rem; }
.legend .b { width: auto; padding: 0 0.4em; margin-right: 0.6em; }
)";

const char kScript[] = R"(
(function () {
  for (const msg of document.querySelectorAll('section.msg')) {
    const cells = new Map();
    const rows = new Map();
    for (const cell of msg.querySelectorAll('.b[data-f]')) {
      if (!cells.has(cell.dataset.f)) cells.set(cell.dataset.f, []);
      cells.get(cell.dataset.f).push(cell);
    }
    for (const row of msg.querySelectorAll('.fld[data-f]')) rows.set(row.dataset.f, row);
    let selected = null;
    const mark = (f, cls, on) => {
      for (const cell of cells.get(f) || []) cell.classList.toggle(cls, on);
      const row = rows.get(f);
      if (row) row.classList.toggle(cls, on);
    };
    const target = (event) => {
      const t = event.target.closest('[data-f]');
      return t && msg.contains(t) ? t : null;
    };
    const select = (t) => {
      const f = t.dataset.f;
      if (selected !== null) mark(selected, 'sel', false);
      selected = selected === f ? null : f;
      if (selected === null) return;
      mark(f, 'sel', true);
      const other = t.classList.contains('b') ? rows.get(f) : (cells.get(f) || [])[0];
      if (other) other.scrollIntoView({block: 'nearest'});
    };
    msg.addEventListener('mouseover', (e) => { const t = target(e); if (t) mark(t.dataset.f, 'hover', true); });
    msg.addEventListener('mouseout', (e) => { const t = target(e); if (t) mark(t.dataset.f, 'hover', false); });
    msg.addEventListener('click', (e) => { const t = target(e); if (t) select(t); });
    msg.addEventListener('keydown', (e) => {
      const t = target(e);
      if (t && (e.key === 'Enter' || e.key === ' ')) { e.preventDefault(); select(t); }
    });
  }
})();
)";

}  // namespace

void htmlBegin(std::ostream& out) {
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>tav-dump byte map</title>\n<style>"
      << kStyle << "</style>\n</head>\n<body>\n<h1>tav-dump byte map</h1>\n"
      << "<p class=\"legend\">Each field's bytes are shaded by the record it lies in; a bar "
         "marks the start of a field. Hover or click a byte or a field to highlight both. "
         "<span class=\"b left\">left over</span><span class=\"b unread\">not read</span>"
         "<span class=\"end\"></span> where the data ran out</p>\n";
}

void htmlMessage(std::ostream& out, const HtmlMessage& m, std::size_t index) {
  const std::size_t shown = std::min(m.bytes.size(), kMaxShown);

  // Which field owns each byte, and each record's hue (golden-angle steps apart).
  std::vector<long> owner(shown, -1);
  std::map<std::string, int> hues;
  std::vector<int> fieldHue(m.fields.size());
  for (std::size_t k = 0; k < m.fields.size(); ++k) {
    const tav::protocol::FieldSpan& f = m.fields[k];
    const std::string record = recordOf(f.path);
    const auto found = hues.find(record);
    int hue;
    if (found != hues.end()) {
      hue = found->second;
    } else {
      hue = static_cast<int>((hues.size() * 137 + 210) % 360);
      hues[record] = hue;
    }
    fieldHue[k] = hue;
    for (std::size_t i = f.offset; i < f.offset + f.length && i < shown; ++i) {
      owner[i] = static_cast<long>(k);
    }
  }

  out << "<section class=\"msg\" id=\"m" << index << "\" data-start=\"" << m.start
      << "\" data-body=\"" << m.start + m.bodyStart << "\" data-consumed-end=\""
      << m.start + m.consumedEnd << "\" data-size=\"" << m.bytes.size() << "\">\n<h2>"
      << escape(m.title) << "</h2>\n<p class=\"status" << (m.ok ? "" : " bad") << "\">"
      << escape(m.status) << "</p>\n<div class=\"panes\">\n<div class=\"grid\">\n";
  char hex[4];
  for (std::size_t row = 0; row < shown; row += 16) {
    out << "<div class=\"row\"><span class=\"addr\">" << m.start + row << "</span>";
    std::string text;
    for (std::size_t i = row; i < row + 16 && i < shown; ++i) {
      if (!m.complete && i == m.stoppedAt) {
        out << "<span class=\"end\" title=\"the data ran out here: " << escape(m.stoppedField)
            << "\"></span>";
      }
      const auto byte = static_cast<unsigned char>(m.bytes[i]);
      std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(byte));
      text += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '.';
      out << "<span class=\"b";
      if (owner[i] >= 0) {
        const auto k = static_cast<std::size_t>(owner[i]);
        if (m.fields[k].offset == i) out << " fs";
        if (i < m.bodyStart) out << " hdr";
        out << "\" data-o=\"" << m.start + i << "\" data-f=\"" << k
            << "\" style=\"--h:" << fieldHue[k] << "\" title=\"" << escape(m.fields[k].path)
            << "\">";
      } else {
        const char* kind = i < m.consumedEnd ? "free" : (m.complete ? "left" : "unread");
        out << " " << kind << "\" data-o=\"" << m.start + i << "\" title=\""
            << (kind[0] == 'l'   ? "left over"
                : kind[0] == 'u' ? "not read"
                                 : "no field")
            << "\">";
      }
      out << hex << "</span>";
    }
    if (!m.complete && m.stoppedAt >= shown && row + 16 >= shown && shown == m.bytes.size()) {
      out << "<span class=\"end\" title=\"the data ran out here: " << escape(m.stoppedField)
          << "\"></span>";
    }
    out << "<span class=\"txt\">" << escape(text) << "</span></div>\n";
  }
  if (shown < m.bytes.size()) {
    out << "<div class=\"row\">... " << m.bytes.size() - shown << " more bytes not shown</div>\n";
  }
  out << "</div>\n<ol class=\"tree\">\n";

  std::vector<std::string> open;
  for (std::size_t k = 0; k < m.fields.size(); ++k) {
    const tav::protocol::FieldSpan& f = m.fields[k];
    if (f.offset >= shown) {  // the tree stops where the grid does
      out << "<li class=\"more\" style=\"--d:0\">... " << m.fields.size() - k
          << " more fields not shown</li>\n";
      break;
    }
    const std::vector<std::string> parts = segments(recordOf(f.path));
    std::size_t common = 0;
    while (common < parts.size() && common < open.size() && parts[common] == open[common]) {
      ++common;
    }
    for (std::size_t d = common; d < parts.size(); ++d) {
      out << "<li class=\"rec\" style=\"--d:" << d << "\">" << escape(parts[d]) << "</li>\n";
    }
    open = parts;
    if (f.path.empty()) {  // a run of fields not read, as a count
      out << "<li class=\"more\" style=\"--d:" << open.size() << "\">" << escape(f.value)
          << "</li>\n";
      continue;
    }
    const std::string name = nameOf(f.path);
    out << "<li class=\"fld" << (f.length == 0 ? " unread" : "") << "\" tabindex=\"0\" data-f=\""
        << k << "\" data-o=\"" << m.start + f.offset << "\" data-l=\"" << f.length
        << "\" data-path=\"" << escape(f.path) << "\" style=\"--d:" << parts.size()
        << ";--h:" << fieldHue[k] << "\"><span class=\"sw\"></span><span class=\"nm\">"
        << escape(name) << "</span> <span class=\"val\">= "
        << escape(f.length == 0 ? std::string("(not read)") : f.value)
        << "</span><span class=\"at\">" << m.start + f.offset << "+" << f.length
        << "</span></li>\n";
  }
  out << "</ol>\n</div>\n</section>\n";
}

void htmlEnd(std::ostream& out) { out << "<script>" << kScript << "</script>\n</body>\n</html>\n"; }

}  // namespace tools
}  // namespace tav
