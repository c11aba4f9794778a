// tav-encode: turns JSON (as tav-dump --format json writes it) into framed game-state
// messages or a bare body, so that messages can be crafted to test a peer. See --help.

#include <fstream>
#include <iostream>
#include <string>

#include "encode.h"
#include "protocol/version.h"
#include "toolSupport.h"

namespace {

const char kUsage[] = "usage: tav-encode [OPTION]... [FILE]\n";

const char kHelp[] =
    "Encodes JSON into game-state messages. FILE (or standard input, without FILE or with -)\n"
    "holds one or more JSON documents, one after another: each either a message object\n"
    "{\"event\", \"payload\", \"protocol\", \"state\"} as tav-dump --format json writes it, or a\n"
    "bare game-state object. Each document becomes one framed message (a header, then the\n"
    "body) or, with --bare, the body alone. A document with an unknown member, a value of the\n"
    "wrong type or a number out of its field's range is refused with its place (JSON pointer,\n"
    "or line and column) and nothing is written.\n"
    "\n"
    "Options:\n"
    "  -p, --protocol=VERSION  the body's protocol version: 7.6, 8.0 or 8.4. Default: the\n"
    "                          document's \"protocol\", else the version its payload names,\n"
    "                          else 8.4.\n"
    "  -e, --event=NAME        the header's event. Default: the document's, else game_state.\n"
    "      --payload=TEXT      the header's payload. Default: the document's, else the\n"
    "                          protocol version.\n"
    "  -b, --bare              write the body alone, without a header (one document only).\n"
    "  -o, --output=FILE       write to FILE instead of standard output; FILE is not touched\n"
    "                          when the input is refused.\n"
    "  -h, --help              show this help and exit.\n"
    "  -V, --version           show the tool's version and exit.\n"
    "  --                      end of options.\n"
    "\n"
    "The bytes are not written to a terminal: redirect standard output or use --output.\n"
    "\n"
    "Exit status:\n"
    "  0  every document was encoded and written\n"
    "  1  the input was refused (malformed JSON, wrong member, value out of range); nothing\n"
    "     was written\n"
    "  2  usage error\n"
    "  3  the input could not be read, or the output could not be written\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace tav::tools;
  const CommandLine line = parseCommandLine(argc, argv,
                                            {{'p', "protocol", true},
                                             {'e', "event", true},
                                             {0, "payload", true},
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
  const std::string input = line.operands.empty() ? std::string("-") : line.operands[0];
  if (input == "-" && stdinIsTerminal()) {
    std::cerr << kUsage << "Reads JSON from FILE or standard input; try 'tav-encode --help'.\n";
    return kExitUsage;
  }
  const bool toStdout = output.empty() || output == "-";
  if (toStdout && stdoutIsTerminal()) {
    std::cerr << "tav-encode: the output is binary and is not written to a terminal; redirect "
                 "it or use --output\n";
    return kExitUsage;
  }

  std::string text;
  std::string error;
  if (!readInput(input, text, error)) {
    std::cerr << "tav-encode: " << error << "\n";
    return kExitIo;
  }
  std::string bytes;
  if (!encodeAll(options, text, input == "-" ? std::string("standard input") : input, bytes,
                 error)) {
    std::cerr << "tav-encode: " << error << "\n";
    return kExitMalformed;
  }

  std::ofstream file;
  std::ostream* out = &std::cout;
  if (!toStdout) {
    file.open(output, std::ios::binary | std::ios::trunc);
    if (!file) {
      std::cerr << "tav-encode: " << output << ": cannot open for writing\n";
      return kExitIo;
    }
    out = &file;
  }
  out->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out->flush();
  if (!*out) {
    std::cerr << "tav-encode: " << (toStdout ? std::string("standard output") : output)
              << ": write error\n";
    return kExitIo;
  }
  return kExitOk;
}
