#include <cstdio>
#include <string>
#include <string_view>

#include "model/names.h"
#include "quoted.h"
#include "visitors.h"

namespace tav {
namespace protocol {
namespace detail {

std::string quoted(std::string_view text) {
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
  add(field, offset, length, value ? quoted(*value) : std::string("null"));
}

void AnnotationSink::stopped(FieldName field) { result_.stoppedField = pathOf(field); }

void AnnotationSink::enter(const char* name, std::ptrdiff_t index) {
  marks_.push_back(prefix_.size());
  if (!prefix_.empty()) prefix_ += '.';
  prefix_ += name;
  if (index >= 0) {
    prefix_ += '[';
    prefix_ += std::to_string(index);
    prefix_ += ']';
  }
}

void AnnotationSink::leave() {
  prefix_.resize(marks_.back());
  marks_.pop_back();
}

void AnnotationSink::add(FieldName field, std::size_t offset, std::size_t length,
                         std::string value) {
  FieldSpan span;
  span.path = pathOf(field);
  span.offset = offset;
  span.length = length;
  span.value = std::move(value);
  span.depth = static_cast<unsigned>(marks_.size());
  result_.fields.push_back(std::move(span));
}

std::string AnnotationSink::pathOf(FieldName field) const {
  std::string path = prefix_;
  if (!path.empty()) path += '.';
  path += field.name;
  if (field.isCount) {
    path += ".count";
  } else if (field.index >= 0) {
    path += '[';
    path += std::to_string(field.index);
    path += ']';
  }
  return path;
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
