#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "model/gameState.h"
#include "protocol/buffer.h"

// The game-state body of each protocol version as one object: its name, readers that report
// what they found, the writer that writes a whole body or nothing, the size of a body, and the
// byte-by-byte annotation of a body. Every version lays its records out through one
// description, so these views agree byte for byte.
namespace tav {
namespace protocol {

/// What a read of one body found. Offsets count from the body's first byte.
struct ReadOutcome {
  /// Bytes the body took from the data (the read position moved by this much).
  std::size_t consumed = 0;
  /// Bytes after the body that were not read.
  std::size_t leftover = 0;
  /// False when some field could not be read: the data ran out before the body was complete,
  /// or held a value that can't be decoded there (an unterminated varint, a text cut short).
  bool complete = true;
  /// Where the first field that could not be read begins; meaningful when !complete.
  std::size_t stoppedAt = 0;

  /// True when the body was complete and no bytes were left after it.
  bool exact() const { return complete && leftover == 0; }
};

/// What a read does with what the state already holds.
enum class ReadMode : uint8_t {
  /// As the specified readers: scalars are overwritten, lists and actors appended, decks stored
  /// under their id.
  kAppend,
  /// The state's contents are replaced: afterwards it equals what a read into a new state
  /// gives, while the vectors, strings, actors, figures and deck map nodes it held are reused
  /// (for a client decoding one state after another into the same object).
  kReplace,
};

/// The kinds of record a field can lie in.
enum class RecordKind : uint8_t {
  /// A message's header (header.text_count, header.text, header.length).
  kHeader,
  /// The top level of a body (round, scenario_number, the lists' counts, ...).
  kState,
  /// An element of ability_decks.
  kDeck,
  /// An element of actors: its kind flag, turn_completed, its figures' count.
  kActor,
  /// The player record of an actor (actors[i].player).
  kPlayer,
  /// The monster record of an actor (actors[i].monster).
  kMonster,
  /// An element of an actor's instances.
  kFigure,
};

/// The kinds of value a field holds on the wire.
enum class FieldType : uint8_t {
  /// A varint int.
  kNumber,
  /// One byte, 0 or not.
  kBoolean,
  /// A varint holding an enumeration's ordinal.
  kEnumeration,
  /// A varint holding 0 for absent, else the value + 1.
  kSlot,
  /// A UTF string (a name; a header's text).
  kText,
  /// A varint holding the number of elements of the list or records after it.
  kCount,
};

/// One field a version's body can hold: a path pattern with indices written "[]".
struct SchemaField {
  /// Such as "round", "actors[].instances[].hp", "actors[].instances[].conditions[]" (the
  /// elements of a list) or "actors[].instances[].conditions.count" (its count).
  std::string pattern;
  /// The wire type.
  FieldType type = FieldType::kNumber;
  /// For enumerations and slots or lists of them, the enumeration's type name ("Condition");
  /// empty otherwise.
  std::string_view enumeration;
  /// The record the field lies in.
  RecordKind record = RecordKind::kState;
  /// How many records the field lies in, as FieldSpan::depth.
  unsigned depth = 0;
};

/// text as a quoted literal that shows any bytes on one line, as annotations show texts:
/// quotes and backslashes escaped, bytes outside printable ASCII as \xNN.
std::string quotedText(std::string_view text);

/// One field of a body as read: where its bytes lie and what they decode to.
struct FieldSpan {
  /// The field's place in the state, such as "actors[0].instances[1].hp"; a list's count is
  /// "<list>.count", an actor's kind flag "actors[i].is_player".
  std::string path;
  /// The field's first byte, counted from the body's first byte.
  std::size_t offset = 0;
  /// Bytes the field took; 0 for a field that could not be read.
  std::size_t length = 0;
  /// The decoded value: a number, "true"/"false", a quoted text, null, or an enumeration's
  /// identifier (its number when it has none).
  std::string value;
  /// How many records the field lies in: 0 for the top level, 1 for a deck or an actor, ...
  unsigned depth = 0;
  /// The record the field lies in, so that front ends need not parse path.
  RecordKind record = RecordKind::kState;
  /// The element indices of the records holding the field, outermost first: {2, 1} for
  /// actors[2].instances[1].hp, {2} for actors[2].player.hp; indexCount of them are set.
  std::array<uint32_t, 2> indices{};
  /// How many of indices are set.
  uint8_t indexCount = 0;
  /// The index of a list element (3 for conditions[3]); -1 for any other field.
  std::ptrdiff_t element = -1;
  /// The entry of the version's schema() that path matches.
  std::size_t schemaIndex = 0;
};

/// A body read field by field.
struct Annotation {
  /// Every field read, in wire order, including the ones that could not be read.
  std::vector<FieldSpan> fields;
  /// What the read found, as the readers report it.
  ReadOutcome outcome;
  /// The path of the first field that could not be read; empty when the body was complete.
  std::string stoppedField;
};

/// How a body annotated field by field ended: an Annotation without its fields.
struct AnnotationEnd {
  /// What the read found, as the readers report it.
  ReadOutcome outcome;
  /// The path of the first field that could not be read; empty when the body was complete.
  std::string stoppedField;
};

/// Receives each field of a body in wire order as it is read. The span is reused for the next
/// field: copy what must outlive the call.
using FieldCallback = std::function<void(const FieldSpan&)>;

/// The body format of one protocol version. The three versions are the constants below; a
/// Version is neither made nor copied by callers.
class Version {
 public:
  /// The version's name: "7.6", "8.0" or "8.4".
  std::string_view name() const { return name_; }

