#include "print.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <iterator>
#include <limits>
#include <locale>
#include <memory>
#include <string_view>
#include <type_traits>

#include "dumpLines.h"
#include "model/nameTables.h"

namespace tav {
namespace {

using namespace detail;  // the name tables and nameOf

// True when operator<< would render ints, unsigned longs and bools exactly as std::to_chars
// and "1"/"0" do: decimal base, no showpos, no boolalpha, no field width and the classic
// locale (another locale may group digits or bring its own number facet). The remaining
// flags (skipws, unitbuf, uppercase, showbase, adjustment, floating-point flags) change
// nothing for these values when the width is 0.
bool formatsPlainly(const std::ostream& stream) {
  constexpr std::ios_base::fmtflags kRelevant =
      std::ios_base::basefield | std::ios_base::showpos | std::ios_base::boolalpha;
  return (stream.flags() & kRelevant) == std::ios_base::dec && stream.width() == 0 &&
         stream.getloc() == std::locale::classic();
}

// Numbers of one or two digits (most of a dump's) without the general conversion's length
// computation and call; the bytes are std::to_chars's. There is room for kNumberRoom bytes at
// at.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
template <class Number>
[[gnu::always_inline]] inline char* writeDecimal(char* at, Number value) {
  using Unsigned = std::make_unsigned_t<Number>;
  const auto magnitude = static_cast<Unsigned>(value);  // negatives wrap to large values
  if (magnitude < 10) {
    *at = static_cast<char>('0' + magnitude);
    return at + 1;
  }
  if (magnitude < 100) {
    std::memcpy(at, kDigitPairs + 2 * magnitude, 2);
    return at + 2;
  }
  return std::to_chars(at, at + detail::DumpWriter::kNumberRoom, value).ptr;
}

}  // namespace

namespace detail {

DumpWriter::DumpWriter(std::ostream& stream) : stream_(stream), buffered_(formatsPlainly(stream)) {}

void DumpWriter::slowText(std::string_view text) { stream_ << text; }
void DumpWriter::slowCharacter(char c) { stream_ << c; }

void DumpWriter::number(int value) {
  if (!buffered_) {
    stream_ << value;
    return;
  }
  commit(writeDecimal(reserve(kNumberRoom), value));
}

void DumpWriter::number(unsigned long value) {
  if (!buffered_) {
    stream_ << value;
    return;
  }
  commit(writeDecimal(reserve(kNumberRoom), value));
}

void DumpWriter::flag(bool value) {
  if (buffered_) {
    text(value ? "1" : "0");
  } else {
    stream_ << value;
  }
}

void DumpWriter::spill(std::string_view text) {
  makeRoom();
  if (text.size() > capacity_ - used_) {
    drain();
    stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return;
  }
  std::memcpy(buffer_ + used_, text.data(), text.size());
  used_ += text.size();
}

void DumpWriter::makeRoom() {
  if (large_ == nullptr) {
    large_.reset(new char[kLarge]);
    std::memcpy(large_.get(), small_, used_);
    buffer_ = large_.get();
    capacity_ = kLarge;
    return;
  }
  drain();
}

void DumpWriter::drain() {
  if (used_ == 0) return;
  stream_.write(buffer_, static_cast<std::streamsize>(used_));
  used_ = 0;
}

}  // namespace detail

namespace {

// One writeValue overload per printable type; the records use them to lay out their fields.

void writeValue(DumpWriter& out, const char* text) {
  if (text != nullptr) out.text(text);
}
void writeValue(DumpWriter& out, const std::string& text) { out.text(text); }
void writeValue(DumpWriter& out, int value) { out.number(value); }
void writeValue(DumpWriter& out, unsigned long value) { out.number(value); }
void writeValue(DumpWriter& out, bool value) { out.flag(value); }

// An enumeration name; a number outside the enumeration writes nothing at all.
void writeName(DumpWriter& out, std::string_view name) {
  if (!name.empty()) out.text(name);
}
// Every enumeration but CharacterClass (below): its name, or nothing for an unnamed value.
template <class Enum, class = decltype(namesOf(Enum{}))>
void writeValue(DumpWriter& out, Enum value) {
  writeName(out, nameOf(namesOf(value), value));
}

// Classes without a name of their own, named or not, print as "Unknown (<number>)".
void writeValue(DumpWriter& out, CharacterClass value) {
  const std::string_view name = nameOf(kCharacterClassNames, value);
  if (!name.empty()) {
    out.text(name);
    return;
  }
  out.text("Unknown (");
  out.number(static_cast<int>(value));
  out.text(")");
}

// Each name of an enumeration's table in a slot of kNameSlot bytes, zeros behind it, so that a
// line copies a name with one copy of a constant size (the bytes behind the name are then
// overwritten by what follows it). The slot past the table is the empty name of any number
// that has none; a name longer than a slot keeps the plain copy.
constexpr std::size_t kNameSlot = 32;
struct NameSlot {
  char text[kNameSlot];
  std::size_t size;
};
template <std::size_t N>
struct NameSlots {
  static constexpr std::size_t kCount = N;
  NameSlot slots[N + 1];
  constexpr explicit NameSlots(const std::string_view (&names)[N]) : slots{} {
    for (std::size_t i = 0; i < N; ++i) {
      slots[i].size = names[i].size() <= kNameSlot ? names[i].size() : SIZE_MAX;
      for (std::size_t c = 0; c < names[i].size() && c < kNameSlot; ++c) {
        slots[i].text[c] = names[i][c];
      }
    }
  }
};
template <class Enum>
inline constexpr auto kNameSlots = NameSlots(namesOf(Enum{}));

// label, value, line feed: the shape of every field line.
// Labels are string views, and this and DumpWriter::text are always inlined, so that each
// label's length is a constant where its literal stands and the copy needs no library call
// (about 10% of a large dump). A line of a number, a flag or a named enumeration value is
// put together in the buffer behind one room check, through a local pointer: stores through
// the writer's own members would be reloaded after every character stored (characters may
// alias anything).
template <class Value>
[[gnu::always_inline]] inline void writeLine(DumpWriter& out, std::string_view label,
                                             const Value& value) {
  if constexpr (std::is_same<Value, int>::value || std::is_same<Value, unsigned long>::value) {
    if (out.buffered()) {
      char* p = out.reserve(label.size() + DumpWriter::kNumberRoom + 1);
      std::memcpy(p, label.data(), label.size());
      p = writeDecimal(p + label.size(), value);
      *p = '\n';
      out.commit(p + 1);
      return;
    }
  } else if constexpr (std::is_same<Value, bool>::value) {
    if (out.buffered()) {
      char* p = out.reserve(label.size() + 2);
      std::memcpy(p, label.data(), label.size());
      p[label.size()] = value ? '1' : '0';
      p[label.size() + 1] = '\n';
      out.commit(p + label.size() + 2);
      return;
    }
  } else if constexpr (std::is_enum<Value>::value && !std::is_same<Value, CharacterClass>::value) {
    if (out.buffered()) {
      const auto& table = kNameSlots<Value>;
      const auto ordinal = static_cast<std::size_t>(value);
      const NameSlot& slot = table.slots[ordinal < table.kCount ? ordinal : table.kCount];
      if (slot.size <= kNameSlot) {
        char* p = out.reserve(label.size() + kNameSlot + 1);
        std::memcpy(p, label.data(), label.size());
        std::memcpy(p + label.size(), slot.text, kNameSlot);
        p[label.size() + slot.size] = '\n';
        out.commit(p + label.size() + slot.size + 1);
        return;
      }
      const std::string_view name = nameOf(namesOf(value), value);
      char* p = out.reserve(label.size() + name.size() + 1);
      std::memcpy(p, label.data(), label.size());
      // A value without a name has an empty view, whose data may be null.
      if (!name.empty()) std::memcpy(p + label.size(), name.data(), name.size());
      p[label.size() + name.size()] = '\n';
      out.commit(p + label.size() + name.size() + 1);
      return;
    }
  }
  out.text(label);
  writeValue(out, value);
  out.character('\n');
}

// An absent number prints as -1.
void writeLine(DumpWriter& out, std::string_view label, const tl::optional<int>& value) {
  writeLine(out, label, value.value_or(-1));
}

// The count line of a condition list, then one line per entry at 9 spaces. Inlined with the
// next, like writeLine, so that the labels' lengths stay constants.
[[gnu::always_inline]] inline void writeConditions(DumpWriter& out, std::string_view label,
                                                   const std::vector<Condition>& list) {
  writeLine(out, label, static_cast<unsigned long>(list.size()));
  for (const Condition condition : list) writeLine(out, "         ", condition);
}

// The three condition lists that figures and players share.
template <class Record>
[[gnu::always_inline]] inline void writeConditionLists(DumpWriter& out, const Record& record) {
  writeConditions(out, "       conditions: ", record.conditions);
  writeConditions(out, "       conditions expired: ", record.conditions_expired);
  writeConditions(out, "       conditions current_turn: ", record.conditions_current_turn);
}

// "label{ 1 2 }": each number followed by one space, then the closing brace.
void writeNumberList(DumpWriter& out, std::string_view label, const std::vector<int>& numbers) {
  out.text(label);
  for (const int number : numbers) {
    if (!out.buffered()) {
      out.number(number);
      out.character(' ');
      continue;
    }
    char* p = writeDecimal(out.reserve(DumpWriter::kNumberRoom + 1), number);
    *p = ' ';
    out.commit(p + 1);
  }
  out.text("}\n");
}

void writeValue(DumpWriter& out, const MonsterInstance& instance) {
  out.text("   {\n");
  writeLine(out, "       number: ", instance.number);
  writeLine(out, "       type: ", instance.type);
  if (instance.type == MonsterTypeNS::Summon) {
    writeLine(out, "       summon_color:  ", instance.summon_color);
    writeLine(out, "       summon_move:   ", instance.summon_move);
    writeLine(out, "       summon_attack: ", instance.summon_attack);
    writeLine(out, "       summon_range:  ", instance.summon_range);
  }
  writeLine(out, "       is_new: ", instance.is_new);
  writeLine(out, "       hp: ", instance.hp);
  writeLine(out, "       hp_max: ", instance.hp_max);
  writeConditionLists(out, instance);
  out.text("   }\n");
}

void writeValue(DumpWriter& out, const MonsterActor& monster) {
  out.text("  {\n");
  writeLine(out, "    id:        ", monster.id);
  writeLine(out, "    level:     ", monster.level);
  writeLine(out, "    is_normal: ", monster.is_normal);
  writeLine(out, "    is_elite:  ", monster.is_elite);
  writeLine(out, "    ability:  ", monster.ability);
  out.text("  }\n");
}

void writeValue(DumpWriter& out, const PlayerActor& player) {
  out.text("   {\n");
  writeLine(out, "       name: ", player.name);
  writeLine(out, "       character_class: ", player.character_class);
  writeLine(out, "       xp: ", player.xp);
  writeLine(out, "       hp: ", player.hp);
  writeLine(out, "       hp_max: ", player.hp_max);
  writeLine(out, "       level: ", player.level);
  writeLine(out, "       loot: ", player.loot);
  writeLine(out, "       initiative: ", player.initiative);
  writeConditionLists(out, player);
  writeLine(out, "       exhausted: ", player.exhausted);
  out.text("   }\n");
}

// Only the live record is printed; the accessors pick it.
void writeValue(DumpWriter& out, const Actor& actor) {
  if (const auto monster = actor.getMonster()) {
    out.text("monster\n");
    writeValue(out, *monster);
  }
  if (const auto player = actor.getPlayer()) {
    out.text("player\n");
    writeValue(out, *player);
  }
  writeLine(out, "turn_completed: ", actor.turn_completed);
  for (const MonsterInstance& instance : actor.instances) {
    out.text("instance: ");
    writeValue(out, instance);
    out.text("\n");
  }
}

// shown and was_shown are not part of the dump.
void writeValue(DumpWriter& out, const MonsterAbilityDeck& deck) {
  writeLine(out, "id: ", deck.id);
  writeLine(out, "shuffle: ", deck.shuffle);
  writeLine(out, "shown ability: ", deck.shown_ability);
  writeNumberList(out, "abilties: { ", deck.abilities);
  writeNumberList(out, "abilties discard: { ", deck.abilities_discard);
}

void writeValue(DumpWriter& out, const GameState& state) {
  writeLine(out, "round: ", state.round);
  writeLine(out, "scen nr: ", state.scenario_number);
  writeLine(out, "scen lvl: ", state.scenario_level);
  writeLine(out, "track standees: ", state.track_standees);
  writeLine(out, "ability cards: ", state.ability_cards);
  writeLine(out, "rand standees: ", state.random_standees);
  writeLine(out, "elite first: ", state.elites_first);
  writeLine(out, "expire cond: ", state.expire_conditions);
  writeLine(out, "solo: ", state.solo);
  writeLine(out, "hide stats: ", state.hide_stats);
  writeLine(out, "calc stats: ", state.calculate_stats);
  writeLine(out, "can draw: ", state.can_draw);
  writeLine(out, "needs shuffle: ", state.needs_shuffle);
  writeLine(out, "player init: ", state.player_init);
  for (const AttackModifier card : state.attack_modifiers) {
    writeLine(out, "attack modifier: ", card);
  }
  for (const AttackModifier card : state.attack_modifiers_discard) {
    writeLine(out, "attack modifier discard: ", card);
  }
  if (state.attack_modifier1) writeLine(out, "attack modifier 1: ", *state.attack_modifier1);
  if (state.attack_modifier2) writeLine(out, "attack modifier 2: ", *state.attack_modifier2);
  writeLine(out, "fire state:  ", state.fire);
  writeLine(out, "ics state:   ", state.ice);
  writeLine(out, "air state:   ", state.air);
  writeLine(out, "earth state: ", state.earth);
  writeLine(out, "light state: ", state.light);
  writeLine(out, "dark state:  ", state.dark);
  writeNumberList(out, "removed abilities: {", state.removed_abilities);
  writeLine(out, "bad omen: ", state.bad_omen);
  writeLine(out, "brav: ", state.brav);
  for (const auto& entry : state.ability_decks) {
    out.text("monster ability deck: ");
    writeValue(out, entry.second);
  }
  for (const Actor& actor : state.actors) {
    out.text("actor: ");
    writeValue(out, actor);
  }
}

// Every print overload: one writer per call, so a record reaches the stream in one piece.
template <class Value>
void dump(std::ostream& stream, const Value& value) {
  // A stream that is not good takes no text: skip the formatting. One empty write lets the
  // stream mark the refusal in its state exactly as the writes of the text would have.
  if (!stream.good()) {
    stream << "";
    return;
  }
  DumpWriter out(stream);
  writeValue(out, value);
  out.finish();
}

}  // namespace

// A null text prints nothing.
void print(const char* text) { dump(std::cout, text); }
void print(const int& value) { dump(std::cout, value); }
void print(const unsigned long& value) { dump(std::cout, value); }
void print(const bool& value) { dump(std::cout, value); }
void print(const std::string& value) { dump(std::cout, value); }

void print(const tav::AttackModifier& value) { dump(std::cout, value); }
void print(const tav::CharacterClass& value) { dump(std::cout, value); }
void print(const tav::Condition& value) { dump(std::cout, value); }
void print(const tav::ElementState& value) { dump(std::cout, value); }
void print(const tav::MonsterType& value) { dump(std::cout, value); }
void print(const tav::PlayerInit& value) { dump(std::cout, value); }
void print(const tav::SummonColor& value) { dump(std::cout, value); }

void print(const tav::Actor& actor) { dump(std::cout, actor); }
void print(const tav::MonsterAbilityDeck& deck) { dump(std::cout, deck); }
void print(const tav::MonsterActor& monster) { dump(std::cout, monster); }
void print(const tav::MonsterInstance& instance) { dump(std::cout, instance); }
void print(const tav::PlayerActor& player) { dump(std::cout, player); }
void print(const tav::GameState& state) { dump(std::cout, state); }

void print(std::ostream& out, const char* text) { dump(out, text); }
void print(std::ostream& out, const int& value) { dump(out, value); }
void print(std::ostream& out, const unsigned long& value) { dump(out, value); }
void print(std::ostream& out, const bool& value) { dump(out, value); }
void print(std::ostream& out, const std::string& value) { dump(out, value); }

void print(std::ostream& out, const tav::AttackModifier& value) { dump(out, value); }
void print(std::ostream& out, const tav::CharacterClass& value) { dump(out, value); }
void print(std::ostream& out, const tav::Condition& value) { dump(out, value); }
void print(std::ostream& out, const tav::ElementState& value) { dump(out, value); }
void print(std::ostream& out, const tav::MonsterType& value) { dump(out, value); }
void print(std::ostream& out, const tav::PlayerInit& value) { dump(out, value); }
void print(std::ostream& out, const tav::SummonColor& value) { dump(out, value); }

void print(std::ostream& out, const tav::Actor& actor) { dump(out, actor); }
void print(std::ostream& out, const tav::MonsterAbilityDeck& deck) { dump(out, deck); }
void print(std::ostream& out, const tav::MonsterActor& monster) { dump(out, monster); }
void print(std::ostream& out, const tav::MonsterInstance& instance) { dump(out, instance); }
void print(std::ostream& out, const tav::PlayerActor& player) { dump(out, player); }
void print(std::ostream& out, const tav::GameState& state) { dump(out, state); }

namespace detail {

// What a reader writes while it reads: its records' dumps and its own lines.

void writeRecord(DumpWriter& out, const tav::MonsterInstance& figure) { writeValue(out, figure); }
void writeRecord(DumpWriter& out, const tav::Actor& actor) { writeValue(out, actor); }
void writeRecord(DumpWriter& out, const tav::GameState& state) { writeValue(out, state); }

void writeMonsterTypeLine(DumpWriter& out, tav::MonsterType type) {
  writeLine(out, "Monster type: ", type);
}

void writeCountLine(DumpWriter& out, CountLine line, int count) {
  switch (line) {
    case CountLine::kDecks:
      writeLine(out, "Nr monster ability decks: ", count);
      break;
    case CountLine::kActors:
      writeLine(out, "Nr actors: ", count);
      break;
    case CountLine::kNone:
      break;
  }
}

}  // namespace detail
}  // namespace tav
