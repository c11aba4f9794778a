// The binding's runtime in a module other than tav._tav (tav._protocol): every conversion,
// conversion error, new handle and marking of moved elements goes through the table that
// tav._tav exports (runtime_table.h), so that the process has one view registry and one handle
// type whichever module a call enters.
//
// Included into the generated wrapper after the generator's runtime, in place of
// views_support.h. importRuntime() runs first in the module's initialisation; until it
// succeeds the module does not exist, so no macro below can run with the table missing.
#ifndef TAV_PYTHON_RUNTIME_CLIENT_H
#define TAV_PYTHON_RUNTIME_CLIENT_H

#define TAV_RUNTIME_CLIENT
#include "runtime_table.h"

namespace tav_binding {

inline const RuntimeTable *&runtime() {
  static const RuntimeTable *table = 0;
  return table;
}

// Takes the table from tav._tav (importing it if need be). 0 on success, -1 with an exception.
inline int importRuntime() {
  PyObject *module = PyImport_ImportModule("tav._tav");
  if (!module) {
    PyErr_Clear();
    module = PyImport_ImportModule("_tav");
  }
  if (!module) return -1;
  PyObject *capsule = PyObject_GetAttrString(module, "_runtime");
  Py_DECREF(module);
  if (!capsule) return -1;
  void *table = PyCapsule_GetPointer(capsule, TAV_RUNTIME_CAPSULE);
  Py_DECREF(capsule);
  if (!table) return -1;
  if (static_cast<const RuntimeTable *>(table)->size != sizeof(RuntimeTable)) {
    PyErr_SetString(PyExc_ImportError, "tav._tav comes from another build of tav than this module");
    return -1;
  }
  runtime() = static_cast<const RuntimeTable *>(table);
  return 0;
}

}  // namespace tav_binding

#undef SWIG_ConvertPtr
#define SWIG_ConvertPtr(obj, pptr, type, flags) \
  tav_binding::runtime()->convertPtr(obj, pptr, type, flags)
#undef SWIG_Error
#define SWIG_Error(code, msg) tav_binding::runtime()->setError(code, msg)
#define SWIG_Python_RaiseOrModifyTypeError tav_binding::runtime()->raiseOverloadError
#undef SWIG_NewPointerObj
#define SWIG_NewPointerObj(ptr, type, flags) tav_binding::runtime()->newPointerObj(ptr, type, flags)
#define SWIG_Python_GetSwigThis tav_binding::runtime()->swigThis

#endif  // TAV_PYTHON_RUNTIME_CLIENT_H
