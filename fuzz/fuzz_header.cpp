// readHeader on arbitrary bytes (all at once and arriving in two pieces), and the round trip
// of a header made from the input through writeHeader and readHeader.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "check.h"
#include "protocol/buffer.h"
#include "protocol/header.h"

using namespace tav::protocol;

namespace {

bool isSpace(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u == ' ' || (u >= '\t' && u <= '\r');
}

bool trimmed(const std::string& s) {
  return s.empty() || (!isSpace(s.front()) && !isSpace(s.back()));
}

std::string trimOf(const std::string& s) {
  std::size_t first = 0;
  std::size_t end = s.size();
  while (first < end && isSpace(s[first])) ++first;
  while (end > first && isSpace(s[end - 1])) --end;
  return s.substr(first, end - first);
}

Header sentinel() {
  Header h;
  h.event = "sentinel event";
  h.payload = "sentinel payload";
  h.length = 12345;
  return h;
}

// Reads a header from exactly these bytes; returns the read position (0 on false).
std::size_t readFrom(const uint8_t* data, std::size_t size, Header& header, bool& ok) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size]);
  if (size > 0) std::copy(data, data + size, copy.get());
  Buffer buffer(copy.get(), size);
  ok = readHeader(header, buffer);
  if (!ok) FUZZ_CHECK(buffer.getReadPosition() == 0);
  FUZZ_CHECK(buffer.getReadPosition() <= buffer.getPosition());
  return buffer.getReadPosition();
}

void arbitraryBytes(const uint8_t* data, std::size_t size) {
  Header header = sentinel();
  bool ok;
  const std::size_t consumed = readFrom(data, size, header, ok);
  if (!ok) {
    FUZZ_CHECK(header.event == "sentinel event" && header.payload == "sentinel payload" &&
               header.length == 12345);
    return;
  }
  // The text and at least 5 bytes were there; event and payload are trimmed, event unsplit.
  const std::size_t text = (std::size_t{data[0]} << 8 | data[1]) + 2;
  FUZZ_CHECK(size >= text + 5);
  FUZZ_CHECK(consumed >= text && consumed <= text + 5);
  FUZZ_CHECK(header.event.find(' ') == std::string::npos);
  FUZZ_CHECK(trimmed(header.event) && trimmed(header.payload));
  FUZZ_CHECK(header.event.find('\0') == std::string::npos);

  // Every prefix too short for the 5 bytes behind the text fails; appending the rest to a
  // Buffer that already holds the prefix then reads the same header.
  const std::size_t cut = text + 4 < 1024 ? text + 4 : 1023;
  if (size <= 1024) {
    Buffer buffer;
    for (std::size_t i = 0; i < cut && i < size; ++i) buffer.writeByte(data[i]);
    Header partial = sentinel();
    FUZZ_CHECK(!readHeader(partial, buffer));
    FUZZ_CHECK(buffer.getReadPosition() == 0 && partial.event == "sentinel event");
    for (std::size_t i = cut; i < size; ++i) buffer.writeByte(data[i]);
    FUZZ_CHECK(readHeader(partial, buffer));
    FUZZ_CHECK(partial.event == header.event && partial.payload == header.payload &&
               partial.length == header.length);
    FUZZ_CHECK(buffer.getReadPosition() == consumed);
  }
}

void roundTrip(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Header header;
  header.length = in.ConsumeIntegral<std::size_t>();
  header.event = in.ConsumeRandomLengthString(in.ConsumeBool() ? 100 : 40000);
  header.payload = in.ConsumeRemainingBytesAsString();

  std::string text = header.event;
  if (!header.payload.empty()) text += ' ' + header.payload;

  std::vector<uint8_t> storage(text.size() + 16);
  Buffer buffer(storage.data(), storage.size());
  buffer.clear();
  writeHeader(header, buffer);
  if (text.size() > 32767) {
    FUZZ_CHECK(buffer.getPosition() == 0);  // neither text nor length
    return;
  }
  FUZZ_CHECK(buffer.getPosition() >= text.size() + 3);
  for (int i = 0; i < 5; ++i) buffer.writeByte(0);

  Header back;
  FUZZ_CHECK(readHeader(back, buffer));
  // The reader sees the text up to its first zero byte, split at its first blank.
  const std::string seen = text.substr(0, text.find('\0'));
  const std::size_t blank = seen.find(' ');
  FUZZ_CHECK(back.event == trimOf(seen.substr(0, blank)));
  FUZZ_CHECK(back.payload == (blank == std::string::npos ? "" : trimOf(seen.substr(blank + 1))));
  const auto low = static_cast<int>(static_cast<uint32_t>(header.length));
  FUZZ_CHECK(back.length == static_cast<std::size_t>(static_cast<long long>(low)));
  FUZZ_CHECK(buffer.getSize() == 5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  arbitraryBytes(data, size);
  roundTrip(data, size);
  return 0;
}
