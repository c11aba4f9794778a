// Container support for the std::vector and std::map instances of the module.
//
// The generator's container library leaves operations that can crash the interpreter or give
// wrong results. This file mends them from the outside, without changing that library:
//   - every iterator handed to Python is bounded by the ends of its container and keeps the
//     container alive; reading or moving it past an end, or after the container moved its
//     elements or lost the one it stands on, raises StopIteration; copies, + and - keep its
//     direction; erase/insert accept only iterators inside their own container;
//   - front(), back() and pop_back() of an empty vector, and sizes that cannot be allocated,
//     raise Python exceptions;
//   - slices resolve as for a Python list, also when a vector is assigned to a slice of itself;
//   - enumeration elements accept any 32-bit value, and an element that a Python sequence fails
//     to produce raises instead of being read;
//   - ==, != and - between iterators of different kinds raise instead of aborting, and
//     incr(), decr(), advance(), += and -= return the iterator object itself.
// It must come before the %template lines of the containers.

// ---------------------------------------------------------------------------------------------
// The iterator class. Its features must precede its declaration in the generator's library.

namespace swig {
// Iterators of another kind or another container: a Python exception, never an uncaught native
// one. Without "maybecall" the exception (and StopIteration from + and - past an end) reaches
// the caller instead of becoming NotImplemented; == and != still give NotImplemented for
// objects that are not iterators.
%catches(std::invalid_argument) SwigPyIterator::operator == (const SwigPyIterator& x) const;
%catches(std::invalid_argument) SwigPyIterator::operator != (const SwigPyIterator& x) const;
%catches(std::invalid_argument) SwigPyIterator::operator - (const SwigPyIterator& x) const;
%feature("python:maybecall", "0") SwigPyIterator::operator ==;
%feature("python:maybecall", "0") SwigPyIterator::operator !=;
%feature("python:maybecall", "0") SwigPyIterator::operator +;
%feature("python:maybecall", "0") SwigPyIterator::operator -;
%pythonprepend SwigPyIterator::operator == %{
        if not isinstance(x, SwigPyIterator):
            return NotImplemented
%}
%pythonprepend SwigPyIterator::operator != %{
        if not isinstance(x, SwigPyIterator):
            return NotImplemented
%}
}

// incr(), decr(), advance(), += and -= move the iterator in place and return it: hand back the
// Python object that was passed, which keeps owning it, so the result never outlives the
// iterator it shows (the generator would return a second proxy of the same native object).
namespace swig {
%nonewobject SwigPyIterator::operator +=;
%nonewobject SwigPyIterator::operator -=;
%nodelobject SwigPyIterator::operator +=;
%nodelobject SwigPyIterator::operator -=;
}
%typemap(out, noblock=1) swig::SwigPyIterator *incr, swig::SwigPyIterator *decr,
                         swig::SwigPyIterator *advance, swig::SwigPyIterator & {
  (void)$1;
  $result = $self;
  Py_INCREF($result);
}

%{
#include <limits>
#include <memory>
%}

// it + n and it - n: the generator moves a fresh copy and loses it when the move raises
// StopIteration; release it instead.
%define %tav_moved_copy(OPERATOR, SIGN)
%feature("except") swig::SwigPyIterator::OPERATOR(ptrdiff_t n) const {
  {
    std::unique_ptr< swig::SwigPyIterator > moved(arg1->copy());
    try {
      moved->advance(SIGN arg2);
    } catch (swig::stop_iteration &) {
      SWIG_SetErrorObj(PyExc_StopIteration, SWIG_Py_Void());
      SWIG_fail;
    }
    result = moved.release();
  }
}
%enddef
%tav_moved_copy(operator +, +)
%tav_moved_copy(operator -, -)

// Moving by the most negative count would overflow when negated.
%typemap(check, noblock=1) ptrdiff_t n {
  if ($1 == std::numeric_limits< ptrdiff_t >::min()) {
    %argument_fail(SWIG_OverflowError, "$type", $symname, $argnum);
  }
}

%include <std_vector.i>
%include <std_map.i>

%typemap(out) swig::SwigPyIterator &;

// ---------------------------------------------------------------------------------------------
// Slices.

