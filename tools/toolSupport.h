#pragma once

// What tav-dump and tav-encode share: their command-line parser, input reading with a size
// limit, and the exit codes.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace tav {
namespace tools {

/// Exit codes of both tools.
enum ExitCode : int {
  /// Everything was read and written; every message complete.
  kExitOk = 0,
  /// Some input was malformed: a message incomplete or with bytes left over, a bad document.
  kExitMalformed = 1,
  /// The command line was wrong.
  kExitUsage = 2,
  /// An input could not be read or the output could not be written.
  kExitIo = 3,
};

/// Inputs larger than this are refused rather than read into memory.
constexpr std::size_t kMaxInput = std::size_t{16} << 20;

/// One option a tool knows.
struct OptionRule {
  /// The short name ('p' for -p), or 0 for none.
  char shortName;
  /// The long name ("protocol" for --protocol).
  const char* longName;
  /// True when the option takes a value (--protocol=8.4, --protocol 8.4, -p 8.4, -p8.4).
  bool takesValue;
};

/// An option as given on the command line: its long name and its value ("" for a flag).
struct GivenOption {
  /// The option's long name.
  std::string name;
  /// The value given with it; empty for a flag.
  std::string value;
};

/// A parsed command line.
struct CommandLine {
  /// The options in the order given.
  std::vector<GivenOption> options;
  /// The operands (file names, "-" for standard input), in order.
  std::vector<std::string> operands;
  /// Empty when the command line was understood; otherwise what was wrong with it.
  std::string error;
};

/// Parses argv[1..argc) against rules: options before and after operands, "--" ends the
/// options, "-" is an operand. Never fails by exception; error tells what was wrong.
CommandLine parseCommandLine(int argc, char** argv, const std::vector<OptionRule>& rules);

/// Reads the whole of path ("-" is standard input) into bytes. Returns false with a message
/// naming the file in error when it can't be opened or read, or holds more than kMaxInput bytes.
bool readInput(const std::string& path, std::string& bytes, std::string& error);

/// True when standard input is a terminal.
bool stdinIsTerminal();

/// True when standard output is a terminal.
bool stdoutIsTerminal();

/// The version of the tools (the project's version).
const char* toolVersion();

}  // namespace tools
}  // namespace tav
