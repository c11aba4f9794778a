// The native half of the Python module tav.protocol.
//
// Included only into the wrapper that SWIG generates from protocol.i, after the generator's
// runtime: it converts proxies with that runtime, so the records, Header and Buffer it takes
// and returns are the very tav proxies (the type table is shared between the two modules).
// Every function takes and returns Python objects; a failure returns null with a Python
// exception set. No native exception leaves these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/actor.h"
#include "model/gameState.h"
#include "model/names.h"
#include "print.h"
#include "protocol/buffer.h"
#include "protocol/header.h"
#include "protocol/version.h"
#ifdef TAV_PROTOCOL_JSON
#include "json/gameStateJson.h"
#endif

namespace tav_protocol {

// Bodies at least this large are read without the interpreter lock when no Python stream
// receives the dump: below it, releasing and taking the lock costs more than it frees.
constexpr std::size_t kUnlockedReadSize = 4096;

// --- Native types of the tav proxies ---------------------------------------------------------

// The type records of the proxies, found by name in the shared type table (tav registers them;
// this module only looks them up).
struct Types {
  swig_type_info* state;
  swig_type_info* actor;
  swig_type_info* deck;
  swig_type_info* monster;
  swig_type_info* instance;
  swig_type_info* player;
  swig_type_info* header;
  swig_type_info* buffer;
  swig_type_info* bytes;
};

inline const Types& types() {
  static const Types found = {
      SWIG_TypeQuery("tav::GameState *"),          SWIG_TypeQuery("tav::Actor *"),
      SWIG_TypeQuery("tav::MonsterAbilityDeck *"), SWIG_TypeQuery("tav::MonsterActor *"),
      SWIG_TypeQuery("tav::MonsterInstance *"),    SWIG_TypeQuery("tav::PlayerActor *"),
      SWIG_TypeQuery("tav::protocol::Header *"),   SWIG_TypeQuery("tav::protocol::Buffer *"),
      SWIG_TypeQuery("std::vector< uint8_t > *"),
  };
  return found;
}

// The name of obj's type for messages: "GameState", "int", ...
inline std::string typeName(PyObject* obj) { return Py_TYPE(obj)->tp_name; }

// The native object behind a proxy of the given type, or null (no error set) when obj is not
// one. None is not a proxy here.
template <class T>
T* nativeOf(PyObject* obj, swig_type_info* type) {
  if (obj == Py_None || !type) return nullptr;
  void* pointer = nullptr;
  if (!SWIG_IsOK(SWIG_ConvertPtr(obj, &pointer, type, 0))) {
    PyErr_Clear();
    return nullptr;
  }
  return static_cast<T*>(pointer);
}

// As nativeOf, but raises TypeError naming the argument and the expected class.
template <class T>
T* argument(PyObject* obj, swig_type_info* type, const char* what, const char* className) {
  T* native = nativeOf<T>(obj, type);
  if (!native) {
    PyErr_Format(PyExc_TypeError, "%s must be a tav.%s, not %s", what, className,
                 Py_TYPE(obj)->tp_name);
  }
  return native;
}

// A new proxy that owns state.
inline PyObject* newStateProxy(tav::GameState* state) {
  return SWIG_NewPointerObj(state, types().state, SWIG_POINTER_OWN);
}

// --- Arguments -------------------------------------------------------------------------------

// The version named by obj (a str such as "8.4"); null with TypeError or ValueError otherwise.
inline const tav::protocol::Version* versionArgument(PyObject* obj) {
  if (!PyUnicode_Check(obj)) {
    PyErr_Format(PyExc_TypeError, "version must be a str such as '8.4', not %s",
                 Py_TYPE(obj)->tp_name);
    return nullptr;
  }
  Py_ssize_t size = 0;
  const char* name = PyUnicode_AsUTF8AndSize(obj, &size);
  if (!name) return nullptr;
  const tav::protocol::Version* version =
      tav::protocol::findVersion(std::string_view(name, static_cast<std::size_t>(size)));
  if (!version) {
    PyErr_Format(PyExc_ValueError, "unknown protocol version %R (known: %s)", obj,
                 tav::protocol::versionNames().c_str());
  }
  return version;
}

// strict must be exactly True or False, as bool arguments of tav are.
inline bool flagArgument(PyObject* obj, const char* what, bool& value) {
  if (!PyBool_Check(obj)) {
    PyErr_Format(PyExc_TypeError, "%s must be True or False, not %s", what, Py_TYPE(obj)->tp_name);
    return false;
  }
  value = obj == Py_True;
  return true;
}

// The bytes of a bytes-like object, borrowed (not copied) for as long as this lives. The
// exporter cannot resize or free them meanwhile.
class ByteView {
 public:
  ByteView() = default;
  ByteView(const ByteView&) = delete;
  ByteView& operator=(const ByteView&) = delete;
  ~ByteView() {
    if (open_) PyBuffer_Release(&view_);
  }

