#include "toolSupport.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

namespace tav {
namespace tools {

namespace {

const OptionRule* findLong(const std::vector<OptionRule>& rules, const std::string& name) {
  for (const OptionRule& rule : rules) {
    if (name == rule.longName) return &rule;
  }
  return nullptr;
}

const OptionRule* findShort(const std::vector<OptionRule>& rules, char name) {
  for (const OptionRule& rule : rules) {
    if (rule.shortName != 0 && rule.shortName == name) return &rule;
  }
  return nullptr;
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv, const std::vector<OptionRule>& rules) {
  CommandLine line;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] == nullptr ? std::string() : std::string(argv[i]);
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      line.operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg.compare(0, 2, "--") == 0) {
      const std::size_t equals = arg.find('=');
      const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
      const OptionRule* rule = findLong(rules, name);
      if (rule == nullptr) {
        line.error = "unknown option --" + name;
        return line;
      }
      GivenOption given{rule->longName, {}};
      if (rule->takesValue) {
        if (equals != std::string::npos) {
          given.value = arg.substr(equals + 1);
        } else if (i + 1 < argc && argv[i + 1] != nullptr) {
          given.value = argv[++i];
        } else {
          line.error = "option --" + name + " needs a value";
          return line;
        }
      } else if (equals != std::string::npos) {
        line.error = "option --" + name + " takes no value";
        return line;
      }
      line.options.push_back(std::move(given));
    } else {
      // One or more short options: "-b", "-bp8.4", "-p 8.4".
      for (std::size_t k = 1; k < arg.size(); ++k) {
        const OptionRule* rule = findShort(rules, arg[k]);
        if (rule == nullptr) {
          line.error = std::string("unknown option -") + arg[k];
          return line;
        }
        GivenOption given{rule->longName, {}};
        if (rule->takesValue) {
          if (k + 1 < arg.size()) {
            given.value = arg.substr(k + 1);
          } else if (i + 1 < argc && argv[i + 1] != nullptr) {
            given.value = argv[++i];
          } else {
            line.error = std::string("option -") + arg[k] + " needs a value";
            return line;
          }
          line.options.push_back(std::move(given));
          break;
        }
        line.options.push_back(std::move(given));
      }
    }
  }
  return line;
}

bool readInput(const std::string& path, std::string& bytes, std::string& error) {
  const std::string name = path == "-" ? std::string("standard input") : path;
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    file.open(path, std::ios::binary);
    if (!file) {
      error = name + ": cannot open: " + std::strerror(errno);
      return false;
    }
    in = &file;
  }
  bytes.clear();
  char chunk[65536];
  // At most kMaxInput + 1 bytes, so that an oversized input is noticed without being kept.
  while (*in && bytes.size() <= kMaxInput) {
    in->read(chunk, sizeof chunk);
    bytes.append(chunk, static_cast<std::size_t>(in->gcount()));
  }
  if (in->bad()) {
    error = name + ": read error";
    return false;
  }
  if (bytes.size() > kMaxInput) {
    error = name + ": larger than " + std::to_string(kMaxInput) + " bytes";
    bytes.clear();
    return false;
  }
  return true;
}

bool stdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

const char* toolVersion() { return TAV_TOOLS_VERSION; }

}  // namespace tools
}  // namespace tav
