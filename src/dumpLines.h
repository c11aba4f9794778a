#pragma once

// The dump's writer, and the lines a game-state reader adds to its dump besides the records'
// own dumps. They belong to the dump's layout and are written by the dump code; the readers
// only say when, into one writer that lives as long as the read, so that a whole read's dump
// is assembled in one buffer and reaches the stream in a few large writes.

#include <cstddef>
#include <cstring>
#include <iosfwd>
#include <memory>
#include <string_view>

#include "model/actor.h"
#include "model/gameState.h"
#include "model/monsterInstance.h"
#include "model/monsterType.h"

namespace tav {
namespace detail {

// Which count line a list of records announces itself with, if any.
enum class CountLine { kNone, kDecks, kActors };

// Hands dump text to a stream. While the stream formats plainly (see formatsPlainly), the
// text is assembled in a local buffer (numbers through std::to_chars) and reaches the stream
// in one write() at finish(). A text that outgrows the 4 KiB inside the writer moves to a
// 64 KiB buffer on the heap and leaves in pieces of that size, so that a large dump costs the
// stream few writes. Otherwise every piece goes through the stream's operator<< as it comes,
// so the caller's flags and locale shape it exactly as separate print() calls of the pieces
// would. Either way the bytes are the same for the default stream state.
class DumpWriter {
 public:
  explicit DumpWriter(std::ostream& stream);
  DumpWriter(const DumpWriter&) = delete;
  DumpWriter& operator=(const DumpWriter&) = delete;
  ~DumpWriter() = default;

  [[gnu::always_inline]] void text(std::string_view text) {
    if (!buffered_) {
      slowText(text);
      return;
    }
    if (text.size() > capacity_ - used_) {
      spill(text);
      return;
    }
    std::memcpy(buffer_ + used_, text.data(), text.size());
    used_ += text.size();
  }

  // One character: the line feed that ends every field line.
  [[gnu::always_inline]] void character(char c) {
    if (!buffered_) {
      slowCharacter(c);
      return;
    }
    if (used_ == capacity_) makeRoom();
    buffer_[used_++] = c;
  }

  // A number as operator<< renders it with the default flags.
  void number(int value);
  void number(unsigned long value);
  // "1" or "0" with the default flags.
  void flag(bool value);

  // Writes out what is still buffered; the last call on every writer.
  void finish() { drain(); }

  // Room for the longest number std::to_chars writes, a sign included.
  static constexpr std::size_t kNumberRoom = 24;
  // True when the text is being assembled in the buffer (the stream formats plainly).
  bool buffered() const { return buffered_; }
  // Where the next character goes in the buffer, with at least n (<= 4096) bytes free behind
  // it; for the formatting code, which then tells how far it wrote by commit(). Buffered only.
  [[gnu::always_inline]] char* reserve(std::size_t n) {
    if (capacity_ - used_ < n) makeRoom();
    return buffer_ + used_;
  }
  void commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_); }

 private:
  static constexpr std::size_t kSmall = 4096;
  static constexpr std::size_t kLarge = 65536;

  void slowText(std::string_view text);
  void slowCharacter(char c);
  // A text that does not fit behind what is buffered.
  void spill(std::string_view text);
  // Frees room in the buffer: the first time by moving the text to the large buffer, later by
  // writing it out.
  void makeRoom();
  void drain();

  std::ostream& stream_;
  const bool buffered_;
  std::size_t used_ = 0;
  std::size_t capacity_ = kSmall;
  char* buffer_ = small_;
  std::unique_ptr<char[]> large_;
  char small_[kSmall];
};

// The dumps of the records a reader reports, as print() writes them.
void writeRecord(DumpWriter& out, const tav::MonsterInstance& figure);
void writeRecord(DumpWriter& out, const tav::Actor& actor);
void writeRecord(DumpWriter& out, const tav::GameState& state);

// "Monster type: <type>\n", written as soon as a figure's type has been read.
void writeMonsterTypeLine(DumpWriter& out, tav::MonsterType type);

// "Nr monster ability decks: <count>\n" or "Nr actors: <count>\n"; nothing for kNone.
void writeCountLine(DumpWriter& out, CountLine line, int count);

}  // namespace detail
}  // namespace tav