  // Takes the bytes of obj; false with an exception set when obj has no contiguous bytes
  // (TypeError for objects without the buffer protocol, BufferError for non-contiguous ones).
  bool open(PyObject* obj, const char* what) {
    if (PyUnicode_Check(obj) || !PyObject_CheckBuffer(obj)) {
      PyErr_Format(PyExc_TypeError,
                   "%s must be a bytes-like object (bytes, bytearray, memoryview, array), not %s",
                   what, Py_TYPE(obj)->tp_name);
      return false;
    }
    // PyBUF_SIMPLE asks for one contiguous run of bytes: a strided view is refused.
    if (PyObject_GetBuffer(obj, &view_, PyBUF_SIMPLE) != 0) return false;
    open_ = true;
    return true;
  }

  const uint8_t* data() const { return static_cast<const uint8_t*>(view_.buf); }
  std::size_t size() const { return static_cast<std::size_t>(view_.len); }

 private:
  Py_buffer view_{};
  bool open_ = false;
};

// --- Dump into a Python text stream ----------------------------------------------------------

// A stream buffer that hands its text to a Python object's write() in pieces, decoded from
// UTF-8 with "surrogateescape" (as tav decodes every std::string). A piece never ends inside a
// UTF-8 sequence, so a sequence is never split across two write() calls. Used with the
// interpreter lock held. When write() raises, the exception stays set and everything after it
// is dropped; the ostream goes bad, so the dump code formats nothing more.
class PythonTextBuf : public std::streambuf {
 public:
  explicit PythonTextBuf(PyObject* write) : write_(write) { setp(buffer_, buffer_ + kSize); }

  // Hands over everything still buffered; false when a write() raised (now or before).
  bool finish() { return emit(true); }

 protected:
  int_type overflow(int_type ch) override {
    if (!emit(false)) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }

  int sync() override { return emit(true) ? 0 : -1; }

 private:
  static constexpr std::size_t kSize = 16384;

  // The length of the longest prefix of text[0, size) that ends on a UTF-8 sequence boundary:
  // an unfinished multi-byte sequence at the end waits for the next piece.
  static std::size_t completePrefix(const char* text, std::size_t size) {
    const std::size_t lookBack = size < 3 ? size : 3;
    for (std::size_t back = 1; back <= lookBack; ++back) {
      const auto byte = static_cast<unsigned char>(text[size - back]);
      if (byte < 0x80) return size;         // ASCII: nothing unfinished
      if ((byte & 0xC0) == 0x80) continue;  // continuation byte: look further back
      const std::size_t need = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      return back < need ? size - back : size;
    }
    return size;
  }

  bool emit(bool everything) {
    const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
    if (failed_) {
      setp(buffer_, buffer_ + kSize);
      return false;
    }
    const std::size_t cut = everything ? pending : completePrefix(buffer_, pending);
    if (cut > 0) {
      PyObject* text =
          PyUnicode_DecodeUTF8(buffer_, static_cast<Py_ssize_t>(cut), "surrogateescape");
      PyObject* result = text ? PyObject_CallFunctionObjArgs(write_, text, nullptr) : nullptr;
      Py_XDECREF(text);
      if (!result) {
        failed_ = true;
        setp(buffer_, buffer_ + kSize);
        return false;
      }
      Py_DECREF(result);
    }
    std::memmove(buffer_, buffer_ + cut, pending - cut);
    setp(buffer_, buffer_ + kSize);
    pbump(static_cast<int>(pending - cut));
    return true;
  }

