// Game-state bodies (protocol 8.4) against protobuf messages of the same content: writing,
// reading with the dump suppressed, and reading with the dump sent to /dev/null. Reading comes
// in three configurations on each side: a new state or message per read, a protobuf message
// on an Arena, and one state or message reused across reads (ReadMode::kReplace on our side).
// A counting operator new gives the allocations per read, and the peak memory of reads over
// the fuzz corpora and crafted bodies, per input byte.

#include <benchmark/benchmark.h>
#include <google/protobuf/arena.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "bench_data.h"
#include "gamestate.pb.h"
#include "protocol/buffer.h"
#include "protocol/version.h"

// Every allocation of the process, counted, with the bytes live (as malloc sizes them) and
// their peak. The benchmarks run on one thread.
namespace {
std::size_t gAllocations = 0;
std::size_t gLive = 0;
std::size_t gPeak = 0;

void* allocate(std::size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  ++gAllocations;
  gLive += malloc_usable_size(p);
  if (gLive > gPeak) gPeak = gLive;
  return p;
}

void release(void* p) noexcept {
  if (p == nullptr) return;
  gLive -= malloc_usable_size(p);
  std::free(p);
}
}  // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace {

using tav::protocol::Buffer;
using tav::protocol::ReadMode;

const tav::GameState& exampleState() {
  static const tav::GameState state = tavbench::makeExampleState();
  return state;
}

const tav::GameState& largeState() {
  static const tav::GameState state = tavbench::makeLargeState();
  return state;
}

template <class Field, class List>
void copyList(Field* field, const List& list) {
  for (const auto& element : list) field->Add(static_cast<uint32_t>(element));
}

void toProto(const tav::MonsterInstance& in, tavbench::MonsterInstance* out) {
  out->set_number(in.number);
  out->set_type(in.type);
  if (in.type == tav::MonsterTypeNS::Summon) {
    out->set_summon_color(in.summon_color);
    out->set_summon_move(in.summon_move);
    out->set_summon_attack(in.summon_attack);
    out->set_summon_range(in.summon_range);
  }
  out->set_is_new(in.is_new);
  out->set_hp(in.hp);
  out->set_hp_max(in.hp_max);
  copyList(out->mutable_conditions(), in.conditions);
  copyList(out->mutable_conditions_expired(), in.conditions_expired);
  copyList(out->mutable_conditions_current_turn(), in.conditions_current_turn);
}

void toProto(const tav::Actor& in, tavbench::Actor* out) {
  if (auto player = in.getPlayer()) {
    tavbench::PlayerActor* p = out->mutable_player();
    if (player->name != "nameless") p->set_name(player->name);
    p->set_character_class(player->character_class);
    p->set_xp(player->xp);
    p->set_hp(player->hp);
    p->set_hp_max(player->hp_max);
    p->set_level(player->level);
    p->set_loot(player->loot);
    p->set_initiative(player->initiative);
    copyList(p->mutable_conditions(), player->conditions);
    copyList(p->mutable_conditions_expired(), player->conditions_expired);
    copyList(p->mutable_conditions_current_turn(), player->conditions_current_turn);
    p->set_exhausted(player->exhausted);
  } else if (auto monster = in.getMonster()) {
    tavbench::MonsterActor* m = out->mutable_monster();
    m->set_id(monster->id);
    m->set_level(monster->level);
    m->set_is_normal(monster->is_normal);
    m->set_is_elite(monster->is_elite);
    if (monster->ability) m->set_ability(*monster->ability);
  }
  out->set_turn_completed(in.turn_completed);
  for (const auto& figure : in.instances) toProto(figure, out->add_instances());
}

