// The text dump of the large state, sent to /dev/null, against two references that produce the
// same bytes without walking the records:
// - the floor: the text's literal pieces and numbers, prepared beforehand, put together with
//   memcpy and std::to_chars in one buffer and written with one fwrite;
// - printf: the same pieces through one printf per number ("...%d") and one per line tail.
// The pieces come from the dump's own text: each run of digits (with its minus sign) becomes a
// number, everything between two numbers one literal piece.
// The same for the reader's dump (protocol 8.4, the large state's body read with its dump into
// a file stream on /dev/null): the dumping read against the quiet read and the floor of the
// dump's own text.

#include <benchmark/benchmark.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_data.h"
#include "print.h"
#include "protocol/version.h"

namespace {

const tav::GameState& largeState() {
  static const tav::GameState state = tavbench::makeLargeState();
  return state;
}

// What print(state) writes, captured through a string stream.
std::string dumpText(const tav::GameState& state) {
  std::ostringstream text;
  tav::print(text, state);
  return text.str();
}

// The text as literal pieces, each followed by a number (the last piece by none).
struct Pieces {
  std::vector<std::string> literals;
  std::vector<int> numbers;  // numbers[i] follows literals[i]; one fewer than literals
};

Pieces split(const std::string& text) {
  Pieces pieces;
  std::string literal;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t digits = i + (text[i] == '-' ? 1 : 0);
    std::size_t end = digits;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    // A number as to_chars writes it: no leading zero, at most 9 digits.
    const std::size_t count = end - digits;
    if (count > 0 && count < 10 && (text[digits] != '0' || count == 1)) {
      pieces.literals.push_back(literal);
      pieces.numbers.push_back(std::stoi(text.substr(i, end - i)));
      literal.clear();
      i = end;
    } else {
      literal += text[i++];
    }
  }
  pieces.literals.push_back(literal);
  return pieces;
}

// The floor: every piece into one buffer, one fwrite.
std::size_t writeFloor(const Pieces& pieces, std::vector<char>& buffer) {
  char* out = buffer.data();
  char* const end = buffer.data() + buffer.size();
  for (std::size_t i = 0; i < pieces.numbers.size(); ++i) {
    const std::string& literal = pieces.literals[i];
    std::memcpy(out, literal.data(), literal.size());
    out = std::to_chars(out + literal.size(), end, pieces.numbers[i]).ptr;
  }
  const std::string& last = pieces.literals.back();
  std::memcpy(out, last.data(), last.size());
  out += last.size();
  const auto size = static_cast<std::size_t>(out - buffer.data());
  std::fwrite(buffer.data(), 1, size, stdout);
  return size;
}

// printf formats: one "<literal>%d" per number; a literal's '%' doubled.
struct PrintfCalls {
  std::vector<std::string> withNumber;  // formats taking numbers[i]
  std::string tail;                     // the text behind the last number
};

PrintfCalls printfCalls(const Pieces& pieces) {
  auto escaped = [](const std::string& literal) {
    std::string format;
    for (char c : literal) format += c == '%' ? std::string("%%") : std::string(1, c);
    return format;
  };
  PrintfCalls calls;
  for (std::size_t i = 0; i < pieces.numbers.size(); ++i) {
    calls.withNumber.push_back(escaped(pieces.literals[i]) + "%d");
  }
  calls.tail = escaped(pieces.literals.back());
  return calls;
}

void writePrintf(const PrintfCalls& calls, const Pieces& pieces) {
  for (std::size_t i = 0; i < pieces.numbers.size(); ++i) {
    std::printf(calls.withNumber[i].c_str(), pieces.numbers[i]);
  }
  std::printf("%s", calls.tail.c_str());
}

// What a way of writing the text puts on stdout, captured through a temporary file.
template <class Write>
std::string stdoutOf(Write write) {
  std::fflush(stdout);
  std::FILE* file = std::tmpfile();
  const int saved = dup(1);
  dup2(fileno(file), 1);
  write();
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  const std::size_t got = std::fread(&text[0], 1, text.size(), file);
  text.resize(got);
  std::fclose(file);
  return text;
}

