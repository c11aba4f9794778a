#pragma once

// The field visitors that drive the record layouts of layout.h: the Reader (bytes into a
// state, reporting each field to a sink: nothing, a dump, an annotation) and the Encoder
// (a state into bytes, or into a byte count).

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tl/optional.hpp>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "../dumpLines.h"
#include "layout.h"
#include "model/fields.h"
#include "model/gameState.h"
#include "protocol/deserializer.h"
#include "protocol/serializer.h"
#include "protocol/varint.h"
#include "protocol/version.h"
#include "readText.h"

namespace tav {
namespace protocol {
namespace detail {

// Lists of values reserve no more than this many elements up front: a count is only a claim,
// and memory should follow the bytes that really arrive.
inline constexpr std::size_t kReserveLimit = 16;

// A default-constructed record of each kind that has fields a format may not carry, made
// once: where such a field takes its default value.
struct DefaultRecords {
  tav::GameState state;
  tav::MonsterAbilityDeck deck;
  tav::Actor actor;
  tav::MonsterActor monster;
  tav::MonsterInstance figure;

  static const DefaultRecords& get() {
    static const DefaultRecords records;
    return records;
  }
  template <class R>
  const R& of() const {
    if constexpr (std::is_same<R, tav::GameState>::value) {
      return state;
    } else if constexpr (std::is_same<R, tav::MonsterAbilityDeck>::value) {
      return deck;
    } else if constexpr (std::is_same<R, tav::Actor>::value) {
      return actor;
    } else if constexpr (std::is_same<R, tav::MonsterActor>::value) {
      return monster;
    } else {
      static_assert(std::is_same<R, tav::MonsterInstance>::value, "a record of the model");
      return figure;
    }
  }
};

// True for the fields whose memory is worth keeping: lists and texts.
template <class T>
inline constexpr bool kHoldsMemory = false;
template <class T>
inline constexpr bool kHoldsMemory<std::vector<T>> = true;
template <>
inline constexpr bool kHoldsMemory<std::string> = true;

// Puts value back to fallback, the same field of a default record, keeping its memory: a list
// or a text is emptied or assigned in place (its capacity kept), a record field by field.
template <class T>
void resetTo(T& value, const T& fallback) {
  if constexpr (tav::fields::isRecord<T>) {
    static_assert(!std::is_same<T, tav::Actor>::value, "an actor's fields depend on its kind");
    tav::fields::forEachField(
        [](const char*, auto& field, const auto& base) { resetTo(field, base); }, value, fallback);
  } else if constexpr (kHoldsMemory<T>) {
    if (fallback.empty()) {
      value.clear();
    } else {
      value = fallback;
    }
  } else {
    value = fallback;
  }
}

// The records of each kind that a record list can hold, one per branch of its layout (a
// monster and a player actor, a figure and a summon), each at its defaults.
template <class T>
std::vector<T> branchesOf() {
  return {T()};
}
template <>
inline std::vector<tav::Actor> branchesOf<tav::Actor>() {
  return {tav::Actor(tav::MonsterActor()), tav::Actor(tav::PlayerActor())};
}
template <>
inline std::vector<tav::MonsterInstance> branchesOf<tav::MonsterInstance>() {
  std::vector<tav::MonsterInstance> figures(2);
  figures[1].type = tav::MonsterTypeNS::Summon;
  return figures;
}

// The fewest bytes a record of type T takes in the format that layoutOne lays out: the sizer
// over each branch's default record, where every number is 0 (one byte), every list empty
// and the name empty. Made once per format and record kind.
template <class T, class LayoutOne>
std::size_t minimumSize(LayoutOne layoutOne);

// The sink that takes nothing, and the bases of sinks that take no field values.
struct QuietSink;

// A field as the reader reports it: its name within the record, with the element index of a
// list element (or -1), or marked as a list's count.
struct FieldName {
  const char* name;
  std::ptrdiff_t index = -1;
  bool isCount = false;
};

// Reads one body from data[0, size), never touching a byte outside it. A field that can't be
// read takes its neutral value (0, false, absent, "nameless") and consumes nothing, and the
// read goes on, as the specified readers do; the first such field is remembered for the
// outcome. Every field, the records entered and left, and the points the dump reports go to
// the sink.
//
// A count of records is bounded: the records are read while the data holds them, and once a
// field has failed, the neutral records that stand for the rest of the count stop at what the
// unread bytes (when the count was read) could hold at the fewest bytes one record of the kind
// takes in the version being read (minimumSize: 8 for an 8.4 actor or figure, 5 for an 8.4
// deck). Every record the data holds is read as before; only the neutral records shrink, so
// that the memory of a read stays within a few dozen bytes per input byte. A count of values
// is bounded by the unread bytes, one byte per value.
//
// kReplace false appends, as the specified readers do: lists and actors are appended to what
// the state holds, decks stored under their id. kReplace true replaces the state's contents
// while keeping its memory: each list is refilled from its first element, each record read over
// the one already there (its lists, its name and, for decks, its map node reused), and cut to
// the records read. A read sets every field it visits, also after a failure (to the neutral
// value), so only the fields the layout marks absent are put back to their defaults; the state
// then equals a read into a new state.
template <class Sink, bool kReplace = false>
class Reader {
 public:
  static constexpr bool kDecodes = true;

