// tl::optional as the binding sees it: construction from nothing, a value or another optional,
// has_value(), and value() returning a copy of the held value. value() never throws: an empty
// optional yields the value type's default (0 or a default-constructed record).

// value() takes no Python argument: the wrapper makes a default temporary, the call copies the
// held value into it when there is one, and the temporary becomes the result.
%typemap(in, numinputs=0, noblock=1) SWIGTYPE &VALUE_OUT ($*1_ltype temp) {
  $1 = &temp;
}
%typemap(argout, noblock=1) SWIGTYPE &VALUE_OUT {
  %append_output(SWIG_NewPointerObj(new $*1_ltype(temp$argnum), $1_descriptor, SWIG_POINTER_OWN));
}
%typemap(in, numinputs=0, noblock=1) int &VALUE_OUT (int temp), enum SWIGTYPE &VALUE_OUT ($*1_ltype temp) {
  temp = $*1_ltype();
  $1 = &temp;
}
%typemap(argout, noblock=1) int &VALUE_OUT, enum SWIGTYPE &VALUE_OUT {
  %append_output(SWIG_From_int(static_cast<int>(temp$argnum)));
}

namespace tl {

template <class T>
class optional {
 public:
  optional();
  optional(const T& value);
  optional(const optional& other);
  bool has_value() const;
  %extend {
    void value(T& VALUE_OUT) const {
      if ($self->has_value()) VALUE_OUT = **$self;
    }
  }
};

template <class T>
optional<T> make_optional(T v);

}  // namespace tl

