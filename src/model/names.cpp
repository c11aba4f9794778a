#include "model/names.h"

#include <cstddef>
#include <cstdint>

#include "nameTables.h"

namespace tav {
namespace {

using detail::identifiersOf;
using detail::nameOf;
using detail::namesOf;

template <class Enum>
std::string printed(Enum value) {
  return std::string(nameOf(namesOf(value), value));
}

template <class Enum>
bool fromName(std::string_view name, Enum& value) {
  const auto& identifiers = identifiersOf(value);
  for (std::size_t i = 0; i < std::size(identifiers); ++i) {
    if (identifiers[i] == name) {
      value = static_cast<Enum>(i);
      return true;
    }
  }
  return false;
}

}  // namespace

// The functions of one enumeration whose unnamed values have no printed name. Enum is a type,
// which can't be put in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define TAV_NAME_FUNCTIONS(Enum)                                                              \
  std::string_view enumeratorName(Enum value) { return nameOf(identifiersOf(value), value); } \
  bool enumeratorFromName(std::string_view name, Enum& value) { return fromName(name, value); }
// NOLINTEND(bugprone-macro-parentheses)

#define TAV_ALL_NAME_FUNCTIONS(Enum) \
  TAV_NAME_FUNCTIONS(Enum)           \
  std::string printedName(Enum value) { return printed(value); }

TAV_ALL_NAME_FUNCTIONS(tav::AttackModifier)
TAV_ALL_NAME_FUNCTIONS(tav::Condition)
TAV_ALL_NAME_FUNCTIONS(tav::ElementState)
TAV_ALL_NAME_FUNCTIONS(tav::MonsterType)
TAV_ALL_NAME_FUNCTIONS(tav::PlayerInit)
TAV_ALL_NAME_FUNCTIONS(tav::SummonColor)
TAV_NAME_FUNCTIONS(tav::CharacterClass)

#undef TAV_ALL_NAME_FUNCTIONS
#undef TAV_NAME_FUNCTIONS

// A class without a name of its own, member or not, prints as "Unknown (<number>)", the
// number as the dump shows it (a signed int).
std::string printedName(tav::CharacterClass value) {
  const std::string_view name = nameOf(namesOf(value), value);
  if (!name.empty()) return std::string(name);
  return "Unknown (" + std::to_string(static_cast<int>(value)) + ")";
}

}  // namespace tav
