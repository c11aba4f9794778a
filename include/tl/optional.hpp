#pragma once

// A small optional type with the interface of tl::optional that this library and its users
// need: optional values, optional references (optional<T&>), nullopt, make_optional and
// bad_optional_access. The build uses an installed tl::optional instead when one is found.

#include <exception>
#include <new>
#include <type_traits>
#include <utility>

namespace tl {

// Thrown by value() of an empty optional.
class bad_optional_access : public std::exception {
 public:
  bad_optional_access() = default;
  const char* what() const noexcept override { return "Optional has no value"; }
};

// Tag type and value for an empty optional.
struct nullopt_t {
  struct do_not_use {};
  constexpr explicit nullopt_t(do_not_use, do_not_use) noexcept {}
};
static constexpr nullopt_t nullopt{nullopt_t::do_not_use{}, nullopt_t::do_not_use{}};

// Tag for in-place construction.
struct in_place_t {
  explicit in_place_t() = default;
};
static constexpr in_place_t in_place{};

// An optional value of type T, stored inside the object (no heap use of its own).
template <class T>
class optional {
  static_assert(!std::is_reference<T>::value, "optional<T&> uses its own specialisation");

 public:
  using value_type = T;

  constexpr optional() noexcept : m_empty() {}
  constexpr optional(nullopt_t) noexcept : m_empty() {}

  optional(const optional& other) {
    if (other.m_has_value) construct(*other);
  }
  optional(optional&& other) noexcept(std::is_nothrow_move_constructible<T>::value) {
    if (other.m_has_value) construct(std::move(*other));
  }

  template <class... Args>
  explicit optional(in_place_t, Args&&... args) {
    construct(std::forward<Args>(args)...);
  }

  // Construction from anything T can be built from (but not from another optional); explicit
  // exactly when the conversion to T is.
  template <class U>
  using constructs_from =
      std::integral_constant<bool, std::is_constructible<T, U&&>::value &&
                                       !std::is_same<std::decay_t<U>, optional>::value &&
                                       !std::is_same<std::decay_t<U>, in_place_t>::value &&
                                       !std::is_same<std::decay_t<U>, nullopt_t>::value>;
  template <class U = T, std::enable_if_t<constructs_from<U>::value &&
                                          std::is_convertible<U&&, T>::value>* = nullptr>
  optional(U&& value) {
    construct(std::forward<U>(value));
  }
  template <class U = T, std::enable_if_t<constructs_from<U>::value &&
                                          !std::is_convertible<U&&, T>::value>* = nullptr>
  explicit optional(U&& value) {
    construct(std::forward<U>(value));
  }

  ~optional() { reset(); }

  optional& operator=(nullopt_t) noexcept {
    reset();
    return *this;
  }
  optional& operator=(const optional& other) {
    if (this == &other) return *this;
    if (other.m_has_value) {
      if (m_has_value)
        **this = *other;
      else
        construct(*other);
    } else {
      reset();
    }
    return *this;
  }
  optional& operator=(optional&& other) noexcept(nothrow_move_assignable) {
    if (other.m_has_value) {
      if (m_has_value)
        **this = std::move(*other);
      else
        construct(std::move(*other));
    } else {
      reset();
    }
    return *this;
  }
  // Assignment of a value. For a scalar T, `o = {}` must empty the optional (as it does for
  // every other T), not store T{}: so a plain T goes through the optional's own assignment.
  template <class U = T,
            class = std::enable_if_t<
                !std::is_same<std::decay_t<U>, optional>::value &&
                !(std::is_scalar<T>::value && std::is_same<std::decay_t<U>, T>::value) &&
                std::is_constructible<T, U&&>::value && std::is_assignable<T&, U&&>::value>>
  optional& operator=(U&& value) {
    if (m_has_value)
      **this = std::forward<U>(value);
    else
      construct(std::forward<U>(value));
    return *this;
  }

  // Replaces the value (or emptiness) by a new value built from args.
  template <class... Args>
  T& emplace(Args&&... args) {
    reset();
    construct(std::forward<Args>(args)...);
    return **this;
  }

  void reset() noexcept {
    if (m_has_value) {
      ptr()->~T();
      m_has_value = false;
    }
  }

  void swap(optional& other) {
    using std::swap;
    if (m_has_value && other.m_has_value) {
      swap(**this, *other);
    } else if (m_has_value) {
      other.construct(std::move(**this));
      reset();
    } else if (other.m_has_value) {
      construct(std::move(*other));
      other.reset();
    }
  }

  constexpr bool has_value() const noexcept { return m_has_value; }
  constexpr explicit operator bool() const noexcept { return m_has_value; }

  // Unchecked access: the optional must hold a value.
  T& operator*() & { return *ptr(); }
  const T& operator*() const& { return *ptr(); }
  T&& operator*() && { return std::move(*ptr()); }
  T* operator->() { return ptr(); }
  const T* operator->() const { return ptr(); }

  // Checked access: throws bad_optional_access when empty.
  T& value() & { return check(), **this; }
  const T& value() const& { return check(), **this; }
  T&& value() && { return check(), std::move(**this); }

  template <class U>
  T value_or(U&& fallback) const& {
    return m_has_value ? **this : static_cast<T>(std::forward<U>(fallback));
  }
  template <class U>
  T value_or(U&& fallback) && {
    return m_has_value ? std::move(**this) : static_cast<T>(std::forward<U>(fallback));
  }

 private:
  static constexpr bool nothrow_move_assignable =
      std::is_nothrow_move_assignable<T>::value && std::is_nothrow_move_constructible<T>::value;

