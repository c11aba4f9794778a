// Views of the Python module: handles of native objects that live inside another object (a
// record's field, a vector element, a map value), which keep that object alive and are refused
// once the memory they show was moved or freed.
//
// Included into the generated wrapper by views.i, after the generator's runtime. A view's handle
// is a ViewHandle: a SwigPyObject (same layout, same type name) that also holds a reference to
// the Python object it was reached from and, for an element, how to find that element again.
// Every conversion of an argument goes through convertPtr, which checks the whole chain of
// views up to the owning object before native code sees the pointer; everything runs under the
// interpreter lock, so nothing can change between that check and the call.
//
// Two checks make a view stale, each O(1) (O(log n) for a map value):
//   - shape: a vector element must still be at its index in the vector's current buffer, a map
//     value must still be the node stored under its key; this holds whatever changed the
//     container (also native code outside this module), so memory is never touched after it
//     moved;
//   - registry: operations of this module that move or remove elements mark the views of the
//     elements they move (the registry holds every live element view by element address, in a
//     fixed table of buckets with the views chained through their handles, so that making and
//     dropping a view allocates nothing), so a view whose element shifted in place is refused
//     too. Views of elements that did not move stay valid. Marking costs one bucket probe per
//     moved element, of the order of the move itself; vectors of integers have no element views
//     and mark nothing.
#ifndef TAV_PYTHON_VIEWS_SUPPORT_H
#define TAV_PYTHON_VIEWS_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <type_traits>
#include <vector>

namespace tav_binding {

// A strong reference to a Python object (or none), released when the holder goes.
class Reference {
 public:
  Reference() : object_(0) {}
  Reference(const Reference &other) : object_(other.object_) { Py_XINCREF(object_); }
  Reference &operator=(const Reference &other) {
    reset(other.object_);
    return *this;
  }
  ~Reference() { Py_XDECREF(object_); }
  // Holds object (a new reference is taken), releasing what was held before.
  void reset(PyObject *object) {
    Py_XINCREF(object);
    PyObject *old = object_;
    object_ = object;
    Py_XDECREF(old);
  }
  PyObject *get() const { return object_; }

