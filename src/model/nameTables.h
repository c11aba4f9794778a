#pragma once

// The name tables of the enumerations, shared by the dump and the public name functions.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "model/attackModifier.h"
#include "model/characterClass.h"
#include "model/condition.h"
#include "model/elementState.h"
#include "model/monsterType.h"
#include "model/playerInit.h"
#include "model/summonColor.h"

namespace tav {
namespace detail {

// Printed names, indexed by value. An empty entry is a member without a name of its own.
inline constexpr std::string_view kConditionNames[] = {
    "Star",    "Summon",   "NotSummon",  "Stuned",    "Immobilized", "Disarmed", "Wounded",
    "Muddle",  "Poisoned", "Strengthen", "Invisible", "Regenerate",  "value13",  "value14",
    "value15", "value16",  "value17",    "value18",   "value19"};
inline constexpr std::string_view kMonsterTypeNames[] = {
    "Normal", "Elite",   "Boss",    "Summon",  "value5",  "value6",  "value7",  "value8",
    "value9", "value10", "value11", "value12", "value13", "value14", "value15", "value16"};
inline constexpr std::string_view kSummonColorNames[] = {
    "None", "Turquise", "Green", "Yellow", "Orange", "White", "Purple", "Pink", "Red"};
inline constexpr std::string_view kCharacterClassNames[] = {
    "Escort", "Objective", "Varsk",  "Tolmin", "Quessa", "Dravel", "Orlune",  "Fennick", "Sabrel",
    "Kettar", "Morvik",    "Pellow", "Zarnet", "Ilvas",  "Hollet", "Wendar",  "Gessim",  "Calvet",
    "Nostri", "Yorrel",    "",       "Astrel", "Tervo",  "Ulmeth", "Skellan", ""};
// The card faces, not the member names.
inline constexpr std::string_view kAttackModifierNames[] = {"0",  "+1", "+2",  "-1", "-2",
                                                            "x0", "x2", "x2*", "x0*"};
inline constexpr std::string_view kElementStateNames[] = {"Inert", "Strong", "Waning"};
inline constexpr std::string_view kPlayerInitNames[] = {"value1", "value2", "value3", "value4",
                                                        "value5"};

static_assert(std::size(kConditionNames) == ConditionNS::value19 + 1u);
static_assert(std::size(kMonsterTypeNames) == MonsterTypeNS::value16 + 1u);
static_assert(std::size(kSummonColorNames) == SummonColorNS::Red + 1u);
static_assert(std::size(kCharacterClassNames) == CharacterClassNS::value25 + 1u);
static_assert(std::size(kAttackModifierNames) == AttackModifierNS::Curse + 1u);
static_assert(std::size(kElementStateNames) == ElementStateNS::Waning + 1u);
static_assert(std::size(kPlayerInitNames) == PlayerInitNS::value5 + 1u);

// Enumerator identifiers, indexed by value: the names the members have in the model.
inline constexpr std::string_view kConditionIdentifiers[] = {
    "Star",    "Summon",   "NotSummon",  "Stuned",    "Immobilized", "Disarmed", "Wounded",
    "Muddle",  "Poisoned", "Strengthen", "Invisible", "Regenerate",  "value13",  "value14",
    "value15", "value16",  "value17",    "value18",   "value19"};
inline constexpr std::string_view kCharacterClassIdentifiers[] = {
    "Escort", "Objective", "Varsk",   "Tolmin", "Quessa", "Dravel", "Orlune",  "Fennick", "Sabrel",
    "Kettar", "Morvik",    "Pellow",  "Zarnet", "Ilvas",  "Hollet", "Wendar",  "Gessim",  "Calvet",
    "Nostri", "Yorrel",    "value20", "Astrel", "Tervo",  "Ulmeth", "Skellan", "value25"};
inline constexpr std::string_view kAttackModifierIdentifiers[] = {
    "Zero", "Plus1", "Plus2", "Minus1", "Minus2", "Miss", "Crit", "Bless", "Curse"};

static_assert(std::size(kConditionIdentifiers) == std::size(kConditionNames));
static_assert(std::size(kCharacterClassIdentifiers) == std::size(kCharacterClassNames));
static_assert(std::size(kAttackModifierIdentifiers) == std::size(kAttackModifierNames));

// The identifier table of each enumeration: where no table of its own is given above, the
// printed names are the identifiers.
constexpr const auto& identifiersOf(AttackModifier) { return kAttackModifierIdentifiers; }
constexpr const auto& identifiersOf(CharacterClass) { return kCharacterClassIdentifiers; }
constexpr const auto& identifiersOf(Condition) { return kConditionIdentifiers; }
constexpr const auto& identifiersOf(ElementState) { return kElementStateNames; }
constexpr const auto& identifiersOf(MonsterType) { return kMonsterTypeNames; }
constexpr const auto& identifiersOf(PlayerInit) { return kPlayerInitNames; }
constexpr const auto& identifiersOf(SummonColor) { return kSummonColorNames; }

// The printed-name table of each enumeration.
constexpr const auto& namesOf(AttackModifier) { return kAttackModifierNames; }
constexpr const auto& namesOf(CharacterClass) { return kCharacterClassNames; }
constexpr const auto& namesOf(Condition) { return kConditionNames; }
constexpr const auto& namesOf(ElementState) { return kElementStateNames; }
constexpr const auto& namesOf(MonsterType) { return kMonsterTypeNames; }
constexpr const auto& namesOf(PlayerInit) { return kPlayerInitNames; }
constexpr const auto& namesOf(SummonColor) { return kSummonColorNames; }

// The name of value, or an empty view for any number past the end of the table.
template <std::size_t N>
std::string_view nameOf(const std::string_view (&names)[N], uint32_t value) {
  return value < N ? names[value] : std::string_view();
}

}  // namespace detail
}  // namespace tav