  template <class... Args>
  void construct(Args&&... args) {
    ::new (static_cast<void*>(&m_value)) T(std::forward<Args>(args)...);
    m_has_value = true;
  }
  void check() const {
    if (!m_has_value) throw bad_optional_access();
  }
  T* ptr() { return &m_value; }
  const T* ptr() const { return &m_value; }

  // A union rather than raw bytes: the compiler then keeps a small value in registers.
  union {
    char m_empty;
    T m_value;
  };
  bool m_has_value = false;
};

// An optional reference: either empty or referring to an object that outlives it.
template <class T>
class optional<T&> {
 public:
  using value_type = T&;

  constexpr optional() noexcept = default;
  constexpr optional(nullopt_t) noexcept {}
  constexpr optional(T& value) noexcept : m_ptr(&value) {}
  // Converts optional<U&> to optional<const U&> and the like.
  template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
  constexpr optional(const optional<U&>& other) noexcept : m_ptr(other ? &*other : nullptr) {}
  optional(T&&) = delete;  // never refer to a temporary

  optional& operator=(nullopt_t) noexcept {
    m_ptr = nullptr;
    return *this;
  }

  void reset() noexcept { m_ptr = nullptr; }

  constexpr bool has_value() const noexcept { return m_ptr != nullptr; }
  constexpr explicit operator bool() const noexcept { return m_ptr != nullptr; }

  T& operator*() const { return *m_ptr; }
  T* operator->() const { return m_ptr; }

  T& value() const {
    if (!m_ptr) throw bad_optional_access();
    return *m_ptr;
  }

  template <class U>
  std::remove_cv_t<T> value_or(U&& fallback) const {
    return m_ptr ? *m_ptr : static_cast<std::remove_cv_t<T>>(std::forward<U>(fallback));
  }

 private:
  T* m_ptr = nullptr;
};

template <class T>
optional<std::decay_t<T>> make_optional(T&& value) {
  return optional<std::decay_t<T>>(std::forward<T>(value));
}
template <class T, class... Args>
optional<T> make_optional(Args&&... args) {
  return optional<T>(in_place, std::forward<Args>(args)...);
}

template <class T>
void swap(optional<T>& a, optional<T>& b) {
  a.swap(b);
}

// Comparisons: an empty optional equals nullopt and another empty optional, and is less than
// any optional that holds a value.
template <class T, class U>
bool operator==(const optional<T>& a, const optional<U>& b) {
  return a.has_value() == b.has_value() && (!a.has_value() || *a == *b);
}
template <class T, class U>
bool operator!=(const optional<T>& a, const optional<U>& b) {
  return !(a == b);
}
template <class T, class U>
bool operator<(const optional<T>& a, const optional<U>& b) {
  return b.has_value() && (!a.has_value() || *a < *b);
}
template <class T, class U>
bool operator>(const optional<T>& a, const optional<U>& b) {
  return b < a;
}
template <class T, class U>
bool operator<=(const optional<T>& a, const optional<U>& b) {
  return !(b < a);
}
template <class T, class U>
bool operator>=(const optional<T>& a, const optional<U>& b) {
  return !(a < b);
}

template <class T>
bool operator==(const optional<T>& a, nullopt_t) noexcept {
  return !a.has_value();
}
template <class T>
bool operator==(nullopt_t, const optional<T>& a) noexcept {
  return !a.has_value();
}
template <class T>
bool operator!=(const optional<T>& a, nullopt_t) noexcept {
  return a.has_value();
}
template <class T>
bool operator!=(nullopt_t, const optional<T>& a) noexcept {
  return a.has_value();
}

template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator==(const optional<T>& a, const U& b) {
  return a.has_value() && *a == b;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator==(const U& b, const optional<T>& a) {
  return a.has_value() && *a == b;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator!=(const optional<T>& a, const U& b) {
  return !(a == b);
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator!=(const U& b, const optional<T>& a) {
  return !(a == b);
}

// Ordering against nullopt (an empty optional is the least) and against plain values.
template <class T>
bool operator<(const optional<T>&, nullopt_t) noexcept {
  return false;
}
template <class T>
bool operator<(nullopt_t, const optional<T>& a) noexcept {
  return a.has_value();
}
template <class T>
bool operator<=(const optional<T>& a, nullopt_t) noexcept {
  return !a.has_value();
}
template <class T>
bool operator<=(nullopt_t, const optional<T>&) noexcept {
  return true;
}
template <class T>
bool operator>(const optional<T>& a, nullopt_t) noexcept {
  return a.has_value();
}
template <class T>
bool operator>(nullopt_t, const optional<T>&) noexcept {
  return false;
}
template <class T>
bool operator>=(const optional<T>&, nullopt_t) noexcept {
  return true;
}
template <class T>
bool operator>=(nullopt_t, const optional<T>& a) noexcept {
  return !a.has_value();
}

template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator<(const optional<T>& a, const U& b) {
  return !a.has_value() || *a < b;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator<(const U& b, const optional<T>& a) {
  return a.has_value() && b < *a;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator<=(const optional<T>& a, const U& b) {
  return !a.has_value() || *a <= b;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator<=(const U& b, const optional<T>& a) {
  return a.has_value() && b <= *a;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator>(const optional<T>& a, const U& b) {
  return a.has_value() && *a > b;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator>(const U& b, const optional<T>& a) {
  return !a.has_value() || b > *a;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator>=(const optional<T>& a, const U& b) {
  return a.has_value() && *a >= b;
}
template <class T, class U, class = std::enable_if_t<!std::is_same<U, nullopt_t>::value>>
bool operator>=(const U& b, const optional<T>& a) {
  return !a.has_value() || b >= *a;
}

}  // namespace tl
