#pragma once

// Random game states for the property tests and fuzz targets: seeded, so a run is repeatable.
// Every field is filled through the records' field lists, so a new field takes random values
// without a change here. Numbers are small mostly, with INT_MIN, INT_MAX and any int now and
// then; deck keys usually equal the deck's id but sometimes don't, and ids may repeat; names
// are empty, "nameless" (which the wire sends as no name), UTF-8 beyond ASCII, or any bytes.
// The options add what only some formats carry.

#include <climits>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "model/fields.h"

namespace tav {
namespace test {

struct RandomStateOptions {
  // Now and then an enumeration value that no member has, up to UINT32_MAX (else members
  // only).
  bool unknownEnumValues = false;
  // Names may hold zero bytes (else any byte but zero).
  bool zeroBytesInNames = false;
};

class RandomState {
 public:
  explicit RandomState(unsigned seed, RandomStateOptions options = {})
      : rng_(seed), options_(options) {}

  tav::GameState make() {
    tav::GameState state;
    fill(state);
    return state;
  }

  bool coin() { return upTo(1) == 1; }
  // A number from 0 to n.
  int upTo(int n) { return std::uniform_int_distribution<int>(0, n)(rng_); }
  // Small numbers mostly, with the extremes, negatives and any int now and then.
  int number() {
    switch (upTo(5)) {
      case 0:
        return INT_MIN;
      case 1:
        return INT_MAX;
      case 2:
        return std::uniform_int_distribution<int>(INT_MIN, INT_MAX)(rng_);
      default:
        return upTo(200) - 20;
    }
  }

 private:
  // The number of members of each enumeration.
  static uint32_t members(tav::AttackModifier) { return 9; }
  static uint32_t members(tav::CharacterClass) { return 26; }
  static uint32_t members(tav::Condition) { return 19; }
  static uint32_t members(tav::ElementState) { return 3; }
  static uint32_t members(tav::MonsterType) { return 16; }
  static uint32_t members(tav::PlayerInit) { return 5; }
  static uint32_t members(tav::SummonColor) { return 9; }

  // How many elements a list gets.
  template <class T>
  int listSize() {
    if constexpr (std::is_same_v<T, tav::Actor>) return upTo(4);
    if constexpr (tav::fields::isRecord<T>) return upTo(3);
    return upTo(4);
  }

  void fill(int& value) { value = number(); }
  void fill(bool& value) { value = coin(); }
  void fill(std::string& text) {
    switch (upTo(5)) {
      case 0:
        text = "";
        break;
      case 1:
        text = "nameless";
        break;
      case 2:
        text = "hero \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 \"quoted\" \\ /";
        break;
      default: {
        const int low = options_.zeroBytesInNames ? 0 : 1;
        text.assign(static_cast<std::size_t>(upTo(6) + 1), ' ');
        for (char& c : text) c = static_cast<char>(low + upTo(255 - low));
      }
    }
  }
  template <class T>
  std::enable_if_t<std::is_enum_v<T>> fill(T& value) {
    const uint32_t count = members(value);
    if (options_.unknownEnumValues && upTo(5) == 0) {
      value = static_cast<T>(
          coin() ? UINT32_MAX : std::uniform_int_distribution<uint32_t>(count, UINT32_MAX)(rng_));
    } else {
      value = static_cast<T>(std::uniform_int_distribution<uint32_t>(0, count - 1)(rng_));
    }
  }
  template <class T>
  void fill(tl::optional<T>& value) {
    if (coin()) {
      value = tl::nullopt;
      return;
    }
    T inner{};
    fill(inner);
    // -1 is the wire's "no card" for an ability; it stands out now and then.
    if constexpr (std::is_same_v<T, int>) {
      if (upTo(3) == 0) inner = -1;
    }
    value = inner;
  }
  template <class T>
  void fill(std::vector<T>& list) {
    list.clear();
    for (int i = listSize<T>(); i > 0; --i) {
      T element = fresh<T>();
      fill(element);
      list.push_back(std::move(element));
    }
  }
  // Decks: ids from a small range now and then (so that they repeat); keys usually the id.
  void fill(std::map<int, tav::MonsterAbilityDeck>& decks) {
    decks.clear();
    for (int i = upTo(3); i > 0; --i) {
      tav::MonsterAbilityDeck deck;
      fill(deck);
      if (coin()) deck.id = upTo(5);
      const int key = coin() ? deck.id : coin() ? upTo(9) : number();
      decks[key] = deck;
    }
  }
  template <class Record>
  std::enable_if_t<tav::fields::isRecord<Record>> fill(Record& record) {
    tav::fields::forEachField([this](const char*, auto& field) { fill(field); }, record);
    if constexpr (std::is_same_v<Record, tav::MonsterInstance>) {
      // Half the figures are summons, whose summon_ fields the formats carry.
      if (coin()) record.type = tav::MonsterTypeNS::Summon;
    }
  }

  // A list element before it is filled: an actor of either kind.
  template <class T>
  T fresh() {
    if constexpr (std::is_same_v<T, tav::Actor>) {
      return coin() ? tav::Actor(tav::PlayerActor()) : tav::Actor(tav::MonsterActor());
    } else {
      return T{};
    }
  }

  std::mt19937 rng_;
  RandomStateOptions options_;
};

}  // namespace test
}  // namespace tav