  PyObject* write_;
  bool failed_ = false;
  char buffer_[kSize];
};

// The write method of a dump destination; null with TypeError when it has none.
inline PyObject* dumpWriter(PyObject* dump) {
  PyObject* write = PyObject_GetAttrString(dump, "write");
  if (!write || !PyCallable_Check(write)) {
    Py_XDECREF(write);
    PyErr_Clear();
    PyErr_Format(PyExc_TypeError,
                 "dump must be a writable text stream (with a write method) or None, not %s",
                 Py_TYPE(dump)->tp_name);
    return nullptr;
  }
  return write;
}

// --- Reading ---------------------------------------------------------------------------------

// Reads one body of data[0, size) into state, dumping into the Python stream dump (or quietly
// for None, without the interpreter lock for a large body). Returns false with an exception
// set when the dump's write() raised.
inline bool readBody(const tav::protocol::Version& version, tav::GameState& state,
                     const uint8_t* data, std::size_t size, PyObject* dump,
                     tav::protocol::ReadOutcome& outcome) {
  if (dump == Py_None) {
    if (size >= kUnlockedReadSize) {
      // The state is not yet reachable from Python and the bytes stay exported: nothing that
      // another thread can do touches either. No exception may leave without the lock.
      bool outOfMemory = false;
      PyThreadState* unlocked = PyEval_SaveThread();
      try {
        outcome = version.read(state, data, size);
      } catch (const std::bad_alloc&) {
        outOfMemory = true;
      }
      PyEval_RestoreThread(unlocked);
      if (outOfMemory) {
        PyErr_NoMemory();
        return false;
      }
    } else {
      outcome = version.read(state, data, size);
    }
    return true;
  }
  PyObject* write = dumpWriter(dump);
  if (!write) return false;
  bool written = false;
  {
    PythonTextBuf text(write);
    std::ostream out(&text);
    outcome = version.read(state, data, size, &out);
    written = text.finish();
  }
  Py_DECREF(write);
  return written;
}

// ValueError for a body that was not read exactly: where it stopped or what was left.
inline void raiseInexact(const tav::protocol::Version& version,
                         const tav::protocol::ReadOutcome& outcome, std::size_t base,
                         std::size_t size) {
  const std::string name(version.name());
  if (!outcome.complete) {
    PyErr_Format(PyExc_ValueError,
                 "incomplete %s game-state body: the field at byte %zu could not be read "
                 "(the data ran out or held no valid value there; %zu bytes given)",
                 name.c_str(), base + outcome.stoppedAt, base + size);
  } else {
    PyErr_Format(PyExc_ValueError,
                 "%zu bytes left after the %s game-state body, which ends at byte %zu",
                 outcome.leftover, name.c_str(), base + outcome.consumed);
  }
}

// read_game_state(data, version, dump, strict) -> GameState
inline PyObject* readState(PyObject* data, PyObject* versionName, PyObject* dump,
                           PyObject* strictFlag) {
  ByteView bytes;
  if (!bytes.open(data, "data")) return nullptr;
  const tav::protocol::Version* version = versionArgument(versionName);
  bool strict = false;
  if (!version || !flagArgument(strictFlag, "strict", strict)) return nullptr;
  auto* state = new (std::nothrow) tav::GameState();
  if (!state) return PyErr_NoMemory();
  tav::protocol::ReadOutcome outcome;
  if (!readBody(*version, *state, bytes.data(), bytes.size(), dump, outcome)) {
    delete state;
    return nullptr;
  }
  if (strict && !outcome.exact()) {
    raiseInexact(*version, outcome, 0, bytes.size());
    delete state;
    return nullptr;
  }
  return newStateProxy(state);
}

// read_message(data, version, dump, strict) -> (Header, GameState, consumed) or None
inline PyObject* readMessage(PyObject* data, PyObject* versionName, PyObject* dump,
                             PyObject* strictFlag) {
  ByteView bytes;
  if (!bytes.open(data, "data")) return nullptr;
  const tav::protocol::Version* version = versionArgument(versionName);
  bool strict = false;
  if (!version || !flagArgument(strictFlag, "strict", strict)) return nullptr;
  if (dump != Py_None) {
    PyObject* write = dumpWriter(dump);
    if (!write) return nullptr;
    Py_DECREF(write);
  }

  // readHeader only reads: the Buffer over the caller's bytes never writes into them.
  tav::protocol::Buffer buffer(const_cast<uint8_t*>(bytes.data()), bytes.size());
  tav::protocol::Header header;
  if (!tav::protocol::readHeader(header, buffer)) Py_RETURN_NONE;
  const std::size_t headerSize = buffer.getReadPosition();
  // The length travels as a signed 32-bit number: anything above its maximum was negative.
  if (header.length > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
    const auto announced = static_cast<long long>(static_cast<int32_t>(header.length));
    PyErr_Format(PyExc_ValueError,
                 "the message header (bytes 0 to %zu) announces a body of %lld bytes", headerSize,
                 announced);
    return nullptr;
  }
  if (bytes.size() - headerSize < header.length) Py_RETURN_NONE;

  auto* state = new (std::nothrow) tav::GameState();
  auto* headerCopy = new (std::nothrow) tav::protocol::Header(std::move(header));
  if (!state || !headerCopy) {
    delete state;
    delete headerCopy;
    return PyErr_NoMemory();
  }
  tav::protocol::ReadOutcome outcome;
  const std::size_t bodySize = headerCopy->length;
  if (!readBody(*version, *state, bytes.data() + headerSize, bodySize, dump, outcome)) {
    delete state;
    delete headerCopy;
    return nullptr;
  }
  if (strict && !outcome.exact()) {
    raiseInexact(*version, outcome, headerSize, bodySize);
    delete state;
    delete headerCopy;
    return nullptr;
  }
  PyObject* headerProxy = SWIG_NewPointerObj(headerCopy, types().header, SWIG_POINTER_OWN);
  PyObject* stateProxy = newStateProxy(state);
  if (!headerProxy || !stateProxy) {
    Py_XDECREF(headerProxy);
    Py_XDECREF(stateProxy);
    return nullptr;
  }
  PyObject* consumed = PyLong_FromSize_t(headerSize + bodySize);
  if (!consumed) {
    Py_DECREF(headerProxy);
    Py_DECREF(stateProxy);
    return nullptr;
  }
  PyObject* result = PyTuple_Pack(3, headerProxy, stateProxy, consumed);
  Py_DECREF(headerProxy);
  Py_DECREF(stateProxy);
  Py_DECREF(consumed);
  return result;
}

// --- Writing ---------------------------------------------------------------------------------

// The bytes of the header (its length set to bodySize) followed by the body; the header text
// must fit a UTF string. Null with ValueError when it does not.
inline PyObject* encode(const tav::protocol::Version& version, const tav::GameState& state,
                        const tav::protocol::Header* header) {
  const std::size_t bodySize = version.size(state);
  std::vector<uint8_t> head;
  if (header) {
    if (bodySize > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
      PyErr_SetString(PyExc_ValueError, "the body is too large for a message header's length");
      return nullptr;
    }
    tav::protocol::Header framed = *header;
    framed.length = bodySize;
    const std::size_t textSize =
        framed.event.size() + (framed.payload.empty() ? 0 : 1 + framed.payload.size());
    if (textSize > 32767) {
      PyErr_Format(PyExc_ValueError,
                   "the header text is %zu bytes long; a message header holds at most 32767",
                   textSize);
      return nullptr;
    }
    head.resize(textSize + 2 + 5);
    tav::protocol::Buffer buffer(head.data(), head.size());
    buffer.clear();
    tav::protocol::writeHeader(framed, buffer);
    head.resize(buffer.getPosition());
  }
  PyObject* result =
      PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(head.size() + bodySize));
  if (!result) return nullptr;
  auto* out = reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(result));
  if (!head.empty()) std::memcpy(out, head.data(), head.size());
  // The state stays reachable from other threads, so the interpreter lock is kept: a thread
  // that changed it meanwhile would make the writer walk freed memory.
  if (version.write(state, out + head.size(), bodySize) != bodySize) {
    Py_DECREF(result);
    PyErr_SetString(PyExc_RuntimeError, "the body did not have the size measured for it");
    return nullptr;
  }
  return result;
}

