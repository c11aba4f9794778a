// SPDX-License-Identifier: GPL-2.0-or-later
// The C interface of bridge.h over the library's message layer and annotation. Nothing here
// knows a layout: framing, version detection, the field schema and every field's place and
// value come from the library; this file only turns them into plain C data.
#include "bridge.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/names.h"
#include "protocol/message.h"
#include "protocol/version.h"

namespace {

using tav::protocol::FieldSpan;
using tav::protocol::FieldType;
using tav::protocol::Version;

// Allocations through the caller's allocator; a failed one throws, caught at the C boundary.
class Arena {
 public:
  Arena(tav_alloc_fn alloc, void* context) : alloc_(alloc), context_(context) {}

  template <typename T>
  T* array(std::size_t n) {
    if (n == 0) n = 1;
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    void* p = alloc_(context_, n * sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    std::memset(p, 0, n * sizeof(T));
    return static_cast<T*>(p);
  }
  // A NUL-terminated copy of text.
  const char* str(std::string_view text) {
    char* p = array<char>(text.size() + 1);
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    return p;
  }

 private:
  tav_alloc_fn alloc_;
  void* context_;
};

// ---- Enumerations: the names of each enumeration type the schema mentions ----

template <typename E>
std::vector<tav_enum_name> namesOf(const std::vector<E>& values,
                                   std::vector<std::unique_ptr<std::string>>& store) {
  std::vector<tav_enum_name> names;
  for (E value : values) {
    std::string_view name = tav::enumeratorName(value);
    if (name.empty()) continue;
    store.push_back(std::make_unique<std::string>(name));
    names.push_back({static_cast<uint32_t>(value), store.back()->c_str()});
  }
  return names;
}

std::vector<tav_enum_name> enumerationNames(std::string_view type,
                                            std::vector<std::unique_ptr<std::string>>& store) {
  if (type == "AttackModifier") return namesOf(tav::getAttackModifierValues(), store);
  if (type == "CharacterClass") return namesOf(tav::getCharacterClassValues(), store);
  if (type == "Condition") return namesOf(tav::getConditionValues(), store);
  if (type == "ElementState") return namesOf(tav::getElementStateValues(), store);
  if (type == "MonsterType") return namesOf(tav::getMonsterTypeValues(), store);
  if (type == "PlayerInit") return namesOf(tav::getPlayerInitValues(), store);
  if (type == "SummonColor") return namesOf(tav::getSummonColorValues(), store);
  return {};
}

// ---- The registered fields ----

// "actors[].instances[].hp" -> "tav.actors.instances.hp": brackets dropped, letters lowered,
// anything else outside [a-z0-9_.] made '_'.
std::string filterName(std::string_view pattern) {
  std::string out = "tav.";
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '[' && i + 1 < pattern.size() && pattern[i + 1] == ']') {
      ++i;
      continue;
    }
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    out += ok ? c : '_';
  }
  return out;
}

// The dot-separated components of a path or pattern ("actors[0]", "player", "hp").
std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '.') {
      parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

std::string join(const std::vector<std::string_view>& parts, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) {
    if (i > from) out += '.';
    out += parts[i];
  }
  return out;
}

tav_hf_kind kindOf(const tav::protocol::SchemaField& field) {
  switch (field.type) {
    case FieldType::kBoolean:
      return TAV_HF_BOOL;
    case FieldType::kEnumeration:
      return TAV_HF_ENUM;
    case FieldType::kSlot:
      return field.enumeration.empty() ? TAV_HF_INT : TAV_HF_ENUM;
    case FieldType::kText:
      return TAV_HF_TEXT;
    case FieldType::kNumber:
    case FieldType::kCount:
      break;
  }
  return TAV_HF_INT;
}

const char* typeText(FieldType type) {
  switch (type) {
    case FieldType::kNumber:
      return "number";
    case FieldType::kBoolean:
      return "boolean";
    case FieldType::kEnumeration:
      return "enumeration";
    case FieldType::kSlot:
      return "optional value";
    case FieldType::kText:
      return "text";
    case FieldType::kCount:
      return "count";
  }
  return "value";
}

