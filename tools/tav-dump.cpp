// tav-dump: shows what the game-state reader makes of framed messages or a bare body, as the
// reader's text dump, JSON, summary lines, an annotated byte listing, an HTML byte map or JSON
// Patches between states. See --help.

#include <iostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dump.h"
#include "protocol/version.h"
#include "toolSupport.h"

namespace {

const char kUsage[] = "Usage: tav-dump [OPTION]... [FILE]...\n";

// Laid out for help2man as well: the description, then "Options:" (options, then the values
// of --format as a subsection), then "Exit status:", which the manual page makes a section.
const char kHelp[] =
    "Shows game-state messages: a stream of framed messages (a header, then a body of the\n"
    "length the header gives), or with --bare one body without a header. Each FILE is read to\n"
    "its end; without FILE, or with -, standard input is read. Each message is shown as soon\n"
    "as it is complete, so a live capture (nc HOST PORT | tav-dump) shows messages as they\n"
    "arrive. Bytes that frame no message are shown too, with what was wrong, and the search\n"
    "goes on at the next header whose body reads exactly.\n"
    "\n"
    "Offsets count bytes from the start of each input. Problems go to standard error as\n"
    "\"tav-dump: FILE: message N at offset O: what\".\n"
    "\n"
    "Options:\n"
    "  -p, --protocol=VERSION  the body's protocol version: 7.6, 8.0, 8.4 or auto (default).\n"
    "                          auto reads the body with each version quietly and takes the one\n"
    "                          that reads it completely with no byte left over; when several\n"
    "                          do, the one the header's payload names (else the newest), with a\n"
    "                          note on standard error; when none does, it lists how each one\n"
    "                          failed and shows the body as the version the payload names.\n"
    "  -f, --format=FORMAT     what to write: text (default), json, jsonl, summary, annotate\n"
    "                          or html, each described under Formats below.\n"
    "  -d, --diff              with one input, each message as an RFC 6902 JSON Patch against\n"
    "                          the previous message's state (the first against an empty state),\n"
    "                          one line each: {\"source\", \"protocol\", \"patch\"}; with two\n"
    "                          inputs, compares them message by message, printing each patch\n"
    "                          from the first's state to the second's; exit status 0 when equal,\n"
    "                          1 when not.\n"
    "  -b, --bare              the input is one body without a header.\n"
    "      --max-message=SIZE  the largest message (header and body, or a bare body) read:\n"
    "                          bytes, or with K, M or G (default 16M); a larger one is reported\n"
    "                          and skipped, never stored. A stream's total size has no limit.\n"
    "      --color=WHEN        colour text, annotate and summary: auto (default: when standard\n"
    "                          output is a terminal and NO_COLOR is not set), always or never.\n"
    "  -o, --output=FILE       write to FILE instead of standard output. FILE is replaced once\n"
    "                          everything is written, and left alone when an input can't be\n"
    "                          read; it may not be one of the inputs.\n"
    "  -h, --help              show this help and exit.\n"
    "  -V, --version           show the tool's version and exit.\n"
    "  --                      end of options: every later argument is a FILE.\n"
    "\n"
    "Formats:\n"
    "  text      the reader's own dump, after the message's place, a header line and the\n"
    "            protocol used, ending with the unread byte count.\n"
    "  json      one JSON document per message, {\"event\", \"payload\", \"protocol\", "
    "\"source\",\n"
    "            \"read\", \"state\"} (the state alone with --bare), as tav-encode reads it\n"
    "            back; \"source\" is {\"input\", \"message\", \"offset\"}, \"read\" how the read\n"
    "            ended: {\"complete\", \"left_over\", and when incomplete \"stopped_at\",\n"
    "            \"stopped_field\", \"announced\", \"present\"}.\n"
    "  jsonl     the same, one compact document per line (for jq).\n"
    "  summary   one line per message: input, message number, offset, event, payload,\n"
    "            protocol, size, status (ok, cut, ran-out, left-over, no-version, garbage),\n"
    "            round, scenario, actors.\n"
    "  annotate  one line per field: offset, size, bytes in hex, the field's path (indented\n"
    "            by record) and its value, ending with where the data ran out and any bytes\n"
    "            left over.\n"
    "  html      one self-contained HTML page: the bytes as a hex grid shaded by record\n"
    "            beside the field tree; hovering or clicking a field or a byte highlights\n"
    "            both.\n"
    "\n"
    "Exit status:\n"
    "  0  every message was complete, with no byte left over (with --diff of two inputs: they\n"
    "     are equal)\n"
    "  1  some input was empty, malformed or incomplete (a header or body cut short, bytes\n"
    "     left over after a body, bytes that frame no message, no version reading a body\n"
    "     exactly); with --diff of two inputs, also when they differ\n"
    "  2  usage error\n"
    "  3  an input could not be read, or the output could not be written\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace tav::tools;
  const CommandLine line = parseCommandLine(argc, argv,
                                            {{'p', "protocol", true},
                                             {'f', "format", true},
                                             {'d', "diff", false},
                                             {'b', "bare", false},
                                             {0, "max-message", true},
                                             {0, "color", true},
                                             {'o', "output", true},
                                             {'h', "help", false},
                                             {'V', "version", false}});
  if (!line.error.empty()) {
    std::cerr << "tav-dump: " << line.error << "\n" << kUsage << "Try 'tav-dump --help'.\n";
    return kExitUsage;
  }
  DumpOptions options;
  std::string output;
  std::string when = "auto";
  bool diff = false;
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
      static const std::pair<const char*, Format> kFormats[] = {
          {"text", Format::kText},         {"json", Format::kJson},
          {"jsonl", Format::kJsonLines},   {"summary", Format::kSummary},
          {"annotate", Format::kAnnotate}, {"html", Format::kHtml}};
      bool known = false;
      for (const auto& format : kFormats) {
        if (option.value == format.first) {
          options.format = format.second;
          known = true;
        }
      }
      if (!known) {
        std::cerr << "tav-dump: unknown format '" << option.value
                  << "' (known: text, json, jsonl, summary, annotate, html)\n";
        return kExitUsage;
      }
    } else if (option.name == "diff") {
      diff = true;
    } else if (option.name == "bare") {
      options.bare = true;
    } else if (option.name == "max-message") {
      if (!parseSize(option.value, options.limit)) {
        std::cerr << "tav-dump: --max-message needs a size such as 1048576, 64K or 16M, not '"
                  << option.value << "'\n";
        return kExitUsage;
      }
    } else if (option.name == "color") {
      when = option.value;
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
  const bool compare = diff && inputs.size() == 2;
  if (diff && inputs.size() > 2) {
    std::cerr << "tav-dump: --diff takes one input (a stream) or two (to compare)\n" << kUsage;
    return kExitUsage;
  }
  if (diff) options.format = Format::kDiff;
  bool colorOk = true;
  options.color =
      colorWanted(when, (output.empty() || output == "-") && stdoutIsTerminal(), colorOk);
  if (!colorOk) {
    std::cerr << "tav-dump: --color is auto, always or never, not '" << when << "'\n";
    return kExitUsage;
  }
  if (options.format == Format::kJson || options.format == Format::kJsonLines ||
      options.format == Format::kHtml || options.format == Format::kDiff) {
    options.color = false;
  }
  const std::string same = outputIsInput(output, inputs);
  if (!same.empty()) {
    std::cerr << "tav-dump: " << same << "\n";
    return kExitUsage;
  }

  Output out;
  std::string error;
  if (!out.open(output, error)) {
    std::cerr << "tav-dump: " << error << "\n";
    return kExitIo;
  }
  options.flushEach = out.isStdout();
  Dumper dumper(options, out.stream(), std::cerr);
  std::vector<Collected> collected[2];
  int status = kExitOk;
  bool readFailed = false;
  std::vector<char> chunk(std::size_t{1} << 16);
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    if (compare) dumper.collectInto(&collected[k]);
    Input input;
    if (!input.open(inputs[k], error)) {
      std::cerr << "tav-dump: " << error << "\n";
      status = kExitIo;
      readFailed = true;
      continue;
    }
    dumper.begin(input.name());
    long got = 0;
    while ((got = input.read(chunk.data(), chunk.size(), error)) > 0) {
      dumper.feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
      if (!out.stream()) break;  // the output failed: stop reading
    }
    const bool ok = dumper.end();
    if (got < 0) {
      std::cerr << "tav-dump: " << error << "\n";
      status = kExitIo;
      readFailed = true;
    } else if (!ok && status == kExitOk) {
      status = kExitMalformed;
    }
    if (!out.stream()) break;
  }
  if (compare && !readFailed) {
    if (!compareInputs(collected[0], collected[1], out.stream()) && status == kExitOk) {
      status = kExitMalformed;
    }
  }
  dumper.finish();
  if (readFailed && !out.isStdout()) {
    out.abandon();  // the file is left as it was
    return status;
  }
  if (!out.commit(error)) {
    std::cerr << "tav-dump: " << error << "\n";
    return kExitIo;
  }
  return status;
}
