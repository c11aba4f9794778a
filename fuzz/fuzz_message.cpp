// Fuzzes a whole message: framed by readMessage, checked against the specified readHeader and
// against its own annotation, then the body read by each protocol version and by detection.

#include <string>

#include "fuzz_gamestate.h"
#include "protocol/header.h"
#include "protocol/message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const tav::protocol::Message m = tav::protocol::readMessage(data, size);
  tavfuzz::require(m.status != tav::protocol::MessageStatus::kTooLarge);

  // readHeader reads the same header wherever its rule (five bytes behind the text) lets it.
  std::vector<uint8_t> input(data, data + size);
  tav::protocol::Buffer buffer(input.data(), input.size());
  tav::protocol::Header header;
  const std::size_t count = size >= 2 ? (std::size_t{data[0]} << 8) | data[1] : 0;
  const bool textThere = size >= 2 && (data[0] & 0x80u) == 0 && size >= 2 + count;
  if (textThere) tavfuzz::require(m.text.size() == count);
  const bool headerRead = tav::protocol::readHeader(header, buffer);
  tavfuzz::require(headerRead == (textThere && size - 2 - count >= 5));
  if (headerRead) {
    tavfuzz::require(header.event == m.header.event && header.payload == m.header.payload);
    if (m.status != tav::protocol::MessageStatus::kBadLength) {
      tavfuzz::require(header.length == m.header.length);
      tavfuzz::require(buffer.getReadPosition() == m.headerSize);
    }
  }

  // The header's spans lie end to end from the first byte, as far as the bytes hold them.
  std::size_t end = 0;
  for (const tav::protocol::FieldSpan& span : tav::protocol::annotateHeader(data, size)) {
    tavfuzz::require(span.offset == end && span.offset + span.length <= size);
    end += span.length;
  }
  if (m.headerSize != 0) tavfuzz::require(end == m.headerSize);
  if (m.status != tav::protocol::MessageStatus::kComplete) return 0;

  tavfuzz::require(m.size <= size && m.body.size() == m.header.length);
  for (const tav::protocol::Version* version : tav::protocol::kVersions) {
    tav::GameState state;
    const tav::protocol::ReadOutcome outcome = version->read(state, m.body);
    tavfuzz::require(outcome.consumed + outcome.leftover == m.body.size());
  }
  const tav::protocol::Detection detection = tav::protocol::detectVersion(m.body, &m.header);
  tavfuzz::require(detection.chosen != nullptr);
  for (const tav::protocol::VersionTrial& trial : detection.trials) {
    if (trial.version == detection.chosen) {
      tavfuzz::require(detection.exact() == trial.outcome.exact());
    }
  }
  return 0;
}
