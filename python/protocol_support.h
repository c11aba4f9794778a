// What the native files of tav.protocol share: owned Python references, the byte view of a
// bytes-like argument, version names, texts, and the result types the typemaps of protocol.i
// turn into Python objects.
//
// Included only into the wrapper that SWIG generates from protocol.i, after the generator's
// runtime and runtime_client.h. Every function runs with the interpreter lock held; a failure
// returns an empty result (or null) with a Python exception set. No native exception leaves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/header.h"
#include "protocol/version.h"

namespace tav_protocol {

// A strong reference to a Python object, released when the holder goes.
class Ref {
 public:
  Ref() = default;
  // Takes over a new reference (or null).
  explicit Ref(PyObject* object) : object_(object) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : object_(other.release()) {}
  Ref& operator=(Ref&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~Ref() { Py_XDECREF(object_); }
  PyObject* get() const { return object_; }
  // Hands the reference to the caller.
  PyObject* release() {
    PyObject* object = object_;
    object_ = nullptr;
    return object;
  }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  PyObject* object_ = nullptr;
};

// A native object made by a call, handed to Python as an owned proxy by the out typemaps of
// protocol.i; empty with an exception set when the call failed.
template <class T>
using Owned = std::unique_ptr<T>;

// A new state, as the readers return it (empty with an exception set when they failed).
struct NewState {
  Owned<tav::GameState> state;
  NewState() = default;
  NewState(std::nullptr_t) {}  // NOLINT: a failed read converts to an empty result
  NewState(Owned<tav::GameState> s) : state(std::move(s)) {}  // NOLINT: as above
};

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

// TypeError (or ReferenceError for a view whose element moved) for an argument that is not
// the record or object expected; code is the failed conversion's result, type the handle type
// expected. An instance of a subclass whose __init__ skipped the base class's holds no native
// object, and is told so.
inline void raiseArgument(int code, PyObject* obj, const char* what, const char* className,
                          swig_type_info* type) {
  if (code == tav_binding::runtime()->staleCode) {
    PyErr_Format(PyExc_ReferenceError, "%s: the element was moved or removed", what);
    return;
  }
  const auto* data = type ? static_cast<const SwigPyClientData*>(type->clientdata) : nullptr;
  PyObject* klass = data ? data->klass : nullptr;
  if (klass && PyType_Check(klass) && obj != Py_None &&
      PyObject_TypeCheck(obj, reinterpret_cast<PyTypeObject*>(klass))) {
    PyErr_Format(PyExc_TypeError,
                 "%s is a %s that holds no native tav.%s (its __init__ did not call the base "
                 "class's), or one that was destroyed",
                 what, Py_TYPE(obj)->tp_name, className);
    return;
  }
  PyErr_Format(PyExc_TypeError, "%s must be a tav.%s, not %s", what, className,
               Py_TYPE(obj)->tp_name);
}

// A str of text decoded from UTF-8 with surrogateescape, as tav decodes every std::string.
inline PyObject* textObject(std::string_view text) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogateescape");
}

// A new owned object, or empty with MemoryError.
template <class T, class... Args>
Owned<T> make(Args&&... args) {
  try {
    return std::make_unique<T>(std::forward<Args>(args)...);
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
    return nullptr;
  }
}

// Which record a record argument is (the AnyRecord typemap of protocol.i tells them apart by
// their handle's type).
enum class RecordKind { kState, kActor, kDeck, kMonster, kInstance, kPlayer };

// A record of any of the six types, converted with its own type's checks.
struct AnyRecord {
  RecordKind kind = RecordKind::kState;
  const void* record = nullptr;
};

// Calls f with the record as its own type.
template <class F>
void withRecord(const AnyRecord& r, F&& f) {
  switch (r.kind) {
    case RecordKind::kState:
      return f(*static_cast<const tav::GameState*>(r.record));
    case RecordKind::kActor:
      return f(*static_cast<const tav::Actor*>(r.record));
    case RecordKind::kDeck:
      return f(*static_cast<const tav::MonsterAbilityDeck*>(r.record));
    case RecordKind::kMonster:
      return f(*static_cast<const tav::MonsterActor*>(r.record));
    case RecordKind::kInstance:
      return f(*static_cast<const tav::MonsterInstance*>(r.record));
    case RecordKind::kPlayer:
      return f(*static_cast<const tav::PlayerActor*>(r.record));
  }
}

// The handle types of the six records, in the order of RecordKind.
struct RecordTypes {
  swig_type_info* types[6];
};

// Sets r to the record obj is. False when it is none: with no exception when obj is not a
// record at all, with ReferenceError for a view whose element moved and ValueError for a record
// destroyed through its destructor. The handle's own type says which record obj is, so a
// refused view is reported as such rather than as an object of the wrong type.
inline bool recordOf(PyObject* obj, const RecordTypes& types, AnyRecord& r) {
  SwigPyObject* handle = obj == Py_None ? nullptr : tav_binding::runtime()->swigThis(obj);
  if (!handle) return false;
  for (int k = 0; k < 6; ++k) {
    if (handle->ty != types.types[k]) continue;
    void* pointer = nullptr;
    const int res = SWIG_ConvertPtr(obj, &pointer, types.types[k], 0);
    if (res == tav_binding::runtime()->staleCode) {
      PyErr_Format(PyExc_ReferenceError, "this %s is a view whose element was moved or removed",
                   Py_TYPE(obj)->tp_name);
      return false;
    }
    if (!SWIG_IsOK(res) || !pointer) {
      PyErr_Format(PyExc_ValueError, "this %s was destroyed", Py_TYPE(obj)->tp_name);
      return false;
    }
    r.kind = static_cast<RecordKind>(k);
    r.record = pointer;
    return true;
  }
  return false;
}

}  // namespace tav_protocol