// write_game_state(state, version) -> bytes
inline PyObject* writeState(PyObject* stateObj, PyObject* versionName) {
  auto* state = argument<tav::GameState>(stateObj, types().state, "state", "GameState");
  if (!state) return nullptr;
  const tav::protocol::Version* version = versionArgument(versionName);
  if (!version) return nullptr;
  return encode(*version, *state, nullptr);
}

// write_message(header, state, version) -> bytes
inline PyObject* writeMessage(PyObject* headerObj, PyObject* stateObj, PyObject* versionName) {
  auto* header = argument<tav::protocol::Header>(headerObj, types().header, "header", "Header");
  if (!header) return nullptr;
  auto* state = argument<tav::GameState>(stateObj, types().state, "state", "GameState");
  if (!state) return nullptr;
  const tav::protocol::Version* version = versionArgument(versionName);
  if (!version) return nullptr;
  return encode(*version, *state, header);
}

// body_size(state, version) -> int
inline PyObject* bodySize(PyObject* stateObj, PyObject* versionName) {
  auto* state = argument<tav::GameState>(stateObj, types().state, "state", "GameState");
  if (!state) return nullptr;
  const tav::protocol::Version* version = versionArgument(versionName);
  if (!version) return nullptr;
  return PyLong_FromSize_t(version->size(*state));
}

