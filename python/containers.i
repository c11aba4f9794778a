// Container support for the std::vector and std::map instances of the module.
//
// The generator's container library leaves operations that can crash the interpreter or give
// wrong results. These files mend them from the outside, without changing that library; the C++
// lives in containers_support.h and views_support.h. It must come before the %template lines of
// the containers.
//
// | mend                                                              | where                    | test (tests/python/)                        |
// |-------------------------------------------------------------------|--------------------------|---------------------------------------------|
// | iterators bounded by both container ends, StopIteration past them | container_iterators.i    | test_containers.py: iterator bounds         |
// | iterators refused after the container moved or lost their element | containers_support.h     | test_containers.py, test_views.py           |
// | map iterators re-find their entry by key: O(log n) per step       | containers_support.h     | test_views.py: map walk is not quadratic    |
// | copies, + and - keep an iterator's direction; ==, != and - of     | container_iterators.i    | test_containers.py, test_misuse.py          |
// |   different kinds raise; incr/decr/advance/+=/-= return the object|                          |                                             |
// | erase/insert accept only iterators inside their own container,    | container_iterators.i    | test_misuse.py, test_views.py               |
// |   checked again after every argument was converted                |                          |                                             |
// | front/back/pop_back of an empty vector, unallocatable sizes raise | container_errors.i       | test_misuse.py                              |
// | views of moved or removed elements are refused                    | container_errors.i       | test_views.py                               |
// | slices resolve as for a list, also a vector assigned to itself    | container_slices.i       | test_containers.py: slices                  |
// | enumeration elements accept any 32-bit value; a failing sequence  | container_elements.i     | test_containers.py, test_misuse.py          |
// |   item raises instead of being read                               |                          |                                             |
// | map keys(), values(), items(), asdict() re-find each entry by key | containers.i (%tav_map)  | test_views.py: finalizer edits the map      |

%include "container_elements.i"
%include "container_iterators.i"
%include "container_slices.i"
%include "container_errors.i"

// ---------------------------------------------------------------------------------------------
// The instances.

// A vector of T: bounded iterators, also from iterator().
%define %tav_vector(T...)
%fragment("tav_vector_" {T}, "header", fragment="tav_containers") {
namespace swig {
template <>
inline SwigPyIterator *make_output_iterator<std::vector< T >::iterator>(const std::vector< T >::iterator &current,
    const std::vector< T >::iterator &begin, const std::vector< T >::iterator &end, PyObject *seq) {
  return tav_swig::elementIterator<std::vector< T > >(current, begin, end, seq);
}
}
}
%fragment("tav_vector_" {T});
// A vector assigned to a slice of itself: insert from a copy, not from the elements being moved.
// Converting a Python sequence runs Python code: the vector must still be usable after it.
%typemap(check, noblock=1) std::vector< T > const &v (std::vector< T > copy) {
  if (!tav_binding::handleUsable(tav_binding::handleOf(swig_obj[0]))) {
    SWIG_exception_fail(tav_binding::staleView, "in method '$symname', argument 1");
  }
  if ($1 == arg1) {
    copy = *$1;
    $1 = &copy;
  }
}
%tav_iterator_typemaps(std::vector< T >)
// An index of __getitem__, __setitem__ and __delitem__ is any int (or object with __index__):
// one that no element has raises IndexError, as for a list, instead of the overload list.
%typemap(typecheck, precedence=%checkcode(PTRDIFF)) std::vector< T >::difference_type i {
  $1 = PyLong_Check($input) || PyIndex_Check($input);
}
%typemap(in, noblock=1, fragment="tav_index_ptrdiff_t") std::vector< T >::difference_type i (ptrdiff_t val, int ecode = 0) {
  ecode = tav_AsIndex_ptrdiff_t($input, &val);
  if (ecode == SWIG_OverflowError) {
    SWIG_exception_fail(SWIG_IndexError, "index out of range");
  } else if (!SWIG_IsOK(ecode)) {
    %argument_fail(ecode, "$type", $symname, $argnum);
  }
  $1 = val;
}
// The position of insert() and erase() picks the overload by the number of arguments alone, so
// that a position that is no iterator of the vector (insert(0, x)) is named as such.
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER) std::vector< T >::iterator pos,
    std::vector< T >::iterator first, std::vector< T >::iterator last "$1 = 1;"
%typemap(out) std::vector< T >::iterator erase = std::vector< T >::iterator begin;
%typemap(out) std::vector< T >::iterator insert = std::vector< T >::iterator begin;
%enddef

// A vector of records: an element reached by index is a view that finds its element again by
// index and address.
%define %tav_record_vector(T...)
%tav_vector(T)
%typemap(out, noblock=1) std::vector< T >::value_type & __getitem__, std::vector< T >::value_type & front,
    std::vector< T >::value_type & back, std::vector< T >::value_type const & __getitem__,
    std::vector< T >::value_type const & front, std::vector< T >::value_type const & back {
  $result = tav_binding::newView(%as_voidptr($1), $descriptor, 0, $self, arg1, &tav_binding::vectorElement< T >, $1 - arg1->data());
}
%enddef

