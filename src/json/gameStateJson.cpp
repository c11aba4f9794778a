#include "json/gameStateJson.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <exception>
#include <istream>
#include <nlohmann/json.hpp>
#include <set>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "model/names.h"

namespace tav {
namespace json {

namespace {

// ordered_json keeps members in insertion order, so the text follows the records' field order.
using Json = nlohmann::ordered_json;

// Deeper than any state needs (state, actors, [i], instances, [j], conditions, [k]); a limit
// keeps hostile nesting from building a tree far larger than the text.
constexpr std::size_t kMaxDepth = 32;

// ---------------------------------------------------------------------------------------------
// Texts: a JSON string carries UTF-8 only, so other bytes travel as {"hex": "..."}.

bool isUtf8(const std::string& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    std::size_t n;
    uint32_t code;
    if (c < 0x80) {
      ++p;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      code = c & 0x07u;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) <= n) return false;
    for (std::size_t i = 1; i <= n; ++i) {
      if ((p[i] & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (p[i] & 0x3Fu);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((n == 2 && code < 0x800) || (n == 3 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    p += n + 1;
  }
  return true;
}

Json textToJson(const std::string& text) {
  if (isUtf8(text)) return Json(text);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(text.size() * 2);
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  Json object = Json::object();
  object["hex"] = std::move(hex);
  return object;
}

// ---------------------------------------------------------------------------------------------
// Writing.

template <class Enum>
Json enumToJson(Enum value) {
  const std::string_view name = enumeratorName(value);
  if (name.empty()) return Json(static_cast<uint32_t>(value));
  return Json(std::string(name));
}

template <class Enum>
Json enumListToJson(const std::vector<Enum>& values) {
  Json list = Json::array();
  for (const Enum value : values) list.push_back(enumToJson(value));
  return list;
}

Json intListToJson(const std::vector<int>& values) {
  Json list = Json::array();
  for (const int value : values) list.push_back(value);
  return list;
}

template <class T, class ToJson>
Json optionalToJson(const tl::optional<T>& value, ToJson toJson) {
  if (!value) return Json(nullptr);
  return toJson(*value);
}

Json instanceToJson(const MonsterInstance& instance) {
  Json j = Json::object();
  j["number"] = instance.number;
  j["type"] = enumToJson(instance.type);
  j["summon_color"] = enumToJson(instance.summon_color);
  j["summon_move"] = instance.summon_move;
  j["summon_attack"] = instance.summon_attack;
  j["summon_range"] = instance.summon_range;
  j["is_new"] = instance.is_new;
  j["hp"] = instance.hp;
  j["hp_max"] = instance.hp_max;
  j["conditions"] = enumListToJson(instance.conditions);
  j["conditions_expired"] = enumListToJson(instance.conditions_expired);
  j["conditions_current_turn"] = enumListToJson(instance.conditions_current_turn);
  return j;
}

Json monsterToJson(const MonsterActor& monster) {
  Json j = Json::object();
  j["id"] = monster.id;
  j["level"] = monster.level;
  j["is_normal"] = monster.is_normal;
  j["is_elite"] = monster.is_elite;
  j["ability"] = optionalToJson(monster.ability, [](int v) { return Json(v); });
  return j;
}

Json playerToJson(const PlayerActor& player) {
  Json j = Json::object();
  j["name"] = textToJson(player.name);
  j["character_class"] = enumToJson(player.character_class);
  j["xp"] = player.xp;
  j["hp"] = player.hp;
  j["hp_max"] = player.hp_max;
  j["level"] = player.level;
  j["loot"] = player.loot;
  j["initiative"] = player.initiative;
  j["conditions"] = enumListToJson(player.conditions);
  j["conditions_expired"] = enumListToJson(player.conditions_expired);
  j["conditions_current_turn"] = enumListToJson(player.conditions_current_turn);
  j["exhausted"] = player.exhausted;
  return j;
}

Json actorToJson(const Actor& actor) {
  Json j = Json::object();
  if (actor.__is_player) {
    j["kind"] = "player";
    j["player"] = playerToJson(actor.__player);
  } else {
    j["kind"] = "monster";
    j["monster"] = monsterToJson(actor.__monster);
  }
  j["turn_completed"] = actor.turn_completed;
  Json instances = Json::array();
  for (const MonsterInstance& instance : actor.instances) {
    instances.push_back(instanceToJson(instance));
  }
  j["instances"] = std::move(instances);
  return j;
}

Json deckToJson(const MonsterAbilityDeck& deck) {
  Json j = Json::object();
  j["id"] = deck.id;
  j["shuffle"] = deck.shuffle;
  j["shown_ability"] = optionalToJson(deck.shown_ability, [](int v) { return Json(v); });
  j["abilities"] = intListToJson(deck.abilities);
  j["abilities_discard"] = intListToJson(deck.abilities_discard);
  j["shown"] = deck.shown;
  j["was_shown"] = deck.was_shown;
  return j;
}

Json stateToJson(const GameState& state) {
  Json j = Json::object();
  j["round"] = state.round;
  j["scenario_number"] = state.scenario_number;
  j["scenario_level"] = state.scenario_level;
  j["track_standees"] = state.track_standees;
  j["ability_cards"] = state.ability_cards;
  j["random_standees"] = state.random_standees;
  j["elites_first"] = state.elites_first;
  j["expire_conditions"] = state.expire_conditions;
  j["solo"] = state.solo;
  j["hide_stats"] = state.hide_stats;
  j["calculate_stats"] = state.calculate_stats;
  j["can_draw"] = state.can_draw;
  j["needs_shuffle"] = state.needs_shuffle;
  j["player_init"] = enumToJson(state.player_init);
  j["attack_modifiers"] = enumListToJson(state.attack_modifiers);
  j["attack_modifiers_discard"] = enumListToJson(state.attack_modifiers_discard);
  j["attack_modifier1"] =
      optionalToJson(state.attack_modifier1, [](AttackModifier v) { return enumToJson(v); });
  j["attack_modifier2"] =
      optionalToJson(state.attack_modifier2, [](AttackModifier v) { return enumToJson(v); });
  j["fire"] = enumToJson(state.fire);
  j["ice"] = enumToJson(state.ice);
  j["air"] = enumToJson(state.air);
  j["earth"] = enumToJson(state.earth);
  j["light"] = enumToJson(state.light);
  j["dark"] = enumToJson(state.dark);
  j["removed_abilities"] = intListToJson(state.removed_abilities);
  j["bad_omen"] = state.bad_omen;
  j["brav"] = state.brav;
  Json decks = Json::object();
  for (const auto& entry : state.ability_decks) {
    decks[std::to_string(entry.first)] = deckToJson(entry.second);
  }
  j["ability_decks"] = std::move(decks);
  Json actors = Json::array();
  for (const Actor& actor : state.actors) actors.push_back(actorToJson(actor));
  j["actors"] = std::move(actors);
  return j;
}

std::string dump(const Json& j, int indent) {
  // Every string member went through textToJson, so strict UTF-8 checking never fires.
  return j.dump(indent < 0 ? -1 : indent, ' ', false, Json::error_handler_t::replace);
}

// ---------------------------------------------------------------------------------------------
// Reading: the tree is checked member by member; the first fault ends the read with the JSON
// pointer of the value at fault.

std::string describe(const Json& j) {
  switch (j.type()) {
    case Json::value_t::null:
      return "null";
    case Json::value_t::boolean:
      return j.get<bool>() ? "true" : "false";
    case Json::value_t::string: {
      std::string text = j.dump(-1, ' ', false, Json::error_handler_t::replace);
      if (text.size() > 40) text = text.substr(0, 36) + "...\"";
      return "the string " + text;
    }
    case Json::value_t::number_float:
      if (!std::isfinite(j.get<double>())) return "a number too large to hold";
      return j.dump();
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      return j.dump();
    case Json::value_t::object:
      return "an object";
    case Json::value_t::array:
      return "an array";
    default:
      return "a value of another kind";
  }
}

std::string escapePointerToken(const std::string& token) {
  std::string escaped;
  for (const char c : token) {
    if (c == '~') {
      escaped += "~0";
    } else if (c == '/') {
      escaped += "~1";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

class Reader {
 public:
  Error error;

  // The pointer of the value being read.
  std::string pointer() const {
    std::string p;
    for (const std::string& token : path_) p += "/" + escapePointerToken(token);
    return p;
  }

  bool fail(std::string what) {
    error.what = std::move(what);
    error.pointer = pointer();
    return false;
  }

  // Runs read with token appended to the path; the path is restored only on success, so a
  // failure keeps pointing at its value.
  template <class Read>
  bool at(std::string token, Read&& read) {
    path_.push_back(std::move(token));
    if (!read()) return false;
    path_.pop_back();
    return true;
  }

  bool readInt(const Json& j, int& out) {
    if (j.is_number_integer()) {
      if (j.is_number_unsigned()) {
        const auto value = j.get<uint64_t>();
        if (value <= static_cast<uint64_t>(INT_MAX)) {
          out = static_cast<int>(value);
          return true;
        }
      } else {
        const auto value = j.get<int64_t>();
        if (value >= INT_MIN && value <= INT_MAX) {
          out = static_cast<int>(value);
          return true;
        }
      }
    }
    return fail("expected an integer from " + std::to_string(INT_MIN) + " to " +
                std::to_string(INT_MAX) + ", got " + describe(j));
  }

  bool readBool(const Json& j, bool& out) {
    if (!j.is_boolean()) return fail("expected true or false, got " + describe(j));
    out = j.get<bool>();
    return true;
  }

  template <class Enum>
  bool readEnum(const Json& j, Enum& out, const char* kind) {
    if (j.is_string()) {
      if (enumeratorFromName(j.get_ref<const std::string&>(), out)) return true;
      return fail(std::string("unknown ") + kind + " " + describe(j).substr(11));
    }
    if (j.is_number_unsigned()) {
      const auto value = j.get<uint64_t>();
      if (value <= UINT32_MAX) {
        out = static_cast<Enum>(static_cast<uint32_t>(value));
        return true;
      }
    }
    if (j.is_number_integer() && !j.is_number_unsigned() && j.get<int64_t>() >= 0) {
      const auto value = j.get<int64_t>();
      if (value <= static_cast<int64_t>(UINT32_MAX)) {
        out = static_cast<Enum>(static_cast<uint32_t>(value));
        return true;
      }
    }
    return fail(std::string("expected a ") + kind + " identifier or a number from 0 to " +
                std::to_string(UINT32_MAX) + ", got " + describe(j));
  }

  bool readText(const Json& j, std::string& out) {
    if (j.is_string()) {
      out = j.get<std::string>();
      return true;
    }
    if (j.is_object() && j.size() == 1 && j.contains("hex") && j["hex"].is_string()) {
      const std::string& hex = j["hex"].get_ref<const std::string&>();
      std::string bytes;
      bytes.reserve(hex.size() / 2);
      auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
      };
      bool good = hex.size() % 2 == 0;
      for (std::size_t i = 0; good && i < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        good = high >= 0 && low >= 0;
        bytes += static_cast<char>(high * 16 + low);
      }
      if (good) {
        out = std::move(bytes);
        return true;
      }
      return at("hex", [&] { return fail("expected pairs of hex digits"); });
    }
    return fail("expected a string or {\"hex\": \"<hex digits>\"}, got " + describe(j));
  }

  template <class Item, class ReadItem>
  bool readList(const Json& j, std::vector<Item>& out, ReadItem readItem) {
    if (!j.is_array()) return fail("expected an array, got " + describe(j));
    std::vector<Item> items;
    items.reserve(j.size());
    for (std::size_t i = 0; i < j.size(); ++i) {
      Item item{};
      if (!at(std::to_string(i), [&] { return readItem(j[i], item); })) return false;
      items.push_back(std::move(item));
    }
    out = std::move(items);
    return true;
  }

  bool readIntList(const Json& j, std::vector<int>& out) {
    return readList(j, out, [this](const Json& item, int& value) { return readInt(item, value); });
  }

  template <class Enum>
  bool readEnumList(const Json& j, std::vector<Enum>& out, const char* kind) {
    return readList(j, out, [this, kind](const Json& item, Enum& value) {
      return readEnum(item, value, kind);
    });
  }

  template <class T, class ReadValue>
  bool readOptional(const Json& j, tl::optional<T>& out, ReadValue readValue) {
    if (j.is_null()) {
      out = tl::nullopt;
      return true;
    }
    T value{};
    if (!readValue(j, value)) return false;
    out = value;
    return true;
  }

  // Calls member(name, value) for each member of the object j, a record of the given kind;
  // member returns 1 when it read the member, 0 when the name is unknown, -1 on failure.
  template <class Member>
  bool readObject(const Json& j, const char* kind, Member member) {
    if (!j.is_object())
      return fail(std::string("expected ") + kind + " object, got " + describe(j));
    for (auto it = j.begin(); it != j.end(); ++it) {
      int result = -1;
      if (!at(it.key(), [&] {
            result = member(it.key(), it.value());
            if (result == 0) return fail("unknown member \"" + it.key() + "\" of " + kind);
            return result > 0;
          })) {
        return false;
      }
    }
    return true;
  }

  bool readInstance(const Json& j, MonsterInstance& out) {
    MonsterInstance r;
    if (!readObject(j, "a monster instance", [&](const std::string& k, const Json& v) -> int {
          if (k == "number") return readInt(v, r.number) ? 1 : -1;
          if (k == "type") return readEnum(v, r.type, "monster type") ? 1 : -1;
          if (k == "summon_color") return readEnum(v, r.summon_color, "summon color") ? 1 : -1;
          if (k == "summon_move") return readInt(v, r.summon_move) ? 1 : -1;
          if (k == "summon_attack") return readInt(v, r.summon_attack) ? 1 : -1;
          if (k == "summon_range") return readInt(v, r.summon_range) ? 1 : -1;
          if (k == "is_new") return readBool(v, r.is_new) ? 1 : -1;
          if (k == "hp") return readInt(v, r.hp) ? 1 : -1;
          if (k == "hp_max") return readInt(v, r.hp_max) ? 1 : -1;
          if (k == "conditions") return readEnumList(v, r.conditions, "condition") ? 1 : -1;
          if (k == "conditions_expired") {
            return readEnumList(v, r.conditions_expired, "condition") ? 1 : -1;
          }
          if (k == "conditions_current_turn") {
            return readEnumList(v, r.conditions_current_turn, "condition") ? 1 : -1;
          }
          return 0;
        })) {
      return false;
    }
    out = std::move(r);
    return true;
  }

  bool readMonster(const Json& j, MonsterActor& out) {
    MonsterActor r;
    if (!readObject(j, "a monster", [&](const std::string& k, const Json& v) -> int {
          if (k == "id") return readInt(v, r.id) ? 1 : -1;
          if (k == "level") return readInt(v, r.level) ? 1 : -1;
          if (k == "is_normal") return readBool(v, r.is_normal) ? 1 : -1;
          if (k == "is_elite") return readBool(v, r.is_elite) ? 1 : -1;
          if (k == "ability") {
            return readOptional(v, r.ability,
                                [this](const Json& x, int& y) { return readInt(x, y); })
                       ? 1
                       : -1;
          }
          return 0;
        })) {
      return false;
    }
    out = std::move(r);
    return true;
  }

  bool readPlayer(const Json& j, PlayerActor& out) {
    PlayerActor r;
    if (!readObject(j, "a player", [&](const std::string& k, const Json& v) -> int {
          if (k == "name") return readText(v, r.name) ? 1 : -1;
          if (k == "character_class") {
            return readEnum(v, r.character_class, "character class") ? 1 : -1;
          }
          if (k == "xp") return readInt(v, r.xp) ? 1 : -1;
          if (k == "hp") return readInt(v, r.hp) ? 1 : -1;
          if (k == "hp_max") return readInt(v, r.hp_max) ? 1 : -1;
          if (k == "level") return readInt(v, r.level) ? 1 : -1;
          if (k == "loot") return readInt(v, r.loot) ? 1 : -1;
          if (k == "initiative") return readInt(v, r.initiative) ? 1 : -1;
          if (k == "conditions") return readEnumList(v, r.conditions, "condition") ? 1 : -1;
          if (k == "conditions_expired") {
            return readEnumList(v, r.conditions_expired, "condition") ? 1 : -1;
          }
          if (k == "conditions_current_turn") {
            return readEnumList(v, r.conditions_current_turn, "condition") ? 1 : -1;
          }
          if (k == "exhausted") return readBool(v, r.exhausted) ? 1 : -1;
          return 0;
        })) {
      return false;
    }
    out = std::move(r);
    return true;
  }

  bool readActor(const Json& j, Actor& out) {
    if (!j.is_object()) return fail("expected an actor object, got " + describe(j));
    // The kind decides which record member belongs; it comes first so that the other one
    // can be refused by name.
    const auto kind = j.find("kind");
    if (kind == j.end()) return fail("actor without \"kind\" (\"monster\" or \"player\")");
    bool isPlayer = false;
    if (!at("kind", [&] {
          if (*kind == "player") {
            isPlayer = true;
          } else if (*kind != "monster") {
            return fail("expected \"monster\" or \"player\", got " + describe(*kind));
          }
          return true;
        })) {
      return false;
    }
    Actor r = isPlayer ? Actor(PlayerActor()) : Actor(MonsterActor());
    if (!readObject(j, isPlayer ? "a player actor" : "a monster actor",
                    [&](const std::string& k, const Json& v) -> int {
                      if (k == "kind") return 1;
                      if (k == "player" && isPlayer) return readPlayer(v, r.__player) ? 1 : -1;
                      if (k == "monster" && !isPlayer) {
                        return readMonster(v, r.__monster) ? 1 : -1;
                      }
                      if (k == "turn_completed") return readBool(v, r.turn_completed) ? 1 : -1;
                      if (k == "instances") {
                        return readList(v, r.instances,
                                        [this](const Json& x, MonsterInstance& y) {
                                          return readInstance(x, y);
                                        })
                                   ? 1
                                   : -1;
                      }
                      return 0;
                    })) {
      return false;
    }
    out = std::move(r);
    return true;
  }

  bool readDeck(const Json& j, int key, MonsterAbilityDeck& out) {
    MonsterAbilityDeck r(key);
    if (!readObject(j, "an ability deck", [&](const std::string& k, const Json& v) -> int {
          if (k == "id") return readInt(v, r.id) ? 1 : -1;
          if (k == "shuffle") return readBool(v, r.shuffle) ? 1 : -1;
          if (k == "shown_ability") {
            return readOptional(v, r.shown_ability,
                                [this](const Json& x, int& y) { return readInt(x, y); })
                       ? 1
                       : -1;
          }
          if (k == "abilities") return readIntList(v, r.abilities) ? 1 : -1;
          if (k == "abilities_discard") return readIntList(v, r.abilities_discard) ? 1 : -1;
          if (k == "shown") return readBool(v, r.shown) ? 1 : -1;
          if (k == "was_shown") return readBool(v, r.was_shown) ? 1 : -1;
          return 0;
        })) {
      return false;
    }
    out = std::move(r);
    return true;
  }

  // A deck key is an int in its shortest decimal form: "-3", "0", "12".
  static bool deckKey(const std::string& text, int& key) {
    if (text.empty() || text.size() > 11) return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    long long value = 0;
    for (std::size_t k = i; k < text.size(); ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
      value = value * 10 + (text[k] - '0');
    }
    if (i == 1) value = -value;
    if (value < INT_MIN || value > INT_MAX) return false;
    key = static_cast<int>(value);
    return std::to_string(key) == text;
  }

  bool readDecks(const Json& j, std::map<int, MonsterAbilityDeck>& out) {
    if (!j.is_object()) return fail("expected an object of decks by id, got " + describe(j));
    std::map<int, MonsterAbilityDeck> decks;
    for (auto it = j.begin(); it != j.end(); ++it) {
      if (!at(it.key(), [&] {
            int key = 0;
            if (!deckKey(it.key(), key)) {
              return fail("deck key \"" + it.key() + "\" is not an integer from " +
                          std::to_string(INT_MIN) + " to " + std::to_string(INT_MAX) +
                          " in decimal without leading zeros or sign");
            }
            return readDeck(it.value(), key, decks[key]);
          })) {
        return false;
      }
    }
    out = std::move(decks);
    return true;
  }

  bool readState(const Json& j, GameState& out) {
    GameState s;
    auto modifier = [this](const Json& x, AttackModifier& y) {
      return readEnum(x, y, "attack modifier");
    };
    if (!readObject(j, "a game state", [&](const std::string& k, const Json& v) -> int {
          bool ok;
          if (k == "round") {
            ok = readInt(v, s.round);
          } else if (k == "scenario_number") {
            ok = readInt(v, s.scenario_number);
          } else if (k == "scenario_level") {
            ok = readInt(v, s.scenario_level);
          } else if (k == "track_standees") {
            ok = readBool(v, s.track_standees);
          } else if (k == "ability_cards") {
            ok = readBool(v, s.ability_cards);
          } else if (k == "random_standees") {
            ok = readBool(v, s.random_standees);
          } else if (k == "elites_first") {
            ok = readBool(v, s.elites_first);
          } else if (k == "expire_conditions") {
            ok = readBool(v, s.expire_conditions);
          } else if (k == "solo") {
            ok = readBool(v, s.solo);
          } else if (k == "hide_stats") {
            ok = readBool(v, s.hide_stats);
          } else if (k == "calculate_stats") {
            ok = readBool(v, s.calculate_stats);
          } else if (k == "can_draw") {
            ok = readBool(v, s.can_draw);
          } else if (k == "needs_shuffle") {
            ok = readBool(v, s.needs_shuffle);
          } else if (k == "player_init") {
            ok = readEnum(v, s.player_init, "player init");
          } else if (k == "attack_modifiers") {
            ok = readEnumList(v, s.attack_modifiers, "attack modifier");
          } else if (k == "attack_modifiers_discard") {
            ok = readEnumList(v, s.attack_modifiers_discard, "attack modifier");
          } else if (k == "attack_modifier1") {
            ok = readOptional(v, s.attack_modifier1, modifier);
          } else if (k == "attack_modifier2") {
            ok = readOptional(v, s.attack_modifier2, modifier);
          } else if (k == "fire") {
            ok = readEnum(v, s.fire, "element state");
          } else if (k == "ice") {
            ok = readEnum(v, s.ice, "element state");
          } else if (k == "air") {
            ok = readEnum(v, s.air, "element state");
          } else if (k == "earth") {
            ok = readEnum(v, s.earth, "element state");
          } else if (k == "light") {
            ok = readEnum(v, s.light, "element state");
          } else if (k == "dark") {
            ok = readEnum(v, s.dark, "element state");
          } else if (k == "removed_abilities") {
            ok = readIntList(v, s.removed_abilities);
          } else if (k == "bad_omen") {
            ok = readInt(v, s.bad_omen);
          } else if (k == "brav") {
            ok = readBool(v, s.brav);
          } else if (k == "ability_decks") {
            ok = readDecks(v, s.ability_decks);
          } else if (k == "actors") {
            ok = readList(v, s.actors, [this](const Json& x, Actor& y) { return readActor(x, y); });
          } else {
            return 0;
          }
          return ok ? 1 : -1;
        })) {
      return false;
    }
    out = std::move(s);
    return true;
  }

  bool readMessage(const Json& j, Message& out) {
    Message m;
    if (j.is_object() && j.contains("state")) {
      m.framed = true;
      if (!readObject(j, "a message", [&](const std::string& k, const Json& v) -> int {
            bool ok;
            if (k == "event") {
              ok = readText(v, m.event);
            } else if (k == "payload") {
              ok = readText(v, m.payload);
            } else if (k == "protocol") {
              ok = v.is_string() ? (m.protocol = v.get<std::string>(), true)
                                 : fail("expected a version name, got " + describe(v));
            } else if (k == "state") {
              ok = readState(v, m.state);
            } else {
              return 0;
            }
            return ok ? 1 : -1;
          })) {
        return false;
      }
    } else {
      m.framed = false;
      if (!readState(j, m.state)) return false;
    }
    out = std::move(m);
    return true;
  }

 private:
  std::vector<std::string> path_;
};

// ---------------------------------------------------------------------------------------------
// Parsing: nlohmann's parser builds the tree through a SAX handler that also refuses
// duplicate member names and nesting past kMaxDepth, and reads one document at a time so a
// text may hold several.

// A read-only stream over the text, without copying it.
class ViewBuffer : public std::streambuf {
 public:
  ViewBuffer(const char* begin, const char* end) {
    char* b = const_cast<char*>(begin);  // only ever read
    setg(b, b, const_cast<char*>(end));
  }
  std::size_t position() const { return static_cast<std::size_t>(gptr() - eback()); }
};

class TreeBuilder {
 public:
  using Dom = nlohmann::detail::json_sax_dom_parser<Json>;

  explicit TreeBuilder(Json& root) : dom_(root, true) {}

  // Set when the handler itself stopped the parse; parse errors throw from dom_.
  std::string refusal;
  std::string refusalPointer;

  bool null() { return value(dom_.null()); }
  bool boolean(bool v) { return value(dom_.boolean(v)); }
  bool number_integer(Json::number_integer_t v) { return value(dom_.number_integer(v)); }
  bool number_unsigned(Json::number_unsigned_t v) { return value(dom_.number_unsigned(v)); }
  bool number_float(Json::number_float_t v, const std::string& s) {
    return value(dom_.number_float(v, s));
  }
  bool string(std::string& v) { return value(dom_.string(v)); }
  bool binary(Json::binary_t& v) { return value(dom_.binary(v)); }
  bool start_object(std::size_t n) {
    if (!open(true)) return false;
    return dom_.start_object(n);
  }
  bool key(std::string& k) {
    Frame& frame = frames_.back();
    frame.key = k;
    if (!frame.keys.insert(k).second) {
      refusal = "member \"" + k + "\" appears twice";
      refusalPointer = pointer();
      return false;
    }
    return dom_.key(k);
  }
  bool end_object() {
    frames_.pop_back();
    return value(dom_.end_object());
  }
  bool start_array(std::size_t n) {
    if (!open(false)) return false;
    return dom_.start_array(n);
  }
  bool end_array() {
    frames_.pop_back();
    return value(dom_.end_array());
  }
  // Throws e as its own type, caught by parseDocument.
  template <class Exception>
  bool parse_error(std::size_t position, const std::string& last, const Exception& e) {
    return dom_.parse_error(position, last, e);
  }

 private:
  struct Frame {
    bool object;
    std::size_t index = 0;
    std::string key;
    std::set<std::string> keys;
  };

  bool open(bool object) {
    if (frames_.size() >= kMaxDepth) {
      refusal = "nested deeper than " + std::to_string(kMaxDepth) + " levels";
      refusalPointer = pointer();
      return false;
    }
    frames_.push_back(Frame{object, 0, {}, {}});
    return true;
  }

  // A value ended: an array around it moves on to its next index.
  bool value(bool ok) {
    if (!frames_.empty() && !frames_.back().object) ++frames_.back().index;
    return ok;
  }

  std::string pointer() const {
    std::string p;
    for (const Frame& frame : frames_) {
      p += "/" + (frame.object ? escapePointerToken(frame.key) : std::to_string(frame.index));
    }
    return p;
  }

  Dom dom_;
  std::vector<Frame> frames_;
};

void setPosition(Error& error, std::string_view text, std::size_t offset) {
  if (offset > text.size()) offset = text.size();
  error.offset = offset;
  error.line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++error.line;
      lineStart = i + 1;
    }
  }
  error.column = offset - lineStart + 1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Parses the document that starts at text[offset] (after blanks) into root and moves offset
// past it. Returns false with error set when the text there is no well-formed document.
bool parseDocument(std::string_view text, std::size_t& offset, Json& root, Error& error) {
  ViewBuffer view(text.data() + offset, text.data() + text.size());
  std::istream in(&view);
  TreeBuilder builder(root);
  try {
    if (Json::sax_parse(in, &builder, Json::input_format_t::json, false)) {
      offset += view.position();
      return true;
    }
    error.what = builder.refusal;
    error.pointer = builder.refusalPointer;
    setPosition(error, text, offset + (view.position() > 0 ? view.position() - 1 : 0));
    return false;
  } catch (const nlohmann::detail::parse_error& e) {
    // e.what() is "[json.exception.parse_error.N] parse error at line L, column C: <what>";
    // the position is given again below, counted over the whole text.
    std::string what = e.what();
    const std::size_t column = what.find("column ");
    const std::size_t colon = column == std::string::npos ? column : what.find(": ", column);
    if (colon != std::string::npos) what = what.substr(colon + 2);
    error.what = what;
    error.pointer.clear();
    setPosition(error, text, offset + (e.byte > 0 ? e.byte - 1 : 0));
    return false;
  } catch (const nlohmann::detail::exception& e) {
    // A number too large for a double: "[json.exception.out_of_range.406] <what>".
    std::string what = e.what();
    const std::size_t prefix = what.find("] ");
    if (prefix != std::string::npos) what = what.substr(prefix + 2);
    error.what = what;
    error.pointer.clear();
    setPosition(error, text, offset + (view.position() > 0 ? view.position() - 1 : 0));
    return false;
  } catch (const std::exception& e) {
    error.what = std::string("cannot read the JSON text: ") + e.what();
    setPosition(error, text, offset);
    return false;
  }
}

}  // namespace

std::string Error::message() const {
  if (line > 0) {
    std::string place = "line " + std::to_string(line) + ", column " + std::to_string(column);
    if (!pointer.empty()) place += ", at " + pointer;
    return place + ": " + what;
  }
  return "at " + (pointer.empty() ? std::string("the top level") : pointer) + ": " + what;
}

std::string toJson(const GameState& state, int indent) {
  try {
    return dump(stateToJson(state), indent);
  } catch (const std::exception&) {
    return std::string();  // only when memory runs out
  }
}

std::string toJson(const Message& message, int indent) {
  try {
    if (!message.framed) return dump(stateToJson(message.state), indent);
    Json j = Json::object();
    j["event"] = textToJson(message.event);
    j["payload"] = textToJson(message.payload);
    j["protocol"] = textToJson(message.protocol);
    j["state"] = stateToJson(message.state);
    return dump(j, indent);
  } catch (const std::exception&) {
    return std::string();
  }
}

StateResult fromJson(std::string_view text) {
  StateResult result;
  try {
    std::size_t offset = 0;
    Json root;
    if (!parseDocument(text, offset, root, result.error)) return result;
    while (offset < text.size() && isBlank(text[offset])) ++offset;
    if (offset < text.size()) {
      result.error.what = "more text after the state object";
      setPosition(result.error, text, offset);
      return result;
    }
    Reader reader;
    if (!reader.readState(root, result.state)) {
      result.error = reader.error;
      result.state = GameState();
      return result;
    }
    result.ok = true;
  } catch (const std::exception& e) {
    result.error = Error();
    result.error.what = std::string("cannot read the JSON text: ") + e.what();
    result.state = GameState();
  }
  return result;
}

std::string fromJson(const std::string& text, GameState& state) {
  StateResult result = fromJson(std::string_view(text));
  if (!result.ok) return result.error.message();
  state = std::move(result.state);
  return std::string();
}

MessagesResult messagesFromJson(std::string_view text) {
  MessagesResult result;
  try {
    std::size_t offset = 0;
    for (std::size_t index = 0;; ++index) {
      while (offset < text.size() && isBlank(text[offset])) ++offset;
      if (offset == text.size()) break;
      result.index = index;
      Json root;
      if (!parseDocument(text, offset, root, result.error)) {
        result.messages.clear();
        return result;
      }
      Reader reader;
      Message message;
      if (!reader.readMessage(root, message)) {
        result.error = reader.error;
        result.messages.clear();
        return result;
      }
      result.messages.push_back(std::move(message));
    }
    result.ok = true;
    result.index = 0;
  } catch (const std::exception& e) {
    result.messages.clear();
    result.error = Error();
    result.error.what = std::string("cannot read the JSON text: ") + e.what();
  }
  return result;
}

}  // namespace json
}  // namespace tav
