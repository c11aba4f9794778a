#include "toolSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>

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

bool parseSize(const std::string& text, std::size_t& size) {
  std::size_t digits = 0;
  unsigned long long value = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    if (value > (std::numeric_limits<unsigned long long>::max() - 9) / 10) return false;
    value = value * 10 + static_cast<unsigned>(text[digits] - '0');
    ++digits;
  }
  if (digits == 0 || text.size() > digits + 1) return false;
  unsigned shift = 0;
  if (digits < text.size()) {
    switch (text[digits]) {
      case 'K':
      case 'k':
        shift = 10;
        break;
      case 'M':
        shift = 20;
        break;
      case 'G':
        shift = 30;
        break;
      default:
        return false;
    }
  }
  if (value > (std::numeric_limits<std::size_t>::max() >> shift)) return false;
  size = static_cast<std::size_t>(value) << shift;
  return true;
}

Input::~Input() {
  if (owned_ && fd_ >= 0) ::close(fd_);
}

bool Input::open(const std::string& path, std::string& error) {
  name_ = path == "-" ? std::string("standard input") : path;
  if (path == "-") {
    fd_ = STDIN_FILENO;
  } else {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      error = name_ + ": cannot open: " + std::strerror(errno);
      return false;
    }
    owned_ = true;
  }
  struct stat info {};
  if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
    error = name_ + ": is a directory";
    return false;
  }
  return true;
}

long Input::read(char* data, std::size_t size, std::string& error) {
  for (;;) {
    const ssize_t got = ::read(fd_, data, size);
    if (got >= 0) return static_cast<long>(got);
    if (errno == EINTR) continue;
    error = name_ + (errno == EISDIR ? std::string(": is a directory")
                                     : ": read error: " + std::string(std::strerror(errno)));
    return -1;
  }
}

Output::~Output() { abandon(); }

bool Output::open(const std::string& path, std::string& error) {
  if (path.empty() || path == "-") {
    stdout_ = &std::cout;
    return true;
  }
  path_ = path;
  // Write through a symbolic link to the file it names.
  std::string target = path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    target = real;
    std::free(real);  // NOLINT(cppcoreguidelines-no-malloc): realpath's own allocation
  }
  struct stat info {};
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) {
      error = path + ": is a directory";
      return false;
    }
    file_.open(target, std::ios::binary | std::ios::trunc);  // a device or a FIFO
    if (!file_) {
      error = path + ": cannot open for writing: " + std::strerror(errno);
      return false;
    }
    return true;
  }
  const std::size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = folder + "." + base + ".XXXXXX";
  const int fd = ::mkstemp(&pattern[0]);
  if (fd < 0) {
    error = path + ": cannot open for writing: " + std::strerror(errno);
    return false;
  }
  // The file keeps its mode; a new one gets the usual mode under the umask.
  mode_t mode = 0;
  if (exists) {
    mode = info.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  ::close(fd);
  temporary_ = pattern;
  file_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!file_) {
    error = path + ": cannot open for writing: " + std::strerror(errno);
    abandon();
    return false;
  }
  path_ = target;
  return true;
}

bool Output::commit(std::string& error) {
  std::ostream& out = stream();
  out.flush();
  const std::string name = path_.empty() ? std::string("standard output") : path_;
  if (!out) {
    error = name + ": write error";
    abandon();
    return false;
  }
  if (file_.is_open()) {
    file_.close();
    if (file_.fail()) {
      error = name + ": write error";
      abandon();
      return false;
    }
    if (!temporary_.empty()) {
      if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
        error = name + ": cannot replace: " + std::strerror(errno);
        abandon();
        return false;
      }
      temporary_.clear();
    }
  }
  return true;
}

void Output::abandon() {
  if (file_.is_open()) file_.close();
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

std::string outputIsInput(const std::string& path, const std::vector<std::string>& inputs) {
  if (path.empty() || path == "-") return std::string();
  struct stat out {};
  if (::stat(path.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return std::string();
  for (const std::string& input : inputs) {
    struct stat in {};
    const int got = input == "-" ? ::fstat(STDIN_FILENO, &in) : ::stat(input.c_str(), &in);
    if (got == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
      return path + ": the output is also an input (" +
             (input == "-" ? std::string("standard input") : input) + "); write to another file";
    }
  }
  return std::string();
}

bool colorWanted(const std::string& when, bool toTerminal, bool& ok) {
  ok = true;
  if (when == "always") return true;
  if (when == "never") return false;
  if (when != "auto") {
    ok = false;
    return false;
  }
  const char* none = std::getenv("NO_COLOR");
  return toTerminal && (none == nullptr || none[0] == '\0');
}

bool stdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

const char* toolVersion() { return TAV_TOOLS_VERSION; }

}  // namespace tools
}  // namespace tav