%fragment("tav_slices", "header", fragment="SwigPySequence_Base") {
namespace swig {
// Clamps resolved slice bounds as Python does for a list: the generic form leaves a start at or
// past the end unclamped when reading, so v[5:] gave the whole vector instead of an empty one.
template <>
inline void slice_adjust<ptrdiff_t>(ptrdiff_t i, ptrdiff_t j, Py_ssize_t step, size_t size,
                                    ptrdiff_t &ii, ptrdiff_t &jj, bool) {
  const ptrdiff_t n = static_cast<ptrdiff_t>(size);
  if (step == 0) {
    throw std::invalid_argument("slice step cannot be zero");
  } else if (step > 0) {
    ii = i < 0 ? 0 : (i > n ? n : i);
    jj = j < 0 ? 0 : (j > n ? n : j);
    if (jj < ii) jj = ii;
  } else {
    ii = i < -1 ? -1 : (i > n - 1 ? n - 1 : i);
    jj = j < -1 ? -1 : (j > n - 1 ? n - 1 : j);
    if (ii < jj) ii = jj;
  }
}
}

namespace tav_swig {
// A slice equal to s whose parts are plain integers within Py_ssize_t, or null with a Python
// exception set: TypeError for parts that are not integers or None (as a list raises),
// ValueError for a zero step. Huge parts are clamped as a list clamps them.
inline PyObject *plainSlice(PyObject *s) {
  Py_ssize_t start, stop, step;
  if (PySlice_Unpack(s, &start, &stop, &step) < 0) return 0;
  // Any step longer than the container selects the same elements; a bounded one keeps the
  // element counts of the slice routines from overflowing.
  const Py_ssize_t longest = PY_SSIZE_T_MAX / 4;
  if (step > longest) step = longest;
  if (step < -longest) step = -longest;
  swig::SwigVar_PyObject first = PyLong_FromSsize_t(start);
  swig::SwigVar_PyObject last = PyLong_FromSsize_t(stop);
  swig::SwigVar_PyObject by = PyLong_FromSsize_t(step);
  if (!first || !last || !by) return 0;
  return PySlice_New(first, last, by);
}
}
}

%fragment("tav_slices");

%typemap(in, noblock=1) PySliceObject *slice (swig::SwigVar_PyObject plain) {
  if (!PySlice_Check($input)) {
    %argument_fail(SWIG_TypeError, "$type", $symname, $argnum);
  }
  plain = tav_swig::plainSlice($input);
  if (!plain) SWIG_fail;
  $1 = (PySliceObject *)(PyObject *)plain;
}

// ---------------------------------------------------------------------------------------------
// Bounded iterators.

