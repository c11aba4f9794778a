#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tl/optional.hpp>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// Counts live instances, so that tests can see every construction matched by a destruction.
struct Tracked {
  static int live;
  int value;
  explicit Tracked(int v) : value(v) { ++live; }
  Tracked(const Tracked& other) : value(other.value) { ++live; }
  Tracked(Tracked&& other) noexcept : value(other.value) {
    other.value = -1;
    ++live;
  }
  Tracked& operator=(const Tracked&) = default;
  Tracked& operator=(Tracked&&) = default;
  ~Tracked() { --live; }
};
int Tracked::live = 0;

struct Base {
  int id = 1;
};
struct Derived : Base {};

}  // namespace

TEST(Optional, EmptyAndNullopt) {
  tl::optional<int> a;
  tl::optional<int> b = tl::nullopt;
  EXPECT_FALSE(a.has_value());
  EXPECT_FALSE(static_cast<bool>(b));
  EXPECT_TRUE(a == tl::nullopt);
  EXPECT_TRUE(tl::nullopt == b);
  EXPECT_FALSE(a != tl::nullopt);
  EXPECT_EQ(a.value_or(7), 7);

  tl::optional<std::string> s = std::string("x");
  s = tl::nullopt;
  EXPECT_FALSE(s);
  s = std::string("y");
  s.reset();
  EXPECT_FALSE(s);
}

TEST(Optional, HoldsAndReplacesValues) {
  tl::optional<std::string> s = std::string("abc");
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(*s, "abc");
  EXPECT_EQ(s->size(), 3u);
  EXPECT_EQ(s.value(), "abc");
  s->append("d");
  EXPECT_EQ(*s, "abcd");
  s = "xy";  // assigns through the held value
  EXPECT_EQ(*s, "xy");
  EXPECT_EQ(s.emplace(3, 'z'), "zzz");
  EXPECT_EQ(s.value_or("none"), "zzz");

  const tl::optional<int> c = 5;
  EXPECT_EQ(*c, 5);
  EXPECT_EQ(c.value(), 5);

  tl::optional<std::unique_ptr<int>> moveOnly(std::make_unique<int>(4));
  std::unique_ptr<int> taken = std::move(moveOnly).value();
  EXPECT_EQ(*taken, 4);
}