  Reader(const uint8_t* data, std::size_t size, Sink& sink)
      : data_(data), size_(data == nullptr ? 0 : size), sink_(sink) {
    if constexpr (kReplace) defaults_ = &DefaultRecords::get();
  }

  void number(const char* name, int& value) {
    uint32_t u = 0;
    const std::size_t n = varint::decode(data_ + pos_, size_ - pos_, u);
    value = static_cast<int>(u);
    step(FieldName{name}, n, value);
  }

  void boolean(const char* name, bool& value) {
    const std::size_t n = pos_ < size_ ? 1 : 0;
    value = n != 0 && data_[pos_] != 0;
    step(FieldName{name}, n, value);
  }

  // The ordinals of the enumerations are dense from 0, so ordinal k is the member of value k;
  // an ordinal past the last member is kept as that number.
  template <class E>
  void enumeration(const char* name, E& value) {
    uint32_t u = 0;
    const std::size_t n = varint::decode(data_ + pos_, size_ - pos_, u);
    value = static_cast<E>(u);
    step(FieldName{name}, n, value);
  }

  // 0 for absent, the value + 1 otherwise. The arithmetic wraps in 32 bits, so that every
  // int value travels.
  template <class T>
  void slot(const char* name, tl::optional<T>& value) {
    uint32_t u = 0;
    const std::size_t n = varint::decode(data_ + pos_, size_ - pos_, u);
    value = u == 0 ? tl::optional<T>() : tl::optional<T>(static_cast<T>(u - 1u));
    step(FieldName{name}, n, value);
  }

  // The text is read into the name in place, so that a reused name keeps its memory.
  void playerName(const char* name, std::string& value) {
    bool null = false;
    const std::size_t n = readStringInto(data_ + pos_, size_ - pos_, value, null);
    const bool nameless = n == 0 || null;
    if (nameless) value = kNameless;
    if constexpr (std::is_base_of<QuietSink, Sink>::value) {
      step(FieldName{name}, n, value);  // the value goes nowhere
    } else {
      step(FieldName{name}, n,
           nameless ? tl::optional<std::string>() : tl::optional<std::string>(value));
    }
  }

  // A count, then elements while each of them consumes bytes: an element that can't be read
  // ends the list, since every later one would fail in the same place and only pad it.
  template <class T>
  void list(const char* name, std::vector<T>& list) {
    const int count = readCount(name);
    const std::size_t n = boundedCount(count, 1);
    if constexpr (kReplace) list.clear();
    if constexpr (std::is_base_of<QuietSink, Sink>::value) {
      // Where every element takes one byte (all are below 128), and no sink wants them one by
      // one, the bytes are the elements: they are all there, since n is bounded by them.
      const uint8_t* const bytes = data_ + pos_;
      unsigned bits = 0;
      for (std::size_t i = 0; i < n; ++i) bits |= bytes[i];
      if (bits < 0x80u) {
        const std::size_t held = list.size();
        list.resize(held + n);
        T* const out = list.data() + held;
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<T>(bytes[i]);
        pos_ += n;
        noteShortList(name, count, n);
        return;
      }
    }
    list.reserve(list.size() + (n < kReserveLimit ? n : kReserveLimit));
    for (std::size_t i = 0; i < n; ++i) {
      uint32_t u = 0;
      const std::size_t length = varint::decode(data_ + pos_, size_ - pos_, u);
      const T element = static_cast<T>(u);
      step(FieldName{name, static_cast<std::ptrdiff_t>(i)}, length, element);
      if (length == 0) return;
      list.push_back(element);
    }
    noteShortList(name, count, n);
  }