%fragment("tav_iterators", "header", fragment="SwigPyIterator_T", fragment="StdMapCommonTraits") {
#include <iterator>
#include <map>
#include <type_traits>
#include <typeinfo>

namespace tav_swig {

template <class It>
struct isReverse : std::false_type {};
template <class It>
struct isReverse<std::reverse_iterator<It> > : std::true_type {};

template <class It>
struct isRandomAccess
    : std::is_same<typename std::iterator_traits<It>::iterator_category, std::random_access_iterator_tag> {};

// The position and the container ends that an iterator was made with.
template <class It>
class IteratorBounds {
 public:
  virtual ~IteratorBounds() {}
  virtual It position() const = 0;
  virtual It first() const = 0;
  virtual It last() const = 0;
  // What the iterator yields (elements, keys, values or pairs).
  virtual const std::type_info &form() const = 0;
  // Whether the iterator still stands inside its container, which may have moved its elements
  // or lost the one the iterator stands on since; element asks for a readable element rather
  // than a position.
  virtual bool usable(bool element) const = 0;
  // The end that stays in place while the container keeps its elements, and so tells the
  // container apart: the begin of a vector, the end of a map (reversed for reverse iterators).
  It anchor() const { return isRandomAccess<It>::value != isReverse<It>::value ? first() : last(); }
};

template <class It>
It plainOf(const It &it) {
  return it;
}
template <class It>
It plainOf(const std::reverse_iterator<It> &it) {
  return it.base();
}

template <class It>
ptrdiff_t indexFrom(It it, It last, It pos) {
  for (ptrdiff_t n = 0;; ++it, ++n) {
    if (it == pos) return n;
    if (it == last) return -1;
  }
}

// The number of steps from the start of c (its begin, or rbegin for a reverse iterator) to pos,
// its end included, or -1 when pos is not a position of c. Compares positions only.
template <class C>
ptrdiff_t indexIn(const C &c, const typename C::iterator &pos) {
  return indexFrom(c.begin(), c.end(), typename C::const_iterator(pos));
}
template <class C>
ptrdiff_t indexIn(const C &c, const typename C::reverse_iterator &pos) {
  return indexFrom(c.rbegin(), c.rend(), typename C::const_reverse_iterator(pos));
}
template <class C, class It>
ptrdiff_t index(const void *container, const It &pos) {
  return indexIn(*static_cast<const C *>(container), pos);
}

// Whether current, an iterator of c made while anchor marked c's stable end, still stands in c.
// A vector must still hold its elements where it did (no reallocation) and current must lie
// within its present size; a map must still hold the node of current (a walk over the map that
// compares positions only, so a removed node is never read).
template <class C, class It>
bool insideContainer(const C &c, const It &current, const It &anchor, bool element, std::true_type) {
  typename C::const_iterator pos = plainOf(current), first = c.begin(), last = c.end();
  if (plainOf(anchor) != first || pos < first || last < pos) return false;
  return !element || (isReverse<It>::value ? first < pos : pos < last);
}
template <class C, class It>
bool insideContainer(const C &c, const It &current, const It &anchor, bool element, std::false_type) {
  typename C::const_iterator pos = plainOf(current), first = c.begin(), last = c.end();
  if (plainOf(anchor) != last || (element && pos == (isReverse<It>::value ? first : last))) return false;
  return indexIn(c, current) >= 0;
}
template <class C, class It>
bool inside(const void *container, const It &current, const It &anchor, bool element) {
  return insideContainer(*static_cast<const C *>(container), current, anchor, element, isRandomAccess<It>());
}

// An iterator that knows both ends of its container: reading or moving past either end raises
// StopIteration, copies keep the kind, and distance() never walks outside the container. Once
// watch() named its container, it also raises StopIteration when used after the container moved
// its elements or lost the one it stands on. Backward false makes it move forward only.
template <class It, bool Backward = true, class Value = typename std::iterator_traits<It>::value_type,
          class FromOper = swig::from_oper<Value> >
class BoundedIterator : public swig::SwigPyIteratorClosed_T<It, Value, FromOper>, public IteratorBounds<It> {
  typedef swig::SwigPyIteratorClosed_T<It, Value, FromOper> base;

 public:
  typedef bool (*Inside)(const void *container, const It &current, const It &anchor, bool element);
  typedef ptrdiff_t (*Index)(const void *container, const It &pos);

  BoundedIterator(It current, It first, It last, PyObject *seq)
      : base(current, first, last, seq), container_(0), inside_(0), index_(0) {}

  template <class C>
  BoundedIterator *watch(const C *container) {
    container_ = container;
    inside_ = container ? &inside<C, It> : 0;
    index_ = container ? &index<C, It> : 0;
    return this;
  }

  swig::SwigPyIterator *copy() const { return new BoundedIterator(*this); }

  PyObject *value() const {
    if (!usable(true)) throw swig::stop_iteration();
    return base::value();
  }

  swig::SwigPyIterator *incr(size_t n = 1) {
    if (!usable(false)) throw swig::stop_iteration();
    return base::incr(n);
  }

  swig::SwigPyIterator *decr(size_t n = 1) {
    if (!Backward || !usable(false)) throw swig::stop_iteration();
    return base::decr(n);
  }

  bool usable(bool element) const { return !inside_ || inside_(container_, this->current, this->anchor(), element); }

  bool equal(const swig::SwigPyIterator &x) const {
    const IteratorBounds<It> &other = peer(x);
    return this->anchor() == other.anchor() && this->current == other.position();
  }

  ptrdiff_t distance(const swig::SwigPyIterator &x) const {
    const IteratorBounds<It> &other = peer(x);
    if (this->anchor() != other.anchor() || !usable(false) || !other.usable(false)) {
      throw std::invalid_argument("iterators of different containers");
    }
    return steps(this->current, other.position(), isRandomAccess<It>());
  }

  It position() const { return this->current; }
  It first() const { return this->begin; }
  It last() const { return this->end; }
  const std::type_info &form() const { return typeid(FromOper); }

 private:
  // x as an iterator of the same type yielding the same form.
  static const IteratorBounds<It> &peer(const swig::SwigPyIterator &x) {
    const IteratorBounds<It> *other = dynamic_cast<const IteratorBounds<It> *>(&x);
    if (!other || other->form() != typeid(FromOper)) throw std::invalid_argument("bad iterator type");
    return *other;
  }

  ptrdiff_t steps(It from, It to, std::true_type) const { return to - from; }

  // Counts positions along the container as it is now; both are known to stand in it.
  ptrdiff_t steps(It from, It to, std::false_type) const {
    if (!index_) throw std::invalid_argument("iterators of an unknown container");
    return index_(container_, to) - index_(container_, from);
  }

  const void *container_;
  Inside inside_;
  Index index_;
};

template <class C>
struct isMap : std::false_type {};
template <class K, class T, class Compare, class Alloc>
struct isMap<std::map<K, T, Compare, Alloc> > : std::true_type {};

// Iterators returned by the container's own methods, bounded by its current ends and holding
// the container's Python object seq, so that the container lives as long as they do. The
// reverse iterators of a map move forward only.
template <class C>
swig::SwigPyIterator *makeIterator(C &c, typename C::iterator it, PyObject *seq) {
  return (new BoundedIterator<typename C::iterator>(it, c.begin(), c.end(), seq))->watch(&c);
}
template <class C>
swig::SwigPyIterator *makeIterator(C &c, typename C::reverse_iterator it, PyObject *seq) {
  return (new BoundedIterator<typename C::reverse_iterator, !isMap<C>::value>(it, c.rbegin(), c.rend(), seq))->watch(&c);
}

// The iterators of iterator(), key_iterator() and value_iterator(), watching the container whose
// Python object seq they hold.
template <class C, class Iterator>
swig::SwigPyIterator *watchedIterator(Iterator *iterator, PyObject *seq) {
  SwigPyObject *handle = seq ? SWIG_Python_GetSwigThis(seq) : 0;
  return iterator->watch(handle ? static_cast<const C *>(handle->ptr) : static_cast<const C *>(0));
}

enum IteratorCheck { iteratorInside, iteratorWrongType, iteratorOutside };

// Converts obj to an iterator of container c into pos. The iterator must come from c (same
// anchor) and still stand inside it, between its begin and end, both included.
template <class C>
IteratorCheck iteratorArgument(C &c, PyObject *obj, typename C::iterator &pos) {
  typedef typename C::iterator It;
  swig::SwigPyIterator *iter = 0;
  int res = SWIG_ConvertPtr(obj, reinterpret_cast<void **>(&iter), swig::SwigPyIterator::descriptor(), 0);
  const IteratorBounds<It> *bounds = SWIG_IsOK(res) && iter ? dynamic_cast<const IteratorBounds<It> *>(iter) : 0;
  if (!bounds) return iteratorWrongType;
  It anchor = isRandomAccess<It>::value ? c.begin() : c.end();
  if (bounds->anchor() != anchor || !bounds->usable(false)) return iteratorOutside;
  pos = bounds->position();
  return iteratorInside;
}

// Whether [first, last) is a range of c; both are already known to be iterators of c.
template <class C>
bool isRange(C &, typename C::iterator first, typename C::iterator last, std::true_type) {
  return !(last < first);
}
template <class C>
bool isRange(C &c, typename C::iterator first, typename C::iterator last, std::false_type) {
  for (typename C::iterator it = first; it != last; ++it) {
    if (it == c.end()) return false;
  }
  return true;
}
template <class C>
bool isRange(C &c, typename C::iterator first, typename C::iterator last) {
  return isRange(c, first, last, isRandomAccess<typename C::iterator>());
}

}  // namespace tav_swig
}

