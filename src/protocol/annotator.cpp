#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "model/names.h"
#include "visitors.h"

namespace tav {
namespace protocol {

std::string quotedText(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

namespace detail {

RecordKind recordKindOf(const char* name) {
  const std::string_view n(name);
  if (n == "ability_decks") return RecordKind::kDeck;
  if (n == "actors") return RecordKind::kActor;
  if (n == "player") return RecordKind::kPlayer;
  if (n == "monster") return RecordKind::kMonster;
  if (n == "instances") return RecordKind::kFigure;
  return RecordKind::kState;
}

template <class E>
std::string AnnotationSink::enumerationText(E value) {
  const std::string_view name = tav::enumeratorName(value);
  if (!name.empty()) return std::string(name);
  return std::to_string(static_cast<uint32_t>(value));
}

void AnnotationSink::field(FieldName field, std::size_t offset, std::size_t length, int value) {
  add(field, offset, length, std::to_string(value));
}

void AnnotationSink::field(FieldName field, std::size_t offset, std::size_t length, bool value) {
  add(field, offset, length, value ? "true" : "false");
}

void AnnotationSink::field(FieldName field, std::size_t offset, std::size_t length,
                           const tl::optional<int>& value) {
  add(field, offset, length, value ? std::to_string(*value) : std::string("null"));
}

void AnnotationSink::field(FieldName field, std::size_t offset, std::size_t length,
                           const tl::optional<std::string>& value) {
  add(field, offset, length, value ? quotedText(*value) : std::string("null"));
}

void AnnotationSink::stopped(FieldName field) { pathOf(field, stoppedField_); }

void AnnotationSink::enter(const char* name, std::ptrdiff_t index) {
  const bool indexed = index >= 0;
  levels_.push_back(Level{prefix_.size(), patternPrefix_.size(), recordKindOf(name), indexed});
  if (!prefix_.empty()) {
    prefix_ += '.';
    patternPrefix_ += '.';
  }
  prefix_ += name;
  patternPrefix_ += name;
  if (indexed) {
    prefix_ += '[';
    prefix_ += std::to_string(index);
    prefix_ += ']';
    patternPrefix_ += "[]";
    // The layouts nest two indexed records at most (actors[i].instances[j]); deeper ones
    // would keep the outermost two.
    if (indexCount_ < indices_.size()) indices_[indexCount_] = static_cast<uint32_t>(index);
    ++indexCount_;
  }
}

void AnnotationSink::leave() {
  const Level level = levels_.back();
  levels_.pop_back();
  prefix_.resize(level.path);
  patternPrefix_.resize(level.pattern);
  if (level.indexed) --indexCount_;
}

void AnnotationSink::add(FieldName field, std::size_t offset, std::size_t length,
                         std::string value) {
  if (!onField_) return;
  FieldSpan& span = span_;
  pathOf(field, span.path);
  span.offset = offset;
  span.length = length;
  span.value = std::move(value);
  span.depth = static_cast<unsigned>(levels_.size());
  span.record = levels_.empty() ? RecordKind::kState : levels_.back().kind;
  span.indices = indices_;
  span.indexCount =
      static_cast<uint8_t>(indexCount_ < indices_.size() ? indexCount_ : indices_.size());
  span.element = field.isCount ? -1 : field.index;
  span.schemaIndex = 0;
  if (schema_ != nullptr) {
    pattern_ = patternPrefix_;
    if (!pattern_.empty()) pattern_ += '.';
    pattern_ += field.name;
    if (field.isCount) {
      pattern_ += ".count";
    } else if (field.index >= 0) {
      pattern_ += "[]";
    }
    const auto entry = schema_->find(pattern_);
    if (entry != schema_->end()) span.schemaIndex = entry->second;
  }
  onField_(span);
}

void AnnotationSink::pathOf(FieldName field, std::string& path) const {
  path = prefix_;
  if (!path.empty()) path += '.';
  path += field.name;
  if (field.isCount) {
    path += ".count";
  } else if (field.index >= 0) {
    path += '[';
    path += std::to_string(field.index);
    path += ']';
  }
}

void SchemaWalker::enter(const char* name, bool indexed) {
  marks_.push_back(prefix_.size());
  kinds_.push_back(recordKindOf(name));
  if (!prefix_.empty()) prefix_ += '.';
  prefix_ += name;
  if (indexed) prefix_ += "[]";
}

void SchemaWalker::leave() {
  prefix_.resize(marks_.back());
  marks_.pop_back();
  kinds_.pop_back();
}

void SchemaWalker::add(const std::string& name, FieldType type, std::string_view enumeration) {
  SchemaField field;
  field.pattern = prefix_.empty() ? name : prefix_ + '.' + name;
  field.type = type;
  field.enumeration = enumeration;
  field.record = kinds_.empty() ? RecordKind::kState : kinds_.back();
  field.depth = static_cast<unsigned>(marks_.size());
  fields_.push_back(std::move(field));
}

std::vector<SchemaField> mergeSchemas(const std::vector<SchemaField>& a,
                                      const std::vector<SchemaField>& b) {
  // common[i][j]: the length of a longest common subsequence of a[i..] and b[j..].
  const std::size_t n = a.size();
  const std::size_t m = b.size();
  std::vector<std::size_t> common((n + 1) * (m + 1), 0);
  auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t j = m; j-- > 0;) {
      common[at(i, j)] = a[i].pattern == b[j].pattern
                             ? common[at(i + 1, j + 1)] + 1
                             : std::max(common[at(i + 1, j)], common[at(i, j + 1)]);
    }
  }
  std::vector<SchemaField> merged;
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && a[i].pattern == b[j].pattern) {
      merged.push_back(a[i]);
      ++i;
      ++j;
    } else if (j == m || (i < n && common[at(i + 1, j)] >= common[at(i, j + 1)])) {
      merged.push_back(a[i++]);
    } else {
      merged.push_back(b[j++]);
    }
  }
  return merged;
}

// The enumerations that reach the annotator.
template std::string AnnotationSink::enumerationText(tav::AttackModifier);
template std::string AnnotationSink::enumerationText(tav::CharacterClass);
template std::string AnnotationSink::enumerationText(tav::Condition);
template std::string AnnotationSink::enumerationText(tav::ElementState);
template std::string AnnotationSink::enumerationText(tav::MonsterType);
template std::string AnnotationSink::enumerationText(tav::PlayerInit);
template std::string AnnotationSink::enumerationText(tav::SummonColor);

}  // namespace detail
}  // namespace protocol
}  // namespace tav
