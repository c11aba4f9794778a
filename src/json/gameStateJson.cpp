#include "json/gameStateJson.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <exception>
#include <istream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <streambuf>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/fields.h"
#include "model/names.h"

namespace tav {
namespace json {

namespace {

// ordered_json keeps members in insertion order, so the text follows the records' field order.
using Json = nlohmann::ordered_json;

// Deeper than any state needs (state, actors, [i], instances, [j], conditions, [k]); a limit
// keeps hostile nesting from building a tree far larger than the text.
constexpr std::size_t kMaxDepth = 32;

// ---------------------------------------------------------------------------------------------
// Texts: a JSON string carries UTF-8 only, so other bytes travel as {"hex": "..."}.

bool isUtf8(const std::string& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    std::size_t n;
    uint32_t code;
    if (c < 0x80) {
      ++p;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      code = c & 0x07u;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) <= n) return false;
    for (std::size_t i = 1; i <= n; ++i) {
      if ((p[i] & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (p[i] & 0x3Fu);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((n == 2 && code < 0x800) || (n == 3 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    p += n + 1;
  }
  return true;
}

Json textToJson(const std::string& text) {
  if (isUtf8(text)) return Json(text);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(text.size() * 2);
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  Json object = Json::object();
  object["hex"] = std::move(hex);
  return object;
}

// ---------------------------------------------------------------------------------------------
// Names in messages: the kind of each enumeration and record, as refusals name them.

const char* kindName(AttackModifier) { return "attack modifier"; }
const char* kindName(CharacterClass) { return "character class"; }
const char* kindName(Condition) { return "condition"; }
const char* kindName(ElementState) { return "element state"; }
const char* kindName(MonsterType) { return "monster type"; }
const char* kindName(PlayerInit) { return "player init"; }
const char* kindName(SummonColor) { return "summon color"; }
const char* kindName(const MonsterInstance&) { return "a monster instance"; }
const char* kindName(const MonsterActor&) { return "a monster"; }
const char* kindName(const PlayerActor&) { return "a player"; }
const char* kindName(const MonsterAbilityDeck&) { return "an ability deck"; }
const char* kindName(const GameState&) { return "a game state"; }
const char* kindName(const Actor& actor) {
  return actor.__is_player ? "a player actor" : "a monster actor";
}

// The model's enumerations: the types that have member names.
template <class T, class = void>
constexpr bool isModelEnum = false;
template <class T>
constexpr bool isModelEnum<T, std::void_t<decltype(enumeratorName(std::declval<T>()))>> =
    std::is_enum_v<T>;

template <class Record>
void writeRecord(Json& j, const Record& record);

}  // namespace
}  // namespace json
}  // namespace tav

// ---------------------------------------------------------------------------------------------
// Writing: every value goes through nlohmann's adl_serializer, specialised here for the model's
// records (an object of the fields, named and ordered by the record's field list), its
// enumerations (the identifier, or the number of a value no member has) and optionals (null
// when empty). Only to_json: reading has its own checks (the Reader below).

namespace nlohmann {

template <class Record>
struct adl_serializer<Record, std::enable_if_t<tav::fields::isRecord<Record>>> {
  static void to_json(tav::json::Json& j, const Record& record) {
    tav::json::writeRecord(j, record);
  }
};

template <class Enum>
struct adl_serializer<Enum, std::enable_if_t<tav::json::isModelEnum<Enum>>> {
  static void to_json(tav::json::Json& j, Enum value) {
    const std::string_view name = tav::enumeratorName(value);
    if (name.empty()) {
      j = static_cast<uint32_t>(value);
    } else {
      j = std::string(name);
    }
  }
};

template <class T>
struct adl_serializer<tl::optional<T>> {
  static void to_json(tav::json::Json& j, const tl::optional<T>& value) {
    if (value) {
      j = *value;
    } else {
      j = nullptr;
    }
  }
};

}  // namespace nlohmann

namespace tav {
namespace json {
namespace {

template <class T>
Json valueToJson(const T& value) {
  return Json(value);
}

// A text may not be UTF-8 (see textToJson).
Json valueToJson(const std::string& text) { return textToJson(text); }

// ability_decks: an object keyed by the map key in decimal, in ascending key order.
template <class Record>
Json valueToJson(const std::map<int, Record>& entries) {
  Json j = Json::object();
  auto& members = j.get_ref<Json::object_t&>();
  members.reserve(entries.size());
  for (const auto& entry : entries) members.emplace_back(std::to_string(entry.first), entry.second);
  return j;
}

// The members go straight into the object's list, in field order: the field names are unique,
// so the look-up that operator[] makes for each new member is not needed.
template <class Record>
void writeRecord(Json& j, const Record& record) {
  j = Json::object();
  auto& members = j.get_ref<Json::object_t&>();
  std::size_t count = 1;
  fields::forEachField([&count](const char*, const auto&) { ++count; }, record);
  members.reserve(count);
  // An actor names its kind first, by the name its field list hands the live record under.
  if constexpr (std::is_same_v<Record, Actor>) {
    members.emplace_back("kind", fields::kActorRecordNames[record.__is_player ? 1 : 0]);
  }
  fields::forEachField(
      [&members](const char* name, const auto& value) {
        members.emplace_back(name, valueToJson(value));
      },
      record);
}

Json stateToJson(const GameState& state) { return Json(state); }

std::string dump(const Json& j, int indent) {
  // Every string member went through textToJson, so strict UTF-8 checking never fires.
  return j.dump(indent < 0 ? -1 : indent, ' ', false, Json::error_handler_t::replace);
}

// ---------------------------------------------------------------------------------------------
// Reading: the tree is checked member by member; the first fault ends the read with the JSON
// pointer of the value at fault.

std::string describe(const Json& j) {
  switch (j.type()) {
    case Json::value_t::null:
      return "null";
    case Json::value_t::boolean:
      return j.get<bool>() ? "true" : "false";
    case Json::value_t::string: {
      std::string text = j.dump(-1, ' ', false, Json::error_handler_t::replace);
      if (text.size() > 40) text = text.substr(0, 36) + "...\"";
      return "the string " + text;
    }
    case Json::value_t::number_float:
      if (!std::isfinite(j.get<double>())) return "a number too large to hold";
      return j.dump();
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      return j.dump();
    case Json::value_t::object:
      return "an object";
    case Json::value_t::array:
      return "an array";
    default:
      return "a value of another kind";
  }
}

std::string escapePointerToken(const std::string& token) {
  std::string escaped;
  for (const char c : token) {
    if (c == '~') {
      escaped += "~0";
    } else if (c == '/') {
      escaped += "~1";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// The containers among the field types, told apart by the Reader.
template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<tl::optional<T>> : std::true_type {};
template <class T>
struct IsVector : std::false_type {};
template <class T>
struct IsVector<std::vector<T>> : std::true_type {};
template <class T>
struct IsIntMap : std::false_type {};
template <class T>
struct IsIntMap<std::map<int, T>> : std::true_type {};

class Reader {
 public:
  Error error;

  // The pointer of the value being read.
  std::string pointer() const {
    std::string p;
    for (const std::string& token : path_) p += "/" + escapePointerToken(token);
    return p;
  }

  bool fail(std::string what) {
    error.what = std::move(what);
    error.pointer = pointer();
    return false;
  }

  // Runs read with token appended to the path; the path is restored only on success, so a
  // failure keeps pointing at its value.
  template <class Read>
  bool at(std::string token, Read&& read) {
    path_.push_back(std::move(token));
    if (!read()) return false;
    path_.pop_back();
    return true;
  }

  bool readInt(const Json& j, int& out) {
    if (j.is_number_integer()) {
      if (j.is_number_unsigned()) {
        const auto value = j.get<uint64_t>();
        if (value <= static_cast<uint64_t>(INT_MAX)) {
          out = static_cast<int>(value);
          return true;
        }
      } else {
        const auto value = j.get<int64_t>();
        if (value >= INT_MIN && value <= INT_MAX) {
          out = static_cast<int>(value);
          return true;
        }
      }
    }
    return fail("expected an integer from " + std::to_string(INT_MIN) + " to " +
                std::to_string(INT_MAX) + ", got " + describe(j));
  }

  bool readBool(const Json& j, bool& out) {
    if (!j.is_boolean()) return fail("expected true or false, got " + describe(j));
    out = j.get<bool>();
    return true;
  }

  template <class Enum>
  bool readEnum(const Json& j, Enum& out, const char* kind) {
    if (j.is_string()) {
      if (enumeratorFromName(j.get_ref<const std::string&>(), out)) return true;
      return fail(std::string("unknown ") + kind + " " + describe(j).substr(11));
    }
    if (j.is_number_unsigned()) {
      const auto value = j.get<uint64_t>();
      if (value <= UINT32_MAX) {
        out = static_cast<Enum>(static_cast<uint32_t>(value));
        return true;
      }
    }
    if (j.is_number_integer() && !j.is_number_unsigned() && j.get<int64_t>() >= 0) {
      const auto value = j.get<int64_t>();
      if (value <= static_cast<int64_t>(UINT32_MAX)) {
        out = static_cast<Enum>(static_cast<uint32_t>(value));
        return true;
      }
    }
    return fail(std::string("expected a ") + kind + " identifier or a number from 0 to " +
                std::to_string(UINT32_MAX) + ", got " + describe(j));
  }

  bool readText(const Json& j, std::string& out) {
    if (j.is_string()) {
      out = j.get<std::string>();
      return true;
    }
    if (j.is_object() && j.size() == 1 && j.contains("hex") && j["hex"].is_string()) {
      const std::string& hex = j["hex"].get_ref<const std::string&>();
      std::string bytes;
      bytes.reserve(hex.size() / 2);
      auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
      };
      bool good = hex.size() % 2 == 0;
      for (std::size_t i = 0; good && i < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        good = high >= 0 && low >= 0;
        bytes += static_cast<char>(high * 16 + low);
      }
      if (good) {
        out = std::move(bytes);
        return true;
      }
      return at("hex", [&] { return fail("expected pairs of hex digits"); });
    }
    return fail("expected a string or {\"hex\": \"<hex digits>\"}, got " + describe(j));
  }

  template <class Item, class ReadItem>
  bool readList(const Json& j, std::vector<Item>& out, ReadItem readItem) {
    if (!j.is_array()) return fail("expected an array, got " + describe(j));
    std::vector<Item> items;
    items.reserve(j.size());
    for (std::size_t i = 0; i < j.size(); ++i) {
      Item item{};
      if (!at(std::to_string(i), [&] { return readItem(j[i], item); })) return false;
      items.push_back(std::move(item));
    }
    out = std::move(items);
    return true;
  }

  template <class T, class ReadValue>
  bool readOptional(const Json& j, tl::optional<T>& out, ReadValue readValue) {
    if (j.is_null()) {
      out = tl::nullopt;
      return true;
    }
    T value{};
    if (!readValue(j, value)) return false;
    out = value;
    return true;
  }

  // Calls member(name, value) for each member of the object j, a record of the given kind;
  // member returns 1 when it read the member, 0 when the name is unknown, -1 on failure.
  template <class Member>
  bool readObject(const Json& j, const char* kind, Member member) {
    if (!j.is_object())
      return fail(std::string("expected ") + kind + " object, got " + describe(j));
    for (auto it = j.begin(); it != j.end(); ++it) {
      int result = -1;
      if (!at(it.key(), [&] {
            result = member(it.key(), it.value());
            if (result == 0) return fail("unknown member \"" + it.key() + "\" of " + kind);
            return result > 0;
          })) {
        return false;
      }
    }
    return true;
  }

  // Reads the member named name into the field of that name of record: 1 when read, 0 when
  // the record has no such field, -1 on failure.
  template <class Record>
  int readMember(const std::string& name, const Json& j, Record& record) {
    int result = 0;
    fields::forEachField(
        [&](const char* field, auto& value) {
          if (result == 0 && name == field) result = read(j, value) ? 1 : -1;
        },
        record);
    return result;
  }

  // Reads the object j into record, which holds the defaults of the members left out.
  template <class Record>
  bool readRecord(const Json& j, Record& record) {
    return readObject(j, kindName(record), [&](const std::string& k, const Json& v) {
      return readMember(k, v, record);
    });
  }

  // An actor: "kind" names the live record ("monster" or "player"), and decides which record
  // member belongs; it is looked up first so that the other one can be refused by name.
  bool readActor(const Json& j, Actor& out) {
    if (!j.is_object()) return fail("expected an actor object, got " + describe(j));
    const char* const* names = fields::kActorRecordNames;
    const auto kind = j.find("kind");
    if (kind == j.end()) {
      return fail(std::string("actor without \"kind\" (\"") + names[0] + "\" or \"" + names[1] +
                  "\")");
    }
    bool isPlayer = false;
    if (!at("kind", [&] {
          if (*kind == names[1]) {
            isPlayer = true;
          } else if (*kind != names[0]) {
            return fail(std::string("expected \"") + names[0] + "\" or \"" + names[1] + "\", got " +
                        describe(*kind));
          }
          return true;
        })) {
      return false;
    }
    Actor r = isPlayer ? Actor(PlayerActor()) : Actor(MonsterActor());
    if (!readObject(j, kindName(r), [&](const std::string& k, const Json& v) {
          return k == "kind" ? 1 : readMember(k, v, r);
        })) {
      return false;
    }
    out = std::move(r);
    return true;
  }

  // A map key is an int in its shortest decimal form: "-3", "0", "12".
  static bool mapKey(const std::string& text, int& key) {
    if (text.empty() || text.size() > 11) return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    long long value = 0;
    for (std::size_t k = i; k < text.size(); ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
      value = value * 10 + (text[k] - '0');
    }
    if (i == 1) value = -value;
    if (value < INT_MIN || value > INT_MAX) return false;
    key = static_cast<int>(value);
    return std::to_string(key) == text;
  }

  // ability_decks: an entry starts as the record made for its key (a deck takes the key as
  // its id), then reads its members.
  template <class Record>
  bool readMap(const Json& j, std::map<int, Record>& out) {
    if (!j.is_object()) return fail("expected an object of decks by id, got " + describe(j));
    std::map<int, Record> entries;
    for (auto it = j.begin(); it != j.end(); ++it) {
      if (!at(it.key(), [&] {
            int key = 0;
            if (!mapKey(it.key(), key)) {
              return fail("deck key \"" + it.key() + "\" is not an integer from " +
                          std::to_string(INT_MIN) + " to " + std::to_string(INT_MAX) +
                          " in decimal without leading zeros or sign");
            }
            Record entry = fields::entryForKey<Record>(key);
            if (!readRecord(it.value(), entry)) return false;
            entries[key] = std::move(entry);
            return true;
          })) {
        return false;
      }
    }
    out = std::move(entries);
    return true;
  }

  // Reads j into out by out's type. On failure out is unchanged, except for the members of a
  // record read before the fault.
  template <class T>
  bool read(const Json& j, T& out) {
    if constexpr (std::is_same_v<T, int>) {
      return readInt(j, out);
    } else if constexpr (std::is_same_v<T, bool>) {
      return readBool(j, out);
    } else if constexpr (std::is_same_v<T, std::string>) {
      return readText(j, out);
    } else if constexpr (isModelEnum<T>) {
      return readEnum(j, out, kindName(out));
    } else if constexpr (IsOptional<T>::value) {
      return readOptional(j, out, [this](const Json& x, auto& y) { return read(x, y); });
    } else if constexpr (IsVector<T>::value) {
      return readList(j, out, [this](const Json& x, auto& y) { return read(x, y); });
    } else if constexpr (IsIntMap<T>::value) {
      return readMap(j, out);
    } else if constexpr (std::is_same_v<T, Actor>) {
      return readActor(j, out);
    } else {
      static_assert(fields::isRecord<T>, "a field of a type the mapping does not know");
      T record;
      if (!readRecord(j, record)) return false;
      out = std::move(record);
      return true;
    }
  }

  bool readMessage(const Json& j, Message& out) {
    Message m;
    if (j.is_object() && j.contains("state")) {
      m.framed = true;
      if (!readObject(j, "a message", [&](const std::string& k, const Json& v) -> int {
            bool ok;
            if (k == "event") {
              ok = readText(v, m.event);
            } else if (k == "payload") {
              ok = readText(v, m.payload);
            } else if (k == "protocol") {
              ok = v.is_string() ? (m.protocol = v.get<std::string>(), true)
                                 : fail("expected a version name, got " + describe(v));
            } else if (k == "state") {
              ok = read(v, m.state);
            } else {
              return 0;
            }
            return ok ? 1 : -1;
          })) {
        return false;
      }
    } else {
      m.framed = false;
      if (!read(j, m.state)) return false;
    }
    out = std::move(m);
    return true;
  }

 private:
  std::vector<std::string> path_;
};

// ---------------------------------------------------------------------------------------------
// Parsing: nlohmann's parser builds the tree through a SAX handler that also refuses
// duplicate member names and nesting past kMaxDepth, and reads one document at a time so a
// text may hold several.

// A read-only stream over the text, without copying it.
class ViewBuffer : public std::streambuf {
 public:
  ViewBuffer(const char* begin, const char* end) {
    char* b = const_cast<char*>(begin);  // only ever read
    setg(b, b, const_cast<char*>(end));
  }
  std::size_t position() const { return static_cast<std::size_t>(gptr() - eback()); }
};

class TreeBuilder {
 public:
  using Dom = nlohmann::detail::json_sax_dom_parser<Json>;

  explicit TreeBuilder(Json& root) : dom_(root, true) {}

  // Set when the handler itself stopped the parse; parse errors throw from dom_.
  std::string refusal;
  std::string refusalPointer;

  bool null() { return value(dom_.null()); }
  bool boolean(bool v) { return value(dom_.boolean(v)); }
  bool number_integer(Json::number_integer_t v) { return value(dom_.number_integer(v)); }
  bool number_unsigned(Json::number_unsigned_t v) { return value(dom_.number_unsigned(v)); }
  bool number_float(Json::number_float_t v, const std::string& s) {
    return value(dom_.number_float(v, s));
  }
  bool string(std::string& v) { return value(dom_.string(v)); }
  bool binary(Json::binary_t& v) { return value(dom_.binary(v)); }
  bool start_object(std::size_t n) {
    if (!open(true)) return false;
    return dom_.start_object(n);
  }
  bool key(std::string& k) {
    Frame& frame = frames_.back();
    frame.key = k;
    if (!frame.keys.insert(k).second) {
      refusal = "member \"" + k + "\" appears twice";
      refusalPointer = pointer();
      return false;
    }
    return dom_.key(k);
  }
  bool end_object() {
    frames_.pop_back();
    return value(dom_.end_object());
  }
  bool start_array(std::size_t n) {
    if (!open(false)) return false;
    return dom_.start_array(n);
  }
  bool end_array() {
    frames_.pop_back();
    return value(dom_.end_array());
  }
  // Throws e as its own type, caught by parseDocument.
  template <class Exception>
  bool parse_error(std::size_t position, const std::string& last, const Exception& e) {
    return dom_.parse_error(position, last, e);
  }

 private:
  struct Frame {
    bool object;
    std::size_t index = 0;
    std::string key;
    std::set<std::string> keys;
  };

  bool open(bool object) {
    if (frames_.size() >= kMaxDepth) {
      refusal = "nested deeper than " + std::to_string(kMaxDepth) + " levels";
      refusalPointer = pointer();
      return false;
    }
    frames_.push_back(Frame{object, 0, {}, {}});
    return true;
  }

  // A value ended: an array around it moves on to its next index.
  bool value(bool ok) {
    if (!frames_.empty() && !frames_.back().object) ++frames_.back().index;
    return ok;
  }

  std::string pointer() const {
    std::string p;
    for (const Frame& frame : frames_) {
      p += "/" + (frame.object ? escapePointerToken(frame.key) : std::to_string(frame.index));
    }
    return p;
  }

  Dom dom_;
  std::vector<Frame> frames_;
};

void setPosition(Error& error, std::string_view text, std::size_t offset) {
  if (offset > text.size()) offset = text.size();
  error.offset = offset;
  error.line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++error.line;
      lineStart = i + 1;
    }
  }
  error.column = offset - lineStart + 1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Parses the document that starts at text[offset] (after blanks) into root and moves offset
// past it. Returns false with error set when the text there is no well-formed document.
bool parseDocument(std::string_view text, std::size_t& offset, Json& root, Error& error) {
  ViewBuffer view(text.data() + offset, text.data() + text.size());
  std::istream in(&view);
  TreeBuilder builder(root);
  try {
    if (Json::sax_parse(in, &builder, Json::input_format_t::json, false)) {
      offset += view.position();
      return true;
    }
    error.what = builder.refusal;
    error.pointer = builder.refusalPointer;
    setPosition(error, text, offset + (view.position() > 0 ? view.position() - 1 : 0));
    return false;
  } catch (const nlohmann::detail::parse_error& e) {
    // e.what() is "[json.exception.parse_error.N] parse error at line L, column C: <what>";
    // the position is given again below, counted over the whole text.
    std::string what = e.what();
    const std::size_t column = what.find("column ");
    const std::size_t colon = column == std::string::npos ? column : what.find(": ", column);
    if (colon != std::string::npos) what = what.substr(colon + 2);
    error.what = what;
    error.pointer.clear();
    setPosition(error, text, offset + (e.byte > 0 ? e.byte - 1 : 0));
    return false;
  } catch (const nlohmann::detail::exception& e) {
    // A number too large for a double: "[json.exception.out_of_range.406] <what>".
    std::string what = e.what();
    const std::size_t prefix = what.find("] ");
    if (prefix != std::string::npos) what = what.substr(prefix + 2);
    error.what = what;
    error.pointer.clear();
    setPosition(error, text, offset + (view.position() > 0 ? view.position() - 1 : 0));
    return false;
  } catch (const std::exception& e) {
    error.what = std::string("cannot read the JSON text: ") + e.what();
    setPosition(error, text, offset);
    return false;
  }
}

}  // namespace

std::string Error::message() const {
  if (line > 0) {
    std::string place = "line " + std::to_string(line) + ", column " + std::to_string(column);
    if (!pointer.empty()) place += ", at " + pointer;
    return place + ": " + what;
  }
  return "at " + (pointer.empty() ? std::string("the top level") : pointer) + ": " + what;
}

std::string toJson(const GameState& state, int indent) {
  try {
    return dump(stateToJson(state), indent);
  } catch (const std::exception&) {
    return std::string();  // only when memory runs out
  }
}

std::string toJson(const Message& message, int indent) {
  try {
    if (!message.framed) return dump(stateToJson(message.state), indent);
    Json j = Json::object();
    j["event"] = textToJson(message.event);
    j["payload"] = textToJson(message.payload);
    j["protocol"] = textToJson(message.protocol);
    j["state"] = stateToJson(message.state);
    return dump(j, indent);
  } catch (const std::exception&) {
    return std::string();
  }
}

StateResult fromJson(std::string_view text) {
  StateResult result;
  try {
    std::size_t offset = 0;
    Json root;
    if (!parseDocument(text, offset, root, result.error)) return result;
    while (offset < text.size() && isBlank(text[offset])) ++offset;
    if (offset < text.size()) {
      result.error.what = "more text after the state object";
      setPosition(result.error, text, offset);
      return result;
    }
    Reader reader;
    if (!reader.read(root, result.state)) {
      result.error = reader.error;
      result.state = GameState();
      return result;
    }
    result.ok = true;
  } catch (const std::exception& e) {
    result.error = Error();
    result.error.what = std::string("cannot read the JSON text: ") + e.what();
    result.state = GameState();
  }
  return result;
}

std::string fromJson(const std::string& text, GameState& state) {
  StateResult result = fromJson(std::string_view(text));
  if (!result.ok) return result.error.message();
  state = std::move(result.state);
  return std::string();
}

MessagesResult messagesFromJson(std::string_view text) {
  MessagesResult result;
  try {
    std::size_t offset = 0;
    for (std::size_t index = 0;; ++index) {
      while (offset < text.size() && isBlank(text[offset])) ++offset;
      if (offset == text.size()) break;
      result.index = index;
      Json root;
      if (!parseDocument(text, offset, root, result.error)) {
        result.messages.clear();
        return result;
      }
      Reader reader;
      Message message;
      if (!reader.readMessage(root, message)) {
        result.error = reader.error;
        result.messages.clear();
        return result;
      }
      result.messages.push_back(std::move(message));
    }
    result.ok = true;
    result.index = 0;
  } catch (const std::exception& e) {
    result.messages.clear();
    result.error = Error();
    result.error.what = std::string("cannot read the JSON text: ") + e.what();
  }
  return result;
}

}  // namespace json
}  // namespace tav
