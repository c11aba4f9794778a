// Vector and map methods that reach into an empty vector, allocate, or move elements: each gets
// one exception handler (a method has only one), made here.
//   - front(), back() and pop_back() of an empty vector raise IndexError;
//   - a size beyond the container's maximum raises OverflowError, memory that cannot be had
//     MemoryError;
//   - a method that moves or removes elements marks the views of those elements (views.i), so
//     they are refused afterwards; views of elements that stay put keep working.

%define %tav_nonempty_check(TEXT)
  if (arg1->empty()) {
    SWIG_exception_fail(SWIG_IndexError, TEXT);
  }
%enddef

// Wraps the call: allocation failures become Python exceptions.
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

// As %tav_allocating, for a vector method that may move the elements from index FROM on (an
// expression of the arguments, evaluated before the call), and all of them if it reallocates.
%define %tav_vector_change(METHOD, FROM, CHECK...)
%feature("except") METHOD {
  CHECK
  {
    auto tav_change = tav_binding::vectorChange(*arg1);
    const std::size_t tav_from = FROM;
    try {
      $action
    } catch (const std::length_error &e) {
      tav_change.done(*arg1, 0);
      SWIG_exception_fail(SWIG_OverflowError, e.what());
    } catch (const std::bad_alloc &) {
      tav_change.done(*arg1, 0);
      SWIG_exception_fail(SWIG_MemoryError, "out of memory");
    }
    tav_change.done(*arg1, tav_from);
  }
}
%enddef


%feature("except") std::vector::front {
  %tav_nonempty_check("index out of range")
  $action
}
%feature("except") std::vector::back {
  %tav_nonempty_check("index out of range")
  $action
}
%tav_vector_change(std::vector::pop_back, tav_change.size() - 1, %tav_nonempty_check("pop from empty container"))
%tav_vector_change(std::vector::pop, tav_change.size() - 1)
%tav_vector_change(std::vector::push_back, tav_change.size())
%tav_vector_change(std::vector::append, tav_change.size())
%tav_vector_change(std::vector::reserve, tav_change.size())
%tav_vector_change(std::vector::resize, std::min< std::size_t >(arg2, tav_change.size()))
%tav_vector_change(std::vector::insert, tav_binding::firstMoved(*arg1, arg2))
%tav_vector_change(std::vector::erase, tav_binding::firstMoved(*arg1, arg2))
%tav_vector_change(std::vector::__delitem__, tav_binding::firstMoved(*arg1, arg2))
%tav_vector_change(std::vector::__setitem__, tav_binding::beforeSet(*arg1, arg2))
%tav_vector_change(std::vector::__setslice__, 0)
%tav_vector_change(std::vector::__delslice__, 0)
%tav_vector_change(std::vector::assign, 0)
%tav_vector_change(std::vector::clear, 0)
%feature("except") std::vector::swap {
  {
    auto tav_change = tav_binding::vectorChange(*arg1);
    auto tav_other = tav_binding::vectorChange(*arg2);
    $action
    tav_change.done(*arg1, 0);
    tav_other.done(*arg2, 0);
  }
}
%tav_allocating(std::vector::vector)
%tav_allocating(std::vector::__getitem__)
%tav_allocating(std::vector::__getslice__)

// Map values are nodes that never move; they go when their key does.
%tav_allocating(std::map::map)
%tav_allocating(std::map::__setitem__)
%feature("except") std::map::__delitem__ {
  tav_binding::beforeErase(*arg1, arg2);
  $action
}
%feature("except") std::map::erase {
  tav_binding::beforeErase(*arg1, arg2);
  $action
}
%feature("except") std::map::clear {
  tav_binding::invalidateContents(*arg1);
  $action
}
%feature("except") std::map::swap {
  tav_binding::invalidateContents(*arg1);
  tav_binding::invalidateContents(*arg2);
  $action
}