// --- Text and names --------------------------------------------------------------------------

inline PyObject* textObject(const std::string& text) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogateescape");
}

// Calls f with the enumeration value of the given enumeration name ("Condition", ...) made
// from value; false with an exception set for an unknown name or a value outside int.
template <class F>
bool withEnumeration(PyObject* enumName, PyObject* value, F&& f) {
  const char* name = PyUnicode_Check(enumName) ? PyUnicode_AsUTF8(enumName) : nullptr;
  if (!name) {
    PyErr_Clear();
    PyErr_SetString(PyExc_TypeError, "the enumeration must be one of tav's holder classes");
    return false;
  }
  int number = 0;
  if (value) {
    if (!PyLong_Check(value)) {
      PyErr_Format(PyExc_TypeError, "an enumeration value must be an int, not %s",
                   Py_TYPE(value)->tp_name);
      return false;
    }
    int overflow = 0;
    const long wide = PyLong_AsLongAndOverflow(value, &overflow);
    if (overflow || wide < std::numeric_limits<int>::min() ||
        wide > std::numeric_limits<int>::max()) {
      PyErr_Format(PyExc_OverflowError, "enumeration value %R is outside the 32-bit range", value);
      return false;
    }
    if (wide == -1 && PyErr_Occurred()) return false;
    number = static_cast<int>(wide);
  }
  const std::string_view which(name);
  if (which == "AttackModifier") return f(static_cast<tav::AttackModifier>(number)), true;
  if (which == "CharacterClass") return f(static_cast<tav::CharacterClass>(number)), true;
  if (which == "Condition") return f(static_cast<tav::Condition>(number)), true;
  if (which == "ElementState") return f(static_cast<tav::ElementState>(number)), true;
  if (which == "MonsterType") return f(static_cast<tav::MonsterType>(number)), true;
  if (which == "PlayerInit") return f(static_cast<tav::PlayerInit>(number)), true;
  if (which == "SummonColor") return f(static_cast<tav::SummonColor>(number)), true;
  PyErr_Format(PyExc_TypeError, "unknown enumeration %R", enumName);
  return false;
}

