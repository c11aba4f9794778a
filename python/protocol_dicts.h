// tav.protocol: whole states as plain Python values, in one native call each way.
//
// to_dict(state) gives what json.loads(to_json(state)) gives: a dict per record with its
// fields in the model's field lists' order, enumeration values by identifier (an int for a
// value without one), None for an absent optional, ability_decks keyed by the key in decimal,
// each actor with "kind" and its live record, a name that is not UTF-8 as {"hex": "..."}.
// from_dict(d) reads that form back and refuses what from_json refuses, with the same message
// and JSON pointer; it also takes tuples for lists and ints for deck keys. Both are driven by
// the field lists of model/fields.h.
//
// from_dict first reads in field order, looking each field up in the record's dict, and stops
// at the first fault without building messages. Only then does it read again, member by
// member in the dict's own order as the JSON reader does, to report the fault the JSON reader
// would report first.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/fields.h"
#include "model/names.h"
#include "protocol_support.h"

namespace tav_protocol {
namespace dicts {

// The kinds of value and record as the JSON mapping's refusals name them.
inline const char* kindName(tav::AttackModifier) { return "attack modifier"; }
inline const char* kindName(tav::CharacterClass) { return "character class"; }
inline const char* kindName(tav::Condition) { return "condition"; }
inline const char* kindName(tav::ElementState) { return "element state"; }
inline const char* kindName(tav::MonsterType) { return "monster type"; }
inline const char* kindName(tav::PlayerInit) { return "player init"; }
inline const char* kindName(tav::SummonColor) { return "summon color"; }
inline const char* kindName(const tav::MonsterInstance&) { return "a monster instance"; }
inline const char* kindName(const tav::MonsterActor&) { return "a monster"; }
inline const char* kindName(const tav::PlayerActor&) { return "a player"; }
inline const char* kindName(const tav::MonsterAbilityDeck&) { return "an ability deck"; }
inline const char* kindName(const tav::GameState&) { return "a game state"; }
inline const char* kindName(const tav::Actor& actor) {
  return actor.__is_player ? "a player actor" : "a monster actor";
}

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
template <class T>
constexpr bool isEnum = std::is_enum_v<T>;

// The interned str of a field name, by the name's address (the field lists hand static
// strings). Borrowed: the table keeps every key for the life of the process.
inline PyObject* key(const char* name) {
  static constexpr std::size_t kSlots = 256;
  static const char* names[kSlots];
  static PyObject* keys[kSlots];
  std::size_t slot = (reinterpret_cast<std::uintptr_t>(name) >> 3) % kSlots;
  for (std::size_t probe = 0; probe < kSlots; ++probe, slot = (slot + 1) % kSlots) {
    if (names[slot] == name) return keys[slot];
    if (!names[slot]) {
      PyObject* k = PyUnicode_InternFromString(name);
      if (!k) return nullptr;
      names[slot] = name;
      keys[slot] = k;
      return k;
    }
  }
  return PyUnicode_InternFromString(name);  // never: the model has fewer names than slots
}

// --- To Python -------------------------------------------------------------------------------

// The identifier of value as a str (cached for small values), or its number when it has none.
// A new reference.
template <class E>
PyObject* enumObject(E value) {
  static constexpr uint32_t kCached = 64;
  static PyObject* cache[kCached];
  const auto number = static_cast<uint32_t>(value);
  if (number < kCached && cache[number]) {
    Py_INCREF(cache[number]);
    return cache[number];
  }
  const std::string_view name = tav::enumeratorName(value);
  if (name.empty()) return PyLong_FromUnsignedLong(number);
  PyObject* text = PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
  if (text && number < kCached) {
    PyUnicode_InternInPlace(&text);
    Py_INCREF(text);
    cache[number] = text;
  }
  return text;
}

inline PyObject* textValue(const std::string& text) {
  PyObject* str = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr);
  if (str || !PyErr_ExceptionMatches(PyExc_UnicodeDecodeError)) return str;
  PyErr_Clear();
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(text.size() * 2);
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  Ref digits(PyUnicode_FromStringAndSize(hex.data(), static_cast<Py_ssize_t>(hex.size())));
  return digits ? Py_BuildValue("{sO}", "hex", digits.get()) : nullptr;
}

template <class T>
PyObject* toPython(const T& value);

template <class Record>
PyObject* recordToPython(const Record& record) {
  Ref dict(PyDict_New());
  if (!dict) return nullptr;
  if constexpr (std::is_same_v<Record, tav::Actor>) {
    PyObject* k = key("kind");
    PyObject* kind = key(tav::fields::kActorRecordNames[record.__is_player ? 1 : 0]);
    if (!k || !kind || PyDict_SetItem(dict.get(), k, kind) < 0) return nullptr;
  }
  bool ok = true;
  tav::fields::forEachField(
      [&](const char* name, const auto& value) {
        if (!ok) return;
        PyObject* k = key(name);
        Ref v(k ? toPython(value) : nullptr);
        ok = v && PyDict_SetItem(dict.get(), k, v.get()) == 0;
      },
      record);
  return ok ? dict.release() : nullptr;
}

template <class T>
PyObject* toPython(const T& value) {
  if constexpr (std::is_same_v<T, int>) {
    return PyLong_FromLong(value);
  } else if constexpr (std::is_same_v<T, bool>) {
    return PyBool_FromLong(value);
  } else if constexpr (std::is_same_v<T, std::string>) {
    return textValue(value);
  } else if constexpr (isEnum<T>) {
    return enumObject(value);
  } else if constexpr (IsOptional<T>::value) {
    if (!value) Py_RETURN_NONE;
    return toPython(*value);
  } else if constexpr (IsVector<T>::value) {
    Ref list(PyList_New(static_cast<Py_ssize_t>(value.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < value.size(); ++i) {
      PyObject* item = toPython(value[i]);
      if (!item) return nullptr;
      PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
    }
    return list.release();
  } else if constexpr (IsIntMap<T>::value) {
    Ref dict(PyDict_New());
    if (!dict) return nullptr;
    for (const auto& entry : value) {
      Ref k(PyUnicode_FromFormat("%d", entry.first));
      Ref v(k ? toPython(entry.second) : nullptr);
      if (!v || PyDict_SetItem(dict.get(), k.get(), v.get()) < 0) return nullptr;
    }
    return dict.release();
  } else {
    static_assert(tav::fields::isRecord<T>, "a field of a type the mapping does not know");
    return recordToPython(value);
  }
}

// --- From Python -----------------------------------------------------------------------------

// What the JSON reader's messages call a value: "null", "true", "the string \"x\"", "an
// object", ...
inline std::string describe(PyObject* obj) {
  if (obj == Py_None) return "null";
  if (obj == Py_True) return "true";
  if (obj == Py_False) return "false";
  if (PyDict_Check(obj)) return "an object";
  if (PyList_Check(obj) || PyTuple_Check(obj)) return "an array";
  if (PyFloat_Check(obj) && !std::isfinite(PyFloat_AS_DOUBLE(obj))) {
    return "a number too large to hold";
  }
  if (PyLong_Check(obj) || PyFloat_Check(obj)) {
    Ref text(PyObject_Repr(obj));
    const char* s = text ? PyUnicode_AsUTF8(text.get()) : nullptr;
    if (s) return s;
    PyErr_Clear();
    return "a number";
  }
  if (PyUnicode_Check(obj)) {
    Ref bytes(PyUnicode_AsEncodedString(obj, "utf-8", "replace"));
    if (!bytes) {
      PyErr_Clear();
      return "a string";
    }
    std::string quoted = "\"";
    for (const char* p = PyBytes_AS_STRING(bytes.get()); *p; ++p) {
      const auto c = static_cast<unsigned char>(*p);
      if (c == '"' || c == '\\') {
        quoted += '\\';
        quoted += static_cast<char>(c);
      } else if (c < 0x20) {
        static const char kDigits[] = "0123456789abcdef";
        quoted += "\\u00";
        quoted += kDigits[c >> 4];
        quoted += kDigits[c & 0x0F];
      } else {
        quoted += static_cast<char>(c);
      }
    }
    quoted += '"';
    if (quoted.size() > 40) quoted = quoted.substr(0, 36) + "...\"";
    return "the string " + quoted;
  }
  return std::string("a value of type ") + Py_TYPE(obj)->tp_name;
}

inline std::string escapeToken(const std::string& token) {
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

// The UTF-8 bytes of a str; names that came from tav with surrogate escapes give back their
// own bytes. False with no exception when obj has no such bytes.
inline bool utf8Of(PyObject* obj, std::string& out) {
  Py_ssize_t size = 0;
  if (const char* text = PyUnicode_AsUTF8AndSize(obj, &size)) {
    out.assign(text, static_cast<std::size_t>(size));
    return true;
  }
  PyErr_Clear();
  Ref bytes(PyUnicode_AsEncodedString(obj, "utf-8", "surrogateescape"));
  if (!bytes) {
    PyErr_Clear();
    return false;
  }
  out.assign(PyBytes_AS_STRING(bytes.get()),
             static_cast<std::size_t>(PyBytes_GET_SIZE(bytes.get())));
  return true;
}

// Reads Python values into the model. Faithful: members in the dicts' own order, each fault
// with its message and pointer; otherwise fields in field order, stopping at the first fault
// without a message.
template <bool faithful>
class Reader {
 public:
  std::string what;
  std::string pointer;

  template <class T>
  bool read(PyObject* j, T& out) {
    // An __index__ method may run Python code that drops this value or the containers around
    // it from the document: each value holds itself while it is read, so every container on
    // the path to the value being read stays alive.
    Py_INCREF(j);
    const Ref held(j);
    if constexpr (std::is_same_v<T, int>) {
      return readInt(j, out);
    } else if constexpr (std::is_same_v<T, bool>) {
      if (!PyBool_Check(j)) return fail("expected true or false, got ", j);
      out = j == Py_True;
      return true;
    } else if constexpr (std::is_same_v<T, std::string>) {
      return readText(j, out);
    } else if constexpr (isEnum<T>) {
      return readEnum(j, out);
    } else if constexpr (IsOptional<T>::value) {
      if (j == Py_None) {
        out = tl::nullopt;
        return true;
      }
      typename T::value_type value{};
      if (!read(j, value)) return false;
      out = value;
      return true;
    } else if constexpr (IsVector<T>::value) {
      return readList(j, out);
    } else if constexpr (IsIntMap<T>::value) {
      return readMap(j, out);
    } else if constexpr (std::is_same_v<T, tav::Actor>) {
      return readActor(j, out);
    } else {
      T record;
      if (!readRecord(j, record)) return false;
      out = std::move(record);
      return true;
    }
  }

 private:
  std::vector<std::string> path_;

  // obj as a Python int when it is one or has __index__ (numpy integers), bools excepted; empty,
  // with no exception, otherwise or when __index__ raised.
  static Ref integer(PyObject* obj) {
    if (PyBool_Check(obj)) return Ref();
    if (PyLong_Check(obj)) {
      Py_INCREF(obj);
      return Ref(obj);
    }
    if (!PyIndex_Check(obj)) return Ref();
    Ref number(PyNumber_Index(obj));
    if (!number) PyErr_Clear();
    return number;
  }

  bool fail(const std::string& message, PyObject* j = nullptr) {
    if constexpr (faithful) {
      what = j ? message + describe(j) : message;
      pointer.clear();
      for (const std::string& token : path_) pointer += "/" + escapeToken(token);
    }
    return false;
  }

  // Runs read with token appended to the path (faithful only); the path is restored only on
  // success, so a failure keeps pointing at its value.
  template <class Token, class Read>
  bool at(const Token& token, Read&& read) {
    if constexpr (faithful) {
      if constexpr (std::is_integral_v<Token>) {
        path_.push_back(std::to_string(token));
      } else {
        path_.push_back(token);
      }
      if (!read()) return false;
      path_.pop_back();
      return true;
    } else {
      return read();
    }
  }

  bool readInt(PyObject* j, int& out) {
    if (const Ref number = integer(j)) {
      int overflow = 0;
      const long value = PyLong_AsLongAndOverflow(number.get(), &overflow);
      if (!overflow && value >= std::numeric_limits<int>::min() &&
          value <= std::numeric_limits<int>::max()) {
        out = static_cast<int>(value);
        return true;
      }
    }
    return fail("expected an integer from " + std::to_string(std::numeric_limits<int>::min()) +
                    " to " + std::to_string(std::numeric_limits<int>::max()) + ", got ",
                j);
  }

  template <class E>
  bool readEnum(PyObject* j, E& out) {
    if (PyUnicode_Check(j)) {
      Py_ssize_t size = 0;
      const char* name = PyUnicode_AsUTF8AndSize(j, &size);
      if (!name) PyErr_Clear();
      if (name &&
          tav::enumeratorFromName(std::string_view(name, static_cast<std::size_t>(size)), out)) {
        return true;
      }
      if constexpr (faithful) {
        return fail(std::string("unknown ") + kindName(out) + " " + describe(j).substr(11));
      }
      return false;
    }
    if (const Ref number = integer(j)) {
      int overflow = 0;
      const long long value = PyLong_AsLongLongAndOverflow(number.get(), &overflow);
      if (!overflow && value >= 0 && value <= static_cast<long long>(UINT32_MAX)) {
        out = static_cast<E>(static_cast<uint32_t>(value));
        return true;
      }
    }
    return fail(std::string("expected a ") + kindName(out) + " identifier or a number from 0 to " +
                    std::to_string(UINT32_MAX) + ", got ",
                j);
  }

  bool readText(PyObject* j, std::string& out) {
    if (PyUnicode_Check(j)) {
      if (utf8Of(j, out)) return true;
      return fail("expected a string of Unicode text, got a string with lone surrogates");
    }
    if (PyDict_Check(j) && PyDict_GET_SIZE(j) == 1) {
      PyObject* hex = PyDict_GetItemString(j, "hex");
      if (hex && PyUnicode_Check(hex)) {
        Py_ssize_t size = 0;
        const char* digits = PyUnicode_AsUTF8AndSize(hex, &size);
        if (!digits) PyErr_Clear();
        auto digit = [](char c) {
          if (c >= '0' && c <= '9') return c - '0';
          if (c >= 'a' && c <= 'f') return c - 'a' + 10;
          if (c >= 'A' && c <= 'F') return c - 'A' + 10;
          return -1;
        };
        bool good = digits && size % 2 == 0;
        std::string bytes;
        for (Py_ssize_t i = 0; good && i < size; i += 2) {
          const int high = digit(digits[i]);
          const int low = digit(digits[i + 1]);
          good = high >= 0 && low >= 0;
          bytes += static_cast<char>(high * 16 + low);
        }
        if (good) {
          out = std::move(bytes);
          return true;
        }
        return at("hex", [&] { return fail("expected pairs of hex digits"); });
      }
    }
    return fail("expected a string or {\"hex\": \"<hex digits>\"}, got ", j);
  }

  template <class Item>
  bool readList(PyObject* j, std::vector<Item>& out) {
    if (!PyList_Check(j) && !PyTuple_Check(j)) return fail("expected an array, got ", j);
    // A list may change size while its items are read (no Python code runs here, but keep
    // to its size at each step): a tuple's or list's item is taken afresh each time.
    std::vector<Item> items;
    items.reserve(static_cast<std::size_t>(PySequence_Fast_GET_SIZE(j)));
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(j); ++i) {
      Item item{};
      if (!at(i, [&] { return read(PySequence_Fast_GET_ITEM(j, i), item); })) return false;
      items.push_back(std::move(item));
    }
    out = std::move(items);
    return true;
  }

  // The field of record named by the str name: 1 when read, 0 when the record has none, -1
  // on failure.
  template <class Record>
  int readMember(PyObject* name, PyObject* value, Record& record) {
    int result = 0;
    tav::fields::forEachField(
        [&](const char* field, auto& slot) {
          if (result == 0 && PyUnicode_CompareWithASCIIString(name, field) == 0) {
            result = read(value, slot) ? 1 : -1;
          }
        },
        record);
    return result;
  }

  // Reads the members of the dict j into record (which holds the defaults); skip names a
  // member read elsewhere ("kind" of an actor).
  template <class Record>
  bool readMembers(PyObject* j, const char* kind, Record& record, const char* skip = nullptr) {
    if constexpr (faithful) {
      Py_ssize_t position = 0;
      PyObject* name = nullptr;
      PyObject* value = nullptr;
      while (PyDict_Next(j, &position, &name, &value)) {
        std::string token;
        if (!PyUnicode_Check(name) || !utf8Of(name, token)) {
          return fail(std::string("member names must be strings, got ") + describe(name) + " in " +
                      kind + " object");
        }
        if (skip && token == skip) continue;
        if (!at(token, [&] {
              const int result = readMember(name, value, record);
              if (result == 0) return fail("unknown member \"" + token + "\" of " + kind);
              return result > 0;
            })) {
          return false;
        }
      }
      return true;
    } else {
      Py_ssize_t found = skip ? 1 : 0;
      bool ok = true;
      tav::fields::forEachField(
          [&](const char* field, auto& slot) {
            if (!ok) return;
            PyObject* k = key(field);
            PyObject* value = k ? PyDict_GetItemWithError(j, k) : nullptr;
            if (!value) {
              ok = !PyErr_Occurred();
              PyErr_Clear();
              return;
            }
            ++found;
            ok = read(value, slot);
          },
          record);
      return ok && found == PyDict_GET_SIZE(j);  // any other member is unknown
    }
  }

  template <class Record>
  bool readRecord(PyObject* j, Record& record) {
    if (!PyDict_Check(j)) {
      return fail(std::string("expected ") + kindName(record) + " object, got ", j);
    }
    return readMembers(j, kindName(record), record);
  }

  bool readActor(PyObject* j, tav::Actor& out) {
    if (!PyDict_Check(j)) return fail("expected an actor object, got ", j);
    const char* const* names = tav::fields::kActorRecordNames;
    PyObject* kind = PyDict_GetItemWithError(j, key("kind"));
    if (!kind) {
      PyErr_Clear();
      return fail(std::string("actor without \"kind\" (\"") + names[0] + "\" or \"" + names[1] +
                  "\")");
    }
    bool isPlayer = false;
    if (!at("kind", [&] {
          if (PyUnicode_Check(kind) && PyUnicode_CompareWithASCIIString(kind, names[1]) == 0) {
            isPlayer = true;
          } else if (!PyUnicode_Check(kind) ||
                     PyUnicode_CompareWithASCIIString(kind, names[0]) != 0) {
            return fail(std::string("expected \"") + names[0] + "\" or \"" + names[1] + "\", got ",
                        kind);
          }
          return true;
        })) {
      return false;
    }
    tav::Actor actor = isPlayer ? tav::Actor(tav::PlayerActor()) : tav::Actor(tav::MonsterActor());
    if (!readMembers(j, kindName(actor), actor, "kind")) return false;
    out = std::move(actor);
    return true;
  }

  // A deck key: a str holding an int in its shortest decimal form, or an int.
  static bool mapKey(PyObject* obj, int& out) {
    if (const Ref number = integer(obj)) {
      int overflow = 0;
      const long value = PyLong_AsLongAndOverflow(number.get(), &overflow);
      if (overflow || value < std::numeric_limits<int>::min() ||
          value > std::numeric_limits<int>::max()) {
        return false;
      }
      out = static_cast<int>(value);
      return true;
    }
    std::string text;
    if (!PyUnicode_Check(obj) || !utf8Of(obj, text)) return false;
    if (text.empty() || text.size() > 11) return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    long long value = 0;
    for (std::size_t k = i; k < text.size(); ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
      value = value * 10 + (text[k] - '0');
    }
    if (i == 1) value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
      return false;
    }
    out = static_cast<int>(value);
    return std::to_string(out) == text;
  }

  template <class Record>
  bool readMap(PyObject* j, std::map<int, Record>& out) {
    if (!PyDict_Check(j)) return fail("expected an object of decks by id, got ", j);
    std::map<int, Record> entries;
    Py_ssize_t position = 0;
    PyObject* name = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(j, &position, &name, &value)) {
      // The key's __str__ or __index__ may remove the entry: hold both while they are used.
      Py_INCREF(name);
      Py_INCREF(value);
      const Ref heldName(name);
      const Ref heldValue(value);
      std::string token;
      if constexpr (faithful) {
        if (PyUnicode_Check(name)) {
          utf8Of(name, token);
        } else {
          Ref text(PyObject_Str(name));
          if (!text || !utf8Of(text.get(), token)) PyErr_Clear();
        }
      }
      if (!at(token, [&] {
            int k = 0;
            if (!mapKey(name, k)) {
              return fail("deck key \"" + token + "\" is not an integer from " +
                          std::to_string(std::numeric_limits<int>::min()) + " to " +
                          std::to_string(std::numeric_limits<int>::max()) +
                          " in decimal without leading zeros or sign");
            }
            Record entry = tav::fields::entryForKey<Record>(k);
            if (!readRecord(value, entry)) return false;
            entries[k] = std::move(entry);
            return true;
          })) {
        return false;
      }
    }
    out = std::move(entries);
    return true;
  }
};

}  // namespace dicts

// to_dict(state) -> dict
inline PyObject* toDict(const tav::GameState& state) {
  try {
    return dicts::toPython(state);
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  }
}

// from_dict(d) -> GameState, or ValueError as from_json gives it for the same document.
inline NewState fromDict(PyObject* document) {
  try {
    Owned<tav::GameState> state = make<tav::GameState>();
    if (!state) return nullptr;
    if (dicts::Reader<false>().read(document, *state)) return state;
    if (PyErr_Occurred()) return nullptr;
    *state = tav::GameState();
    dicts::Reader<true> reader;
    if (reader.read(document, *state)) return state;  // never: the two readers agree
    if (PyErr_Occurred()) return nullptr;
    const std::string message =
        "at " + (reader.pointer.empty() ? std::string("the top level") : reader.pointer) + ": " +
        reader.what;
    PyErr_SetString(PyExc_ValueError, message.c_str());
    return nullptr;
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
    return nullptr;
  }
}

}  // namespace tav_protocol