// Every field once, made on first use and kept for the life of the process.
struct Registry {
  struct Def {
    std::string filter, name, blurb, enumeration;
    tav_hf_kind kind = TAV_HF_INT;
    std::vector<tav_enum_name> names;
  };
  std::vector<Def> defs;
  std::vector<tav_hf_def> table;
  std::map<std::string, int> byFilter;
  std::vector<std::unique_ptr<std::string>> nameStore;
  // Per version (in the order of kVersions) and schema entry: its field and its records'.
  struct Entry {
    int hf = -1;
    std::vector<int> records;
  };
  std::vector<std::vector<Entry>> entries;
  // Per version: schema entry by pattern, for spans whose schemaIndex does not match.
  std::vector<std::map<std::string, std::size_t>> byPattern;
  std::vector<const char*> versionNames;
  std::vector<std::string> versionStore;

  // The field named filter, added with kind when new. A pattern that has different kinds in
  // different versions becomes a text field (its value as the annotation shows it).
  int add(const std::string& filter, const std::string& name, tav_hf_kind kind,
          std::string_view enumeration, const std::string& blurb) {
    auto found = byFilter.find(filter);
    if (found != byFilter.end()) {
      Def& def = defs[found->second];
      if (def.kind != kind || def.enumeration != enumeration) {
        // A record and a field of one name: the record's gets its own name.
        if (kind == TAV_HF_RECORD || def.kind == TAV_HF_RECORD) {
          return add(filter + (kind == TAV_HF_RECORD ? "_record" : "_value"), name, kind,
                     enumeration, blurb);
        }
        def.kind = TAV_HF_TEXT;
        def.names.clear();
      }
      if (kind != TAV_HF_RECORD && def.blurb.find(blurb) == std::string::npos) {
        def.blurb += "; " + blurb;
      }
      return found->second;
    }
    Def def;
    def.filter = filter;
    def.name = name;
    def.blurb = blurb;
    def.kind = kind;
    def.enumeration = std::string(enumeration);
    if (kind == TAV_HF_ENUM) def.names = enumerationNames(enumeration, nameStore);
    defs.push_back(std::move(def));
    int index = static_cast<int>(defs.size() - 1);
    byFilter.emplace(filter, index);
    return index;
  }

  Registry() {
    // The header's fields as the library lists them, then the event and payload its text
    // splits into.
    for (const tav::protocol::SchemaField& field : tav::protocol::headerSchema()) {
      add(filterName(field.pattern), field.pattern, kindOf(field), field.enumeration,
          std::string("header: ") + typeText(field.type));
    }
    add("tav.header.event", "header.event", TAV_HF_TEXT, {}, "the text before its first blank");
    add("tav.header.payload", "header.payload", TAV_HF_TEXT, {}, "the text after its first blank");
    for (const Version* version : tav::protocol::kVersions) {
      versionStore.emplace_back(version->name());
    }
    for (const std::string& name : versionStore) versionNames.push_back(name.c_str());
    versionNames.push_back(nullptr);

    for (const Version* version : tav::protocol::kVersions) {
      const std::vector<tav::protocol::SchemaField>& schema = version->schema();
      std::vector<Entry> perVersion(schema.size());
      std::map<std::string, std::size_t> patterns;
      for (std::size_t i = 0; i < schema.size(); ++i) {
        const tav::protocol::SchemaField& field = schema[i];
        std::vector<std::string_view> parts = components(field.pattern);
        std::size_t depth = field.depth;
        if (depth + 1 > parts.size()) depth = parts.size() - 1;
        if (depth > TAV_MAX_DEPTH) depth = TAV_MAX_DEPTH;
        for (std::size_t k = 1; k <= depth; ++k) {
          std::string record = join(parts, 0, k);
          perVersion[i].records.push_back(
              add(filterName(record), record, TAV_HF_RECORD, {}, "a record"));
        }
        std::string blurb = std::string(version->name()) + ": " + typeText(field.type);
        if (!field.enumeration.empty()) blurb += " " + std::string(field.enumeration);
        perVersion[i].hf =
            add(filterName(field.pattern), field.pattern, kindOf(field), field.enumeration, blurb);
        patterns.emplace(field.pattern, i);
      }
      entries.push_back(std::move(perVersion));
      byPattern.push_back(std::move(patterns));
    }
    for (const Def& def : defs) {
      tav_hf_def out{};
      out.filter = def.filter.c_str();
      out.name = def.name.c_str();
      out.blurb = def.blurb.c_str();
      out.kind = def.kind;
      out.names = def.names.empty() ? nullptr : def.names.data();
      out.name_count = def.names.size();
      table.push_back(out);
    }
  }