// Arguments and results of iterator type for the container C.
%define %tav_iterator_typemaps(C...)
%typemap(out, noblock=1, fragment="tav_iterators") C::iterator begin, C::iterator end, C::reverse_iterator rbegin,
    C::reverse_iterator rend {
  $result = SWIG_NewPointerObj(tav_swig::makeIterator(*arg1, $1, $self), swig::SwigPyIterator::descriptor(), SWIG_POINTER_OWN);
}
%typemap(in, noblock=1, fragment="tav_iterators") C::iterator pos (C::iterator it), C::iterator position (C::iterator it),
    C::iterator first (C::iterator it), C::iterator last (C::iterator it) {
  {
    tav_swig::IteratorCheck check = tav_swig::iteratorArgument(*arg1, $input, it);
    if (check == tav_swig::iteratorWrongType) {
      %argument_fail(SWIG_TypeError, "$type", $symname, $argnum);
    } else if (check == tav_swig::iteratorOutside) {
      SWIG_exception_fail(SWIG_IndexError, "iterator outside the container");
    }
    $1 = it;
  }
}
// erase(pos): an element, not the end.
%typemap(check, noblock=1) C::iterator pos, C::iterator position {
  if (static_cast< const C::iterator & >($1) == arg1->end()) {
    SWIG_exception_fail(SWIG_IndexError, "iterator at the end of the container");
  }
}
// insert(pos, ...): any position, the end included.
%typemap(check) (C::iterator pos, C::value_type const &x), (C::iterator pos, C::size_type n, C::value_type const &x) "";
%typemap(check, noblock=1) (C::iterator first, C::iterator last) {
  if (!tav_swig::isRange(*arg1, static_cast< const C::iterator & >($1), static_cast< const C::iterator & >($2))) {
    SWIG_exception_fail(SWIG_IndexError, "iterator range outside the container");
  }
}
%enddef