  /// Reads one body at the buffer's read position into state, as the specified readers do
  /// (nothing stops it early; scalars are overwritten, lists and actors appended, decks stored
  /// under their id). The dump goes into *dump as it is read, held back in large pieces; a
  /// null dump formats nothing. Every record the data holds is read; the neutral records that
  /// stand for the rest of a count after the data ran out stop at what the unread bytes could
  /// hold at the fewest bytes a record of that kind takes in this version (8 for an 8.4 actor
  /// or figure, 5 for an 8.4 deck), so a read's memory stays within a few dozen bytes per input
  /// byte.
  /// Moves the read position past the bytes read and returns what was found.
  ReadOutcome read(tav::GameState& state, Buffer& buffer, std::ostream* dump = nullptr) const;
  /// Reads one body from data[0, size) without copying the bytes; otherwise as above.
  ReadOutcome read(tav::GameState& state, const uint8_t* data, std::size_t size,
                   std::ostream* dump = nullptr) const;
  /// Reads one body from the bytes of data without copying them; otherwise as above.
  ReadOutcome read(tav::GameState& state, std::string_view data,
                   std::ostream* dump = nullptr) const;
  /// The reads above, with what they do to the state's contents chosen by mode:
  /// ReadMode::kReplace makes state equal a read into a new state, reusing its memory.
  ReadOutcome read(tav::GameState& state, Buffer& buffer, ReadMode mode,
                   std::ostream* dump = nullptr) const;
  /// As above, from data[0, size) without copying the bytes.
  ReadOutcome read(tav::GameState& state, const uint8_t* data, std::size_t size, ReadMode mode,
                   std::ostream* dump = nullptr) const;
  /// As above, from the bytes of data without copying them.
  ReadOutcome read(tav::GameState& state, std::string_view data, ReadMode mode,
                   std::ostream* dump = nullptr) const;

  /// The number of bytes the body of state takes in this version.
  std::size_t size(const tav::GameState& state) const;
  /// Appends the whole body of state to buffer and returns its size; when it does not fit,
  /// writes nothing, leaves the write position where it was and returns 0.
  std::size_t write(const tav::GameState& state, Buffer& buffer) const;
  /// Writes the whole body of state into data[0, size) and returns its size; when it does not
  /// fit, writes nothing and returns 0.
  std::size_t write(const tav::GameState& state, uint8_t* data, std::size_t size) const;
  /// The body of state as bytes of their own.
  std::vector<uint8_t> encode(const tav::GameState& state) const;

  /// Reads data[0, size) as one body and tells, for every field, where it lies and what it
  /// holds. Memory grows with size, never with the counts the data announces.
  Annotation annotate(const uint8_t* data, std::size_t size) const;
  /// As above, over the bytes of data.
  Annotation annotate(std::string_view data) const;
  /// Reads data[0, size) as one body and hands every field to onField as it is read, the same
  /// spans in the same order as annotate() holds, without keeping them: memory stays that of
  /// the state read, whatever the number of fields. An empty onField takes nothing. Returns
  /// how the read ended; stoppedField is known only then (the fields not read come first).
  AnnotationEnd annotate(const uint8_t* data, std::size_t size, const FieldCallback& onField) const;
  /// As above, over the bytes of data.
  AnnotationEnd annotate(std::string_view data, const FieldCallback& onField) const;

  /// Every field a body of this version can hold, in wire order (both branches of an actor),
  /// made by walking the record layouts; FieldSpan::schemaIndex points into it.
  const std::vector<SchemaField>& schema() const;

  /// The functions behind a version; made by the library only.
  struct Functions {
    /// Reads one body without a dump.
    ReadOutcome (*readQuiet)(tav::GameState&, const uint8_t*, std::size_t, ReadMode);
    /// Reads one body, dumping to the stream.
    ReadOutcome (*readDumping)(tav::GameState&, const uint8_t*, std::size_t, ReadMode,
                               std::ostream&);
    /// The size of the body of a state.
    std::size_t (*size)(const tav::GameState&);
    /// Writes a whole body, or nothing when it does not fit.
    std::size_t (*write)(const tav::GameState&, uint8_t*, std::size_t);
    /// Tells where each field of a body lies, field by field.
    AnnotationEnd (*annotate)(const uint8_t*, std::size_t, const FieldCallback&);
    /// The version's field schema, made once.
    const std::vector<SchemaField>& (*schema)();
  };
  /// A version of the given name with the given functions; for the library's own constants.
  constexpr Version(std::string_view name, Functions functions)
      : name_(name), functions_(functions) {}
  Version(const Version&) = delete;
  Version& operator=(const Version&) = delete;

 private:
  std::string_view name_;
  Functions functions_;
};

namespace v7_6 {
/// Protocol 7.6.
extern const Version kVersion;
}  // namespace v7_6
namespace v8_0 {
/// Protocol 8.0.
extern const Version kVersion;
}  // namespace v8_0
namespace v8_4 {
/// Protocol 8.4.
extern const Version kVersion;
}  // namespace v8_4

/// Every version, oldest first.
inline const std::array<const Version*, 3> kVersions = {&v7_6::kVersion, &v8_0::kVersion,
                                                        &v8_4::kVersion};

/// The version with the given name ("7.6", "8.0", "8.4"); null for any other name.
const Version* findVersion(std::string_view name);

/// The known names joined by ", " ("7.6, 8.0, 8.4"), for messages about an unknown version.
std::string versionNames();

}  // namespace protocol
}  // namespace tav
