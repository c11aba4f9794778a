// tav-encode: turns JSON (as tav-dump --format json writes it) into framed game-state
// messages or a bare body, so that messages can be crafted to test a peer. See --help.

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "encode.h"
#include "protocol/version.h"
#include "toolSupport.h"

namespace {

const char kUsage[] = "Usage: tav-encode [OPTION]... [FILE]\n";

// Laid out for help2man as well: the description, then "Options:", then "Exit status:", which
// the manual page makes a section.
const char kHelp[] =
    "Encodes JSON into game-state messages. FILE (or standard input, without FILE or with -)\n"
    "holds any number of JSON documents, one after another (as tav-dump --format json or\n"
    "jsonl writes them), read one at a time: each either a message object {\"event\",\n"
    "\"payload\", \"protocol\", \"state\"} (\"source\" and \"read\", as tav-dump writes them, are\n"
    "understood) or a bare game-state object. Each document becomes one framed message (a\n"
    "header, then the body) or, with --bare, the body alone. A document with an unknown\n"
    "member, a value of the wrong type or a number out of its field's range is refused with\n"
    "its place (JSON pointer, or line and column) and nothing is written.\n"
    "\n"
    "Each body is read back: a value the protocol can't hold (a field it lacks, a text cut at\n"
    "a NUL byte, a deck keyed apart from its id, a number it stores otherwise) is named with\n"
    "its JSON pointer and what becomes of it, and the document is refused unless --lossy is\n"
    "given. So is a message whose \"read\" says its bytes were incomplete or had bytes left\n"
    "over: its state holds values the bytes did not give.\n"
    "\n"
    "A document may hold at most 256 MiB of JSON text; the input's total size has no limit.\n"
    "The bytes are not written to a terminal: redirect standard output or use --output.\n"
    "\n"
    "Options:\n"
    "  -p, --protocol=VERSION  the body's protocol version: 7.6, 8.0 or 8.4. Default: the\n"
    "                          document's \"protocol\", else the version its payload names,\n"
    "                          else 8.4.\n"
    "  -e, --event=NAME        the header's event. Default: the document's, else game_state.\n"
    "      --payload=TEXT      the header's payload. Default: the document's, else the\n"
    "                          protocol version.\n"
    "      --patch=FILE        apply the RFC 6902 JSON Patch in FILE to each document's state\n"
    "                          before encoding it, paths within the state (/round,\n"
    "                          /actors/0/player/hp) as tav-dump --diff writes them; a patch\n"
    "                          that does not apply is refused.\n"
    "      --lossy             encode all the same what does not come back as written, and\n"
    "                          documents of incomplete reads, saying each on standard error.\n"
    "  -b, --bare              write the body alone, without a header (one document only).\n"
    "  -o, --output=FILE       write to FILE instead of standard output; FILE is replaced once\n"
    "                          everything is written and not touched when the input is\n"
    "                          refused; it may not be the input.\n"
    "  -h, --help              show this help and exit.\n"
    "  -V, --version           show the tool's version and exit.\n"
    "  --                      end of options.\n"
    "\n"
    "Exit status:\n"
    "  0  every document was encoded and written\n"
    "  1  the input was refused (malformed JSON, wrong member, value out of range, a value\n"
    "     lost without --lossy, a patch that does not apply); nothing was written\n"
    "  2  usage error\n"
    "  3  the input could not be read, or the output could not be written\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace tav::tools;
  const CommandLine line = parseCommandLine(argc, argv,
                                            {{'p', "protocol", true},
                                             {'e', "event", true},
                                             {0, "payload", true},
                                             {0, "patch", true},
                                             {0, "lossy", false},
                                             {'b', "bare", false},
                                             {'o', "output", true},
                                             {'h', "help", false},
                                             {'V', "version", false}});
  if (!line.error.empty()) {
    std::cerr << "tav-encode: " << line.error << "\n" << kUsage << "Try 'tav-encode --help'.\n";
    return kExitUsage;
  }
  for (const GivenOption& option : line.options) {
    if (option.name == "help") {
      std::cout << kUsage << kHelp << std::flush;
      return std::cout ? kExitOk : kExitIo;
    }
    if (option.name == "version") {
      std::cout << "tav-encode " << toolVersion() << " (protocols " << tav::protocol::versionNames()
                << ")\n"
                << std::flush;
      return std::cout ? kExitOk : kExitIo;
    }
  }
  EncodeOptions options;
  std::string output;
  std::string patchFile;
  for (const GivenOption& option : line.options) {
    if (option.name == "protocol") {
      options.version = tav::protocol::findVersion(option.value);
      if (options.version == nullptr) {
        std::cerr << "tav-encode: unknown protocol version '" << option.value
                  << "' (known: " << tav::protocol::versionNames() << ")\n";
        return kExitUsage;
      }
    } else if (option.name == "event") {
      options.eventGiven = true;
      options.event = option.value;
    } else if (option.name == "payload") {
      options.payloadGiven = true;
      options.payload = option.value;
    } else if (option.name == "patch") {
      patchFile = option.value;
    } else if (option.name == "lossy") {
      options.lossy = true;
    } else if (option.name == "bare") {
      options.bare = true;
    } else if (option.name == "output") {
      output = option.value;
    }
  }
  if (line.operands.size() > 1) {
    std::cerr << "tav-encode: one input at most\n" << kUsage;
    return kExitUsage;
  }
  const std::string inputPath = line.operands.empty() ? std::string("-") : line.operands[0];
  if (inputPath == "-" && stdinIsTerminal()) {
    std::cerr << kUsage << "Reads JSON from FILE or standard input; try 'tav-encode --help'.\n";
    return kExitUsage;
  }
  const bool toStdout = output.empty() || output == "-";
  if (toStdout && stdoutIsTerminal()) {
    std::cerr << "tav-encode: the output is binary and is not written to a terminal; redirect "
                 "it or use --output\n";
    return kExitUsage;
  }
  const std::string same = outputIsInput(output, {inputPath});
  if (!same.empty()) {
    std::cerr << "tav-encode: " << same << "\n";
    return kExitUsage;
  }