void setCounters(benchmark::State& st, const std::string& text) {
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * text.size()));
  st.counters["bytes"] = static_cast<double>(text.size());
}

void BM_Dump_Print(benchmark::State& st) {
  const tav::GameState& state = largeState();
  const std::string text = dumpText(state);
  if (stdoutOf([&] { tav::print(state); }) != text) {
    st.SkipWithError("the dump through stdout differs from the dump through a string stream");
    return;
  }
  {
    tavbench::StdoutToDevNull toNull;
    for (auto _ : st) tav::print(state);
  }
  setCounters(st, text);
}

void BM_Dump_Floor(benchmark::State& st) {
  const std::string text = dumpText(largeState());
  const Pieces pieces = split(text);
  std::vector<char> buffer(text.size() + 64);
  if (stdoutOf([&] { writeFloor(pieces, buffer); }) != text) {
    st.SkipWithError("the floor writes other bytes than the dump");
    return;
  }
  {
    tavbench::StdoutToDevNull toNull;
    for (auto _ : st) benchmark::DoNotOptimize(writeFloor(pieces, buffer));
  }
  setCounters(st, text);
}

void BM_Dump_Printf(benchmark::State& st) {
  const std::string text = dumpText(largeState());
  const Pieces pieces = split(text);
  const PrintfCalls calls = printfCalls(pieces);
  if (stdoutOf([&] { writePrintf(calls, pieces); }) != text) {
    st.SkipWithError("printf writes other bytes than the dump");
    return;
  }
  {
    tavbench::StdoutToDevNull toNull;
    for (auto _ : st) writePrintf(calls, pieces);
  }
  setCounters(st, text);
}

const tav::protocol::Version& kReadVersion = tav::protocol::v8_4::kVersion;

// What the dumping read of the large state's body writes.
std::string readDumpText(const std::vector<uint8_t>& bytes) {
  std::ostringstream text;
  tav::GameState state;
  kReadVersion.read(state, bytes.data(), bytes.size(), &text);
  return text.str();
}

void BM_ReadDump_Quiet(benchmark::State& st) {
  const std::vector<uint8_t> bytes = kReadVersion.encode(largeState());
  for (auto _ : st) {
    tav::GameState state;
    kReadVersion.read(state, bytes.data(), bytes.size());
    benchmark::DoNotOptimize(state.actors.data());
  }
  setCounters(st, readDumpText(bytes));
}

void BM_ReadDump_DevNull(benchmark::State& st) {
  const std::vector<uint8_t> bytes = kReadVersion.encode(largeState());
  std::ofstream devNull("/dev/null");
  for (auto _ : st) {
    tav::GameState state;
    kReadVersion.read(state, bytes.data(), bytes.size(), &devNull);
    benchmark::DoNotOptimize(state.actors.data());
  }
  setCounters(st, readDumpText(bytes));
}

void BM_ReadDump_Floor(benchmark::State& st) {
  const std::string text = readDumpText(kReadVersion.encode(largeState()));
  const Pieces pieces = split(text);
  std::vector<char> buffer(text.size() + 64);
  if (stdoutOf([&] { writeFloor(pieces, buffer); }) != text) {
    st.SkipWithError("the floor writes other bytes than the reader's dump");
    return;
  }
  {
    tavbench::StdoutToDevNull toNull;
    for (auto _ : st) benchmark::DoNotOptimize(writeFloor(pieces, buffer));
  }
  setCounters(st, text);
}

}  // namespace

BENCHMARK(BM_ReadDump_Quiet);
BENCHMARK(BM_ReadDump_DevNull);
BENCHMARK(BM_ReadDump_Floor);
BENCHMARK(BM_Dump_Print);
BENCHMARK(BM_Dump_Floor);
BENCHMARK(BM_Dump_Printf);
