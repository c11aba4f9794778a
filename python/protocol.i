// The extension module tav._protocol, the native half of tav.protocol (protocol.py).
//
// Generated without a proxy module (-noproxy): protocol.py calls these flat functions. The
// types of tav.i are imported, not wrapped again: through the shared type table, a GameState,
// Header or Buffer returned here is a tav proxy, and tav proxies are accepted as arguments.
// The typemaps below turn Python arguments into native ones (bytes-like objects, version names,
// flags, records) and native results into Python objects; the functions themselves live in
//   protocol_support.h  shared helpers: references, byte views, versions, any-record arguments
//   protocol_bodies.h   bodies and messages: read, write, message streams, detection, schema
//   protocol_records.h  record helpers: equality, dump, enumeration names, Buffers, attributes
//   protocol_json.h     the JSON mapping
//   protocol_dicts.h    whole states as dicts and lists
%module _protocol

%import "tav.i"

%{
#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/header.h"
#include "protocol/message.h"
#include "protocol/v7_6.h"
#include "protocol/v8_0.h"
#include "protocol/v8_4.h"
%}

// The deleter of owned opaque handles, for the byte storage behind buffer_from() and the
// message streams.
%fragment("tav_owned_handle");
%types(std::vector< uint8_t > *);
%types(tav_protocol::Stream *);

// One runtime per process: conversions, their errors and new handles go through tav._tav's
// (runtime_client.h), so views made there are checked, listed and freed by one registry.
%{
#include "runtime_client.h"
%}
%init %{
  if (tav_binding::importRuntime() < 0) return NULL;
%}

%{
#include "protocol_support.h"
#include "protocol_bodies.h"
#include "protocol_records.h"
#include "protocol_json.h"
#include "protocol_dicts.h"
%}

// Memory running out inside a call becomes MemoryError instead of ending the process.
%exception {
  try {
    $action
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
    SWIG_fail;
  }
}

// --- Arguments -------------------------------------------------------------------------------

// Bytes-like input: one contiguous run of bytes, borrowed for the call (BufferError for a
// strided view, TypeError for anything without the buffer protocol, str included).
%typemap(in, noblock=1) (const uint8_t* data, std::size_t size) (tav_protocol::ByteView view) {
  if (!view.open($input, "data")) SWIG_fail;
  $1 = ($1_ltype)view.data();
  $2 = view.size();
}

// A version name ("8.4"); with VERSION_OR_NONE, None as well (the library's detection
// chooses).
%typemap(in, noblock=1) const tav::protocol::Version& {
  $1 = ($1_ltype)tav_protocol::versionArgument($input);
  if (!$1) SWIG_fail;
}
%typemap(in, noblock=1) const tav::protocol::Version* VERSION_OR_NONE {
  $1 = nullptr;
  if ($input != Py_None && !($1 = ($1_ltype)tav_protocol::versionArgument($input))) SWIG_fail;
}

// Flags are exactly True or False, as bool arguments of tav are.
%typemap(in, noblock=1) bool strict, bool unread_only {
  if (!PyBool_Check($input)) {
    PyErr_Format(PyExc_TypeError, "$1_name must be True or False, not %s", Py_TYPE($input)->tp_name);
    SWIG_fail;
  }
  $1 = $input == Py_True;
}

// Int arguments: an int, or anything with __index__ (numpy integers), but not a bool.
%define %tav_int_argument(TYPE, CONVERT)
%typemap(in, noblock=1) TYPE {
  {
    if (PyBool_Check($input)) {
      PyErr_Format(PyExc_TypeError, "$1_name must be an int, not bool");
      SWIG_fail;
    }
    tav_protocol::Ref number(PyNumber_Index($input));
    if (!number) SWIG_fail;
    $1 = ($1_ltype)CONVERT(number.get());
    if (PyErr_Occurred()) SWIG_fail;
  }
}
%enddef
%tav_int_argument(long indent, PyLong_AsLong)
%tav_int_argument(std::size_t limit, PyLong_AsSize_t)
%tav_int_argument(unsigned long long count, PyLong_AsUnsignedLongLong)