 private:
  PyObject *object_;
};

struct ViewHandle;

// Whether element still stands where the view found it inside container (see ViewHandle::key).
typedef bool (*ElementCheck)(const void *container, std::ptrdiff_t key, const void *element);

// The live element views by element address: buckets of views chained through their handles.
const int registryBits = 12;
inline ViewHandle **registry() {
  static ViewHandle *buckets[1 << registryBits];
  return buckets;
}
inline std::size_t bucketOf(const void *element) {
  std::uint64_t x = reinterpret_cast<std::uintptr_t>(element);
  x ^= x >> 29;
  x *= 0x9E3779B97F4A7C15ull;
  return static_cast<std::size_t>(x >> (64 - registryBits));
}

// The handle of a view. Its head is a SwigPyObject whose ptr is the viewed object and whose own
// flag is clear; it can never own that object.
struct ViewHandle {
  SwigPyObject head;
  PyObject *owner;        // the Python object the view was reached from
  PyObject *ownerHandle;  // that object's handle at the time, or null
  const void *container;  // for an element: the container that holds it
  ElementCheck check;     // for an element: how to find it again; null for a field
  std::ptrdiff_t key;     // the element's index or map key
  bool stale;             // refused for good
  bool registered;        // listed in the registry under head.ptr
  ViewHandle *previous;   // neighbours in the registry bucket
  ViewHandle *following;
};

// The type of view handles. It shows as SwigPyObject, so that every generated module (and the
// runtime's own checks) takes a view for a handle.
inline PyTypeObject &viewType() {
  static PyTypeObject type;
  return type;
}

// The view type in use: this module's own once initViews() ran. Other modules use this one
// through the runtime table (runtime_table.h).
inline PyTypeObject *&viewTypeInUse() {
  static PyTypeObject *type = 0;
  return type;
}

inline bool isView(const PyObject *handle) {
  return handle && Py_TYPE(handle) == viewTypeInUse() && viewTypeInUse();
}

inline void enlist(ViewHandle *view) {
  ViewHandle *&bucket = registry()[bucketOf(view->head.ptr)];
  view->previous = 0;
  view->following = bucket;
  if (bucket) bucket->previous = view;
  bucket = view;
  view->registered = true;
}

// Drops the element view from the registry.
inline void unregister(ViewHandle *view) {
  if (!view->registered) return;
  if (view->previous) {
    view->previous->following = view->following;
  } else {
    registry()[bucketOf(view->head.ptr)] = view->following;
  }
  if (view->following) view->following->previous = view->previous;
  view->registered = false;
}

// Marks stale every view of the element at address element: it is about to move or go.
inline void invalidate(const void *element) {
  ViewHandle *view = registry()[bucketOf(element)];
  while (view) {
    ViewHandle *next = view->following;
    if (view->head.ptr == element) {
      view->stale = true;
      unregister(view);
    }
    view = next;
  }
}

// Marks the views of the elements in [first, last). Elements that are not records have no views.
template <class T>
void invalidate(const T *first, const T *last) {
  if constexpr (std::is_class<T>::value) {
    for (; first < last; ++first) invalidate(static_cast<const void *>(first));
  }
}

template <class T>
void invalidateFrom(const std::vector<T> &v, std::size_t from) {
  if (from < v.size()) invalidate(v.data() + from, v.data() + v.size());
}

// The contents of a record that live in containers of their own: replaced in place, the record
// moves or frees the elements of those containers. Records without element views inside have
// nothing to mark.
template <class T>
void invalidateContents(const T &) {}
void invalidateContents(const tav::Actor &actor);
void invalidateContents(const tav::GameState &state);
template <class T>
void invalidateContents(const std::vector<T> &v) {
  invalidateFrom(v, 0);
  for (const T &element : v) invalidateContents(element);
}
template <class K, class V>
void invalidateContents(const std::map<K, V> &m) {
  for (const auto &entry : m) {
    invalidate(static_cast<const void *>(&entry.second));
    invalidateContents(entry.second);
  }
}
inline void invalidateContents(const tav::Actor &actor) { invalidateContents(actor.instances); }
inline void invalidateContents(const tav::GameState &state) {
  invalidateContents(state.actors);
  invalidateContents(state.ability_decks);
}

// A vector before a change that may move elements from some index on: the change marks the
// views of those elements, or of all elements when the vector moved its buffer.
template <class T>
class VectorChange {
 public:
  explicit VectorChange(const std::vector<T> &v) : data_(v.data()), size_(v.size()) {}
  // Marks the elements from index from on (all of them if the buffer moved since).
  void done(const std::vector<T> &v, std::size_t from) const {
    if (v.data() != data_) from = 0;
    if (from < size_) invalidate(data_ + from, data_ + size_);
  }
  std::size_t size() const { return size_; }