// printed_name(enumeration, value) -> str: the name the dump prints.
inline PyObject* printedName(PyObject* enumName, PyObject* value) {
  std::string text;
  if (!withEnumeration(enumName, value, [&](auto v) { text = tav::printedName(v); })) {
    return nullptr;
  }
  return textObject(text);
}

// enumerator_name(enumeration, value) -> str: the member's identifier, "" for no member.
inline PyObject* enumeratorName(PyObject* enumName, PyObject* value) {
  std::string_view text;
  if (!withEnumeration(enumName, value, [&](auto v) { text = tav::enumeratorName(v); })) {
    return nullptr;
  }
  return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

// enumerator_value(enumeration, name) -> int or None
inline PyObject* enumeratorValue(PyObject* enumName, PyObject* nameObj) {
  if (!PyUnicode_Check(nameObj)) {
    PyErr_Format(PyExc_TypeError, "an enumerator name must be a str, not %s",
                 Py_TYPE(nameObj)->tp_name);
    return nullptr;
  }
  Py_ssize_t size = 0;
  const char* name = PyUnicode_AsUTF8AndSize(nameObj, &size);
  if (!name) return nullptr;
  const std::string_view wanted(name, static_cast<std::size_t>(size));
  bool found = false;
  int number = 0;
  if (!withEnumeration(enumName, nullptr, [&](auto v) {
        found = tav::enumeratorFromName(wanted, v);
        number = static_cast<int>(v);
      })) {
    return nullptr;
  }
  if (!found) Py_RETURN_NONE;
  return PyLong_FromLong(number);
}

// dump(obj) -> str for a record or state; dump(value, enumeration) for an enumeration value.
inline PyObject* dumpText(PyObject* obj, PyObject* enumName) {
  std::ostringstream out;
  if (enumName != Py_None) {
    if (!withEnumeration(enumName, obj, [&](auto v) { tav::print(out, v); })) return nullptr;
    return textObject(out.str());
  }
  const Types& t = types();
  if (auto* state = nativeOf<tav::GameState>(obj, t.state)) {
    tav::print(out, *state);
  } else if (auto* actor = nativeOf<tav::Actor>(obj, t.actor)) {
    tav::print(out, *actor);
  } else if (auto* deck = nativeOf<tav::MonsterAbilityDeck>(obj, t.deck)) {
    tav::print(out, *deck);
  } else if (auto* monster = nativeOf<tav::MonsterActor>(obj, t.monster)) {
    tav::print(out, *monster);
  } else if (auto* instance = nativeOf<tav::MonsterInstance>(obj, t.instance)) {
    tav::print(out, *instance);
  } else if (auto* player = nativeOf<tav::PlayerActor>(obj, t.player)) {
    tav::print(out, *player);
  } else {
    PyErr_Format(PyExc_TypeError,
                 "dump() takes a record (GameState, Actor, MonsterAbilityDeck, MonsterActor, "
                 "MonsterInstance, PlayerActor), or an int with its enumeration, not %s",
                 Py_TYPE(obj)->tp_name);
    return nullptr;
  }
  return textObject(out.str());
}

// When a is a T: sets known (b is a T too) and same (both are equal), and returns true.
template <class T>
bool compareAs(PyObject* a, PyObject* b, swig_type_info* type, bool& known, bool& same) {
  const T* x = nativeOf<T>(a, type);
  if (x == nullptr) return false;
  const T* y = nativeOf<T>(b, type);
  known = y != nullptr;
  same = known && *x == *y;
  return true;
}

// equal(a, b) -> bool for two records of one type; NotImplemented for anything else.
inline PyObject* equal(PyObject* a, PyObject* b) {
  const Types& t = types();
  bool known = false;
  bool same = false;
  // Each record type is tried in turn until one matches a.
  (void)(compareAs<tav::GameState>(a, b, t.state, known, same) ||
         compareAs<tav::Actor>(a, b, t.actor, known, same) ||
         compareAs<tav::MonsterAbilityDeck>(a, b, t.deck, known, same) ||
         compareAs<tav::MonsterActor>(a, b, t.monster, known, same) ||
         compareAs<tav::MonsterInstance>(a, b, t.instance, known, same) ||
         compareAs<tav::PlayerActor>(a, b, t.player, known, same));
  if (!known) Py_RETURN_NOTIMPLEMENTED;
  return PyBool_FromLong(same);
}

// --- Buffers ---------------------------------------------------------------------------------

// buffer_from(data) -> Buffer over a copy of data. The copy is owned by a second handle chained
// behind the Buffer's own (the runtime's list of handles of one object), so it lives exactly as
// long as the Buffer's handle, wherever that handle goes.
inline PyObject* bufferFrom(PyObject* data) {
  ByteView bytes;
  if (!bytes.open(data, "data")) return nullptr;
  const Types& t = types();
  auto* storage = new (std::nothrow) std::vector<uint8_t>();
  if (!storage) return PyErr_NoMemory();
  try {
    storage->assign(bytes.data(), bytes.data() + bytes.size());
  } catch (const std::bad_alloc&) {
    delete storage;
    return PyErr_NoMemory();
  }
  tav_binding::registerHandleDeleter<std::vector<uint8_t> >(t.bytes);
  PyObject* keeper = SWIG_NewPointerObj(storage, t.bytes, SWIG_POINTER_OWN | SWIG_POINTER_NOSHADOW);
  if (!keeper) {
    delete storage;
    return nullptr;
  }
  auto* buffer = new (std::nothrow) tav::protocol::Buffer(storage->data(), storage->size());
  if (!buffer) {
    Py_DECREF(keeper);
    return PyErr_NoMemory();
  }
  PyObject* result = SWIG_NewPointerObj(buffer, t.buffer, SWIG_POINTER_OWN);
  SwigPyObject* handle = result ? SWIG_Python_GetSwigThis(result) : nullptr;
  if (!handle) {
    Py_XDECREF(result);
    Py_DECREF(keeper);
    return nullptr;
  }
  // The Buffer's handle is new, so its chain is empty; it now holds the only reference.
  handle->next = keeper;
  return result;
}

// buffer_bytes(buffer, unread_only) -> bytes: the written bytes [0, write position), or the
// unread ones [read position, write position). The read position ends where it was.
inline PyObject* bufferBytes(PyObject* bufferObj, PyObject* unreadFlag) {
  auto* buffer = argument<tav::protocol::Buffer>(bufferObj, types().buffer, "buffer", "Buffer");
  if (!buffer) return nullptr;
  bool unreadOnly = false;
  if (!flagArgument(unreadFlag, "unread_only", unreadOnly)) return nullptr;
  const std::size_t readPosition = buffer->getReadPosition();
  const std::size_t start = unreadOnly ? readPosition : 0;
  const std::size_t end = buffer->getPosition();
  PyObject* result = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(end - start));
  if (!result) return nullptr;
  auto* out = reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(result));
  buffer->setReadPosition(start);
  for (std::size_t i = start; i < end; ++i) *out++ = buffer->readByte();
  buffer->setReadPosition(readPosition);
  return result;
}

