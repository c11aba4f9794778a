// Element traits: how vector elements convert between Python and C++ (containers_support.h).
// This file comes before the generator's container library: the traits of int below replace
// the library's (the first definition of a fragment is the one used).

// Integer elements take anything with __index__, as integer arguments do (arguments.i).
%fragment(SWIG_Traits_frag(int), "header", fragment="tav_index_int", fragment=SWIG_From_frag(int),
          fragment="StdTraits") {
namespace swig {
template <>
struct traits< int > {
  typedef value_category category;
  static const char *type_name() { return "int"; }
};
template <>
struct traits_asval< int > {
  typedef int value_type;
  static int asval(PyObject *obj, value_type *val) { return tav_AsIndex_int(obj, val); }
};
template <>
struct traits_from< int > {
  typedef int value_type;
  static PyObject *from(const value_type &val) { return SWIG_From(int)(val); }
};
}
}

// Integer elements taken from a Python sequence: an item that the sequence fails to produce
// raises its pending exception instead of being read (tav_swig::valueElement).
%define %tav_value_elements(T, TRAITS)
%fragment("tav_value_elements_" {T}, "header", fragment=TRAITS, fragment="tav_containers") {
namespace swig {
template <>
struct traits_as< T, value_category > {
  static T as(PyObject *obj) { return tav_swig::valueElement< T >(obj); }
};
}
}
%fragment("tav_value_elements_" {T});
%enddef

// Enumeration elements are values: any 32-bit integer converts, with no membership check
// (tav_swig::EnumElement). The generator treats them as wrapped objects, which a Python int is
// not. These fragments take the names of the generator's own ones for T, so that its versions
// are left out.
%define %tav_enum_elements(T...)
%fragment("SWIG_Traits_enum_"{T}, "header", fragment="tav_index_int", fragment=SWIG_From_frag(int),
          fragment="StdTraits", fragment="tav_containers") {
namespace swig {
template <>
struct traits< T > {
  typedef value_category category;
  static const char *type_name() { return #T; }
};
template <>
struct traits_asval< T > {
  static int asval(PyObject *obj, T *val) { return tav_swig::EnumElement< T >::asval(obj, val); }
};
template <>
struct traits_from< T > {
  static PyObject *from(const T &val) { return tav_swig::EnumElement< T >::from(val); }
};
}
}
%fragment(SWIG_Traits_frag(T), "header", fragment="SWIG_Traits_enum_"{T}) {}
%tav_value_elements(T, "SWIG_Traits_enum_"{T})
%enddef
