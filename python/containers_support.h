// C++ support of the container classes of the Python module: slices, bounded iterators and the
// element traits of the enumeration vectors.
//
// Included into the generated wrapper by the fragments of containers.i, after the generator's
// container runtime (SwigPyIterator_T, SwigPySequence_Base, the map traits), which it builds on.
// The views of views_support.h tell whether an iterator's container can still be reached.
#ifndef TAV_PYTHON_CONTAINERS_SUPPORT_H
#define TAV_PYTHON_CONTAINERS_SUPPORT_H

#include <algorithm>
#include <climits>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "views_support.h"

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
}  // namespace swig

namespace tav_swig {

// Records handed out by value (iterators, pop(), the map's values): an owned copy, in a proxy
// made as views make theirs (tav_binding::newProxy).
template <class T>
struct OwnedCopy {
  typedef T value_type;
  static PyObject *from(const value_type &val) {
    return tav_binding::newOwned(new T(val), swig::type_info<T>(), SWIG_POINTER_OWN);
  }
};

}  // namespace tav_swig

namespace swig {
template <>
struct traits_from<tav::Actor> : tav_swig::OwnedCopy<tav::Actor> {};
template <>
struct traits_from<tav::MonsterInstance> : tav_swig::OwnedCopy<tav::MonsterInstance> {};
template <>
struct traits_from<tav::MonsterAbilityDeck> : tav_swig::OwnedCopy<tav::MonsterAbilityDeck> {};
}  // namespace swig

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

// Element traits of an enumeration vector: any 32-bit integer converts, with no membership check.
template <class T>
struct EnumElement {
  static int asval(PyObject *obj, T *val) {
    int number = 0;
    int res = tav_AsIndex_int(obj, &number);
    if (SWIG_IsOK(res) && val) *val = static_cast<T>(number);
    return res;
  }
  static PyObject *from(const T &val) { return SWIG_From_int(static_cast<int>(val)); }
};

// An element taken from a Python sequence. An item that the sequence failed to produce (its
// __getitem__ raised after the elements were checked) arrives as null: report the pending
// Python exception instead of reading it.
template <class T>
T valueElement(PyObject *obj) {
  T value;
  if (!obj || !SWIG_IsOK(swig::asval(obj, &value))) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, swig::type_name<T>());
    throw std::invalid_argument("bad type");
  }
  return value;
}

template <class It>
struct isReverse : std::false_type {};
template <class It>
struct isReverse<std::reverse_iterator<It> > : std::true_type {};

template <class It>
struct isRandomAccess : std::is_same<typename std::iterator_traits<It>::iterator_category,
                                     std::random_access_iterator_tag> {};

// How a walk stands before its next step: an element to read, the end (the walk's end, or a
// vector that shrank to the iterator), or a container that went stale under the iterator (a
// vector that moved its elements, a map that lost the entry the iterator stands on, a container
// that can no longer be reached). A for loop raises RuntimeError for the last, as Python's dict
// does when it changes size under its iterator.
enum Walk { walkOn, walkEnd, walkStale };

// Implemented by the bounded iterators, so that a for loop can end without the native exception
// the generator's iterators raise for it, which costs microseconds per loop.
class EndOfWalk {
 public:
  virtual ~EndOfWalk() {}
  virtual Walk walk() const = 0;
};

// it as a bounded iterator, or null. Every step of a for loop asks, and a dynamic_cast costs more
// than the rest of the step: the offset of the cast is kept for the few iterator classes seen
// last, by the identity of their type_info (a class seen through another type_info object is
// merely cast again).
inline const EndOfWalk *endOfWalk(const swig::SwigPyIterator *it) {
  struct Known {
    const std::type_info *type;
    std::ptrdiff_t offset;  // of the EndOfWalk inside the iterator, or -1 for none
  };
  const int kept = 8;
  static Known known[kept] = {};
  static int next = 0;
  const std::type_info *type = &typeid(*it);
  const char *start = reinterpret_cast<const char *>(it);
  for (const Known &k : known) {
    if (k.type == type) {
      return k.offset < 0 ? 0 : reinterpret_cast<const EndOfWalk *>(start + k.offset);
    }
  }
  const EndOfWalk *bounded = dynamic_cast<const EndOfWalk *>(it);
  known[next].type = type;
  known[next].offset = bounded ? reinterpret_cast<const char *>(bounded) - start : -1;
  next = (next + 1) % kept;
  return bounded;
}

