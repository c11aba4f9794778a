#include "protocol/version.h"

#include <ostream>
#include <utility>

#include "bufferAccess.h"
#include "print.h"
#include "visitors.h"

namespace tav {
namespace protocol {

ReadOutcome Version::read(tav::GameState& state, Buffer& buffer, std::ostream* dump) const {
  return read(state, buffer, ReadMode::kAppend, dump);
}

ReadOutcome Version::read(tav::GameState& state, const uint8_t* data, std::size_t size,
                          std::ostream* dump) const {
  return read(state, data, size, ReadMode::kAppend, dump);
}

ReadOutcome Version::read(tav::GameState& state, std::string_view data, std::ostream* dump) const {
  return read(state, data, ReadMode::kAppend, dump);
}

ReadOutcome Version::read(tav::GameState& state, Buffer& buffer, ReadMode mode,
                          std::ostream* dump) const {
  const ReadOutcome outcome = read(state, detail::BufferAccess::unread(buffer),
                                   detail::BufferAccess::unreadSize(buffer), mode, dump);
  detail::BufferAccess::consume(buffer, outcome.consumed);
  return outcome;
}

ReadOutcome Version::read(tav::GameState& state, const uint8_t* data, std::size_t size,
                          ReadMode mode, std::ostream* dump) const {
  if (data == nullptr) size = 0;
  return dump == nullptr ? functions_.readQuiet(state, data, size, mode)
                         : functions_.readDumping(state, data, size, mode, *dump);
}

ReadOutcome Version::read(tav::GameState& state, std::string_view data, ReadMode mode,
                          std::ostream* dump) const {
  return read(state, reinterpret_cast<const uint8_t*>(data.data()), data.size(), mode, dump);
}

std::size_t Version::size(const tav::GameState& state) const { return functions_.size(state); }

std::size_t Version::write(const tav::GameState& state, Buffer& buffer) const {
  const std::size_t written =
      write(state, detail::BufferAccess::room(buffer), detail::BufferAccess::roomSize(buffer));
  detail::BufferAccess::commit(buffer, written);
  return written;
}

std::size_t Version::write(const tav::GameState& state, uint8_t* data, std::size_t size) const {
  if (data == nullptr) return 0;
  return functions_.write(state, data, size);
}

std::vector<uint8_t> Version::encode(const tav::GameState& state) const {
  std::vector<uint8_t> bytes(size(state));
  if (write(state, bytes.data(), bytes.size()) != bytes.size()) bytes.clear();
  return bytes;
}

Annotation Version::annotate(const uint8_t* data, std::size_t size) const {
  Annotation result;
  AnnotationEnd end =
      annotate(data, size, [&result](const FieldSpan& span) { result.fields.push_back(span); });
  result.outcome = end.outcome;
  result.stoppedField = std::move(end.stoppedField);
  return result;
}

AnnotationEnd Version::annotate(const uint8_t* data, std::size_t size,
                                const FieldCallback& onField) const {
  return functions_.annotate(data, data == nullptr ? 0 : size, onField);
}

AnnotationEnd Version::annotate(std::string_view data, const FieldCallback& onField) const {
  return annotate(reinterpret_cast<const uint8_t*>(data.data()), data.size(), onField);
}

Annotation Version::annotate(std::string_view data) const {
  return annotate(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

const std::vector<SchemaField>& Version::schema() const { return functions_.schema(); }

const Version* findVersion(std::string_view name) {
  for (const Version* version : kVersions) {
    if (version->name() == name) return version;
  }
  return nullptr;
}

std::string versionNames() {
  std::string names;
  for (const Version* version : kVersions) {
    if (!names.empty()) names += ", ";
    names += version->name();
  }
  return names;
}

namespace detail {

DumpSink::DumpSink(std::ostream& out) : live_(out.good()), writer_(out) {
  // One empty write marks the refusal in the stream's state as the dump's writes would have.
  if (!live_) out << "";
}

}  // namespace detail
}  // namespace protocol
}  // namespace tav