  int find(const std::string& filter) const {
    auto found = byFilter.find(filter);
    return found == byFilter.end() ? -1 : found->second;
  }
  // The schema entry of a span: its schemaIndex, checked against its path.
  const Entry* entryOf(const Version& version, std::size_t versionIndex,
                       const FieldSpan& span) const {
    const std::vector<tav::protocol::SchemaField>& schema = version.schema();
    std::string pattern = patternOf(span.path);
    if (span.schemaIndex < schema.size() && schema[span.schemaIndex].pattern == pattern) {
      return &entries[versionIndex][span.schemaIndex];
    }
    auto found = byPattern[versionIndex].find(pattern);
    return found == byPattern[versionIndex].end() ? nullptr : &entries[versionIndex][found->second];
  }
  // "actors[2].instances[0].hp" -> "actors[].instances[].hp".
  static std::string patternOf(std::string_view path) {
    std::string out;
    for (std::size_t i = 0; i < path.size(); ++i) {
      out += path[i];
      if (path[i] != '[') continue;
      std::size_t close = path.find(']', i);
      if (close == std::string_view::npos) break;
      i = close - 1;
    }
    return out;
  }
  std::size_t versionIndex(const Version* version) const {
    for (std::size_t i = 0; i < tav::protocol::kVersions.size(); ++i) {
      if (tav::protocol::kVersions[i] == version) return i;
    }
    return 0;
  }
};

const Registry& registry() {
  static const Registry instance;
  return instance;
}

// ---- Values ----

// The bytes a quoted text stands for: the inverse of the annotation's quoting. False when
// quoted is not such a literal.
bool unquote(std::string_view quoted, std::string& out) {
  out.clear();
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
  quoted = quoted.substr(1, quoted.size() - 2);
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    char c = quoted[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= quoted.size()) return false;
    c = quoted[i];
    if (c == 'x') {
      if (i + 2 >= quoted.size()) return false;
      auto hex = [](char h) {
        if (h >= '0' && h <= '9') return h - '0';
        if (h >= 'a' && h <= 'f') return h - 'a' + 10;
        if (h >= 'A' && h <= 'F') return h - 'A' + 10;
        return -1;
      };
      int hi = hex(quoted[i + 1]);
      int lo = hex(quoted[i + 2]);
      if (hi < 0 || lo < 0) return false;
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += c;  // \" and \\ (and any other escaped character as itself)
    }
  }
  return true;
}

bool parseInt(std::string_view text, int64_t& value) {
  if (text.empty() || text.size() > 24) return false;
  std::string copy(text);
  char* end = nullptr;
  errno = 0;
  long long parsed = std::strtoll(copy.c_str(), &end, 10);
  if (errno != 0 || end == copy.c_str() || *end != '\0') return false;
  value = parsed;
  return true;
}

bool enumOrdinal(const tav_hf_def& def, std::string_view value, int64_t& ordinal) {
  for (std::size_t i = 0; i < def.name_count; ++i) {
    if (value == def.names[i].name) {
      ordinal = def.names[i].value;
      return true;
    }
  }
  return parseInt(value, ordinal) && ordinal >= 0 && ordinal <= UINT32_MAX;
}

