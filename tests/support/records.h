#pragma once

// Field-by-field comparisons of the model's records for GoogleTest, by the records' field
// lists: unlike a check of operator==, a mismatch names the field and, through SCOPED_TRACE,
// the field path down to it ("actors 2 instances 0", "ability_decks 5").

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "model/fields.h"

namespace tav {
namespace test {

template <class Record>
std::enable_if_t<tav::fields::isRecord<Record>> expectEqual(const Record& a, const Record& b);

namespace detail {

template <class T>
void expectFieldEqual(const std::string& name, const T& a, const T& b) {
  if constexpr (tav::fields::isRecord<T>) {
    SCOPED_TRACE(name);
    expectEqual(a, b);
  } else {
    EXPECT_TRUE(a == b) << name << " differs: " << ::testing::PrintToString(a) << " vs "
                        << ::testing::PrintToString(b);
  }
}

template <class T>
void expectFieldEqual(const std::string& name, const std::vector<T>& a, const std::vector<T>& b) {
  if constexpr (tav::fields::isRecord<T>) {
    ASSERT_EQ(a.size(), b.size()) << name;
    for (std::size_t i = 0; i < a.size(); ++i) {
      SCOPED_TRACE(name + " " + std::to_string(i));
      expectEqual(a[i], b[i]);
    }
  } else {
    EXPECT_EQ(a, b) << name;
  }
}

template <class T>
void expectFieldEqual(const std::string& name, const std::map<int, T>& a,
                      const std::map<int, T>& b) {
  ASSERT_EQ(a.size(), b.size()) << name;
  for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
    SCOPED_TRACE(name + " " + std::to_string(ia->first));
    EXPECT_EQ(ia->first, ib->first) << name << " key";
    expectEqual(ia->second, ib->second);
  }
}

}  // namespace detail

// Every field of a equals that of b; a mismatch names its field.
template <class Record>
std::enable_if_t<tav::fields::isRecord<Record>> expectEqual(const Record& a, const Record& b) {
  ASSERT_TRUE(tav::fields::sameKind(a, b)) << "records of different kinds";
  tav::fields::forEachField(
      [](const char* name, const auto& x, const auto& y) { detail::expectFieldEqual(name, x, y); },
      a, b);
}

}  // namespace test
}  // namespace tav