inline PyObject* versionNames() { return textObject(tav::protocol::versionNames()); }

// --- JSON ------------------------------------------------------------------------------------

// to_json(state, indent) -> str: the lossless JSON form of the state (tav::json).
inline PyObject* toJson(PyObject* stateObj, PyObject* indentObj) {
  auto* state = argument<tav::GameState>(stateObj, types().state, "state", "GameState");
  if (!state) return nullptr;
  if (!PyLong_Check(indentObj) || PyBool_Check(indentObj)) {
    PyErr_Format(PyExc_TypeError, "indent must be an int, not %s", Py_TYPE(indentObj)->tp_name);
    return nullptr;
  }
  const long indent = PyLong_AsLong(indentObj);
  if (indent == -1 && PyErr_Occurred()) return nullptr;
#ifdef TAV_PROTOCOL_JSON
  const int clamped = indent < -1 ? -1 : indent > 16 ? 16 : static_cast<int>(indent);
  return textObject(tav::json::toJson(*state, clamped));
#else
  PyErr_SetString(PyExc_NotImplementedError, "tav was built without its JSON mapping");
  return nullptr;
#endif
}

// from_json(text) -> GameState, or ValueError saying what is wrong and where.
inline PyObject* fromJson(PyObject* textObj) {
  if (!PyUnicode_Check(textObj)) {
    PyErr_Format(PyExc_TypeError, "text must be a str, not %s", Py_TYPE(textObj)->tp_name);
    return nullptr;
  }
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(textObj, &size);
  if (!text) return nullptr;
#ifdef TAV_PROTOCOL_JSON
  auto* state = new (std::nothrow) tav::GameState();
  if (!state) return PyErr_NoMemory();
  const std::string error =
      tav::json::fromJson(std::string(text, static_cast<std::size_t>(size)), *state);
  if (!error.empty()) {
    delete state;
    PyErr_SetString(PyExc_ValueError, error.c_str());
    return nullptr;
  }
  return newStateProxy(state);
#else
  PyErr_SetString(PyExc_NotImplementedError, "tav was built without its JSON mapping");
  return nullptr;
#endif
}