// ---------------------------------------------------------------------------------------------
// Methods that reach into an empty vector, or allocate.

%define %tav_nonempty(METHOD, TEXT)
%feature("except") METHOD {
  if (arg1->empty()) {
    SWIG_exception_fail(SWIG_IndexError, TEXT);
  }
  $action
}
%enddef
%tav_nonempty(std::vector::front, "index out of range")
%tav_nonempty(std::vector::back, "index out of range")
%tav_nonempty(std::vector::pop_back, "pop from empty container")

// A size beyond the container's maximum raises OverflowError, memory that cannot be had
// MemoryError.
%define %tav_allocating(METHOD)
%feature("except") METHOD {
  try {
    $action
  } catch (const std::length_error &e) {
    SWIG_exception_fail(SWIG_OverflowError, e.what());
  } catch (const std::bad_alloc &) {
    SWIG_exception_fail(SWIG_MemoryError, "out of memory");
  }
}
%enddef
%tav_allocating(std::vector::vector)
%tav_allocating(std::vector::resize)
%tav_allocating(std::vector::reserve)
%tav_allocating(std::vector::assign)
%tav_allocating(std::vector::insert)
%tav_allocating(std::vector::push_back)
%tav_allocating(std::vector::append)
%tav_allocating(std::vector::__getitem__)
%tav_allocating(std::vector::__setitem__)
%tav_allocating(std::vector::__getslice__)
%tav_allocating(std::vector::__setslice__)
%tav_allocating(std::map::map)
%tav_allocating(std::map::__setitem__)

// ---------------------------------------------------------------------------------------------
// The instances.

// A vector of T: bounded iterators, also from iterator().
%define %tav_vector(T...)
%fragment("tav_vector_" {T}, "header", fragment="tav_iterators") {
namespace swig {
template <>
inline SwigPyIterator *make_output_iterator<std::vector< T >::iterator>(const std::vector< T >::iterator &current,
    const std::vector< T >::iterator &begin, const std::vector< T >::iterator &end, PyObject *seq) {
  return tav_swig::watchedIterator<std::vector< T > >(
      new tav_swig::BoundedIterator<std::vector< T >::iterator>(current, begin, end, seq), seq);
}
}
}
%fragment("tav_vector_" {T});
// A vector assigned to a slice of itself: insert from a copy, not from the elements being moved.
%typemap(check, noblock=1) std::vector< T > const &v (std::vector< T > copy) {
  if ($1 == arg1) {
    copy = *$1;
    $1 = &copy;
  }
}
%tav_iterator_typemaps(std::vector< T >)
%typemap(out) std::vector< T >::iterator erase = std::vector< T >::iterator begin;
%typemap(out) std::vector< T >::iterator insert = std::vector< T >::iterator begin;
%enddef

// Integer elements taken from a Python sequence. An item that the sequence fails to produce
// (its __getitem__ raised after the elements were checked) arrives as null: the generic
// conversion would read it, this one reports the pending Python exception.
%define %tav_value_elements(T, TRAITS)
%fragment("tav_value_elements_" {T}, "header", fragment=TRAITS) {
namespace swig {
template <>
struct traits_as< T, value_category > {
  static T as(PyObject *obj) {
    T value;
    if (!obj || !SWIG_IsOK(asval(obj, &value))) {
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, swig::type_name< T >());
      throw std::invalid_argument("bad type");
    }
    return value;
  }
};
}
}
%fragment("tav_value_elements_" {T});
%enddef

