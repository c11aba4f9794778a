#pragma once

// What tav-dump and tav-encode share: their command-line parser, inputs read chunk by chunk as
// they arrive, outputs written whole or not at all, terminal colour, and the exit codes.

#include <cstddef>
#include <fstream>
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

/// Parses a size such as "16777216", "64K", "16M" or "1G" (powers of 1024). Returns false for
/// anything else, or a size that does not fit a size_t.
bool parseSize(const std::string& text, std::size_t& size);

/// An input read chunk by chunk as its bytes arrive: a file, or standard input for "-".
class Input {
 public:
  Input() = default;
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  ~Input();

  /// Opens path ("-" is standard input). Returns false with a message naming the input in
  /// error when it can't be opened or is a directory.
  bool open(const std::string& path, std::string& error);
  /// Reads what is there, up to size bytes, waiting only until some arrive (a pipe or a socket
  /// gives what it has). Returns the bytes read, 0 at the end, or -1 with error set.
  long read(char* data, std::size_t size, std::string& error);
  /// The name to show: the path, or "standard input".
  const std::string& name() const { return name_; }

 private:
  int fd_ = -1;
  bool owned_ = false;
  std::string name_;
};

/// The output: standard output, or a file written whole or not at all (a temporary file in
/// the same folder, renamed over the file once everything is written). A device or a FIFO
/// named as the output is written directly.
class Output {
 public:
  Output() = default;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  /// Removes the temporary file unless commit() succeeded.
  ~Output();

  /// Opens path ("" or "-" is standard output). Returns false with a message in error when the
  /// file can't be created.
  bool open(const std::string& path, std::string& error);
  /// The stream to write to.
  std::ostream& stream() { return file_.is_open() ? file_ : *stdout_; }
  /// True when writing to standard output.
  bool isStdout() const { return !file_.is_open(); }
  /// Flushes, and for a file renames the temporary over it. Returns false with a message in
  /// error when something could not be written; the file is then left as it was.
  bool commit(std::string& error);
  /// Gives the output up: a file is left as it was.
  void abandon();

 private:
  std::ofstream file_;
  std::ostream* stdout_ = nullptr;
  std::string path_;       // the file named, "" for standard output
  std::string temporary_;  // the temporary written instead; "" when writing path_ directly
};

/// When path (the output) is an existing file that one of inputs ("-": standard input) also
/// is, returns a message saying so; otherwise "". Such an output would destroy the input.
std::string outputIsInput(const std::string& path, const std::vector<std::string>& inputs);

/// True when standard input is a terminal.
bool stdinIsTerminal();

/// True when standard output is a terminal.
bool stdoutIsTerminal();

/// Whether to colour output: for "auto" when standard output is a terminal and NO_COLOR is
/// unset or empty; "always"; "never". Returns false in ok for any other value.
bool colorWanted(const std::string& when, bool toTerminal, bool& ok);

/// The version of the tools (the project's version).
const char* toolVersion();

}  // namespace tools
}  // namespace tav