// --- Proxy classes that take no new attributes -----------------------------------------------

// The classes whose instances refuse new attributes. A subclass made in Python is not among
// them, so its instances take attributes as usual. Classes of a module live as long as it.
inline std::vector<PyTypeObject*>& closedClasses() {
  static std::vector<PyTypeObject*> classes;
  return classes;
}

inline bool isClosed(PyTypeObject* type) {
  for (PyTypeObject* closed : closedClasses()) {
    if (closed == type) return true;
  }
  return false;
}

// Attribute assignment of a closed class: a data descriptor of the class (a field, thisown) or
// this (the handle) or a name that starts with "_" (the binding's own bookkeeping) is set as usual;
// any other name raises AttributeError instead of becoming an attribute that native code never
// sees.
inline int closedSetAttribute(PyObject* obj, PyObject* name, PyObject* value) {
  if (PyUnicode_Check(name) && PyUnicode_GET_LENGTH(name) > 0 &&
      PyUnicode_READ_CHAR(name, 0) != '_') {
    PyObject* descriptor = _PyType_Lookup(Py_TYPE(obj), name);
    if (!(descriptor && Py_TYPE(descriptor)->tp_descr_set) &&
        PyUnicode_CompareWithASCIIString(name, "this") != 0 && isClosed(Py_TYPE(obj))) {
      PyErr_Format(PyExc_AttributeError,
                   "'%s' object has no attribute '%U' (a tav proxy takes only the attributes "
                   "of its class)",
                   Py_TYPE(obj)->tp_name, name);
      return -1;
    }
  }
  return PyObject_GenericSetAttr(obj, name, value);
}

// close_attributes(cls): makes the proxy class cls refuse new instance attributes. The check
// runs natively: assigning a field costs no Python-level __setattr__.
inline PyObject* closeAttributes(PyObject* cls) {
  if (!PyType_Check(cls) ||
      !PyType_HasFeature(reinterpret_cast<PyTypeObject*>(cls), Py_TPFLAGS_HEAPTYPE)) {
    PyErr_SetString(PyExc_TypeError, "close_attributes() takes a class defined in Python");
    return nullptr;
  }
  auto* type = reinterpret_cast<PyTypeObject*>(cls);
  if (!isClosed(type)) {
    try {
      closedClasses().push_back(type);
    } catch (const std::bad_alloc&) {
      return PyErr_NoMemory();
    }
    Py_INCREF(cls);
  }
  type->tp_setattro = closedSetAttribute;
  PyType_Modified(type);
  Py_RETURN_NONE;
}

}  // namespace tav_protocol
