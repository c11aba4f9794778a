// tav-dump: shows what the game-state reader makes of framed messages or a bare body, as the
// reader's text dump, JSON, an annotated byte listing or an HTML byte map. See --help.

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "dump.h"
#include "protocol/version.h"
#include "toolSupport.h"

namespace {

const char kUsage[] = "usage: tav-dump [OPTION]... [FILE]...\n";

const char kHelp[] =
    "Shows game-state messages: a stream of framed messages (a header, then a body of the\n"
    "length the header gives), or with --bare one body without a header. Each FILE is read to\n"
    "its end; without FILE, or with -, standard input is read.\n"
    "\n"
    "Options:\n"
    "  -p, --protocol=VERSION  the body's protocol version: 7.6, 8.0, 8.4 or auto (default).\n"
    "                          auto reads the body with each version quietly and takes the one\n"
    "                          that reads it completely with no byte left over; when several\n"
    "                          do, the one the header's payload names (else the newest), with a\n"
    "                          note on standard error; when none does, it lists how each one\n"
    "                          failed and shows the body as the version the payload names.\n"
    "  -f, --format=FORMAT     text (default): the reader's own dump, after a header line and\n"
    "                            the protocol used, ending with the unread byte count;\n"
    "                          json: one JSON document per message, {\"event\", \"payload\",\n"
    "                            \"protocol\", \"state\"} (the state alone with --bare), as\n"
    "                            tav-encode reads it back;\n"
    "                          annotate: one line per field: offset, size, bytes in hex, the\n"
    "                            field's path (indented by record) and its value, ending with\n"
    "                            where the data ran out and any bytes left over;\n"
    "                          html: one self-contained HTML page: the bytes as a hex grid\n"
    "                            shaded by record beside the field tree; hovering or clicking a\n"
    "                            field or a byte highlights both.\n"
    "  -b, --bare              the input is one body without a header.\n"
    "  -o, --output=FILE       write to FILE instead of standard output.\n"
    "  -h, --help              show this help and exit.\n"
    "  -V, --version           show the tool's version and exit.\n"
    "  --                      end of options: every later argument is a FILE.\n"
    "\n"
    "Offsets count bytes from the start of each input. Problems go to standard error as\n"
    "\"tav-dump: FILE: message N at offset O: what\". Inputs larger than 16 MiB are refused.\n"
    "\n"
    "Exit status:\n"
    "  0  every message was complete, with no byte left over\n"
    "  1  some input was empty, malformed or incomplete (a header or body cut short, bytes\n"
    "     left over after a body, no version reading a body exactly)\n"
    "  2  usage error\n"
    "  3  an input could not be read, or the output could not be written\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace tav::tools;
  const CommandLine line = parseCommandLine(argc, argv,
                                            {{'p', "protocol", true},
                                             {'f', "format", true},
                                             {'b', "bare", false},
                                             {'o', "output", true},
                                             {'h', "help", false},
                                             {'V', "version", false}});
  if (!line.error.empty()) {
    std::cerr << "tav-dump: " << line.error << "\n" << kUsage << "Try 'tav-dump --help'.\n";
    return kExitUsage;
  }
  DumpOptions options;
  std::string output;
  for (const GivenOption& option : line.options) {
    if (option.name == "help") {
      std::cout << kUsage << kHelp << std::flush;
      return std::cout ? kExitOk : kExitIo;
    }
    if (option.name == "version") {
      std::cout << "tav-dump " << toolVersion() << " (protocols " << tav::protocol::versionNames()
                << ")\n"
                << std::flush;
      return std::cout ? kExitOk : kExitIo;
    }
  }
  for (const GivenOption& option : line.options) {
    if (option.name == "protocol") {
      if (option.value == "auto") {
        options.version = nullptr;
      } else {
        options.version = tav::protocol::findVersion(option.value);
        if (options.version == nullptr) {
          std::cerr << "tav-dump: unknown protocol version '" << option.value
                    << "' (known: " << tav::protocol::versionNames() << ", auto)\n";
          return kExitUsage;
        }
      }
    } else if (option.name == "format") {
      if (option.value == "text") {
        options.format = Format::kText;
      } else if (option.value == "json") {
        options.format = Format::kJson;
      } else if (option.value == "annotate") {
        options.format = Format::kAnnotate;
      } else if (option.value == "html") {
        options.format = Format::kHtml;
      } else {
        std::cerr << "tav-dump: unknown format '" << option.value
                  << "' (known: text, json, annotate, html)\n";
        return kExitUsage;
      }
    } else if (option.name == "bare") {
      options.bare = true;
    } else if (option.name == "output") {
      output = option.value;
    }
  }
  std::vector<std::string> inputs = line.operands;
  if (inputs.empty()) {
    if (stdinIsTerminal()) {
      std::cerr << kUsage << "Reads messages from FILE or standard input; try 'tav-dump --help'.\n";
      return kExitUsage;
    }
    inputs.emplace_back("-");
  }

  std::ofstream file;
  std::ostream* out = &std::cout;
  if (!output.empty() && output != "-") {
    file.open(output, std::ios::binary | std::ios::trunc);
    if (!file) {
      std::cerr << "tav-dump: " << output << ": cannot open for writing\n";
      return kExitIo;
    }
    out = &file;
  }

  Dumper dumper(options, *out, std::cerr);
  int status = kExitOk;
  for (const std::string& input : inputs) {
    std::string bytes;
    std::string error;
    if (!readInput(input, bytes, error)) {
      std::cerr << "tav-dump: " << error << "\n";
      status = kExitIo;
      continue;
    }
    if (!dumper.dump(input == "-" ? std::string("standard input") : input, bytes) &&
        status == kExitOk) {
      status = kExitMalformed;
    }
  }
  dumper.finish();
  out->flush();
  if (!*out) {
    std::cerr << "tav-dump: " << (out == &file ? output : std::string("standard output"))
              << ": write error\n";
    return kExitIo;
  }
  return status;
}