  // Records of a vector: appended, or, replacing, read over the elements already there.
  template <class T, class LayoutOne>
  void records(const char* name, std::vector<T>& list, CountLine line, LayoutOne layoutOne) {
    const int count = readCount(name);
    sink_.count(line, count);
    const RecordBound bound = recordBound(count, minimumSize<T>(layoutOne));
    const std::size_t first = kReplace ? 0 : list.size();
    list.reserve(first + bound.most);
    std::size_t i = 0;
    for (; i < bound.count && bound.more(i, failures_); ++i) {
      if (first + i == list.size()) list.emplace_back();
      sink_.enter(name, static_cast<std::ptrdiff_t>(i));
      layoutOne(*this, list[first + i]);
      sink_.leave();
    }
    if constexpr (kReplace) {
      if (list.size() > i) list.erase(list.begin() + static_cast<std::ptrdiff_t>(i), list.end());
    }
    noteShortList(name, count, i);
  }

  // Deck records are stored under their own id, in place of any deck held there. Replacing,
  // each deck is read into a node already there: while the ids come in the map's order (as a
  // state is written), into the next node in place; from the first id that differs on, into
  // a spare node, then put under its id.
  template <class LayoutOne>
  void records(const char* name, std::map<int, tav::MonsterAbilityDeck>& decks, CountLine line,
               LayoutOne layoutOne) {
    const int count = readCount(name);
    sink_.count(line, count);
    const RecordBound bound = recordBound(count, minimumSize<tav::MonsterAbilityDeck>(layoutOne));
    Decks spare;
    auto next = decks.begin();
    bool inOrder = kReplace;
    std::size_t i = 0;
    for (; i < bound.count && bound.more(i, failures_); ++i) {
      if (inOrder && next != decks.end()) {
        readDeck(name, i, next->second, layoutOne);
        if (next->second.id == next->first) {
          ++next;
          continue;
        }
        // The nodes not read into yet become spares under their keys.
        inOrder = false;
        Decks::node_type node = decks.extract(next++);
        while (next != decks.end()) spare.insert(decks.extract(next++));
        place(decks, spare, std::move(node));
        continue;
      }
      Decks::node_type node;
      if (!spare.empty()) node = spare.extract(spare.begin());
      if (node) {
        readDeck(name, i, node.mapped(), layoutOne);
        place(decks, spare, std::move(node));
        continue;
      }
      tav::MonsterAbilityDeck fresh;
      readDeck(name, i, fresh, layoutOne);
      const int id = fresh.id;
      decks.insert_or_assign(id, std::move(fresh));
    }
    if (inOrder) decks.erase(next, decks.end());
    noteShortList(name, count, i);
  }

  template <class LayoutOne>
  void record(const char* name, LayoutOne layoutOne) {
    sink_.enter(name, -1);
    layoutOne(*this);
    sink_.leave();
  }

  // Replacing, a field the format does not carry here takes its default.
  template <class Record, class T>
  void absent(Record& record, T Record::*field) {
    if constexpr (kReplace) resetTo(record.*field, defaults_->template of<Record>().*field);
  }

  void figureType(tav::MonsterType type) { sink_.figureType(type); }

  template <class Record>
  void done(const Record& record) {
    sink_.done(record);
  }

  ReadOutcome outcome() const {
    ReadOutcome result;
    result.consumed = pos_;
    result.leftover = size_ - pos_;
    result.complete = !failed_;
    result.stoppedAt = failedAt_;
    return result;
  }

 private:
  using Decks = std::map<int, tav::MonsterAbilityDeck>;

  template <class LayoutOne>
  void readDeck(const char* name, std::size_t i, tav::MonsterAbilityDeck& deck,
                LayoutOne layoutOne) {
    sink_.enter(name, static_cast<std::ptrdiff_t>(i));
    layoutOne(*this, deck);
    sink_.leave();
  }

