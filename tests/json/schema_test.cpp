// schema/gamestate.schema.json against the model's field lists: each record's definition names
// every field of the record and no other (besides an actor's "kind"), each with the schema of
// its type, and each enumeration's definition lists its members' identifiers in order.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "model/fields.h"
#include "model/names.h"

namespace {

using Json = nlohmann::json;

// The definitions of the schema ($defs).
const Json& defs() {
  static const Json schema = [] {
    std::ifstream in(TAV_SCHEMA_PATH);
    return Json::parse(in);
  }();
  return schema.at("$defs");
}

Json defRef(const std::string& def) { return {{"$ref", "#/$defs/" + def}}; }

// The schema definition of each record and enumeration.
std::string defName(const tav::MonsterInstance&) { return "monsterInstance"; }
std::string defName(const tav::MonsterActor&) { return "monster"; }
std::string defName(const tav::PlayerActor&) { return "player"; }
std::string defName(const tav::MonsterAbilityDeck&) { return "abilityDeck"; }
std::string defName(const tav::GameState&) { return "gameState"; }
std::string defName(const tav::Actor&) { return "actor"; }
std::string defName(tav::AttackModifier) { return "attackModifier"; }
std::string defName(tav::CharacterClass) { return "characterClass"; }
std::string defName(tav::Condition) { return "condition"; }
std::string defName(tav::ElementState) { return "elementState"; }
std::string defName(tav::MonsterType) { return "monsterType"; }
std::string defName(tav::PlayerInit) { return "playerInit"; }
std::string defName(tav::SummonColor) { return "summonColor"; }

// The schema a field of the given type has in the mapping.
Json schemaOf(int) { return defRef("int"); }
Json schemaOf(bool) { return {{"type", "boolean"}}; }
Json schemaOf(const std::string&) { return defRef("text"); }
template <class T>
Json schemaOf(const T& value) {
  return defRef(defName(value));
}
template <class T>
Json schemaOf(const tl::optional<T>&) {
  return {{"oneOf", {{{"type", "null"}}, schemaOf(T{})}}};
}
template <class T>
Json schemaOf(const std::vector<T>&) {
  return {{"type", "array"}, {"items", schemaOf(T{})}};
}
template <class T>
Json schemaOf(const std::map<int, T>&) {
  return {{"type", "object"}, {"additionalProperties", schemaOf(T{})}};
}

// Every member of expected is in actual with the same value (descriptions and key patterns
// are the schema's own).
void expectContains(const Json& actual, const Json& expected, const std::string& where) {
  for (auto it = expected.begin(); it != expected.end(); ++it) {
    EXPECT_EQ(actual.value(it.key(), Json()), it.value()) << where << " " << it.key();
  }
}

// The properties of a record's object schema against the record's field list.
template <class Record>
void expectProperties(const Json& object, const Record& record, const std::string& where) {
  EXPECT_EQ(object.value("additionalProperties", true), false) << where;
  const Json& properties = object.at("properties");
  std::set<std::string> named;
  for (auto it = properties.begin(); it != properties.end(); ++it) named.insert(it.key());
  std::set<std::string> fields;
  tav::fields::forEachField(
      [&](const char* name, const auto& value) {
        fields.insert(name);
        if (properties.contains(name)) {
          expectContains(properties.at(name), schemaOf(value), where + "/" + name);
        }
      },
      record);
  if constexpr (std::is_same_v<Record, tav::Actor>) fields.insert("kind");
  EXPECT_EQ(named, fields) << where;
}

TEST(JsonSchema, RecordsNameEveryFieldAndNoOther) {
  const auto expectRecord = [](const auto& record) {
    expectProperties(defs().at(defName(record)), record, defName(record));
  };
  expectRecord(tav::MonsterInstance());
  expectRecord(tav::MonsterActor());
  expectRecord(tav::PlayerActor());
  expectRecord(tav::MonsterAbilityDeck());
  expectRecord(tav::GameState());
  // An actor: one branch per kind, named as its live record.
  ASSERT_EQ(defs().at("actor").at("oneOf").size(), 2u);
  for (const bool player : {false, true}) {
    const Json& branch = defs().at(defName(tav::Actor())).at("oneOf").at(player ? 1 : 0);
    const char* kind = tav::fields::kActorRecordNames[player ? 1 : 0];
    EXPECT_EQ(branch.at("properties").at("kind"), Json({{"const", kind}}));
    const tav::Actor actor = player ? tav::Actor(tav::PlayerActor()) : tav::Actor();
    expectProperties(branch, actor, std::string("actor ") + kind);
  }
}

template <class Enum>
void expectMembers(Enum first) {
  std::vector<std::string> members;
  for (uint32_t i = 0; !tav::enumeratorName(static_cast<Enum>(i)).empty(); ++i) {
    members.emplace_back(tav::enumeratorName(static_cast<Enum>(i)));
  }
  EXPECT_EQ(defs().at(defName(first)).at("oneOf").at(0).at("enum"), Json(members))
      << defName(first);
}

TEST(JsonSchema, EnumerationsListTheirMembers) {
  expectMembers(tav::AttackModifier());
  expectMembers(tav::CharacterClass());
  expectMembers(tav::Condition());
  expectMembers(tav::ElementState());
  expectMembers(tav::MonsterType());
  expectMembers(tav::PlayerInit());
  expectMembers(tav::SummonColor());
}

}  // namespace