tavbench::GameState toProto(const tav::GameState& in) {
  tavbench::GameState out;
  out.set_round(in.round);
  out.set_scenario_number(in.scenario_number);
  out.set_scenario_level(in.scenario_level);
  out.set_track_standees(in.track_standees);
  out.set_ability_cards(in.ability_cards);
  out.set_random_standees(in.random_standees);
  out.set_elites_first(in.elites_first);
  out.set_expire_conditions(in.expire_conditions);
  out.set_solo(in.solo);
  out.set_hide_stats(in.hide_stats);
  out.set_calculate_stats(in.calculate_stats);
  out.set_can_draw(in.can_draw);
  out.set_needs_shuffle(in.needs_shuffle);
  out.set_player_init(in.player_init);
  copyList(out.mutable_attack_modifiers(), in.attack_modifiers);
  copyList(out.mutable_attack_modifiers_discard(), in.attack_modifiers_discard);
  out.set_fire(in.fire);
  out.set_ice(in.ice);
  out.set_air(in.air);
  out.set_earth(in.earth);
  out.set_light(in.light);
  out.set_dark(in.dark);
  for (int card : in.removed_abilities) out.add_removed_abilities(card);
  out.set_bad_omen(in.bad_omen);
  out.set_brav(in.brav);
  for (const auto& entry : in.ability_decks) {
    const tav::MonsterAbilityDeck& deck = entry.second;
    tavbench::MonsterAbilityDeck* d = out.add_ability_decks();
    d->set_id(deck.id);
    d->set_shuffle(deck.shuffle);
    if (deck.shown_ability) d->set_shown_ability(*deck.shown_ability);
    for (int card : deck.abilities) d->add_abilities(card);
    for (int card : deck.abilities_discard) d->add_abilities_discard(card);
  }
  for (const auto& actor : in.actors) toProto(actor, out.add_actors());
  return out;
}

const tav::protocol::Version& kVersion = tav::protocol::v8_4::kVersion;

std::vector<uint8_t> encode(const tav::GameState& state) { return kVersion.encode(state); }

// The state read back from our bytes must write the same bytes again.
bool roundTrips(const std::vector<uint8_t>& bytes) {
  tav::GameState state;
  return kVersion.read(state, bytes.data(), bytes.size()).exact() && encode(state) == bytes;
}

using StateFn = const tav::GameState& (*)();

void BM_Write_Ours(benchmark::State& st, StateFn get) {
  const tav::GameState& state = get();
  std::vector<uint8_t> storage(kVersion.size(state));
  Buffer buffer(storage.data(), storage.size());
  for (auto _ : st) {
    buffer.clear();
    benchmark::DoNotOptimize(kVersion.write(state, buffer));
    benchmark::ClobberMemory();
  }
  st.counters["bytes"] = static_cast<double>(buffer.getPosition());
}

void BM_Size_Ours(benchmark::State& st, StateFn get) {
  const tav::GameState& state = get();
  for (auto _ : st) benchmark::DoNotOptimize(kVersion.size(state));
  st.counters["bytes"] = static_cast<double>(kVersion.size(state));
}

