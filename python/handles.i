// Release of owned opaque handles.
//
// A native type without a Python class travels as a bare handle. The runtime destroys an owned
// handle's object only through the destroy entry of its type's client data, which normally comes
// from a proxy class; without one, the object leaks. %tav_owned_handle(TYPE) gives TYPE such an
// entry (a deleter that is not part of the method table), installed by the first wrapper call
// that returns a handle of TYPE. Every such call must hand out a bare handle (NOSHADOW): with
// client data present the runtime would otherwise try to make a proxy instance, and TYPE has no
// proxy class. So the macro's typemaps must cover every way a handle of TYPE is returned.

%fragment("tav_owned_handle", "header") {
namespace tav_binding {

// Destroys the object of an owned handle; called by the runtime with the handle itself.
template <class T>
PyObject *deleteHandle(PyObject *, PyObject *handle) {
  SwigPyObject *object = reinterpret_cast<SwigPyObject *>(handle);
  delete static_cast<T *>(object->ptr);
  object->ptr = 0;
  Py_RETURN_NONE;
}

// Installs the deleter of T as the destroy entry of the handle type ty, once; called by every
// wrapper that hands out such a handle, before it does.
template <class T>
void registerHandleDeleter(swig_type_info *ty) {
  static PyMethodDef method = {"tav_delete_handle", deleteHandle<T>, METH_O, 0};
  if (!ty || ty->clientdata) return;
  SwigPyClientData *data = static_cast<SwigPyClientData *>(malloc(sizeof(SwigPyClientData)));
  if (!data) return;
  data->klass = 0;
  data->newraw = 0;
  data->newargs = 0;
  data->destroy = PyCFunction_New(&method, 0);
  data->delargs = 0;
  data->implicitconv = 0;
  data->pytype = 0;
  if (!data->destroy) {
    PyErr_Clear();
    free(data);
    return;
  }
  SWIG_TypeNewClientData(ty, data);
}

}  // namespace tav_binding
}

%define %tav_owned_handle(TYPE...)
%typemap(out, noblock=1, fragment="tav_owned_handle") TYPE {
  tav_binding::registerHandleDeleter< $1_ltype >($&descriptor);
  $result = SWIG_NewPointerObj((new $1_ltype($1)), $&descriptor, SWIG_POINTER_OWN | SWIG_POINTER_NOSHADOW);
}
%typemap(out, noblock=1, fragment="tav_owned_handle") TYPE *, TYPE & {
  tav_binding::registerHandleDeleter< $*1_ltype >($descriptor);
  $result = TAV_POINTER_RESULT($owner)(%as_voidptr($1), $descriptor, $owner | SWIG_POINTER_NOSHADOW);
}
%typemap(throws, noblock=1, fragment="tav_owned_handle") TYPE {
  tav_binding::registerHandleDeleter< $1_ltype >($&descriptor);
  %raise(SWIG_NewPointerObj((new $1_ltype($1)), $&descriptor, SWIG_POINTER_OWN | SWIG_POINTER_NOSHADOW), "$type", $&descriptor);
}
%enddef
