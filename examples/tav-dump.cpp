// Prints what the game-state reader makes of a message: a framed message (header, then body)
// or a bare body, from a file or standard input.
//
// Usage: tav-dump [--version 7.6|8.0|8.4] [--bare] [FILE|-]
//   The version defaults to 8.4; without FILE, or with -, the message comes from standard input.
//   Exit status: 0 when the message was read, 1 when it could not be (no input, no complete
//   header), 2 for a usage error.

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/header.h"
#include "protocol/v7_6.h"
#include "protocol/v8_0.h"
#include "protocol/v8_4.h"

namespace {

struct Version {
  const char* name;
  void (*read)(tav::GameState&, tav::protocol::Buffer&);
};

const Version kVersions[] = {
    {"8.4", tav::protocol::v8_4::readGameState},
    {"8.0", tav::protocol::v8_0::readGameState},
    {"7.6", tav::protocol::v7_6::readGameState},
};

// Messages of this protocol are small; a larger input is refused rather than read into memory.
constexpr std::size_t kMaxInput = 16u << 20;

int usage() {
  std::cerr << "usage: tav-dump [--version 7.6|8.0|8.4] [--bare] [FILE|-]\n";
  return 2;
}

// Reads at most kMaxInput + 1 bytes, so that an oversized input is noticed without being kept.
std::vector<uint8_t> readAll(std::istream& in) {
  std::vector<uint8_t> bytes;
  char chunk[65536];
  while (in && bytes.size() <= kMaxInput) {
    in.read(chunk, sizeof chunk);
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const Version* version = &kVersions[0];
  bool bare = false;
  std::string path = "-";
  bool havePath = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--bare") {
      bare = true;
    } else if (arg == "--version" && i + 1 < argc) {
      const std::string wanted = argv[++i];
      version = nullptr;
      for (const Version& v : kVersions) {
        if (wanted == v.name) version = &v;
      }
      if (!version) return usage();
    } else if ((arg == "-" || arg.empty() || arg[0] != '-') && !havePath) {
      path = arg;
      havePath = true;
    } else {
      return usage();
    }
  }

  std::vector<uint8_t> bytes;
  if (path == "-") {
    bytes = readAll(std::cin);
  } else {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      std::cerr << "tav-dump: cannot open " << path << "\n";
      return 1;
    }
    bytes = readAll(file);
  }
  if (bytes.size() > kMaxInput) {
    std::cerr << "tav-dump: input larger than " << kMaxInput << " bytes\n";
    return 1;
  }

  // A Buffer borrowing the bytes has no size limit of its own.
  tav::protocol::Buffer buffer(bytes.data(), bytes.size());
  if (!bare) {
    tav::protocol::Header header;
    if (!tav::protocol::readHeader(header, buffer)) {
      std::cerr << "tav-dump: no complete header in " << bytes.size() << " bytes\n";
      return 1;
    }
    std::cout << "header: event " << header.event << ", payload " << header.payload << ", length "
              << header.length << "\n";
  }
  tav::GameState state;
  version->read(state, buffer);
  std::cout << "unread bytes: " << buffer.getSize() << "\n";
  return 0;
}