void BM_Write_Protobuf(benchmark::State& st, StateFn get) {
  const tavbench::GameState message = toProto(get());
  std::vector<uint8_t> storage(message.ByteSizeLong());
  for (auto _ : st) {
    bool ok = message.SerializeToArray(storage.data(), static_cast<int>(storage.size()));
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  st.counters["bytes"] = static_cast<double>(message.ByteSizeLong());
}

void BM_Size_Protobuf(benchmark::State& st, StateFn get) {
  const tavbench::GameState message = toProto(get());
  for (auto _ : st) benchmark::DoNotOptimize(message.ByteSizeLong());
  st.counters["bytes"] = static_cast<double>(message.ByteSizeLong());
}

// The allocations per iteration of the loop that just ran, from the count before it.
void countAllocations(benchmark::State& st, std::size_t before) {
  st.counters["allocs"] = static_cast<double>(gAllocations - before) /
                          static_cast<double>(st.iterations() == 0 ? 1 : st.iterations());
}

void readOurs(benchmark::State& st, const std::vector<uint8_t>& bytes, std::ostream* dump) {
  const std::size_t before = gAllocations;
  for (auto _ : st) {
    tav::GameState state;
    kVersion.read(state, bytes.data(), bytes.size(), dump);
    benchmark::DoNotOptimize(state.actors.data());
    benchmark::ClobberMemory();
  }
  countAllocations(st, before);
  st.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_Read_Ours_Quiet(benchmark::State& st, StateFn get) {
  const std::vector<uint8_t> bytes = encode(get());
  if (!roundTrips(bytes)) {
    st.SkipWithError("our bytes do not read back to the same state");
    return;
  }
  readOurs(st, bytes, nullptr);
}

// One state read again and again, its contents replaced and its memory reused.
void BM_Read_Ours_Reused(benchmark::State& st, StateFn get) {
  const std::vector<uint8_t> bytes = encode(get());
  tav::GameState fresh;
  kVersion.read(fresh, bytes.data(), bytes.size());
  tav::GameState state = get();
  kVersion.read(state, bytes.data(), bytes.size(), ReadMode::kReplace);
  if (!(state == fresh) || encode(state) != bytes) {
    st.SkipWithError("the replacing read does not give the state");
    return;
  }
  const std::size_t before = gAllocations;
  for (auto _ : st) {
    kVersion.read(state, bytes.data(), bytes.size(), ReadMode::kReplace);
    benchmark::DoNotOptimize(state.actors.data());
    benchmark::ClobberMemory();
  }
  countAllocations(st, before);
  st.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_Read_Ours_DevNull(benchmark::State& st, StateFn get) {
  const std::vector<uint8_t> bytes = encode(get());
  std::ofstream devNull("/dev/null");
  readOurs(st, bytes, &devNull);
}

std::vector<uint8_t> protobufBytes(StateFn get) {
  const tavbench::GameState message = toProto(get());
  std::vector<uint8_t> bytes(message.ByteSizeLong());
  message.SerializeToArray(bytes.data(), static_cast<int>(bytes.size()));
  return bytes;
}

void BM_Read_Protobuf(benchmark::State& st, StateFn get) {
  const std::vector<uint8_t> bytes = protobufBytes(get);
  const std::size_t before = gAllocations;
  for (auto _ : st) {
    tavbench::GameState message;
    bool ok = message.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()));
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  countAllocations(st, before);
  st.counters["bytes"] = static_cast<double>(bytes.size());
}

// A message on an Arena made for the read, as a server does per request.
void BM_Read_Protobuf_Arena(benchmark::State& st, StateFn get) {
  const std::vector<uint8_t> bytes = protobufBytes(get);
  const std::size_t before = gAllocations;
  for (auto _ : st) {
    google::protobuf::Arena arena;
    auto* message = google::protobuf::Arena::CreateMessage<tavbench::GameState>(&arena);
    bool ok = message->ParseFromArray(bytes.data(), static_cast<int>(bytes.size()));
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  countAllocations(st, before);
  st.counters["bytes"] = static_cast<double>(bytes.size());
}

// One message parsed into again and again (ParseFromArray clears it and keeps its memory).
void BM_Read_Protobuf_Reused(benchmark::State& st, StateFn get) {
  const std::vector<uint8_t> bytes = protobufBytes(get);
  tavbench::GameState message;
  message.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()));
  const std::size_t before = gAllocations;
  for (auto _ : st) {
    bool ok = message.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()));
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  countAllocations(st, before);
  st.counters["bytes"] = static_cast<double>(bytes.size());
}

// The peak memory of one read into a new state above what was live before, per input byte.
double peakPerByte(const tav::protocol::Version& version, const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return 0;
  const std::size_t base = gLive;
  gPeak = gLive;
  {
    tav::GameState state;
    version.read(state, bytes.data(), bytes.size());
    benchmark::DoNotOptimize(state.actors.data());
  }
  return static_cast<double>(gPeak - base) / static_cast<double>(bytes.size());
}

// Bodies that announce far more records than they hold: a default body whose last count (the
// actors'), or its decks' count, or the figures' count of its one actor, or a condition
// list's, says 2^31 - 1, followed by 256 KiB of zeros, of 0xFF or of small bytes.
std::vector<std::vector<uint8_t>> craftedBodies(const tav::protocol::Version& version) {
  std::vector<std::vector<uint8_t>> bodies;
  const uint8_t kHuge[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x07};
  auto grow = [&](std::vector<uint8_t> body, std::size_t at) {
    body.erase(body.begin() + static_cast<std::ptrdiff_t>(at));
    body.insert(body.begin() + static_cast<std::ptrdiff_t>(at), std::begin(kHuge), std::end(kHuge));
    for (const int fill : {0x00, 0xFF, -1}) {
      std::vector<uint8_t> padded = body;
      for (std::size_t i = 0; i < (1u << 18); ++i) {
        padded.push_back(static_cast<uint8_t>(fill >= 0 ? fill : (i * 7) % 3));
      }
      bodies.push_back(std::move(padded));
    }
  };
  tav::GameState state;
  std::vector<uint8_t> body = version.encode(state);
  grow(body, body.size() - 1);  // the actors
  grow(body, body.size() - 2);  // the decks
  state.actors.emplace_back();
  state.actors[0].instances.emplace_back();
  body = version.encode(state);
  grow(body, body.size() - 1);  // the figure's last condition list
  state.actors[0].instances.clear();
  body = version.encode(state);
  grow(body, body.size() - 1);  // the figures
  return bodies;
}