// A vector of enumeration values; the generator spells its iterator type with "enum".
%define %tav_enum_vector(T...)
%tav_enum_elements(T)
%tav_vector(T)
%tav_iterator_checks(std::vector< enum T >)
%enddef

// A map: bounded iterators; the pair iterator of iterator() moves forward only, the key and
// value iterators both ways. m[key] is a view that finds its value again by key. keys(),
// values(), items() and asdict() take the keys first and find each entry again by key:
// converting an entry allocates Python objects, and a collection that runs then may change the
// map.
%define %tav_map(K, V)
%fragment("tav_map_" {K}, "header", fragment="tav_containers") {
namespace swig {
template <>
inline SwigPyIterator *make_output_iterator<std::map< K, V >::iterator>(const std::map< K, V >::iterator &current,
    const std::map< K, V >::iterator &begin, const std::map< K, V >::iterator &end, PyObject *seq) {
  return tav_swig::elementIterator<std::map< K, V > >(current, begin, end, seq);
}
template <>
inline SwigPyIterator *make_output_key_iterator<std::map< K, V >::iterator>(const std::map< K, V >::iterator &current,
    const std::map< K, V >::iterator &begin, const std::map< K, V >::iterator &end, PyObject *seq) {
  return tav_swig::keyIterator<std::map< K, V > >(current, begin, end, seq);
}
template <>
inline SwigPyIterator *make_output_value_iterator<std::map< K, V >::iterator>(const std::map< K, V >::iterator &current,
    const std::map< K, V >::iterator &begin, const std::map< K, V >::iterator &end, PyObject *seq) {
  return tav_swig::valueIterator<std::map< K, V > >(current, begin, end, seq);
}
}
}
%fragment("tav_map_" {K});
%tav_iterator_typemaps(std::map< K, V >)
%typemap(out) std::map< K, V >::iterator find = std::map< K, V >::iterator begin;
%typemap(out) std::map< K, V >::iterator lower_bound = std::map< K, V >::iterator begin;
%typemap(out) std::map< K, V >::iterator upper_bound = std::map< K, V >::iterator begin;
%typemap(out, noblock=1) std::map< K, V >::mapped_type & __getitem__, std::map< K, V >::mapped_type const & __getitem__ {
  $result = tav_binding::newView(%as_voidptr($1), $descriptor, 0, $self, arg1, &tav_binding::mapValue< K, V >, *arg2);
}
%feature("action") std::map< K, V >::keys {
  result = tav_swig::mapKeys(*arg1);
}
%feature("action") std::map< K, V >::values {
  result = tav_swig::mapValues(*arg1);
}
%feature("action") std::map< K, V >::items {
  result = tav_swig::mapItems(*arg1);
}
%feature("action") std::map< K, V >::asdict {
  result = tav_swig::mapDict(*arg1);
}
%enddef

// iter() of the vector class CLASS of T: the native iterator of containers_support.h
// (tav_swig::walkVector), listed in _tav._walks and taken as the class's __iter__.
%define %tav_vector_walk(CLASS, T...)
%fragment("tav_walk_" #CLASS, "header", fragment="tav_containers") {
static PyObject *tav_walk_##CLASS(PyObject *self, PyObject *) {
  return tav_swig::walkVector< std::vector< T > >(self, $descriptor(std::vector< T > *),
      "in method '" #CLASS "_iterator', argument 1 of type 'std::vector< " #T " > *'");
}
static PyMethodDef tav_walk_method_##CLASS = {"__iter__", tav_walk_##CLASS, METH_NOARGS,
                                             "__iter__(self) -> iterator over the elements"};
}
%fragment("tav_walk_" #CLASS);
%init %{
  if (tav_swig::addWalk(m, #CLASS, &tav_walk_method_##CLASS) < 0) return NULL;
%}
%extend std::vector< T > {
%pythoncode %{
__iter__ = _tav._walks[#CLASS]
%}
}
%enddef

%tav_value_elements(int, SWIG_Traits_frag(int))
%tav_vector(int)
%tav_enum_vector(tav::CharacterClassNS::Value)
%tav_enum_vector(tav::ConditionNS::Value)
%tav_enum_vector(tav::ElementStateNS::Value)
%tav_enum_vector(tav::MonsterTypeNS::Value)
%tav_enum_vector(tav::PlayerInitNS::Value)
%tav_enum_vector(tav::SummonColorNS::Value)
%tav_record_vector(tav::Actor)
%tav_record_vector(tav::MonsterInstance)
%tav_map(int, tav::MonsterAbilityDeck)
%tav_vector_walk(IntVector, int)
%tav_vector_walk(CharacterClassVector, tav::CharacterClassNS::Value)
%tav_vector_walk(ConditionVector, tav::ConditionNS::Value)
%tav_vector_walk(ElementStateVector, tav::ElementStateNS::Value)
%tav_vector_walk(MonsterTypeVector, tav::MonsterTypeNS::Value)
%tav_vector_walk(PlayerInitVector, tav::PlayerInitNS::Value)
%tav_vector_walk(SummonColorVector, tav::SummonColorNS::Value)
%tav_vector_walk(ActorVector, tav::Actor)
%tav_vector_walk(MonsterInstanceVector, tav::MonsterInstance)