// A record, Header, Buffer or stream argument: TypeError naming the argument and the class
// expected, ReferenceError for a view whose element moved.
%define %tav_object_argument(TYPE, CLASS)
%typemap(in, noblock=1) const TYPE& (void *argp = 0, int res = 0), TYPE& (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, $descriptor(TYPE *), 0);
  if (!SWIG_IsOK(res) || !argp) {
    tav_protocol::raiseArgument(res, $input, "$1_name", CLASS, $descriptor(TYPE *));
    SWIG_fail;
  }
  $1 = ($1_ltype)argp;
}
%typemap(in, noblock=1) const TYPE* HEADER_OR_NONE (void *argp = 0, int res = 0) {
  $1 = nullptr;
  if ($input != Py_None) {
    res = SWIG_ConvertPtr($input, &argp, $descriptor(TYPE *), 0);
    if (!SWIG_IsOK(res) || !argp) {
      tav_protocol::raiseArgument(res, $input, "$1_name", CLASS, $descriptor(TYPE *));
      SWIG_fail;
    }
    $1 = ($1_ltype)argp;
  }
}
%enddef
%tav_object_argument(tav::GameState, "GameState")
%tav_object_argument(tav::protocol::Header, "Header")
%tav_object_argument(tav::protocol::Buffer, "Buffer")
%tav_object_argument(tav_protocol::Stream, "protocol.MessageStream")

// A record of any of the six types, told apart by its handle's type.
%typemap(in, noblock=1) const tav_protocol::AnyRecord& (tav_protocol::AnyRecord tav_any) {
  {
    static const tav_protocol::RecordTypes types = {{
        $descriptor(tav::GameState *), $descriptor(tav::Actor *),
        $descriptor(tav::MonsterAbilityDeck *), $descriptor(tav::MonsterActor *),
        $descriptor(tav::MonsterInstance *), $descriptor(tav::PlayerActor *)}};
    if (!tav_protocol::recordOf($input, types, tav_any)) {
      if (!PyErr_Occurred()) {
        if ("$symname"[0] == 'e') {  // equal(): NotImplemented for anything but two records
          Py_INCREF(Py_NotImplemented);
          return Py_NotImplemented;
        }
        PyErr_Format(PyExc_TypeError,
                     "dump() takes a record (GameState, Actor, MonsterAbilityDeck, MonsterActor, "
                     "MonsterInstance, PlayerActor), or an int with its enumeration, not %s",
                     Py_TYPE($input)->tp_name);
      }
      SWIG_fail;
    }
    $1 = &tav_any;
  }
}

// A str argument as its UTF-8 bytes (UnicodeEncodeError for lone surrogates).
%typemap(in, noblock=1) const std::string& text (std::string bytes) {
  {
    if (!PyUnicode_Check($input)) {
      PyErr_Format(PyExc_TypeError, "text must be a str, not %s", Py_TYPE($input)->tp_name);
      SWIG_fail;
    }
    Py_ssize_t size = 0;
    const char *utf8 = PyUnicode_AsUTF8AndSize($input, &size);
    if (!utf8) SWIG_fail;
    bytes.assign(utf8, static_cast<std::size_t>(size));
    $1 = &bytes;
  }
}

%typemap(freearg) const std::string& text ""

// Python objects passed through as they are.
%typemap(in) PyObject* "$1 = $input;"

// --- Results ---------------------------------------------------------------------------------

%feature("novaluewrapper") tav_protocol::NewState;
%feature("novaluewrapper") tav_protocol::Owned< tav_protocol::Stream >;
%feature("novaluewrapper") tav_protocol::MessageRead;
%feature("novaluewrapper") tav_protocol::BufferCopy;

// A new state, owned by its proxy; empty with an exception set when the call failed.
%typemap(out, noblock=1) tav_protocol::NewState {
  if (!$1.state) SWIG_fail;
  $result = SWIG_NewPointerObj($1.state.release(), $descriptor(tav::GameState *), SWIG_POINTER_OWN);
}

// A message stream: an owned bare handle, released when collected.
%typemap(out, noblock=1, fragment="tav_owned_handle") tav_protocol::Owned<tav_protocol::Stream> {
  if (!$1) SWIG_fail;
  tav_binding::registerHandleDeleter<tav_protocol::Stream>($descriptor(tav_protocol::Stream *));
  $result = SWIG_NewPointerObj($1.release(), $descriptor(tav_protocol::Stream *), SWIG_POINTER_OWN | SWIG_POINTER_NOSHADOW);
}

