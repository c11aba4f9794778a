// Conversions of Python arguments to strings and integers, in place of the library's own
// (each definition comes before the library's and so replaces it).

// Strings go to native code as UTF-8 with surrogateescape, the inverse of how they come back:
// a name read from bytes that are not UTF-8 comes back with surrogate escapes ("\udcff"), and
// that str assigned, copied or pickled gives the same bytes again. A str that no bytes give (a
// lone surrogate outside U+DC80..U+DCFF) is refused as before. This definition comes before
// the library's, which takes strict UTF-8, and so replaces it.
%fragment(SWIG_AsPtr_frag(std::string), "header") {
SWIGINTERN int SWIG_AsPtr_std_string(PyObject *obj, std::string **val) {
  if (PyUnicode_Check(obj)) {
    Py_ssize_t size = 0;
    const char *text = PyUnicode_AsUTF8AndSize(obj, &size);
    PyObject *escaped = 0;
    if (!text) {
      PyErr_Clear();
      escaped = PyUnicode_AsEncodedString(obj, "utf-8", "surrogateescape");
      if (!escaped) {
        PyErr_Clear();
        return SWIG_TypeError;
      }
      text = PyBytes_AS_STRING(escaped);
      size = PyBytes_GET_SIZE(escaped);
    }
    if (val) *val = new std::string(text, static_cast<std::size_t>(size));
    Py_XDECREF(escaped);
    return SWIG_NEWOBJ;
  }
  if (obj == Py_None) {  // the null string, refused by the caller as a null reference
    if (val) *val = 0;
    return SWIG_OLDOBJ;
  }
  static swig_type_info *descriptor = SWIG_TypeQuery("std::string *");
  if (!descriptor) return SWIG_TypeError;
  std::string *held = 0;
  int res = SWIG_ConvertPtr(obj, reinterpret_cast<void **>(&held), descriptor, 0);
  if (SWIG_IsOK(res) && val) *val = held;
  return res;
}
}

// Integers: anything with __index__ (numpy integers, any class defining it) is taken where an
// int is, as Python's own sequences take it, with the same range checks and messages as an
// int. Running __index__ runs Python code, which may change what the call's first argument
// shows: the call checks that argument again before using it (tav_binding::pythonRuns).
%fragment("tav_index", "header") {
namespace tav_binding {
// obj as a Python int: obj itself, or the int its __index__ gives (held until the holder goes);
// obj itself when __index__ fails, so that the conversion reports obj's type.
class IndexArgument {
 public:
  explicit IndexArgument(PyObject *obj) : obj_(obj), held_(0) {
    if (obj && !PyLong_Check(obj) && PyIndex_Check(obj)) {
      ++pythonRuns();
      held_ = PyNumber_Index(obj);
      if (held_) {
        obj_ = held_;
      } else {
        PyErr_Clear();
      }
    }
  }
  IndexArgument(const IndexArgument &) = delete;
  IndexArgument &operator=(const IndexArgument &) = delete;
  ~IndexArgument() { Py_XDECREF(held_); }
  PyObject *get() const { return obj_; }

 private:
  PyObject *obj_;
  PyObject *held_;
};
}  // namespace tav_binding
}

%define %tav_index_typemaps(CHECK, TYPE, NAME)
%fragment("tav_index_" #NAME, "header", fragment="tav_index", fragment=SWIG_AsVal_frag(TYPE)) {
SWIGINTERN int tav_AsIndex_##NAME(PyObject *obj, TYPE *val) {
  tav_binding::IndexArgument index(obj);
  return SWIG_AsVal(TYPE)(index.get(), val);
}
}
%value_in_typemap(tav_AsIndex_##NAME, "tav_index_" #NAME, TYPE);
%value_typecheck_typemap(%checkcode(CHECK), tav_AsIndex_##NAME, "tav_index_" #NAME, TYPE);
%enddef

%tav_index_typemaps(INT32, int, int)
%tav_index_typemaps(UINT8, unsigned char, unsigned_char)
%tav_index_typemaps(SIZE, size_t, size_t)
%tav_index_typemaps(PTRDIFF, ptrdiff_t, ptrdiff_t)

// Enumerations convert as int (as the library's enumint.swg has them).
%apply int { enum SWIGTYPE };
%apply const int & { const enum SWIGTYPE & };
%typemap(in, fragment="tav_index_int", noblock=1) const enum SWIGTYPE & (int val, int ecode, $basetype temp) {
  ecode = tav_AsIndex_int($input, &val);
  if (!SWIG_IsOK(ecode)) {
    %argument_fail(ecode, "$type", $symname, $argnum);
  } else {
    temp = %static_cast(val,$basetype);
    $1 = &temp;
  }
}
