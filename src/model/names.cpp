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

std::string printedName(tav::AttackModifier value) { return printed(value); }
std::string printedName(tav::Condition value) { return printed(value); }
std::string printedName(tav::ElementState value) { return printed(value); }
std::string printedName(tav::MonsterType value) { return printed(value); }
std::string printedName(tav::PlayerInit value) { return printed(value); }
std::string printedName(tav::SummonColor value) { return printed(value); }

// A class without a name of its own, member or not, prints as "Unknown (<number>)", the
// number as the dump shows it (a signed int).
std::string printedName(tav::CharacterClass value) {
  const std::string_view name = nameOf(namesOf(value), value);
  if (!name.empty()) return std::string(name);
  return "Unknown (" + std::to_string(static_cast<int>(value)) + ")";
}

std::string_view enumeratorName(tav::AttackModifier value) {
  return nameOf(identifiersOf(value), value);
}
std::string_view enumeratorName(tav::CharacterClass value) {
  return nameOf(identifiersOf(value), value);
}
std::string_view enumeratorName(tav::Condition value) {
  return nameOf(identifiersOf(value), value);
}
std::string_view enumeratorName(tav::ElementState value) {
  return nameOf(identifiersOf(value), value);
}
std::string_view enumeratorName(tav::MonsterType value) {
  return nameOf(identifiersOf(value), value);
}
std::string_view enumeratorName(tav::PlayerInit value) {
  return nameOf(identifiersOf(value), value);
}
std::string_view enumeratorName(tav::SummonColor value) {
  return nameOf(identifiersOf(value), value);
}

bool enumeratorFromName(std::string_view name, tav::AttackModifier& value) {
  return fromName(name, value);
}
bool enumeratorFromName(std::string_view name, tav::CharacterClass& value) {
  return fromName(name, value);
}
bool enumeratorFromName(std::string_view name, tav::Condition& value) {
  return fromName(name, value);
}
bool enumeratorFromName(std::string_view name, tav::ElementState& value) {
  return fromName(name, value);
}
bool enumeratorFromName(std::string_view name, tav::MonsterType& value) {
  return fromName(name, value);
}
bool enumeratorFromName(std::string_view name, tav::PlayerInit& value) {
  return fromName(name, value);
}
bool enumeratorFromName(std::string_view name, tav::SummonColor& value) {
  return fromName(name, value);
}

}  // namespace tav