  // Puts a spare node, just read into, under its deck's id. Where a deck is held under that id
  // already, the new deck takes its place and the node goes back to the spares under its old
  // key, which no other spare node has.
  static void place(Decks& decks, Decks& spare, Decks::node_type node) {
    const int id = node.mapped().id;
    const auto held = decks.find(id);
    if (held == decks.end()) {
      node.key() = id;
      decks.insert(std::move(node));
    } else {
      std::swap(held->second, node.mapped());
      spare.insert(std::move(node));
    }
  }

  // Reports a field of n bytes at the read position (0: it could not be read) and moves past
  // it.
  template <class Value>
  void step(FieldName field, std::size_t n, const Value& value) {
    sink_.field(field, pos_, n, value);
    if (n == 0) fail(field);
    pos_ += n;
  }

  void fail(FieldName field) {
    ++failures_;
    if (failed_) return;
    failed_ = true;
    failedAt_ = pos_;
    sink_.stopped(field);
  }

  int readCount(const char* name) {
    uint32_t u = 0;
    const std::size_t n = varint::decode(data_ + pos_, size_ - pos_, u);
    const int count = static_cast<int>(u);
    step(FieldName{name, -1, true}, n, count);
    return count;
  }

  // The number of elements a count can announce for real: none for a count of 0 or less, and
  // no more than the unread bytes hold elements of at least `least` bytes each.
  std::size_t boundedCount(int count, std::size_t least) const {
    if (count <= 0) return 0;
    const auto wanted = static_cast<std::size_t>(count);
    const std::size_t most = (size_ - pos_) / least;
    return wanted < most ? wanted : most;
  }

  // How many records a count gets. The records are read one after another up to the count,
  // bounded by one byte each, while none of them has failed a field since the count; from
  // the first failure on, the neutral records that stand for the rest of the count stop at
  // `fewest`: what the unread bytes hold at the fewest bytes a record takes. Every record
  // read before a failure is whole and took at least that many bytes, so a list gets at most
  // fewest + 1 records, whatever its count says.
  struct RecordBound {
    std::size_t count;     // the count, bounded by one byte per record
    std::size_t fewest;    // the count, bounded by the fewest bytes per record
    std::size_t most;      // the most records the list can get
    std::size_t failures;  // the reader's failures when the count was read

    bool more(std::size_t i, std::size_t failures_now) const {
      return failures_now == failures || i < fewest;
    }
  };
  // The division is left to the bodies whose records can't all be whole: bound.count is at
  // most the unread bytes, so bound.count * least does not overflow.
  RecordBound recordBound(int count, std::size_t least) const {
    RecordBound bound;
    bound.count = boundedCount(count, 1);
    bound.fewest = bound.count * least <= size_ - pos_ ? bound.count : (size_ - pos_) / least;
    bound.most = bound.fewest < bound.count ? bound.fewest + 1 : bound.count;
    bound.failures = failures_;
    return bound;
  }

  // A count larger than the bytes that followed it can hold means the data ran out inside the
  // list, even where every element that was there could be read.
  void noteShortList(const char* name, int count, std::size_t read) {
    if (count > 0 && static_cast<std::size_t>(count) > read) {
      fail(FieldName{name, static_cast<std::ptrdiff_t>(read)});
    }
  }

  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool failed_ = false;
  std::size_t failedAt_ = 0;
  // Fields that could not be read so far, and short lists.
  std::size_t failures_ = 0;
  Sink& sink_;
  // Replacing: the values of the fields marked absent.
  const DefaultRecords* defaults_ = nullptr;
};

// A sink that takes nothing: a quiet read formats nothing at all.
struct QuietSink {
  template <class Value>
  void field(FieldName, std::size_t, std::size_t, const Value&) {}
  void stopped(FieldName) {}
  void enter(const char*, std::ptrdiff_t) {}
  void leave() {}
  void count(CountLine, int) {}
  void figureType(tav::MonsterType) {}
  template <class Record>
  void done(const Record&) {}
};

// A sink that writes the reader's dump: the type line of each figure as soon as its type is
// read, each figure and each actor once complete, the count lines where the format has them,
// and the whole state at the end. The text of the whole read goes through one writer, the
// one print() formats with, and reaches the stream in large pieces; finish() writes out the
// rest. A stream that is not good at the start gets nothing formatted, as print() does.
class DumpSink : public QuietSink {
 public:
  explicit DumpSink(std::ostream& out);
  void count(CountLine line, int count) {
    if (live_) tav::detail::writeCountLine(writer_, line, count);
  }
  void figureType(tav::MonsterType type) {
    if (live_) tav::detail::writeMonsterTypeLine(writer_, type);
  }
  template <class Record>
  void done(const Record& record) {
    if constexpr (std::is_same<Record, tav::MonsterInstance>::value ||
                  std::is_same<Record, tav::Actor>::value ||
                  std::is_same<Record, tav::GameState>::value) {
      if (live_) tav::detail::writeRecord(writer_, record);
    }
  }
  // Writes out what is still buffered; the last call on every sink.
  void finish() { writer_.finish(); }

