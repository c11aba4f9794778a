// Fuzzes the JSON mapping: any text is either refused with a message or read into states that
// survive toJson and a second read unchanged (the mapping loses nothing).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "json/gameStateJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const tav::json::StateResult one = tav::json::fromJson(text);
  if (one.ok) {
    const std::string written = tav::json::toJson(one.state);
    const tav::json::StateResult again = tav::json::fromJson(written);
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(again.state == one.state);
    FUZZ_CHECK(tav::json::toJson(again.state) == written);
  } else {
    FUZZ_CHECK(!one.error.what.empty());
    FUZZ_CHECK(one.error.offset <= size);
  }

  const tav::json::MessagesResult many = tav::json::messagesFromJson(text);
  if (many.ok) {
    std::string written;
    for (const tav::json::Message& message : many.messages) {
      written += tav::json::toJson(message, -1) + "\n";
    }
    const tav::json::MessagesResult again = tav::json::messagesFromJson(written);
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(again.messages.size() == many.messages.size());
    for (std::size_t i = 0; i < many.messages.size(); ++i) {
      const tav::json::Message& a = many.messages[i];
      const tav::json::Message& b = again.messages[i];
      FUZZ_CHECK(a.framed == b.framed && a.event == b.event && a.payload == b.payload &&
                 a.protocol == b.protocol && a.state == b.state);
    }
  } else {
    FUZZ_CHECK(!many.error.what.empty() && many.messages.empty());
  }
  return 0;
}