TEST(Optional, CopyMoveAndSwapKeepLifetimesBalanced) {
  Tracked::live = 0;
  {
    tl::optional<Tracked> a(tl::in_place, 1);
    tl::optional<Tracked> b = a;
    EXPECT_EQ(Tracked::live, 2);
    tl::optional<Tracked> c = std::move(a);
    EXPECT_EQ(c->value, 1);
    tl::optional<Tracked> empty;
    b = empty;  // destroys b's value
    EXPECT_FALSE(b);
    b = c;
    EXPECT_EQ(b->value, 1);
    tl::optional<Tracked>& alias = b;
    b = alias;  // self-assignment keeps the value
    EXPECT_EQ(b->value, 1);
    empty.swap(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(empty->value, 1);
    tl::swap(b, empty);
    EXPECT_EQ(b->value, 1);
    c = std::move(b);
    c.emplace(9);
    EXPECT_EQ(c->value, 9);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(Optional, ValueOfEmptyThrowsWithItsMessage) {
  tl::optional<int> empty;
  EXPECT_THROW(empty.value(), tl::bad_optional_access);
  try {
    (void)empty.value();
    FAIL() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Optional has no value");
  }
  tl::optional<int&> none;
  EXPECT_THROW(none.value(), tl::bad_optional_access);
  const tl::optional<std::string> constEmpty;
  EXPECT_THROW(constEmpty.value(), tl::bad_optional_access);
}

TEST(Optional, References) {
  int x = 1;
  tl::optional<int&> r = x;
  ASSERT_TRUE(r);
  *r = 2;
  EXPECT_EQ(x, 2);
  r.value() = 3;
  EXPECT_EQ(x, 3);
  EXPECT_EQ(&*r, &x);

  int y = 10;
  r = y;  // rebinds, never assigns through
  EXPECT_EQ(x, 3);
  EXPECT_EQ(&*r, &y);
  EXPECT_EQ(r.value_or(0), 10);
  r = tl::nullopt;
  EXPECT_FALSE(r.has_value());
  EXPECT_EQ(r.value_or(4), 4);

  Derived d;
  tl::optional<Derived&> rd = d;
  tl::optional<const Base&> rb = rd;
  EXPECT_EQ(&*rb, static_cast<Base*>(&d));
  EXPECT_EQ(rb->id, 1);

  static_assert(!std::is_constructible<tl::optional<int&>, int&&>::value,
                "an optional reference never binds a temporary");
  static_assert(sizeof(tl::optional<int&>) == sizeof(int*), "a reference is one pointer");
}

TEST(Optional, Comparisons) {
  const tl::optional<int> empty;
  const tl::optional<int> one = 1;
  const tl::optional<int> two = 2;
  const tl::optional<long> longOne = 1L;

  EXPECT_TRUE(one == longOne);
  EXPECT_TRUE(one != two);
  EXPECT_TRUE(empty == tl::optional<int>());
  EXPECT_TRUE(empty != one);

  EXPECT_TRUE(empty < one);
  EXPECT_TRUE(one < two);
  EXPECT_FALSE(empty < empty);
  EXPECT_TRUE(two > one);
  EXPECT_TRUE(one <= one);
  EXPECT_TRUE(empty <= empty);
  EXPECT_TRUE(two >= empty);

  EXPECT_TRUE(one == 1);
  EXPECT_TRUE(1 == one);
  EXPECT_TRUE(one != 2);
  EXPECT_TRUE(2 != one);
  EXPECT_FALSE(empty == 0);
  EXPECT_TRUE(empty != 0);

  int x = 1;
  const tl::optional<int&> ref = x;
  EXPECT_TRUE(ref == 1);
  EXPECT_TRUE(ref == one);
  EXPECT_TRUE(ref != tl::nullopt);

  const tl::optional<std::string> s = std::string("ab");
  EXPECT_TRUE(s == "ab");
  EXPECT_TRUE(s != "b");
}

TEST(Optional, OrderingAgainstValuesAndNullopt) {
  const tl::optional<int> empty;
  const tl::optional<int> two = 2;
  struct Case {
    bool got;
    bool expected;
  };
  const Case cases[] = {
      {empty < 0, true},
      {empty <= 0, true},
      {empty > 0, false},
      {empty >= 0, false},
      {0 < empty, false},
      {0 <= empty, false},
      {0 > empty, true},
      {0 >= empty, true},
      {two < 3, true},
      {two <= 2, true},
      {two > 2, false},
      {two >= 2, true},
      {3 < two, false},
      {2 <= two, true},
      {3 > two, true},
      {1 >= two, false},
      {empty < tl::nullopt, false},
      {tl::nullopt < two, true},
      {two > tl::nullopt, true},
      {empty >= tl::nullopt, true},
      {tl::nullopt >= two, false},
      {tl::nullopt <= empty, true},
      {two <= tl::nullopt, false},
      {tl::nullopt > empty, false},
  };
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    EXPECT_EQ(cases[i].got, cases[i].expected) << "case " << i;
  }
}

TEST(Optional, BraceAssignmentEmpties) {
  tl::optional<int> number = 3;
  number = {};
  EXPECT_FALSE(number);
  number = 4;
  EXPECT_EQ(number, 4);
  tl::optional<std::string> text = std::string("a");
  text = {};
  EXPECT_FALSE(text);

  // Converting construction is explicit exactly when T's own conversion is.
  static_assert(std::is_convertible<const char*, tl::optional<std::string>>::value, "");
  static_assert(!std::is_convertible<int, tl::optional<std::vector<int>>>::value, "");
  static_assert(std::is_constructible<tl::optional<std::vector<int>>, int>::value, "");
}

TEST(Optional, MakeOptional) {
  auto a = tl::make_optional(5);
  static_assert(std::is_same<decltype(a), tl::optional<int>>::value, "decays the argument");
  EXPECT_EQ(a, 5);

  const std::string text = "t";
  auto b = tl::make_optional(text);
  static_assert(std::is_same<decltype(b), tl::optional<std::string>>::value, "decays const&");
  EXPECT_EQ(b, text);

  auto c = tl::make_optional<std::string>(3, 'q');
  EXPECT_EQ(c, std::string("qqq"));
}