inline Walk walk(const swig::SwigPyIterator *it) {
  const EndOfWalk *bounded = endOfWalk(it);
  return bounded ? bounded->walk() : walkOn;
}

// Whether the next step of a for loop over it has an element to read; otherwise sets
// StopIteration at the end, RuntimeError on a container that went stale under it.
inline bool nextReady(const swig::SwigPyIterator *it) {
  switch (walk(it)) {
    case walkOn:
      return true;
    case walkEnd:
      PyErr_SetNone(PyExc_StopIteration);
      return false;
    case walkStale:
      break;
  }
  PyErr_SetString(PyExc_RuntimeError,
                  "container changed during iteration: its elements moved, or the entry the "
                  "iterator stands on was removed");
  return false;
}

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

// What an iterator remembers of its position besides the position itself. A map iterator keeps
// the key of the entry it stands on (the one its plain position designates), so that a later
// check finds that entry by key instead of reading a node that may have been freed.
template <class C, bool Map = !isRandomAccess<typename C::iterator>::value>
struct PositionMark {
  template <class It>
  void mark(const C &, const It &) {}
};
template <class C>
struct PositionMark<C, true> {
  template <class It>
  void mark(const C &c, const It &current) {
    typename C::const_iterator pos = plainOf(current);
    atEnd = pos == c.end();
    if (!atEnd) key = pos->first;
  }
  bool atEnd = true;
  typename C::key_type key = typename C::key_type();
};

// Whether current, an iterator of c made while anchor marked c's stable end, still stands in c.
// A vector must still hold its elements where it did (no reallocation) and current must lie
// within its present size; a map must still hold the entry of current, found by the key that
// mark remembers (a lookup that never reads a removed node).
template <class C, class It>
bool insideContainer(const C &c, const It &current, const It &anchor, const PositionMark<C> &,
                     bool element, std::true_type) {
  typename C::const_iterator pos = plainOf(current), first = c.begin(), last = c.end();
  if (plainOf(anchor) != first || pos < first || last < pos) return false;
  return !element || (isReverse<It>::value ? first < pos : pos < last);
}
template <class C, class It>
bool insideContainer(const C &c, const It &current, const It &anchor, const PositionMark<C> &mark,
                     bool element, std::false_type) {
  typename C::const_iterator pos = plainOf(current), first = c.begin(), last = c.end();
  if (plainOf(anchor) != last) return false;
  if (mark.atEnd) {
    if (pos != last) return false;
  } else if (c.find(mark.key) != pos) {
    return false;
  }
  return !element || pos != (isReverse<It>::value ? first : last);
}

// Whether c went stale under current: a vector's elements moved (its begin is no longer anchor),
// a map lost the entry that mark remembers.
// Whether current stands at the first position of c as the iterator walks it (begin, or
// rbegin for a reverse iterator): a step back from there leaves the container. Compared
// against the container as it is now, since the first position the iterator was made with
// may have been freed since.
template <class C, class It>
bool atFront(const C &c, const It &current) {
  return typename C::const_iterator(current) == c.begin();
}
template <class C, class It>
bool atFront(const C &c, const std::reverse_iterator<It> &current) {
  return typename C::const_iterator(current.base()) == c.end();
}

template <class C, class It>
bool movedUnder(const C &c, const It &, const It &anchor, const PositionMark<C> &, std::true_type) {
  return plainOf(anchor) != typename C::const_iterator(c.begin());
}
template <class C, class It>
bool movedUnder(const C &c, const It &current, const It &, const PositionMark<C> &mark,
                std::false_type) {
  return !mark.atEnd && c.find(mark.key) != typename C::const_iterator(plainOf(current));
}

// An iterator that knows both ends of its container: reading or moving past either end raises
// StopIteration, copies keep the kind, and distance() never walks outside the container. Once
// watch() named its container, it also raises StopIteration when used after the container moved
// its elements, lost the one it stands on, or can no longer be reached (a view whose element
// was removed). Backward false makes it move forward only.
template <class C, class It, bool Backward = true,
          class Value = typename std::iterator_traits<It>::value_type,
          class FromOper = swig::from_oper<Value> >