 private:
  bool live_;
  tav::detail::DumpWriter writer_;
};

// The kind of record entered under name by the layouts ("actors", "player", "instances", ...).
RecordKind recordKindOf(const char* name);

// A schema pattern as an AnnotationSink or a SchemaWalker builds it, mapped to its entry of the
// version's schema.
using SchemaIndex = std::unordered_map<std::string, std::size_t>;

// A sink that tells where every field lies and what it holds, with the record it lies in and
// its entry of the schema, handing each span to a callback as it is read (annotator.cpp).
class AnnotationSink {
 public:
  // schema maps the version's schema patterns to their entries; null leaves schemaIndex 0.
  explicit AnnotationSink(const FieldCallback& onField, const SchemaIndex* schema = nullptr)
      : onField_(onField), schema_(schema) {}

  // The path of the first field that could not be read; empty while every field was read.
  const std::string& stoppedField() const { return stoppedField_; }

  void field(FieldName field, std::size_t offset, std::size_t length, int value);
  void field(FieldName field, std::size_t offset, std::size_t length, bool value);
  void field(FieldName field, std::size_t offset, std::size_t length,
             const tl::optional<int>& value);
  void field(FieldName field, std::size_t offset, std::size_t length,
             const tl::optional<std::string>& value);
  template <class E>
  void field(FieldName field, std::size_t offset, std::size_t length, E value) {
    add(field, offset, length, enumerationText(value));
  }
  template <class E>
  void field(FieldName field, std::size_t offset, std::size_t length,
             const tl::optional<E>& value) {
    add(field, offset, length, value ? enumerationText(*value) : std::string("null"));
  }
  void stopped(FieldName field);
  void enter(const char* name, std::ptrdiff_t index);
  void leave();
  void count(CountLine, int) {}
  void figureType(tav::MonsterType) {}
  template <class Record>
  void done(const Record&) {}

 private:
  // A record entered: where the path and the pattern stood before it, its kind, and whether
  // it holds an element index.
  struct Level {
    std::size_t path;
    std::size_t pattern;
    RecordKind kind;
    bool indexed;
  };

  // An enumeration value: its identifier, or its number where it has none.
  template <class E>
  static std::string enumerationText(E value);
  void add(FieldName field, std::size_t offset, std::size_t length, std::string value);
  void pathOf(FieldName field, std::string& path) const;

  const FieldCallback& onField_;
  const SchemaIndex* schema_;
  // The span handed out, reused from field to field so that its strings keep their memory.
  FieldSpan span_;
  std::string pattern_;
  std::string stoppedField_;
  std::string prefix_;
  std::string patternPrefix_;
  std::vector<Level> levels_;
  std::array<uint32_t, 2> indices_{};
  uint8_t indexCount_ = 0;
};

// The name of an enumeration type as the schema gives it; empty for int.
inline std::string_view enumerationName(tav::AttackModifier) { return "AttackModifier"; }
inline std::string_view enumerationName(tav::CharacterClass) { return "CharacterClass"; }
inline std::string_view enumerationName(tav::Condition) { return "Condition"; }
inline std::string_view enumerationName(tav::ElementState) { return "ElementState"; }
inline std::string_view enumerationName(tav::MonsterType) { return "MonsterType"; }
inline std::string_view enumerationName(tav::PlayerInit) { return "PlayerInit"; }
inline std::string_view enumerationName(tav::SummonColor) { return "SummonColor"; }
inline std::string_view enumerationName(int) { return {}; }

// Lists every field a body can hold, in wire order, by walking the layouts over a record of
// each kind: one element of each records list, one element of each list. The branches are
// taken by the values the walker gives: a figure's type is always Summon (whose fields are a
// superset of the others'), and every boolean is the walker's branch value, so that a walk with
// true (an actor that is a player) and one with false (a monster) together visit every field;
// mergeSchemas joins the two.
class SchemaWalker {
 public:
  static constexpr bool kDecodes = true;