bool printable(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// Fills field from a span (offsets already from the message's first byte) whose registered
// field is hf and whose records' fields are records.
void fillField(tav_field& field, const FieldSpan& span, std::size_t offset, int hf,
               const std::vector<int>& records, unsigned depth, Arena& arena) {
  const Registry& reg = registry();
  field.path = arena.str(span.path);
  field.value = arena.str(span.value);
  field.offset = offset;
  field.length = span.length;
  field.hf = hf;

  std::vector<std::string_view> parts = components(span.path);
  if (depth + 1 > parts.size()) depth = static_cast<unsigned>(parts.size() - 1);
  if (depth > records.size()) depth = static_cast<unsigned>(records.size());
  field.depth = depth;
  for (unsigned k = 0; k < depth; ++k) {
    field.record_hf[k] = records[k];
    field.record_label[k] = arena.str(parts[k]);
    field.record_path[k] = arena.str(join(parts, 0, k + 1));
  }
  field.label = arena.str(join(parts, depth, parts.size()));

  if (span.length == 0) {
    field.kind = TAV_VALUE_UNREAD;
    return;
  }
  field.kind = TAV_VALUE_NULL;
  if (hf < 0) return;
  const tav_hf_def& def = reg.table[static_cast<std::size_t>(hf)];
  std::string raw;
  switch (def.kind) {
    case TAV_HF_INT:
      if (parseInt(span.value, field.number)) field.kind = TAV_VALUE_INT;
      break;
    case TAV_HF_BOOL:
      if (span.value == "true" || span.value == "false") {
        field.kind = TAV_VALUE_BOOL;
        field.number = span.value == "true";
      }
      break;
    case TAV_HF_ENUM:
      if (span.value != "null" && enumOrdinal(def, span.value, field.number)) {
        field.kind = TAV_VALUE_ENUM;
      }
      break;
    case TAV_HF_TEXT:
      if (!unquote(span.value, raw)) raw = span.value;
      field.kind = TAV_VALUE_TEXT;
      field.text = arena.str(raw);
      field.text_length = raw.size();
      break;
    case TAV_HF_RECORD:
      break;
  }
}

tav_status statusOf(tav::protocol::MessageStatus status) {
  using tav::protocol::MessageStatus;
  switch (status) {
    case MessageStatus::kComplete:
      return TAV_COMPLETE;
    case MessageStatus::kNeedHeader:
      return TAV_NEED_HEADER;
    case MessageStatus::kNeedBody:
      return TAV_NEED_BODY;
    case MessageStatus::kBadTextCount:
      return TAV_BAD_TEXT_COUNT;
    case MessageStatus::kBadLength:
      return TAV_BAD_LENGTH;
    case MessageStatus::kNegativeLength:
      return TAV_NEGATIVE_LENGTH;
    case MessageStatus::kTooLarge:
      return TAV_TOO_LARGE;
  }
  return TAV_FAILED;
}

// A plausible header: a printable text of at most kPlausibleText bytes whose event has at most
// kPlausibleEvent; it takes at most kPlausibleWindow bytes.
constexpr std::size_t kPlausibleText = 256;
constexpr std::size_t kPlausibleEvent = 64;
constexpr std::size_t kPlausibleWindow = 2 + kPlausibleText + 5;

bool headerComplete(tav_status status) {
  return status == TAV_COMPLETE || status == TAV_NEED_BODY || status == TAV_TOO_LARGE;
}

void frameOf(const tav::protocol::Message& message, const uint8_t* data, tav_frame& out) {
  out.status = statusOf(message.status);
  out.size = message.size;
  if (!message.text.empty() || headerComplete(out.status)) {
    out.text_offset = message.text.empty()
                          ? 2
                          : static_cast<std::size_t>(
                                reinterpret_cast<const uint8_t*>(message.text.data()) - data);
    out.text_length = message.text.size();
  }
  if (headerComplete(out.status)) {
    out.header_size = message.headerSize;
    out.length = message.header.length;
    const std::string& event = message.header.event;
    out.plausible = out.status != TAV_TOO_LARGE && !event.empty() &&
                    event.size() <= kPlausibleEvent && message.text.size() <= kPlausibleText &&
                    printable(message.text);
  }
}

}  // namespace

