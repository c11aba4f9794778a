// tav.protocol: the JSON mapping of a state (tav::json), when the build has it.
#pragma once

#include <string>

#include "protocol_support.h"
#ifdef TAV_PROTOCOL_JSON
#include "json/gameStateJson.h"
#endif

namespace tav_protocol {

// to_json(state, indent) -> str: the lossless JSON form of the state, indent clamped to
// [-1, 16].
inline PyObject* toJson(const tav::GameState& state, long indent) {
#ifdef TAV_PROTOCOL_JSON
  const int clamped = indent < -1 ? -1 : indent > 16 ? 16 : static_cast<int>(indent);
  return textObject(tav::json::toJson(state, clamped));
#else
  (void)state;
  (void)indent;
  PyErr_SetString(PyExc_NotImplementedError, "tav was built without its JSON mapping");
  return nullptr;
#endif
}

// from_json(text) -> GameState, or ValueError saying what is wrong and where.
inline NewState fromJson(const std::string& text) {
#ifdef TAV_PROTOCOL_JSON
  Owned<tav::GameState> state = make<tav::GameState>();
  if (!state) return nullptr;
  const std::string error = tav::json::fromJson(text, *state);
  if (!error.empty()) {
    PyErr_SetString(PyExc_ValueError, error.c_str());
    return nullptr;
  }
  return state;
#else
  (void)text;
  PyErr_SetString(PyExc_NotImplementedError, "tav was built without its JSON mapping");
  return nullptr;
#endif
}

}  // namespace tav_protocol