  explicit SchemaWalker(bool branch) : branch_(branch) {}

  void number(const char* name, int&) { add(name, FieldType::kNumber, {}); }
  void boolean(const char* name, bool& value) {
    value = branch_;
    add(name, FieldType::kBoolean, {});
  }
  template <class E>
  void enumeration(const char* name, E&) {
    add(name, FieldType::kEnumeration, enumerationName(E{}));
  }
  void enumeration(const char* name, tav::MonsterType& value) {
    value = tav::MonsterTypeNS::Summon;
    add(name, FieldType::kEnumeration, enumerationName(value));
  }
  template <class T>
  void slot(const char* name, tl::optional<T>&) {
    add(name, FieldType::kSlot, enumerationName(T{}));
  }
  void playerName(const char* name, std::string&) { add(name, FieldType::kText, {}); }
  template <class T>
  void list(const char* name, std::vector<T>&) {
    add(std::string(name) + ".count", FieldType::kCount, {});
    add(std::string(name) + "[]",
        std::is_enum<T>::value ? FieldType::kEnumeration : FieldType::kNumber,
        enumerationName(T{}));
  }
  template <class T, class LayoutOne>
  void records(const char* name, std::vector<T>&, CountLine, LayoutOne layoutOne) {
    T element{};
    one(name, element, layoutOne);
  }
  template <class LayoutOne>
  void records(const char* name, std::map<int, tav::MonsterAbilityDeck>&, CountLine,
               LayoutOne layoutOne) {
    tav::MonsterAbilityDeck deck;
    one(name, deck, layoutOne);
  }
  template <class LayoutOne>
  void record(const char* name, LayoutOne layoutOne) {
    enter(name, false);
    layoutOne(*this);
    leave();
  }
  template <class Record, class Field>
  void absent(Record&, Field) {}
  void figureType(tav::MonsterType) {}
  template <class Record>
  void done(const Record&) {}

  // The fields walked, in wire order.
  std::vector<SchemaField>& fields() { return fields_; }

 private:
  template <class T, class LayoutOne>
  void one(const char* name, T& element, LayoutOne layoutOne) {
    add(std::string(name) + ".count", FieldType::kCount, {});
    enter(name, true);
    layoutOne(*this, element);
    leave();
  }
  void enter(const char* name, bool indexed);
  void leave();
  void add(const std::string& name, FieldType type, std::string_view enumeration);

  bool branch_;
  std::string prefix_;
  std::vector<std::size_t> marks_;
  std::vector<RecordKind> kinds_;
  std::vector<SchemaField> fields_;
};

// The fields of both walks in wire order, each once: a longest common subsequence of the two,
// with the fields only one walk has put where that walk has them.
std::vector<SchemaField> mergeSchemas(const std::vector<SchemaField>& a,
                                      const std::vector<SchemaField>& b);

// The schema of a format, made once.
template <const Format& F>
const std::vector<SchemaField>& schemaOf() {
  static const std::vector<SchemaField> fields = [] {
    SchemaWalker player(true);
    SchemaWalker monster(false);
    tav::GameState a;
    tav::GameState b;
    gameStateLayout<F>(player, a);
    gameStateLayout<F>(monster, b);
    return mergeSchemas(player.fields(), monster.fields());
  }();
  return fields;
}

// The patterns of schemaOf<F>() mapped to their entries, made once.
template <const Format& F>
const SchemaIndex& schemaIndexOf() {
  static const SchemaIndex index = [] {
    SchemaIndex map;
    const std::vector<SchemaField>& fields = schemaOf<F>();
    for (std::size_t i = 0; i < fields.size(); ++i) map.emplace(fields[i].pattern, i);
    return map;
  }();
  return index;
}

// Writes one body, or counts its bytes. The Target takes the encoded values: ByteTarget
// writes them into a run of bytes, SizeTarget only adds up their sizes.
template <class Target>
class Encoder {
 public:
  static constexpr bool kDecodes = false;

