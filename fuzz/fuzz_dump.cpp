// Fuzzes tav-dump's work on arbitrary bytes: the stream split into messages, the version
// found, one format written (text, JSON, annotated listing, HTML byte map; chosen by the
// first byte) framed or bare.
// Checks that the annotation tiles the bytes the body used, that a state read from bytes
// survives JSON unchanged, and that tav-encode takes back what tav-dump wrote.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "check.h"
#include "dump.h"
#include "encode.h"
#include "json/gameStateJson.h"
#include "protocol/version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // Larger inputs only repeat the records of smaller ones, at many times the cost per run.
  if (size > 2048) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  for (const tav::protocol::Version* version : tav::protocol::kVersions) {
    const tav::protocol::Annotation annotation = version->annotate(bytes);
    std::size_t end = 0;
    for (const tav::protocol::FieldSpan& field : annotation.fields) {
      if (field.length == 0) continue;  // a field that could not be read
      FUZZ_CHECK(field.offset == end);
      end = field.offset + field.length;
    }
    FUZZ_CHECK(end == annotation.outcome.consumed);
    FUZZ_CHECK(annotation.outcome.consumed + annotation.outcome.leftover <= size);

    tav::GameState state;
    version->read(state, bytes);
    const tav::json::StateResult back = tav::json::fromJson(tav::json::toJson(state));
    FUZZ_CHECK(back.ok && back.state == state);
  }

  // The first byte chooses the format and whether the input is bare; the rest is the input.
  if (size == 0) return 0;
  using tav::tools::Format;
  const Format formats[] = {Format::kText, Format::kJson, Format::kAnnotate, Format::kHtml};
  tav::tools::DumpOptions options;
  options.format = formats[data[0] & 3];
  options.bare = (data[0] & 4) != 0;
  const std::string_view input = bytes.substr(1);
  std::ostringstream out;
  std::ostringstream err;
  tav::tools::Dumper dumper(options, out, err);
  const bool ok = dumper.dump("input", input);
  dumper.finish();
  // Every failure is explained on the error stream.
  FUZZ_CHECK(ok || !err.str().empty());
  if (options.format == Format::kJson && !out.str().empty()) {
    tav::tools::EncodeOptions encode;
    encode.bare = options.bare;
    encode.lossy = true;  // the JSON of an incomplete read or a lossy value is still JSON
    std::string encoded;
    std::string error;
    FUZZ_CHECK(tav::tools::encodeAll(encode, out.str(), "dump", encoded, error) ||
               (options.bare && error.find("--bare writes one body") != std::string::npos));
  }
  return 0;
}