// Enumeration elements are values: any 32-bit integer converts, with no membership check. The
// generator treats them as wrapped objects, which a Python int is not. These fragments take the
// names of the generator's own ones for T, so that its versions are left out.
%define %tav_enum_vector(T...)
%fragment("SWIG_Traits_enum_"{T}, "header", fragment=SWIG_AsVal_frag(int), fragment=SWIG_From_frag(int),
          fragment="StdTraits") {
namespace swig {
template <>
struct traits< T > {
  typedef value_category category;
  static const char *type_name() { return #T; }
};
template <>
struct traits_asval< T > {
  static int asval(PyObject *obj, T *val) {
    int number = 0;
    int res = SWIG_AsVal(int)(obj, &number);
    if (SWIG_IsOK(res) && val) *val = static_cast< T >(number);
    return res;
  }
};
template <>
struct traits_from< T > {
  static PyObject *from(const T &val) { return SWIG_From(int)(static_cast< int >(val)); }
};
}
}
%fragment(SWIG_Traits_frag(T), "header", fragment="SWIG_Traits_enum_"{T}) {}
%tav_value_elements(T, "SWIG_Traits_enum_"{T})
%tav_vector(T)
%typemap(check) (std::vector< enum T >::iterator pos, std::vector< enum T >::value_type const &x),
    (std::vector< enum T >::iterator pos, std::vector< enum T >::size_type n, std::vector< enum T >::value_type const &x) "";
%enddef

// A map: bounded iterators; the pair iterator of iterator() moves forward only, the key and
// value iterators both ways.
%define %tav_map(K, V)
%fragment("tav_map_" {K}, "header", fragment="tav_iterators") {
namespace swig {
template <>
inline SwigPyIterator *make_output_iterator<std::map< K, V >::iterator>(const std::map< K, V >::iterator &current,
    const std::map< K, V >::iterator &begin, const std::map< K, V >::iterator &end, PyObject *seq) {
  return tav_swig::watchedIterator<std::map< K, V > >(
      new tav_swig::BoundedIterator<std::map< K, V >::iterator, false>(current, begin, end, seq), seq);
}
template <>
inline SwigPyIterator *make_output_key_iterator<std::map< K, V >::iterator>(const std::map< K, V >::iterator &current,
    const std::map< K, V >::iterator &begin, const std::map< K, V >::iterator &end, PyObject *seq) {
  typedef std::map< K, V >::value_type Pair;
  return tav_swig::watchedIterator<std::map< K, V > >(
      new tav_swig::BoundedIterator<std::map< K, V >::iterator, true, Pair, from_key_oper<Pair> >(current, begin, end, seq), seq);
}
template <>
inline SwigPyIterator *make_output_value_iterator<std::map< K, V >::iterator>(const std::map< K, V >::iterator &current,
    const std::map< K, V >::iterator &begin, const std::map< K, V >::iterator &end, PyObject *seq) {
  typedef std::map< K, V >::value_type Pair;
  return tav_swig::watchedIterator<std::map< K, V > >(
      new tav_swig::BoundedIterator<std::map< K, V >::iterator, true, Pair, from_value_oper<Pair> >(current, begin, end, seq), seq);
}
}
}
%fragment("tav_map_" {K});
%tav_iterator_typemaps(std::map< K, V >)
%typemap(out) std::map< K, V >::iterator find = std::map< K, V >::iterator begin;
%typemap(out) std::map< K, V >::iterator lower_bound = std::map< K, V >::iterator begin;
%typemap(out) std::map< K, V >::iterator upper_bound = std::map< K, V >::iterator begin;
%enddef

%tav_value_elements(int, SWIG_Traits_frag(int))
%tav_vector(int)
%tav_enum_vector(tav::CharacterClassNS::Value)
%tav_enum_vector(tav::ConditionNS::Value)
%tav_enum_vector(tav::ElementStateNS::Value)
%tav_enum_vector(tav::MonsterTypeNS::Value)
%tav_enum_vector(tav::PlayerInitNS::Value)
%tav_enum_vector(tav::SummonColorNS::Value)
%tav_vector(tav::Actor)
%tav_vector(tav::MonsterInstance)
%tav_map(int, tav::MonsterAbilityDeck)
