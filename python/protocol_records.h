// tav.protocol: helpers of the records and the enumerations. Equality of two records, the
// dump text of a record or an enumeration value, the names of enumeration values, Buffers over
// bytes, and the refusal of new attributes by the proxy classes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "model/names.h"
#include "print.h"
#include "protocol_support.h"

namespace tav_protocol {

// --- Equality and dump -----------------------------------------------------------------------

// equal(a, b): a == b for two records of one type; NotImplemented for anything else.
inline PyObject* equal(const AnyRecord& a, const AnyRecord& b) {
  if (a.kind != b.kind) Py_RETURN_NOTIMPLEMENTED;
  bool same = false;
  withRecord(a, [&](const auto& x) {
    same = x == *static_cast<std::remove_reference_t<decltype(x)>*>(b.record);
  });
  return PyBool_FromLong(same);
}

// dump_text(record): the dump of a record or state.
inline PyObject* dumpRecord(const AnyRecord& r) {
  std::ostringstream out;
  withRecord(r, [&](const auto& x) { tav::print(out, x); });
  return textObject(out.str());
}

// --- Enumerations ----------------------------------------------------------------------------

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

// dump_value(value, enumeration) -> str: the dump of an enumeration value.
inline PyObject* dumpValue(PyObject* value, PyObject* enumName) {
  std::ostringstream out;
  if (!withEnumeration(enumName, value, [&](auto v) { tav::print(out, v); })) return nullptr;
  return textObject(out.str());
}

// --- Buffers ---------------------------------------------------------------------------------

// A Buffer over its own copy of some bytes: the out typemap of protocol.i chains the copy's
// handle behind the Buffer's, so that the copy lives exactly as long as the Buffer's handle.
struct BufferCopy {
  Owned<std::vector<uint8_t>> bytes;
  Owned<tav::protocol::Buffer> buffer;
};

inline BufferCopy bufferFrom(const uint8_t* data, std::size_t size) {
  BufferCopy copy;
  copy.bytes = make<std::vector<uint8_t>>();
  if (!copy.bytes) return BufferCopy();
  try {
    copy.bytes->assign(data, data + size);
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
    return BufferCopy();
  }
  copy.buffer = make<tav::protocol::Buffer>(copy.bytes->data(), copy.bytes->size());
  if (!copy.buffer) return BufferCopy();
  return copy;
}

// buffer_bytes(buffer, unread_only) -> bytes: the written bytes [0, write position), or the
// unread ones [read position, write position). The read position ends where it was.
inline PyObject* bufferBytes(tav::protocol::Buffer& buffer, bool unreadOnly) {
  const std::size_t readPosition = buffer.getReadPosition();
  const std::size_t start = unreadOnly ? readPosition : 0;
  const std::size_t end = buffer.getPosition();
  PyObject* result = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(end - start));
  if (!result) return nullptr;
  auto* out = reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(result));
  buffer.setReadPosition(start);
  for (std::size_t i = start; i < end; ++i) *out++ = buffer.readByte();
  buffer.setReadPosition(readPosition);
  return result;
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

// Whether the class type or one of its bases defines name as a data descriptor (a field,
// thisown), looked up along the method resolution order without running any Python code.
inline bool hasDataDescriptor(PyTypeObject* type, PyObject* name) {
  PyObject* mro = type->tp_mro;
  if (!mro || !PyTuple_Check(mro)) return false;
  for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro); ++i) {
    PyObject* base = PyTuple_GET_ITEM(mro, i);
    PyObject* dict = PyType_Check(base) ? reinterpret_cast<PyTypeObject*>(base)->tp_dict : nullptr;
    if (!dict) continue;
    PyObject* found = PyDict_GetItemWithError(dict, name);
    if (found) return Py_TYPE(found)->tp_descr_set != nullptr;
    if (PyErr_Occurred()) {
      PyErr_Clear();
      return false;
    }
  }
  return false;
}

// Attribute assignment of a closed class: a data descriptor of the class (a field, thisown) or
// this (the handle) or a name that starts with "_" (the binding's own bookkeeping) is set as
// usual; any other name raises AttributeError instead of becoming an attribute that native code
// never sees.
inline int closedSetAttribute(PyObject* obj, PyObject* name, PyObject* value) {
  if (PyUnicode_Check(name) && PyUnicode_GET_LENGTH(name) > 0 &&
      PyUnicode_READ_CHAR(name, 0) != '_' && !hasDataDescriptor(Py_TYPE(obj), name) &&
      PyUnicode_CompareWithASCIIString(name, "this") != 0 && isClosed(Py_TYPE(obj))) {
    PyErr_Format(PyExc_AttributeError,
                 "'%s' object has no attribute '%U' (a tav proxy takes only the attributes "
                 "of its class)",
                 Py_TYPE(obj)->tp_name, name);
    return -1;
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