 private:
  const T *data_;
  std::size_t size_;
};

template <class T>
VectorChange<T> vectorChange(const std::vector<T> &v) {
  return VectorChange<T>(v);
}

// The first index a change moves, for the position argument of erase, insert and __delitem__
// (an iterator or an index); a slice or any other argument moves everything.
template <class T, class Arg>
std::size_t firstMoved(const std::vector<T> &v, const Arg &arg) {
  typedef typename std::vector<T>::iterator Iterator;
  if constexpr (std::is_convertible<const Arg &, Iterator>::value) {
    const Iterator pos = arg;
    return static_cast<std::size_t>(pos - v.begin());
  } else if constexpr (std::is_integral<Arg>::value) {
    std::ptrdiff_t i = static_cast<std::ptrdiff_t>(arg);
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(v.size());
    if (i < 0) i += n;
    return i < 0 ? 0 : static_cast<std::size_t>(i);
  } else {
    return 0;
  }
}

// __setitem__(i, x) replaces element i in place: the element stays, what lives inside it goes.
// Returns the first index that moves (none for an index, all for a slice).
template <class T, class Arg>
std::size_t beforeSet(const std::vector<T> &v, const Arg &arg) {
  if constexpr (std::is_integral<Arg>::value) {
    std::ptrdiff_t i = static_cast<std::ptrdiff_t>(arg);
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(v.size());
    if (i < 0) i += n;
    if (i >= 0 && i < n) invalidateContents(v[static_cast<std::size_t>(i)]);
    return v.size();
  } else {
    return 0;
  }
}

// Before a map loses the entry of a key (arg points to it), or the entries from an iterator on.
template <class K, class V, class Arg>
void beforeErase(const std::map<K, V> &m, const Arg &arg) {
  typename std::map<K, V>::const_iterator it;
  if constexpr (std::is_convertible<const Arg &, const K *>::value) {
    const K *key = arg;
    it = m.find(*key);
    if (it == m.end()) return;
    invalidate(static_cast<const void *>(&it->second));
    invalidateContents(it->second);
    return;
  } else {
    const typename std::map<K, V>::iterator first = arg;
    for (it = first; it != m.end(); ++it) {
      invalidate(static_cast<const void *>(&it->second));
      invalidateContents(it->second);
    }
  }
}

template <class T>
bool vectorElement(const void *container, std::ptrdiff_t key, const void *element) {
  const std::vector<T> &v = *static_cast<const std::vector<T> *>(container);
  return key >= 0 && static_cast<std::size_t>(key) < v.size() && &v[key] == element;
}

template <class K, class V>
bool mapValue(const void *container, std::ptrdiff_t key, const void *element) {
  const std::map<K, V> &m = *static_cast<const std::map<K, V> *>(container);
  typename std::map<K, V>::const_iterator it = m.find(static_cast<K>(key));
  return it != m.end() && &it->second == element;
}

// The handle behind obj: obj itself, or the end of its chain of "this" attributes (instance
// dictionaries and weak proxies only: the lookup never runs Python code, so nothing can change
// between the conversions of a call). Null when there is none, or when the chain loops or runs
// longer than any the module makes.
inline SwigPyObject *swigThis(PyObject *obj) {
  for (int depth = 0; obj && depth < 8; ++depth) {
    // Handles first by their exact types; the runtime's own check compares type names, which a
    // proxy object (a heap type, which no handle type is) need not go through.
    PyTypeObject *type = Py_TYPE(obj);
    if (type == viewTypeInUse() || type == SwigPyObject_type() ||
        (!(type->tp_flags & Py_TPFLAGS_HEAPTYPE) && SwigPyObject_Check(obj))) {
      return reinterpret_cast<SwigPyObject *>(obj);
    }
    PyObject *next = 0;
    PyObject **dict = _PyObject_GetDictPtr(obj);
    if (dict) {
      // Without the exception saving of PyDict_GetItem unless an exception is pending; a lookup
      // that fails is taken as no handle.
      if (!*dict) {
        next = 0;
      } else if (PyErr_Occurred()) {
        next = PyDict_GetItem(*dict, SWIG_This());
      } else {
        next = PyDict_GetItemWithError(*dict, SWIG_This());
        if (!next) PyErr_Clear();
      }
    } else if (PyWeakref_CheckProxy(obj)) {
      next = PyWeakref_GET_OBJECT(obj);
      if (next == Py_None) next = 0;
    }
    obj = next;
  }
  return 0;
}

inline PyObject *handleOf(PyObject *obj) { return reinterpret_cast<PyObject *>(swigThis(obj)); }

bool viewUsable(ViewHandle *view);

// Whether the object of handle can still be used: a view whose chain holds, or an owned object
// that was not destroyed through its destructor. Null (no handle known) passes.
inline bool handleUsable(PyObject *handle) {
  if (!handle) return true;
  if (isView(handle)) return viewUsable(reinterpret_cast<ViewHandle *>(handle));
  return reinterpret_cast<SwigPyObject *>(handle)->ptr != 0;
}

// Whether the view still shows live memory that did not move: its owner's chain holds, and its
// element is where it was. A refused view stays refused.
inline bool viewUsable(ViewHandle *view) {
  if (view->stale) return false;
  if (!handleUsable(view->ownerHandle) ||
      (view->check && !view->check(view->container, view->key, view->head.ptr))) {
    view->stale = true;
    unregister(view);
    return false;
  }
  return true;
}

// The error code of a refused view: the argument conversion reports it as ReferenceError.
const int staleView = -100;

// The error code of an instance of a proxy class that holds no native object (a subclass whose
// __init__ did not call the base class's): the conversion reports it as TypeError naming both
// classes, kept here until then.
const int noNativeObject = -101;
struct MissingObject {
  PyTypeObject *given = 0;
  PyTypeObject *expected = 0;
};
inline MissingObject &missingObject() {
  static MissingObject missing;
  return missing;
}

// Whether obj, which has no handle, is an instance of the proxy class of ty (the failure is
// noNativeObject rather than a wrong type); no Python code runs.
inline bool lacksNativeObject(PyObject *obj, swig_type_info *ty) {
  SwigPyClientData *data = static_cast<SwigPyClientData *>(ty->clientdata);
  if (!data || !data->klass || !PyType_Check(data->klass)) return false;
  PyTypeObject *expected = reinterpret_cast<PyTypeObject *>(data->klass);
  if (!PyObject_TypeCheck(obj, expected)) return false;
  missingObject().given = Py_TYPE(obj);
  missingObject().expected = expected;
  return true;
}

// Set when a conversion refused a stale view, so that an overloaded function whose overloads
// all failed reports that rather than its list of prototypes.
inline bool &staleSeen() {
  static bool seen = false;
  return seen;
}

// Counts the conversions of arguments that ran Python code (an integer's __index__): a wrapper
// whose count changed during its conversions checks its first argument again before using it
// (tav.i's check typemap of self), since that code may have moved or freed what it shows.
inline unsigned long &pythonRuns() {
  static unsigned long runs = 0;
  return runs;
}

// Whether the first argument obj of the wrapper function can still be used after Python code
// ran during the conversions of the others. A destructor (which took the object from its handle
// already) has nothing to check.
inline bool stillUsable(PyObject *obj, const char *function) {
  return std::strncmp(function, "delete_", 7) == 0 || handleUsable(handleOf(obj));
}

// The last argument whose handle convertPtr looked up, and that handle: a view made by the same
// call from its first argument takes its owner's handle from here instead of looking it up
// again (the argument is alive for the whole call).
struct LastConverted {
  PyObject *object = 0;
  SwigPyObject *handle = 0;
};
inline LastConverted &lastConverted() {
  static LastConverted last;
  return last;
}

// Converts a Python argument to a pointer of type ty, as the runtime does, after checking that
// a view's chain still holds. Also stops on "this" chains that loop, and never lets a view
// give up its object (the destructors convert with SWIG_POINTER_DISOWN). An owned object handed
// to its destructor loses its pointer, so later uses get a null reference error.
inline int convertPtr(PyObject *obj, void **ptr, swig_type_info *ty, int flags) {
  if (!obj || obj == Py_None || !ty) return SWIG_Python_ConvertPtrAndOwn(obj, ptr, ty, flags, 0);
  SwigPyObject *handle = swigThis(obj);
  lastConverted().object = obj;
  lastConverted().handle = handle;
  if (!handle && lacksNativeObject(obj, ty)) return noNativeObject;
  for (int steps = 0; handle; handle = reinterpret_cast<SwigPyObject *>(handle->next)) {
    if (++steps > 64) return SWIG_ERROR;  // a chain of appended handles that loops
    if (handle->ty != ty && !SWIG_TypeCheck(handle->ty->name, ty)) continue;
    PyObject *found = reinterpret_cast<PyObject *>(handle);
    if (isView(found)) {
      if (!viewUsable(reinterpret_cast<ViewHandle *>(found))) {
        staleSeen() = true;
        return staleView;
      }
      if (flags & SWIG_POINTER_DISOWN) return SWIG_ERROR;
    }
    if (handle->ty == ty && !(flags & SWIG_POINTER_DISOWN) && !(flags & SWIG_POINTER_CLEAR)) {
      if (ptr) *ptr = handle->ptr;
      if (!handle->ptr && (flags & SWIG_POINTER_NO_NULL)) return SWIG_NullReferenceError;
      return SWIG_OK;
    }
    int res = SWIG_Python_ConvertPtrAndOwn(found, ptr, ty, flags, 0);
    if (SWIG_IsOK(res) && (flags & SWIG_POINTER_DISOWN)) handle->ptr = 0;
    return res;
  }
  return SWIG_ERROR;
}

// Sets the Python error of a failed conversion: a refused view raises ReferenceError with the
// argument message, everything else the runtime's exception.
inline void setError(int code, const char *message) {
  if (code == staleView) {
    staleSeen() = false;
    PyErr_Format(PyExc_ReferenceError, "%s: the element was moved or removed", message);
  } else if (code == noNativeObject && missingObject().given) {
    PyErr_Format(
        PyExc_TypeError,
        "%s: this %.200s holds no native object (its __init__ did not call %.200s.__init__)",
        message, missingObject().given->tp_name, missingObject().expected->tp_name);
    missingObject() = MissingObject();
  } else {
    SWIG_Python_SetErrorMsg(SWIG_Python_ErrorType(code), message);
  }
}

// The overload error of a function none of whose overloads matched.
inline void raiseOverloadError(const char *message) {
  if (staleSeen()) {
    staleSeen() = false;
    PyErr_SetString(PyExc_ReferenceError,
                    "an argument is a view whose element was moved or removed");
    return;
  }
  SWIG_Python_RaiseOrModifyTypeError(message);
}

// A new proxy object of data's class holding handle, as the runtime's shadow instances are (an
// instance made without __init__, with handle as its "this"). A class that makes its instances
// with object's own __new__ (every proxy class) is allocated directly instead of through a call
// of __new__, which costs as much again as the rest of a view.
inline PyObject *newProxy(SwigPyClientData *data, PyObject *handle) {
  PyTypeObject *cls =
      data->klass && PyType_Check(data->klass) ? reinterpret_cast<PyTypeObject *>(data->klass) : 0;
  if (!cls || cls->tp_new != PyBaseObject_Type.tp_new || (cls->tp_flags & Py_TPFLAGS_IS_ABSTRACT) ||
      !cls->tp_dictoffset) {
    return SWIG_Python_NewShadowInstance(data, handle);
  }
  PyObject *proxy = cls->tp_alloc(cls, 0);
  if (!proxy) return 0;
  PyObject *dict = PyObject_GenericGetDict(proxy, 0);
  const int res = dict ? PyDict_SetItem(dict, SWIG_This(), handle) : -1;
  Py_XDECREF(dict);
  if (res < 0) {
    Py_DECREF(proxy);
    return 0;
  }
  return proxy;
}

// A new handle of ptr (of type ty) as the runtime makes it (flags: SWIG_POINTER_OWN, ...), in a
// proxy object made by newProxy unless flags has SWIG_POINTER_NOSHADOW.
inline PyObject *newOwned(void *ptr, swig_type_info *ty, int flags) {
  PyObject *handle = SWIG_NewPointerObj(ptr, ty, flags | SWIG_POINTER_NOSHADOW);
  SwigPyClientData *data = ty ? static_cast<SwigPyClientData *>(ty->clientdata) : 0;
  if (!handle || !ptr || !data || (flags & SWIG_POINTER_NOSHADOW)) return handle;
  PyObject *proxy = newProxy(data, handle);
  Py_DECREF(handle);
  return proxy;
}

// A new view of ptr (of type ty) reached from the Python object owner: its handle, or the proxy
// object holding it. check and key, when given, find the element again in container.
inline PyObject *newView(void *ptr, swig_type_info *ty, int flags, PyObject *owner,
                         const void *container = 0, ElementCheck check = 0,
                         std::ptrdiff_t key = 0) {
  if (!ptr) return SWIG_Py_Void();
  ViewHandle *view = PyObject_New(ViewHandle, &viewType());
  if (!view) return 0;
  view->head.ptr = ptr;
  view->head.ty = ty;
  view->head.own = 0;
  view->head.next = 0;
  Py_XINCREF(owner);
  view->owner = owner;
  if (owner && owner == lastConverted().object) {
    view->ownerHandle = reinterpret_cast<PyObject *>(lastConverted().handle);
  } else {
    view->ownerHandle = owner ? handleOf(owner) : 0;
  }
  Py_XINCREF(view->ownerHandle);
  view->container = container;
  view->check = check;
  view->key = key;
  view->stale = false;
  view->registered = false;
  view->previous = view->following = 0;
  if (check) enlist(view);
  PyObject *handle = reinterpret_cast<PyObject *>(view);
  SwigPyClientData *data = ty ? static_cast<SwigPyClientData *>(ty->clientdata) : 0;
  if (data && !(flags & SWIG_POINTER_NOSHADOW)) {
    PyObject *proxy = newProxy(data, handle);
    Py_DECREF(handle);
    return proxy;
  }
  return handle;
}

inline void viewDealloc(PyObject *object) {
  ViewHandle *view = reinterpret_cast<ViewHandle *>(object);
  unregister(view);
  Py_XDECREF(view->head.next);
  Py_XDECREF(view->ownerHandle);
  Py_XDECREF(view->owner);
  PyObject_Free(object);
}

// Handle methods that would hand a view's memory to Python refuse to.
inline PyObject *viewAcquire(PyObject *, PyObject *) {
  PyErr_SetString(PyExc_ValueError, "a view cannot own the object it shows");
  return 0;
}
inline PyObject *viewOwn(PyObject *self, PyObject *args) {
  PyObject *value = 0;
  if (!PyArg_UnpackTuple(args, "own", 0, 1, &value)) return 0;
  if (value) {
    int wanted = PyObject_IsTrue(value);
    if (wanted < 0) return 0;
    if (wanted) return viewAcquire(self, 0);
  }
  Py_RETURN_FALSE;
}

// own() of a plain handle, which reports a failing truth test of its argument instead of
// taking it as true.
inline PyObject *handleOwn(PyObject *self, PyObject *args) {
  PyObject *value = 0;
  if (!PyArg_UnpackTuple(args, "own", 0, 1, &value)) return 0;
  SwigPyObject *handle = reinterpret_cast<SwigPyObject *>(self);
  PyObject *was = PyBool_FromLong(handle->own);
  if (value) {
    int wanted = PyObject_IsTrue(value);
    if (wanted < 0) {
      Py_DECREF(was);
      return 0;
    }
    handle->own = wanted ? SWIG_POINTER_OWN : 0;
  }
  return was;
}

// append() of any handle: refuses a handle that would make the chain loop.
inline PyObject *guardedAppend(PyObject *self, PyObject *next) {
  if (!SwigPyObject_Check(next)) {
    PyErr_SetString(PyExc_TypeError, "Attempt to append a non SwigPyObject");
    return 0;
  }
  for (PyObject *h = next; h; h = reinterpret_cast<SwigPyObject *>(h)->next) {
    if (h == self) {
      PyErr_SetString(PyExc_TypeError, "appending this handle would make its chain loop");
      return 0;
    }
  }
  for (PyObject *h = self; h; h = reinterpret_cast<SwigPyObject *>(h)->next) {
    if (h == next) {
      PyErr_SetString(PyExc_TypeError, "appending this handle would make its chain loop");
      return 0;
    }
  }
  return SwigPyObject_append(self, next);
}

// The runtime's shadow-instance initialisation, with the bounded handle lookup.
inline PyObject *initShadowInstance(PyObject *args) {
  PyObject *obj[2];
  if (!SWIG_Python_UnpackTuple(args, "swiginit", 2, 2, obj)) return 0;
  if (!SwigPyObject_Check(obj[1])) {
    PyErr_SetString(PyExc_TypeError, "Attempt to append a non SwigPyObject");
    return 0;
  }
  PyObject *self = handleOf(obj[0]);
  if (self) {
    PyObject *result = guardedAppend(self, obj[1]);
    if (!result) return 0;
    Py_DECREF(result);
  } else if (SWIG_Python_SetSwigThis(obj[0], obj[1]) != 0) {
    return 0;
  }
  return SWIG_Py_Void();
}

// Readies the view type from the runtime's handle type, makes append() of plain handles refuse
// loops and own() report a failing truth test. Called once from the module initialisation.
inline int initViews() {
  static PyMethodDef methods[] = {
      {"disown", SwigPyObject_disown, METH_NOARGS, "releases ownership of the pointer"},
      {"acquire", viewAcquire, METH_NOARGS, "acquires ownership of the pointer"},
      {"own", viewOwn, METH_VARARGS, "returns/sets ownership of the pointer"},
      {"append", guardedAppend, METH_O, "appends another 'this' object"},
      {"next", SwigPyObject_next, METH_NOARGS, "returns the next 'this' object"},
      {"__repr__", SwigPyObject_repr2, METH_NOARGS, "returns object representation"},
      {0, 0, 0, 0}};
  static PyMethodDef append = {"append", guardedAppend, METH_O, "appends another 'this' object"};
  static PyMethodDef own = {"own", handleOwn, METH_VARARGS,
                            "returns/sets ownership of the pointer"};
  PyTypeObject *base = SwigPyObject_type();
  PyTypeObject &type = viewType();
  if (type.tp_flags & Py_TPFLAGS_READY) return 0;
  viewTypeInUse() = &type;
  Py_SET_REFCNT(reinterpret_cast<PyObject *>(&type), 1);
  type.tp_name = "SwigPyObject";
  type.tp_doc = base->tp_doc;
  type.tp_basicsize = sizeof(ViewHandle);
  type.tp_dealloc = viewDealloc;
  type.tp_repr = base->tp_repr;
  type.tp_as_number = base->tp_as_number;
  type.tp_getattro = base->tp_getattro;
  type.tp_flags = Py_TPFLAGS_DEFAULT;
  type.tp_richcompare = base->tp_richcompare;
  type.tp_methods = methods;
  if (PyType_Ready(&type) < 0) return -1;
  PyMethodDef *replaced[] = {&append, &own};
  for (PyMethodDef *method : replaced) {
    PyObject *descriptor = PyDescr_NewMethod(base, method);
    if (!descriptor) return -1;
    int res = PyDict_SetItemString(base->tp_dict, method->ml_name, descriptor);
    Py_DECREF(descriptor);
    if (res < 0) return -1;
  }
  PyType_Modified(base);
  return 0;
}

}  // namespace tav_binding

