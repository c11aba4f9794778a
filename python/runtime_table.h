// The binding's runtime, once per process: the table through which the other extension modules
// of the package (tav._protocol) use the runtime of tav._tav instead of a copy of their own.
//
// The view registry, the view type, the bookkeeping of the last conversion and the handle type
// of the proxies are process-wide: a second copy in another module would mark, list and free
// views that the first one still chains. So tav._tav exports these entry points in a capsule
// (its attribute _runtime) and every other module converts arguments, raises conversion errors,
// makes handles and marks moved elements through them (runtime_client.h). The table is filled
// from the same headers in the same build; its size is checked on import, so a module from
// another build is refused rather than trusted.
#ifndef TAV_PYTHON_RUNTIME_TABLE_H
#define TAV_PYTHON_RUNTIME_TABLE_H

namespace tav_binding {

struct RuntimeTable {
  // sizeof(RuntimeTable) in the module that filled it.
  unsigned long size;
  // SWIG_ConvertPtr with the view checks (convertPtr in views_support.h).
  int (*convertPtr)(PyObject *obj, void **ptr, swig_type_info *ty, int flags);
  // SWIG_Error: a refused view raises ReferenceError.
  void (*setError)(int code, const char *message);
  // The error of an overloaded function none of whose overloads matched.
  void (*raiseOverloadError)(const char *message);
  // SWIG_NewPointerObj: a handle of tav._tav's handle type, or its proxy.
  PyObject *(*newPointerObj)(void *ptr, swig_type_info *ty, int flags);
  // The handle behind a proxy, or null.
  SwigPyObject *(*swigThis)(PyObject *obj);
  // Marks the views of every element inside state: native code is about to replace its
  // contents.
  void (*invalidateState)(const tav::GameState &state);
  // The result convertPtr gives for a view whose element moved or was removed.
  int staleCode;
};

// The capsule name of the table.
#define TAV_RUNTIME_CAPSULE "tav._tav._runtime"

#ifndef TAV_RUNTIME_CLIENT
inline PyObject *runtimeNewPointerObj(void *ptr, swig_type_info *ty, int flags) {
  return SWIG_NewPointerObj(ptr, ty, flags);
}
inline int runtimeConvertPtr(PyObject *obj, void **ptr, swig_type_info *ty, int flags) {
  return convertPtr(obj, ptr, ty, flags);
}
inline void runtimeInvalidateState(const tav::GameState &state) { invalidateContents(state); }

// Adds the table to module m (tav._tav) as its attribute _runtime. 0 on success.
inline int exportRuntime(PyObject *m) {
  static const RuntimeTable table = {sizeof(RuntimeTable),
                                     runtimeConvertPtr,
                                     setError,
                                     raiseOverloadError,
                                     runtimeNewPointerObj,
                                     swigThis,
                                     runtimeInvalidateState,
                                     staleView};
  PyObject *capsule = PyCapsule_New(const_cast<RuntimeTable *>(&table), TAV_RUNTIME_CAPSULE, 0);
  if (!capsule) return -1;
  if (PyModule_AddObject(m, "_runtime", capsule) < 0) {
    Py_DECREF(capsule);
    return -1;
  }
  return 0;
}
#endif

}  // namespace tav_binding

#endif  // TAV_PYTHON_RUNTIME_TABLE_H
