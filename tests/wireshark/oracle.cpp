// Prints the library's annotation of messages, the oracle the dissector's tree is checked
// against: for each file (the bytes of one message, possibly cut short or followed by more),
//   message <file>
//   version <name>                                  (when the header is complete)
//   field <path> <offset> <length> <value>          (offsets from the message's first byte)
//   end
// with tab-separated columns. The header's fields come first, then the body's, read in the
// version the library's detection chooses (or the one given with --version).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "protocol/message.h"
#include "protocol/version.h"

namespace {

void printField(const std::string& path, std::size_t offset, std::size_t length,
                const std::string& value) {
  std::cout << "field\t" << path << '\t' << offset << '\t' << length << '\t' << value << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tav::protocol;
  const Version* forced = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--version" && i + 1 < argc) {
      forced = findVersion(argv[++i]);
      if (forced == nullptr) {
        std::cerr << "unknown version " << argv[i] << '\n';
        return 2;
      }
      continue;
    }
    std::ifstream in(arg, std::ios::binary);
    if (!in) {
      std::cerr << "cannot read " << arg << '\n';
      return 2;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::cout << "message\t" << arg << '\n';
    for (const FieldSpan& span : annotateHeader(bytes)) {
      printField(span.path, span.offset, span.length, span.value);
    }
    Message message = readMessage(bytes);
    if (message.status == MessageStatus::kComplete || message.status == MessageStatus::kNeedBody) {
      const Version* version =
          forced != nullptr ? forced : detectVersion(message.body, &message.header).chosen;
      std::cout << "version\t" << version->name() << '\n';
      for (const FieldSpan& span : version->annotate(message.body).fields) {
        printField(span.path, message.headerSize + span.offset, span.length, span.value);
      }
    }
    std::cout << "end\n";
  }
  return 0;
}
