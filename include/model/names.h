#pragma once

#include <string>
#include <string_view>

#include "model/attackModifier.h"
#include "model/characterClass.h"
#include "model/condition.h"
#include "model/elementState.h"
#include "model/monsterType.h"
#include "model/playerInit.h"
#include "model/summonColor.h"

// Names of enumeration values: the name the text dump prints, and the member's identifier.
namespace tav {

/// The name the dump prints for value: empty for a number that is no member or a member
/// without a name of its own, except for a CharacterClass, which gives "Unknown (<number>)".
std::string printedName(tav::AttackModifier value);
/// @copydoc printedName(tav::AttackModifier)
std::string printedName(tav::CharacterClass value);
/// @copydoc printedName(tav::AttackModifier)
std::string printedName(tav::Condition value);
/// @copydoc printedName(tav::AttackModifier)
std::string printedName(tav::ElementState value);
/// @copydoc printedName(tav::AttackModifier)
std::string printedName(tav::MonsterType value);
/// @copydoc printedName(tav::AttackModifier)
std::string printedName(tav::PlayerInit value);
/// @copydoc printedName(tav::AttackModifier)
std::string printedName(tav::SummonColor value);

/// The identifier of the member value ("Plus1", "Stuned"); empty for a number that is no
/// member. The view refers to static storage.
std::string_view enumeratorName(tav::AttackModifier value);
/// @copydoc enumeratorName(tav::AttackModifier)
std::string_view enumeratorName(tav::CharacterClass value);
/// @copydoc enumeratorName(tav::AttackModifier)
std::string_view enumeratorName(tav::Condition value);
/// @copydoc enumeratorName(tav::AttackModifier)
std::string_view enumeratorName(tav::ElementState value);
/// @copydoc enumeratorName(tav::AttackModifier)
std::string_view enumeratorName(tav::MonsterType value);
/// @copydoc enumeratorName(tav::AttackModifier)
std::string_view enumeratorName(tav::PlayerInit value);
/// @copydoc enumeratorName(tav::AttackModifier)
std::string_view enumeratorName(tav::SummonColor value);

/// Sets value to the member whose identifier is name (case-sensitive) and returns true;
/// returns false and leaves value unchanged when no member has that identifier.
bool enumeratorFromName(std::string_view name, tav::AttackModifier& value);
/// @copydoc enumeratorFromName(std::string_view, tav::AttackModifier&)
bool enumeratorFromName(std::string_view name, tav::CharacterClass& value);
/// @copydoc enumeratorFromName(std::string_view, tav::AttackModifier&)
bool enumeratorFromName(std::string_view name, tav::Condition& value);
/// @copydoc enumeratorFromName(std::string_view, tav::AttackModifier&)
bool enumeratorFromName(std::string_view name, tav::ElementState& value);
/// @copydoc enumeratorFromName(std::string_view, tav::AttackModifier&)
bool enumeratorFromName(std::string_view name, tav::MonsterType& value);
/// @copydoc enumeratorFromName(std::string_view, tav::AttackModifier&)
bool enumeratorFromName(std::string_view name, tav::PlayerInit& value);
/// @copydoc enumeratorFromName(std::string_view, tav::AttackModifier&)
bool enumeratorFromName(std::string_view name, tav::SummonColor& value);

}  // namespace tav
