// Slices resolve as for a Python list (the clamping of swig::slice_adjust in
// containers_support.h), and a slice's parts are checked before any of them is used.

%typemap(in, noblock=1, fragment="tav_containers") PySliceObject *slice (swig::SwigVar_PyObject plain) {
  if (!PySlice_Check($input)) {
    %argument_fail(SWIG_TypeError, "$type", $symname, $argnum);
  }
  plain = tav_swig::plainSlice($input);
  if (!plain) SWIG_fail;
  $1 = (PySliceObject *)(PyObject *)plain;
}