// Every argument conversion and its error go through the view checks; the runtime's handle
// lookup and shadow initialisation stop on "this" chains that loop.
//
// These stay macros: the generator's runtime defines each name unconditionally, with no option
// or feature to choose another, and calls it from code that no typemap reaches.
//   SWIG_ConvertPtr: besides the pointer typemaps, the container library's conversion
//     fragments (element and sequence traits, iterator arguments) call it; typemaps alone would
//     leave those conversions without the view checks.
//   SWIG_Error: every SWIG_exception_fail and %argument_fail of the library's typemaps expands
//     to it, and its code-to-exception table has no room for the stale-view code.
//   SWIG_Python_RaiseOrModifyTypeError: called by name by every generated overload dispatcher
//     when no overload matched; no feature changes that failure.
//   SWIG_Python_InitShadowInstance: called by name by every generated X_swiginit; the runtime's
//     appends the handle without looking for a loop.
//   SWIG_Python_GetSwigThis: called by the container library's sequence checks after this
//     header; the runtime's follows "this" attributes without a bound.
#undef SWIG_ConvertPtr
#define SWIG_ConvertPtr(obj, pptr, type, flags) tav_binding::convertPtr(obj, pptr, type, flags)
#undef SWIG_Error
#define SWIG_Error(code, msg) tav_binding::setError(code, msg)
#define SWIG_Python_RaiseOrModifyTypeError tav_binding::raiseOverloadError
#define SWIG_Python_InitShadowInstance tav_binding::initShadowInstance
#define SWIG_Python_GetSwigThis tav_binding::swigThis

// The result of a wrapper returning a pointer: an owned object when the wrapper made it
// (constructors), otherwise a view of a field of the wrapper's first argument.
#define TAV_POINTER_RESULT(owner) TAV_POINTER_RESULT_##owner
#define TAV_POINTER_RESULT_SWIG_POINTER_NEW(ptr, ty, flags) SWIG_NewPointerObj(ptr, ty, flags)
#define TAV_POINTER_RESULT_SWIG_POINTER_OWN(ptr, ty, flags) tav_binding::newOwned(ptr, ty, flags)
#define TAV_POINTER_RESULT_0(ptr, ty, flags) tav_binding::newView(ptr, ty, flags, swig_obj[0])

#endif  // TAV_PYTHON_VIEWS_SUPPORT_H