  std::string error;
  std::vector<char> chunk(std::size_t{1} << 16);
  if (!patchFile.empty()) {
    Input patch;
    if (!patch.open(patchFile, error)) {
      std::cerr << "tav-encode: " << error << "\n";
      return kExitIo;
    }
    long got = 0;
    while ((got = patch.read(chunk.data(), chunk.size(), error)) > 0) {
      options.patch.append(chunk.data(), static_cast<std::size_t>(got));
      if (options.patch.size() > (std::size_t{16} << 20)) {
        std::cerr << "tav-encode: " << patchFile << ": a patch is at most 16 MiB\n";
        return kExitMalformed;
      }
    }
    if (got < 0) {
      std::cerr << "tav-encode: " << error << "\n";
      return kExitIo;
    }
    if (!checkPatch(options.patch, error)) {
      std::cerr << "tav-encode: " << patchFile << ": " << error << "\n";
      return kExitMalformed;
    }
  }

  Input input;
  if (!input.open(inputPath, error)) {
    std::cerr << "tav-encode: " << error << "\n";
    return kExitIo;
  }
  Output out;
  if (!out.open(output, error)) {
    std::cerr << "tav-encode: " << error << "\n";
    return kExitIo;
  }
  // Standard output gets the bytes once every document is encoded; a file gets them as they
  // come, and is only put in place at the end.
  std::string warnings;
  Encoder encoder(options, input.name(), &warnings);
  std::string bytes;
  bool refused = false;
  long got = 0;
  while ((got = input.read(chunk.data(), chunk.size(), error)) > 0) {
    if (!encoder.feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)), bytes)) {
      refused = true;
      break;
    }
    std::cerr << warnings;
    warnings.clear();
    if (!out.isStdout() && !bytes.empty()) {
      out.stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      bytes.clear();
    }
  }
  if (got < 0) {
    std::cerr << "tav-encode: " << error << "\n";
    out.abandon();
    return kExitIo;
  }
  if (!refused && !encoder.end(bytes)) refused = true;
  std::cerr << warnings;
  if (refused) {
    std::cerr << "tav-encode: " << encoder.error() << "\n";
    out.abandon();
    return kExitMalformed;
  }
  out.stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.commit(error)) {
    std::cerr << "tav-encode: " << error << "\n";
    return kExitIo;
  }
  return kExitOk;
}