// A message: (Header, GameState, size), or None while more bytes are needed.
%typemap(out, noblock=1) tav_protocol::MessageRead {
  if (!$1.complete) {
    if (PyErr_Occurred()) SWIG_fail;
    $result = SWIG_Py_Void();
  } else {
    tav_protocol::Ref header(SWIG_NewPointerObj($1.header.release(), $descriptor(tav::protocol::Header *), SWIG_POINTER_OWN));
    tav_protocol::Ref state(SWIG_NewPointerObj($1.state.release(), $descriptor(tav::GameState *), SWIG_POINTER_OWN));
    if (!header || !state) SWIG_fail;
    $result = Py_BuildValue("(OOn)", header.get(), state.get(), static_cast<Py_ssize_t>($1.size));
  }
}

// A Buffer over its own bytes: the bytes' handle is chained behind the Buffer's (the runtime's
// list of handles of one object), so it lives exactly as long as the Buffer's handle.
%typemap(out, noblock=1, fragment="tav_owned_handle") tav_protocol::BufferCopy {
  {
    if (!$1.buffer) SWIG_fail;
    tav_binding::registerHandleDeleter<std::vector<uint8_t> >($descriptor(std::vector< uint8_t > *));
    PyObject *keeper = SWIG_NewPointerObj($1.bytes.release(), $descriptor(std::vector< uint8_t > *), SWIG_POINTER_OWN | SWIG_POINTER_NOSHADOW);
    if (!keeper) SWIG_fail;
    tav_protocol::Ref buffer(SWIG_NewPointerObj($1.buffer.release(), $descriptor(tav::protocol::Buffer *), SWIG_POINTER_OWN));
    SwigPyObject *handle = buffer ? tav_binding::runtime()->swigThis(buffer.get()) : 0;
    if (!handle || handle->next) {
      Py_DECREF(keeper);
      SWIG_fail;
    }
    handle->next = keeper;  // the new handle's chain was empty; it holds the only reference
    $result = buffer.release();
  }
}

// Sizes and positions as ints.
%typemap(out) std::size_t "$result = PyLong_FromSize_t($1);"
%typemap(out) unsigned long long "$result = PyLong_FromUnsignedLongLong($1);"
// Python results as they are: null with the exception set.
%typemap(out) PyObject* "$result = $1; if (!$result) SWIG_fail;"

// --- The per-version functions of the library -----------------------------------------------

// A native read replaces the whole contents of the state it is given: the views of its elements
// are marked first, as tav marks them before its own changes.
%define %tav_marking_reader(VERSION)
%exception tav::protocol::VERSION::readGameState {
  tav_binding::runtime()->invalidateState(*arg1);
  try {
    $action
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
    SWIG_fail;
  }
}
%enddef
%tav_marking_reader(v7_6)
%tav_marking_reader(v8_0)
%tav_marking_reader(v8_4)

// Under their own names, prefixed by the version (protocol.py groups them as
// v7_6.readGameState, ...). They dump into the process's standard output, as they do natively.
%rename(v7_6_readGameState) tav::protocol::v7_6::readGameState;
%rename(v7_6_writeGameState) tav::protocol::v7_6::writeGameState;
%rename(v8_0_readGameState) tav::protocol::v8_0::readGameState;
%rename(v8_0_writeGameState) tav::protocol::v8_0::writeGameState;
%rename(v8_4_readGameState) tav::protocol::v8_4::readGameState;
%rename(v8_4_writeGameState) tav::protocol::v8_4::writeGameState;
namespace tav {
namespace protocol {
namespace v7_6 {
void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer);
void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer);
}
namespace v8_0 {
void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer);
void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer);
}
namespace v8_4 {
void readGameState(tav::GameState& state, tav::protocol::Buffer& buffer);
void writeGameState(const tav::GameState& state, tav::protocol::Buffer& buffer);
}
}
}

// --- The functions behind tav.protocol -------------------------------------------------------