class BoundedIterator : public swig::SwigPyIteratorClosed_T<It, Value, FromOper>,
                        public IteratorBounds<It>,
                        public EndOfWalk {
  typedef swig::SwigPyIteratorClosed_T<It, Value, FromOper> base;

 public:
  BoundedIterator(It current, It first, It last, PyObject *seq)
      : base(current, first, last, seq), container_(0) {}

  // Names the container the iterator walks and the handle through which it was reached.
  BoundedIterator *watch(const C *container, PyObject *handle) {
    container_ = container;
    handle_.reset(handle);
    if (container_) mark_.mark(*container_, this->current);
    return this;
  }

  swig::SwigPyIterator *copy() const { return new BoundedIterator(*this); }

  PyObject *value() const {
    if (!usable(true)) throw swig::stop_iteration();
    return base::value();
  }

  Walk walk() const {
    if (container_ &&
        (!tav_binding::handleUsable(handle_.get()) ||
         movedUnder(*container_, this->current, this->anchor(), mark_, isRandomAccess<It>()))) {
      return walkStale;
    }
    return this->current == this->end || !usable(true) ? walkEnd : walkOn;
  }

  swig::SwigPyIterator *incr(size_t n = 1) {
    if (!usable(false)) throw swig::stop_iteration();
    refreshEnds(isRandomAccess<It>());
    try {
      base::incr(n);
    } catch (...) {
      if (container_) mark_.mark(*container_, this->current);
      throw;
    }
    if (container_) mark_.mark(*container_, this->current);
    return this;
  }

  swig::SwigPyIterator *decr(size_t n = 1) {
    if (!Backward || !usable(false)) throw swig::stop_iteration();
    refreshEnds(isRandomAccess<It>());
    try {
      for (; n > 0; --n) {
        if (container_ && atFront(*container_, this->current)) throw swig::stop_iteration();
        base::decr(1);
      }
    } catch (...) {
      if (container_) mark_.mark(*container_, this->current);
      throw;
    }
    if (container_) mark_.mark(*container_, this->current);
    return this;
  }

  // A map's ends as they are now: the first entry the iterator was made with may be gone (a map
  // emptied under an iterator at its end would otherwise be stepped back from its end). A
  // vector keeps the ends it was made with: its begin is checked, and its end bounds the walk.
  void refreshEnds(std::true_type) {}
  void refreshEnds(std::false_type) {
    if (!container_) return;
    C &c = const_cast<C &>(*container_);
    setEnds(c, this->current);
  }
  void setEnds(C &c, const typename C::iterator &) {
    this->begin = c.begin();
    this->end = c.end();
  }
  void setEnds(C &c, const typename C::reverse_iterator &) {
    this->begin = c.rbegin();
    this->end = c.rend();
  }

  bool usable(bool element) const {
    if (!container_) return true;
    if (!tav_binding::handleUsable(handle_.get())) return false;
    return insideContainer(*container_, this->current, this->anchor(), mark_, element,
                           isRandomAccess<It>());
  }

  bool equal(const swig::SwigPyIterator &x) const {
    const IteratorBounds<It> &other = peer(x);
    return this->anchor() == other.anchor() && this->current == other.position();
  }

  ptrdiff_t distance(const swig::SwigPyIterator &x) const {
    const IteratorBounds<It> &other = peer(x);
    if (this->anchor() != other.anchor() || !usable(false) || !other.usable(false)) {
      throw std::invalid_argument(
          "iterators of different containers, or of a container that changed since");
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
    if (!other || other->form() != typeid(FromOper)) {
      throw std::invalid_argument(
          "iterators of different kinds: both must walk the same kind of container and yield "
          "the same (elements, keys, values or pairs)");
    }
    return *other;
  }

  ptrdiff_t steps(It from, It to, std::true_type) const { return to - from; }

  // Counts positions along the container as it is now; both are known to stand in it.
  ptrdiff_t steps(It from, It to, std::false_type) const {
    if (!container_) throw std::invalid_argument("iterators of an unknown container");
    return indexIn(*container_, to) - indexIn(*container_, from);
  }

  const C *container_;
  tav_binding::Reference handle_;
  PositionMark<C> mark_;
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
  return (new BoundedIterator<C, typename C::iterator>(it, c.begin(), c.end(), seq))
      ->watch(&c, tav_binding::handleOf(seq));
}
template <class C>
swig::SwigPyIterator *makeIterator(C &c, typename C::reverse_iterator it, PyObject *seq) {
  return (new BoundedIterator<C, typename C::reverse_iterator, !isMap<C>::value>(it, c.rbegin(),
                                                                                 c.rend(), seq))
      ->watch(&c, tav_binding::handleOf(seq));
}

// The iterators of iterator(), key_iterator() and value_iterator(), watching the container whose
// Python object seq they hold.
template <class C, class Iterator>
swig::SwigPyIterator *watchedIterator(Iterator *iterator, PyObject *seq) {
  PyObject *handle = seq ? tav_binding::handleOf(seq) : 0;
  const C *container =
      handle ? static_cast<const C *>(reinterpret_cast<SwigPyObject *>(handle)->ptr) : 0;
  return iterator->watch(container, handle);
}

// The three iterators that iterator(), key_iterator() and value_iterator() of a container make.
template <class C>
swig::SwigPyIterator *elementIterator(const typename C::iterator &current,
                                      const typename C::iterator &begin,
                                      const typename C::iterator &end, PyObject *seq) {
  return watchedIterator<C>(
      new BoundedIterator<C, typename C::iterator, !isMap<C>::value>(current, begin, end, seq),
      seq);
}
template <class C>
swig::SwigPyIterator *keyIterator(const typename C::iterator &current,
                                  const typename C::iterator &begin,
                                  const typename C::iterator &end, PyObject *seq) {
  typedef typename C::value_type Pair;
  return watchedIterator<C>(
      new BoundedIterator<C, typename C::iterator, true, Pair, swig::from_key_oper<Pair> >(
          current, begin, end, seq),
      seq);
}
template <class C>
swig::SwigPyIterator *valueIterator(const typename C::iterator &current,
                                    const typename C::iterator &begin,
                                    const typename C::iterator &end, PyObject *seq) {
  typedef typename C::value_type Pair;
  return watchedIterator<C>(
      new BoundedIterator<C, typename C::iterator, true, Pair, swig::from_value_oper<Pair> >(
          current, begin, end, seq),
      seq);
}

enum IteratorCheck { iteratorInside, iteratorWrongType, iteratorOutside };

// The iterator object obj as an iterator of c's type, or null when it is none.
template <class C>
const IteratorBounds<typename C::iterator> *iteratorBounds(PyObject *obj) {
  swig::SwigPyIterator *iter = 0;
  int res =
      SWIG_ConvertPtr(obj, reinterpret_cast<void **>(&iter), swig::SwigPyIterator::descriptor(), 0);
  return SWIG_IsOK(res) && iter ? dynamic_cast<const IteratorBounds<typename C::iterator> *>(iter)
                                : 0;
}

// Checks that bounds (an iterator argument) comes from c (same anchor) and still stands inside
// it, between its begin and end, both included; stores its position into pos. Called when the
// argument is converted and again after all arguments were converted, since converting a later
// argument can run Python code that changes the container.
template <class C, class Position>
IteratorCheck iteratorArgument(C &c, const IteratorBounds<typename C::iterator> *bounds,
                               Position &pos) {
  typedef typename C::iterator It;
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

// The entries of m as Python objects, for keys(), values(), items() and asdict(). Making a
// Python object can run a collection whose finalizers change m, so the walk takes the keys
// first and finds each entry again by key (O(log n)); entries removed meanwhile are left out.
// Null with OverflowError for a map larger than a Python list may be.
template <class M>
bool mapKeysOf(const M &m, std::vector<typename M::key_type> &keys) {
  if (m.size() > static_cast<typename M::size_type>(INT_MAX)) {
    PyErr_SetString(PyExc_OverflowError, "map size not valid in python");
    return false;
  }
  keys.reserve(m.size());
  for (const auto &entry : m) keys.push_back(entry.first);
  return true;
}

// Calls add(key, value) for each entry of m still there, in key order; false when add fails.
template <class M, class Add>
bool forEachEntry(const M &m, const std::vector<typename M::key_type> &keys, Add add) {
  for (const typename M::key_type &key : keys) {
    typename M::const_iterator it = m.find(key);
    if (it != m.end() && !add(it->first, it->second)) return false;
  }
  return true;
}

// Appends item (a new reference, or null) to list; false on failure.
inline bool appendNew(PyObject *list, PyObject *item) {
  if (!item) return false;
  const int res = PyList_Append(list, item);
  Py_DECREF(item);
  return res == 0;
}

template <class M, class Item>
PyObject *mapList(const M &m, Item item) {
  std::vector<typename M::key_type> keys;
  if (!mapKeysOf(m, keys)) return 0;
  PyObject *list = PyList_New(0);
  if (list &&
      !forEachEntry(m, keys,
                    [&](const typename M::key_type &key, const typename M::mapped_type &value) {
                      return appendNew(list, item(key, value));
                    })) {
    Py_DECREF(list);
    list = 0;
  }
  return list;
}

template <class M>
PyObject *mapKeys(const M &m) {
  return mapList(m, [](const typename M::key_type &key, const typename M::mapped_type &) {
    return swig::from(key);
  });
}

template <class M>
PyObject *mapValues(const M &m) {
  return mapList(m, [](const typename M::key_type &, const typename M::mapped_type &value) {
    return swig::from(value);
  });
}

template <class M>
PyObject *mapItems(const M &m) {
  return mapList(m, [](const typename M::key_type &key, const typename M::mapped_type &value) {
    PyObject *item = PyTuple_New(2);
    if (!item) return item;
    PyTuple_SET_ITEM(item, 0, swig::from(key));
    PyTuple_SET_ITEM(item, 1, swig::from(value));
    if (!PyTuple_GET_ITEM(item, 0) || !PyTuple_GET_ITEM(item, 1)) {
      Py_DECREF(item);
      return static_cast<PyObject *>(0);
    }
    return item;
  });
}

template <class M>
PyObject *mapDict(const M &m) {
  std::vector<typename M::key_type> keys;
  if (!mapKeysOf(m, keys)) return 0;
  PyObject *dict = PyDict_New();
  if (dict &&
      !forEachEntry(m, keys,
                    [&](const typename M::key_type &key, const typename M::mapped_type &value) {
                      swig::SwigVar_PyObject k = swig::from(key);
                      swig::SwigVar_PyObject v = swig::from(value);
                      return k && v && PyDict_SetItem(dict, k, v) == 0;
                    })) {
    Py_DECREF(dict);
    dict = 0;
  }
  return dict;
}

// ---------------------------------------------------------------------------------------------
// iter() of a vector: a small native iterator instead of a SwigPyIterator proxy (which costs a
// native iterator object, a proxy with its dictionary and a handle lookup for every step). It
// holds the vector's Python object and its handle, and before every step checks, as the bounded
// iterators do, that the handle can still be used (a view whose element was moved or removed
// cannot) and that the vector did not move its elements (RuntimeError for either); a vector that
// shrank ends the walk where it now ends. Record elements come as owned copies, as from the
// bounded iterators.
struct VectorWalk {
  PyObject head;       // the object header
  PyObject *seq;       // the vector's Python object; null once cleared by the collector
  PyObject *handle;    // its handle when the walk began
  const void *vector;  // the native vector
  const void *anchor;  // its buffer when the walk began
  std::size_t index;   // the next element
  std::size_t end;     // the vector's size when the walk began
  PyObject *(*step)(VectorWalk *);
};

inline int walkTraverse(PyObject *object, visitproc visit, void *arg) {
  VectorWalk *walk = reinterpret_cast<VectorWalk *>(object);
  Py_VISIT(walk->seq);
  Py_VISIT(walk->handle);
  return 0;
}
inline int walkClear(PyObject *object) {
  VectorWalk *walk = reinterpret_cast<VectorWalk *>(object);
  Py_CLEAR(walk->seq);
  Py_CLEAR(walk->handle);
  return 0;
}
inline void walkDealloc(PyObject *object) {
  PyObject_GC_UnTrack(object);
  walkClear(object);
  PyObject_GC_Del(object);
}
inline PyObject *walkNext(PyObject *object) {
  VectorWalk *walk = reinterpret_cast<VectorWalk *>(object);
  return walk->seq ? walk->step(walk) : 0;
}

// The type of the vector iterators, readied on first use.
inline PyTypeObject *walkType() {
  static PyTypeObject type;
  if (!(type.tp_flags & Py_TPFLAGS_READY)) {
    Py_SET_REFCNT(reinterpret_cast<PyObject *>(&type), 1);
    type.tp_name = "tav.vector_iterator";
    type.tp_doc = "An iterator over the elements of a vector.";
    type.tp_basicsize = sizeof(VectorWalk);
    type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
    type.tp_dealloc = walkDealloc;
    type.tp_traverse = walkTraverse;
    type.tp_clear = walkClear;
    type.tp_iter = PyObject_SelfIter;
    type.tp_iternext = walkNext;
    if (PyType_Ready(&type) < 0) return 0;
  }
  return &type;
}

template <class T>
PyObject *walkElement(const T &element) {
  if constexpr (std::is_class<T>::value) {
    return tav_binding::newOwned(new T(element), swig::type_info<T>(), SWIG_POINTER_OWN);
  } else {
    // As the element traits convert them: enumeration values as the int they hold.
    return PyLong_FromLong(static_cast<int>(element));
  }
}

template <class V>
PyObject *walkStep(VectorWalk *walk) {
  // The handle first: a vector inside a removed element is no longer memory to read.
  const V &v = *static_cast<const V *>(walk->vector);
  if (!tav_binding::handleUsable(walk->handle) || v.data() != walk->anchor) {
    PyErr_SetString(PyExc_RuntimeError,
                    "container changed during iteration: its elements moved, or the entry the "
                    "iterator stands on was removed");
    return 0;
  }
  if (walk->index >= walk->end || walk->index >= v.size()) return 0;
  return walkElement(v[walk->index++]);
}

// iter(self) for a vector of type V (ty), or the argument error of a self that is none
// (message names the method and the type).
template <class V>
PyObject *walkVector(PyObject *self, swig_type_info *ty, const char *message) {
  void *ptr = 0;
  const int res = tav_binding::convertPtr(self, &ptr, ty, 0);
  if (!SWIG_IsOK(res)) {
    tav_binding::setError(SWIG_ArgError(res), message);
    return 0;
  }
  if (!ptr) {
    PyErr_Format(PyExc_ValueError, "invalid null reference %s", message);
    return 0;
  }
  PyTypeObject *type = walkType();
  if (!type) return 0;
  VectorWalk *walk = PyObject_GC_New(VectorWalk, type);
  if (!walk) return 0;
  const V &v = *static_cast<const V *>(ptr);
  PyObject *handle = tav_binding::lastConverted().object == self
                         ? reinterpret_cast<PyObject *>(tav_binding::lastConverted().handle)
                         : tav_binding::handleOf(self);
  Py_INCREF(self);
  walk->seq = self;
  Py_XINCREF(handle);
  walk->handle = handle;
  walk->vector = ptr;
  walk->anchor = v.data();
  walk->index = 0;
  walk->end = v.size();
  walk->step = &walkStep<V>;
  PyObject_GC_Track(reinterpret_cast<PyObject *>(walk));
  return reinterpret_cast<PyObject *>(walk);
}

// Lists the iterator function of class name in the module's _walks table, as a method of any
// object (the proxy class takes it as its __iter__, from where it is called without binding).
inline int addWalk(PyObject *module, const char *name, PyMethodDef *method) {
  PyObject *walks = PyObject_GetAttrString(module, "_walks");
  if (!walks) {
    PyErr_Clear();
    walks = PyDict_New();
    if (!walks || PyModule_AddObject(module, "_walks", walks) < 0) {
      Py_XDECREF(walks);
      return -1;
    }
    Py_INCREF(walks);
  }
  PyObject *descriptor = PyDescr_NewMethod(&PyBaseObject_Type, method);
  const int res = descriptor ? PyDict_SetItemString(walks, name, descriptor) : -1;
  Py_XDECREF(descriptor);
  Py_DECREF(walks);
  return res;
}

}  // namespace tav_swig

#endif  // TAV_PYTHON_CONTAINERS_SUPPORT_H
