// The library's main job end to end: take the worked-example game state (worked_example.h),
// frame it with a header, write it as a message of the chosen protocol version, print the bytes,
// then read header and body back from those bytes and show what the reader prints.
//
// Usage: tav-example [7.6|8.0|8.4] [--out FILE]
//   The version defaults to 8.4. --out also saves the message (header and body) to FILE.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "model/gameState.h"
#include "protocol/buffer.h"
#include "protocol/header.h"
#include "protocol/version.h"
#include "worked_example.h"

namespace {

int usage() {
  std::cerr << "usage: tav-example [7.6|8.0|8.4] [--out FILE]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const tav::protocol::Version* version = &tav::protocol::v8_4::kVersion;
  const char* outPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--out" && i + 1 < argc) {
      outPath = argv[++i];
      continue;
    }
    version = tav::protocol::findVersion(arg);
    if (!version) return usage();
  }
  const std::string versionName(version->name());

  const tav::GameState state = tav::example::workedExample();

  // The message goes into an array of ours; a Buffer over it starts full, so clear() first.
  uint8_t message[1024];
  tav::protocol::Buffer out(message, sizeof message);
  out.clear();
  // The header carries the body's length, known without writing the body.
  tav::protocol::Header header;
  header.event = "game_state";
  header.payload = versionName;
  header.length = version->size(state);
  tav::protocol::writeHeader(header, out);
  const std::size_t headerLength = out.getPosition();
  if (version->write(state, out) == 0) {
    std::cerr << "tav-example: the message does not fit into " << sizeof message << " bytes\n";
    return 1;
  }
  const std::size_t length = out.getPosition();

  std::printf("protocol %s message: %zu bytes (header %zu, body %zu)\n", versionName.c_str(),
              length, headerLength, length - headerLength);
  for (std::size_t i = 0; i < length; ++i) {
    std::printf("%02X%c", message[i], (i % 16 == 15 || i + 1 == length) ? '\n' : ' ');
  }
  std::fflush(stdout);

  if (outPath) {
    std::ofstream file(outPath, std::ios::binary);
    file.write(reinterpret_cast<const char*>(message), static_cast<std::streamsize>(length));
    if (!file) {
      std::cerr << "tav-example: cannot write " << outPath << "\n";
      return 1;
    }
  }

  // Read it back from the bytes alone, as a receiver would.
  tav::protocol::Buffer in(message, length);
  tav::protocol::Header received;
  if (!tav::protocol::readHeader(received, in)) {
    std::cerr << "tav-example: incomplete header\n";
    return 1;
  }
  std::cout << "\nheader: event " << received.event << ", payload " << received.payload
            << ", length " << received.length << "\n\nwhat the reader prints:\n";
  tav::GameState copy;
  const tav::protocol::ReadOutcome outcome = version->read(copy, in, &std::cout);
  std::cout << "\nunread bytes: " << in.getSize() << "\n";
  return outcome.complete ? 0 : 1;
}