extern "C" {

const tav_hf_def* tav_bridge_fields(size_t* count) {
  try {
    const Registry& reg = registry();
    *count = reg.table.size();
    return reg.table.data();
  } catch (...) {
    *count = 0;
    return nullptr;
  }
}

const char* const* tav_bridge_versions(void) {
  try {
    return registry().versionNames.data();
  } catch (...) {
    static const char* const none[] = {nullptr};
    return none;
  }
}

int tav_bridge_frame(const uint8_t* data, size_t size, uint64_t limit, tav_frame* out) {
  *out = tav_frame{};
  try {
    std::size_t cap = limit > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(limit);
    tav::protocol::Message message = tav::protocol::readMessage(data, size, cap);
    frameOf(message, data, *out);
    return 0;
  } catch (...) {
    *out = tav_frame{};
    out->status = TAV_FAILED;
    return -1;
  }
}

size_t tav_bridge_resync(const uint8_t* data, size_t size, size_t from, uint64_t limit) {
  try {
    for (std::size_t at = from; at < size; ++at) {
      // A plausible header is short: reading no further than it can reach keeps the search
      // linear in the bytes, whatever text counts they hold.
      std::size_t window = std::min(size - at, kPlausibleWindow);
      tav_frame frame;
      if (tav_bridge_frame(data + at, window, limit, &frame) == 0 && frame.plausible) {
        return at;
      }
    }
  } catch (...) {
  }
  return size;
}

int tav_bridge_dissect(const uint8_t* data, size_t size, uint64_t limit, const char* forced,
                       tav_alloc_fn alloc, void* context, tav_dissection* out) {
  *out = tav_dissection{};
  Arena arena(alloc, context);
  try {
    const Registry& reg = registry();
    std::size_t cap = limit > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(limit);
    tav::protocol::Message message = tav::protocol::readMessage(data, size, cap);
    frameOf(message, data, out->frame);
    out->status_text = arena.str(tav::protocol::statusText(message.status));
    const bool complete = headerComplete(out->frame.status);

    // The header: its own fields, with the event and payload after the text.
    std::vector<FieldSpan> spans = tav::protocol::annotateHeader(data, size);
    std::vector<std::pair<FieldSpan, int>> header;
    const std::string& event = message.header.event;
    const std::string& payload = message.header.payload;
    for (const FieldSpan& span : spans) {
      header.emplace_back(span, reg.find(filterName(span.path)));
      if (span.path != "header.text" || !complete) continue;
      // Where the event and the payload lie in the text: the text up to its first blank, and
      // after it, each trimmed.
      std::string_view text = message.text;
      std::size_t blank = text.find(' ');
      std::string_view before = text.substr(0, blank);
      std::size_t at = event.empty() ? 0 : before.find(event);
      if (at == std::string_view::npos) at = 0;
      FieldSpan e;
      e.path = "header.event";
      e.offset = out->frame.text_offset + at;
      e.length = event.size();
      e.value = tav::protocol::quotedText(event);
      header.emplace_back(e, reg.find("tav.header.event"));
      out->event_offset = e.offset;
      out->event_length = e.length;
      if (blank != std::string_view::npos && !payload.empty()) {
        std::string_view after = text.substr(blank + 1);
        std::size_t pat = after.find(payload);
        if (pat == std::string_view::npos) pat = 0;
        FieldSpan p;
        p.path = "header.payload";
        p.offset = out->frame.text_offset + blank + 1 + pat;
        p.length = payload.size();
        p.value = tav::protocol::quotedText(payload);
        header.emplace_back(p, reg.find("tav.header.payload"));
        out->payload_offset = p.offset;
        out->payload_length = p.length;
      }
    }
    out->header_fields = arena.array<tav_field>(header.size());
    out->header_field_count = header.size();
    static const std::vector<int> noRecords;
    for (std::size_t i = 0; i < header.size(); ++i) {
      const FieldSpan& span = header[i].first;
      // A header field that the bytes cut short still shows its value (a count, say).
      fillField(out->header_fields[i], span, span.offset, header[i].second, noRecords, 0, arena);
      // Shown inside the header's subtree: "text_count", not "header.text_count".
      std::string_view label = span.path;
      if (label.substr(0, 7) == "header.") out->header_fields[i].label = arena.str(label.substr(7));
    }
    if (complete) {
      out->event = arena.str(event);
      out->payload = arena.str(payload);
    }

    std::string summaryEvent = printable(event) ? event : tav::protocol::quotedText(event);
    if (!complete || out->frame.status == TAV_TOO_LARGE) {
      std::string line =
          out->frame.status == TAV_TOO_LARGE
              ? summaryEvent + " (" + std::to_string(message.header.length) + " bytes: too large)"
              : "malformed header (" + std::string(tav::protocol::statusText(message.status)) + ")";
      if (out->frame.status == TAV_NEED_HEADER) line = "header cut short";
      out->summary = arena.str(line);
      out->fields = arena.array<tav_field>(0);
      return 0;
    }

    // The version: forced, or detected.
    tav::protocol::Detection detection =
        tav::protocol::detectVersion(message.body, &message.header);
    const Version* version = detection.chosen;
    std::string choice(tav::protocol::choiceText(detection.choice));
    const Version* wanted = forced != nullptr ? tav::protocol::findVersion(forced) : nullptr;
    out->trial_count = detection.trials.size();
    bool wantedExact = false;
    for (std::size_t i = 0; i < detection.trials.size() && i < 3; ++i) {
      const tav::protocol::VersionTrial& trial = detection.trials[i];
      tav_trial& t = out->trials[i];
      t.version = trial.version != nullptr ? arena.str(trial.version->name()) : arena.str("?");
      t.result = static_cast<int>(trial.result);
      t.consumed = trial.outcome.consumed;
      t.leftover = trial.outcome.leftover;
      t.stopped_at = trial.outcome.stoppedAt;
      if (trial.version == detection.named) out->named_exact = trial.outcome.exact();
      if (wanted != nullptr && trial.version == wanted) wantedExact = trial.outcome.exact();
    }
    if (wanted != nullptr) {
      version = wanted;
      choice = "forced by preference";
      out->forced = 1;
      out->exact = wantedExact;
    } else {
      out->exact = detection.exact();
    }
    out->version = arena.str(version->name());
    out->choice = arena.str(choice);
    if (detection.named != nullptr) out->named = arena.str(detection.named->name());

    // The body, field by field, in the chosen version.
    tav::protocol::Annotation annotation = version->annotate(message.body);
    const std::size_t versionIndex = reg.versionIndex(version);
    const std::size_t base = message.headerSize;
    out->fields = arena.array<tav_field>(annotation.fields.size());
    out->field_count = annotation.fields.size();
    std::string round, actors;
    for (std::size_t i = 0; i < annotation.fields.size(); ++i) {
      const FieldSpan& span = annotation.fields[i];
      static const Registry::Entry none;
      const Registry::Entry* found = reg.entryOf(*version, versionIndex, span);
      const Registry::Entry& entry = found != nullptr ? *found : none;
      fillField(out->fields[i], span, base + span.offset, entry.hf, entry.records, span.depth,
                arena);
      if (span.length > 0 && span.path == "round") round = span.value;
      if (span.length > 0 && span.path == "actors.count") actors = span.value;
    }
    out->complete = annotation.outcome.complete;
    out->consumed = base + annotation.outcome.consumed;
    out->leftover = annotation.outcome.leftover;
    out->stopped_at = base + annotation.outcome.stoppedAt;
    out->stopped_field = arena.str(annotation.stoppedField);

    std::string line = summaryEvent + " " + std::string(version->name());
    if (!round.empty()) line += " round=" + round;
    if (!actors.empty()) line += " actors=" + actors;
    line += " (" + std::to_string(message.header.length) + " bytes)";
    out->summary = arena.str(line);
    return 0;
  } catch (const std::exception& e) {
    try {
      out->error = arena.str(e.what());
    } catch (...) {
      out->error = nullptr;
    }
  } catch (...) {
    try {
      out->error = arena.str("unknown failure");
    } catch (...) {
      out->error = nullptr;
    }
  }
  return -1;
}

}  // extern "C"
