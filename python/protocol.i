// The extension module tav._protocol, the native half of tav.protocol (protocol.py).
//
// Generated without a proxy module (-noproxy): protocol.py calls these flat functions. The
// types of tav.i are imported, not wrapped again: through the shared type table, a GameState,
// Header or Buffer returned here is a tav proxy, and tav proxies are accepted as arguments.
%module _protocol

%import "tav.i"

%{
#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/header.h"
#include "protocol/v7_6.h"
#include "protocol/v8_0.h"
#include "protocol/v8_4.h"
%}

// The deleter of owned opaque handles, for the byte storage behind buffer_from().
%fragment("tav_owned_handle");
%types(std::vector< uint8_t > *);

// One runtime per process: conversions, their errors and new handles go through tav._tav's
// (runtime_client.h), so views made there are checked, listed and freed by one registry.
%{
#include "runtime_client.h"
%}
%init %{
  if (tav_binding::importRuntime() < 0) return NULL;
%}

%{
#include "protocolBinding.h"
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

// The per-version functions of the library under their own names, prefixed by the version
// (protocol.py groups them as v7_6.readGameState, ...). They dump into the process's standard
// output, as they do natively.
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

// The functions behind tav.protocol (protocolBinding.h): Python objects in and out.
%rename(read_state) tav_protocol::readState;
%rename(read_message) tav_protocol::readMessage;
%rename(write_state) tav_protocol::writeState;
%rename(write_message) tav_protocol::writeMessage;
%rename(body_size) tav_protocol::bodySize;
%rename(printed_name) tav_protocol::printedName;
%rename(enumerator_name) tav_protocol::enumeratorName;
%rename(enumerator_value) tav_protocol::enumeratorValue;
%rename(dump_text) tav_protocol::dumpText;
%rename(equal) tav_protocol::equal;
%rename(buffer_from) tav_protocol::bufferFrom;
%rename(buffer_bytes) tav_protocol::bufferBytes;
%rename(version_names) tav_protocol::versionNames;
%rename(close_attributes) tav_protocol::closeAttributes;
%rename(to_json) tav_protocol::toJson;
%rename(from_json) tav_protocol::fromJson;
namespace tav_protocol {
PyObject* readState(PyObject* data, PyObject* version, PyObject* dump, PyObject* strict);
PyObject* readMessage(PyObject* data, PyObject* version, PyObject* dump, PyObject* strict);
PyObject* writeState(PyObject* state, PyObject* version);
PyObject* writeMessage(PyObject* header, PyObject* state, PyObject* version);
PyObject* bodySize(PyObject* state, PyObject* version);
PyObject* printedName(PyObject* enumeration, PyObject* value);
PyObject* enumeratorName(PyObject* enumeration, PyObject* value);
PyObject* enumeratorValue(PyObject* enumeration, PyObject* name);
PyObject* dumpText(PyObject* obj, PyObject* enumeration);
PyObject* equal(PyObject* a, PyObject* b);
PyObject* bufferFrom(PyObject* data);
PyObject* bufferBytes(PyObject* buffer, PyObject* unread_only);
PyObject* versionNames();
PyObject* closeAttributes(PyObject* cls);
PyObject* toJson(PyObject* state, PyObject* indent);
PyObject* fromJson(PyObject* text);
}