%rename(read_state) tav_protocol::readState;
%rename(replace_state) tav_protocol::replaceState;
%rename(read_message) tav_protocol::readOneMessage;
%rename(write_state) tav_protocol::writeState;
%rename(write_message) tav_protocol::writeMessage;
%rename(body_size) tav_protocol::bodySize;
%rename(version_names) tav_protocol::versionNames;
%rename(detect_version) tav_protocol::detect;
%rename(schema) tav_protocol::schema;
%rename(stream_new) tav_protocol::newStream;
%rename(stream_feed) tav_protocol::streamFeed;
%rename(stream_next) tav_protocol::streamNext;
%rename(stream_discard) tav_protocol::streamDiscard;
%rename(stream_buffered) tav_protocol::streamBuffered;
%rename(stream_position) tav_protocol::streamPosition;
%rename(stream_limit) tav_protocol::streamLimit;
%rename(stream_set_limit) tav_protocol::streamSetLimit;
%rename(equal) tav_protocol::equal;
%rename(dump_text) tav_protocol::dumpRecord;
%rename(dump_value) tav_protocol::dumpValue;
%rename(printed_name) tav_protocol::printedName;
%rename(enumerator_name) tav_protocol::enumeratorName;
%rename(enumerator_value) tav_protocol::enumeratorValue;
%rename(buffer_from) tav_protocol::bufferFrom;
%rename(buffer_bytes) tav_protocol::bufferBytes;
%rename(close_attributes) tav_protocol::closeAttributes;
%rename(to_json) tav_protocol::toJson;
%rename(from_json) tav_protocol::fromJson;
%rename(to_dict) tav_protocol::toDict;
%rename(from_dict) tav_protocol::fromDict;
namespace tav_protocol {
// Bodies and messages (protocol_bodies.h).
tav_protocol::NewState readState(const uint8_t* data, std::size_t size, const tav::protocol::Version* VERSION_OR_NONE, PyObject* dump, bool strict);
PyObject* replaceState(tav::GameState& state, const uint8_t* data, std::size_t size, const tav::protocol::Version* VERSION_OR_NONE, PyObject* dump, bool strict);
tav_protocol::MessageRead readOneMessage(const uint8_t* data, std::size_t size, const tav::protocol::Version* VERSION_OR_NONE, PyObject* dump, bool strict);
PyObject* writeState(const tav::GameState& state, const tav::protocol::Version& version);
PyObject* writeMessage(const tav::protocol::Header& header, const tav::GameState& state, const tav::protocol::Version& version);
std::size_t bodySize(const tav::GameState& state, const tav::protocol::Version& version);
PyObject* versionNames();
PyObject* detect(const uint8_t* data, std::size_t size, const tav::protocol::Header* HEADER_OR_NONE);
PyObject* schema(const tav::protocol::Version& version);
tav_protocol::Owned<tav_protocol::Stream> newStream(std::size_t limit);
void streamFeed(tav_protocol::Stream& stream, const uint8_t* data, std::size_t size);
tav_protocol::MessageRead streamNext(tav_protocol::Stream& stream, const tav::protocol::Version* VERSION_OR_NONE, PyObject* dump, bool strict);
void streamDiscard(tav_protocol::Stream& stream, unsigned long long count);
std::size_t streamBuffered(const tav_protocol::Stream& stream);
unsigned long long streamPosition(const tav_protocol::Stream& stream);
std::size_t streamLimit(const tav_protocol::Stream& stream);
void streamSetLimit(tav_protocol::Stream& stream, std::size_t limit);
// Record helpers (protocol_records.h).
PyObject* equal(const tav_protocol::AnyRecord& a, const tav_protocol::AnyRecord& b);
PyObject* dumpRecord(const tav_protocol::AnyRecord& record);
PyObject* dumpValue(PyObject* value, PyObject* enumeration);
PyObject* printedName(PyObject* enumeration, PyObject* value);
PyObject* enumeratorName(PyObject* enumeration, PyObject* value);
PyObject* enumeratorValue(PyObject* enumeration, PyObject* name);
tav_protocol::BufferCopy bufferFrom(const uint8_t* data, std::size_t size);
PyObject* bufferBytes(tav::protocol::Buffer& buffer, bool unread_only);
PyObject* closeAttributes(PyObject* cls);
// JSON (protocol_json.h) and dicts (protocol_dicts.h).
PyObject* toJson(const tav::GameState& state, long indent);
tav_protocol::NewState fromJson(const std::string& text);
PyObject* toDict(const tav::GameState& state);
tav_protocol::NewState fromDict(PyObject* document);
}
