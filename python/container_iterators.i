// Bounded iterators: the iterator class's operators, the iterator results of the containers and
// their iterator arguments. The C++ side is BoundedIterator in containers_support.h.

// ---------------------------------------------------------------------------------------------
// The iterator class. Its features must precede its declaration in the generator's library.

// A native std::invalid_argument of a container or iterator method (iterators of another kind
// or container, a slice step of zero) raises RuntimeError with its text, unless the failure
// already set a Python exception (an element that did not convert).
%typemap(throws, noblock=1) std::invalid_argument {
  if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, $1.what());
  SWIG_fail;
}

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

// next() and __next__() at the end of a walk: StopIteration set directly, without the native
// exception that the iterator itself would throw (microseconds for every for loop); on a
// container that went stale under the iterator, RuntimeError (tav_swig::nextReady).
namespace swig {
%feature("action") SwigPyIterator::__next__ {
  if (!tav_swig::nextReady(arg1)) SWIG_fail;
  result = (PyObject *)(arg1)->__next__();
}
%feature("action") SwigPyIterator::next {
  if (!tav_swig::nextReady(arg1)) SWIG_fail;
  result = (PyObject *)(arg1)->next();
}
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

// The C++ side, once the generator's iterator and sequence support is in.
%fragment("tav_containers", "header", fragment="SwigPyIterator_T", fragment="StdMapCommonTraits",
          fragment="SwigPySequence_Base", fragment="StdTraits", fragment="tav_index_int",
          fragment="SWIG_From_int") %{
#include "containers_support.h"
%}

// ---------------------------------------------------------------------------------------------
// Iterator results and arguments of the container C.

// Checks after all arguments were converted: converting a later argument may have run Python
// code that changed the container, so each iterator argument is checked again.
%define %tav_iterator_checks(C...)
// erase(pos): an element, not the end.
%typemap(check, noblock=1) C::iterator pos, C::iterator position {
  if (tav_swig::iteratorArgument(*arg1, bounds$argnum, $1) != tav_swig::iteratorInside) {
    SWIG_exception_fail(SWIG_IndexError, "iterator outside the container");
  }
  if (static_cast< const C::iterator & >($1) == arg1->end()) {
    SWIG_exception_fail(SWIG_IndexError, "iterator at the end of the container");
  }
}
// insert(pos, ...): any position, the end included.
%typemap(check, noblock=1) (C::iterator pos, C::value_type const &x),
    (C::iterator pos, C::size_type n, C::value_type const &x) {
  if (tav_swig::iteratorArgument(*arg1, bounds2, $1) != tav_swig::iteratorInside) {
    SWIG_exception_fail(SWIG_IndexError, "iterator outside the container");
  }
}
%typemap(check, noblock=1) (C::iterator first, C::iterator last) {
  if (tav_swig::iteratorArgument(*arg1, bounds2, $1) != tav_swig::iteratorInside ||
      tav_swig::iteratorArgument(*arg1, bounds3, $2) != tav_swig::iteratorInside) {
    SWIG_exception_fail(SWIG_IndexError, "iterator outside the container");
  }
  if (!tav_swig::isRange(*arg1, static_cast< const C::iterator & >($1), static_cast< const C::iterator & >($2))) {
    SWIG_exception_fail(SWIG_IndexError, "iterator range outside the container");
  }
}
%enddef

%define %tav_iterator_typemaps(C...)
%typemap(out, noblock=1, fragment="tav_containers") C::iterator begin, C::iterator end, C::reverse_iterator rbegin,
    C::reverse_iterator rend {
  $result = SWIG_NewPointerObj(tav_swig::makeIterator(*arg1, $1, $self), swig::SwigPyIterator::descriptor(), SWIG_POINTER_OWN);
}
%typemap(in, noblock=1, fragment="tav_containers") C::iterator pos (C::iterator it, const tav_swig::IteratorBounds< C::iterator > *bounds),
    C::iterator position (C::iterator it, const tav_swig::IteratorBounds< C::iterator > *bounds),
    C::iterator first (C::iterator it, const tav_swig::IteratorBounds< C::iterator > *bounds),
    C::iterator last (C::iterator it, const tav_swig::IteratorBounds< C::iterator > *bounds) {
  {
    bounds = tav_swig::iteratorBounds< C >($input);
    tav_swig::IteratorCheck check = tav_swig::iteratorArgument(*arg1, bounds, it);
    if (check == tav_swig::iteratorWrongType) {
      %argument_fail(SWIG_TypeError, "$type", $symname, $argnum);
    } else if (check == tav_swig::iteratorOutside) {
      SWIG_exception_fail(SWIG_IndexError, "iterator outside the container");
    }
    $1 = it;
  }
}
%tav_iterator_checks(C)
%enddef