  explicit Encoder(Target& target) : target_(target) {}

  void number(const char*, const int& value) { target_.varint(static_cast<uint32_t>(value)); }
  void boolean(const char*, const bool& value) { target_.byte(value ? 1 : 0); }
  template <class E>
  void enumeration(const char*, const E& value) {
    target_.varint(static_cast<uint32_t>(value));
  }
  template <class T>
  void slot(const char*, const tl::optional<T>& value) {
    target_.varint(value ? static_cast<uint32_t>(*value) + 1u : 0u);
  }
  void playerName(const char*, const std::string& value) {
    target_.string(value == kNameless ? nullptr : &value);
  }
  template <class T>
  void list(const char*, const std::vector<T>& list) {
    target_.varint(static_cast<uint32_t>(list.size()));
    target_.varints(list);
  }
  template <class T, class LayoutOne>
  void records(const char*, const std::vector<T>& list, CountLine, LayoutOne layoutOne) {
    target_.varint(static_cast<uint32_t>(list.size()));
    for (const T& element : list) layoutOne(*this, element);
  }
  template <class LayoutOne>
  void records(const char*, const std::map<int, tav::MonsterAbilityDeck>& decks, CountLine,
               LayoutOne layoutOne) {
    target_.varint(static_cast<uint32_t>(decks.size()));
    for (const auto& entry : decks) layoutOne(*this, entry.second);
  }
  template <class LayoutOne>
  void record(const char*, LayoutOne layoutOne) {
    layoutOne(*this);
  }
  template <class Record, class Field>
  void absent(const Record&, Field) {}
  void figureType(tav::MonsterType) {}
  template <class Record>
  void done(const Record&) {}

 private:
  Target& target_;
};

// Encodes into data[0, size); a value that does not fit marks the write failed.
class ByteTarget {
 public:
  ByteTarget(uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  void varint(uint32_t u) { advance(varint::encode(data_ + pos_, size_ - pos_, u)); }
  void byte(uint8_t b) { advance(protocol::writeByte(data_ + pos_, size_ - pos_, b)); }
  // Each element of a list of ints or enumerations as a varint.
  template <class T>
  void varints(const std::vector<T>& list) {
    for (const T element : list) varint(static_cast<uint32_t>(element));
  }
  void string(const std::string* text) {
    advance(protocol::writeString(data_ + pos_, size_ - pos_, text));
  }
  std::size_t position() const { return pos_; }
  bool failed() const { return failed_; }

 private:
  void advance(std::size_t n) {
    if (n == 0) failed_ = true;
    pos_ += n;
  }

  uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// Adds up the sizes the ByteTarget would write, saturating at SIZE_MAX for a body that can't
// be written at all.
class SizeTarget {
 public:
  void varint(uint32_t u) { total_ += varint::encodedSize(u); }
  void byte(uint8_t) { ++total_; }
  // Lists are mostly small numbers: when all bits of the elements together fit into 7 bits,
  // each takes one byte, found by one pass the compiler can vectorise.
  template <class T>
  void varints(const std::vector<T>& list) {
    uint32_t bits = 0;
    for (const T element : list) bits |= static_cast<uint32_t>(element);
    if (bits < 0x80u) {
      total_ += list.size();
      return;
    }
    for (const T element : list) varint(static_cast<uint32_t>(element));
  }
  void string(const std::string* text) {
    const std::size_t n = protocol::stringSize(text);
    if (n == SIZE_MAX) unwritable_ = true;
    total_ += n;
  }
  std::size_t total() const { return unwritable_ ? SIZE_MAX : total_; }

 private:
  std::size_t total_ = 0;
  bool unwritable_ = false;
};

template <class T, class LayoutOne>
std::size_t minimumSize(LayoutOne layoutOne) {
  static const std::size_t least = [layoutOne] {
    std::size_t fewest = SIZE_MAX;
    for (const T& record : branchesOf<T>()) {
      SizeTarget target;
      Encoder<SizeTarget> encoder(target);
      layoutOne(encoder, record);
      if (target.total() < fewest) fewest = target.total();
    }
    return fewest == 0 ? std::size_t{1} : fewest;
  }();
  return least;
}

}  // namespace detail
}  // namespace protocol
}  // namespace tav