// The highest peak per input byte of any read of a fuzz corpus file or a crafted body, in
// every version.
void BM_Read_PeakMemory(benchmark::State& st) {
  std::vector<std::vector<uint8_t>> inputs;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(TAV_SOURCE_DIR "/fuzz/corpus")) {
    if (!entry.is_regular_file()) continue;
    std::ifstream file(entry.path(), std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  double corpus = 0;
  double crafted = 0;
  for (auto _ : st) {
    for (const tav::protocol::Version* version : tav::protocol::kVersions) {
      for (const auto& input : inputs) corpus = std::max(corpus, peakPerByte(*version, input));
      for (const auto& input : craftedBodies(*version)) {
        crafted = std::max(crafted, peakPerByte(*version, input));
      }
    }
  }
  st.counters["corpus_files"] = static_cast<double>(inputs.size());
  st.counters["corpus_peak_per_byte"] = corpus;
  st.counters["crafted_peak_per_byte"] = crafted;
}

// The example state must give the 74 bytes of the documented example body.
void BM_Write_Ours_CheckExample(benchmark::State& st) {
  const std::vector<uint8_t> expected = {
      0x02, 0x07, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02,
      0x01, 0x05, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x04, 0x09, 0x00, 0x00,
      0x01, 0x03, 0x00, 0x0D, 0x02, 0x0A, 0x0B, 0x00, 0x02, 0x00, 0x03, 0x01, 0x01, 0x00, 0x00,
      0x00, 0x01, 0x01, 0x00, 0x00, 0x05, 0x05, 0x01, 0x08, 0x00, 0x00, 0x01, 0x68, 0x65, 0x72,
      0xEF, 0x02, 0x04, 0x08, 0x0A, 0x01, 0x02, 0x4E, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00};
  if (encode(exampleState()) != expected) st.SkipWithError("example body differs");
  for (auto _ : st) {
  }
}

}  // namespace

BENCHMARK(BM_Write_Ours_CheckExample)->Iterations(1);
BENCHMARK_CAPTURE(BM_Write_Ours, example, exampleState);
BENCHMARK_CAPTURE(BM_Write_Protobuf, example, exampleState);
BENCHMARK_CAPTURE(BM_Write_Ours, large, largeState);
BENCHMARK_CAPTURE(BM_Write_Protobuf, large, largeState);
BENCHMARK_CAPTURE(BM_Size_Ours, example, exampleState);
BENCHMARK_CAPTURE(BM_Size_Protobuf, example, exampleState);
BENCHMARK_CAPTURE(BM_Size_Ours, large, largeState);
BENCHMARK_CAPTURE(BM_Size_Protobuf, large, largeState);
BENCHMARK_CAPTURE(BM_Read_Ours_Quiet, example, exampleState);
BENCHMARK_CAPTURE(BM_Read_Ours_DevNull, example, exampleState);
BENCHMARK_CAPTURE(BM_Read_Protobuf, example, exampleState);
BENCHMARK_CAPTURE(BM_Read_Ours_Quiet, large, largeState);
BENCHMARK_CAPTURE(BM_Read_Ours_DevNull, large, largeState);
BENCHMARK_CAPTURE(BM_Read_Protobuf, large, largeState);
BENCHMARK_CAPTURE(BM_Read_Ours_Reused, example, exampleState);
BENCHMARK_CAPTURE(BM_Read_Protobuf_Arena, example, exampleState);
BENCHMARK_CAPTURE(BM_Read_Protobuf_Reused, example, exampleState);
BENCHMARK_CAPTURE(BM_Read_Ours_Reused, large, largeState);
BENCHMARK_CAPTURE(BM_Read_Protobuf_Arena, large, largeState);
BENCHMARK_CAPTURE(BM_Read_Protobuf_Reused, large, largeState);
BENCHMARK(BM_Read_PeakMemory)->Iterations(1);
