#include "encode.h"

#include <cctype>
#include <cstdint>
#include <vector>

#include "json/gameStateJson.h"
#include "protocol/buffer.h"
#include "protocol/header.h"

namespace tav {
namespace tools {

namespace {

bool hasOuterSpace(const std::string& text) {
  return !text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) != 0 ||
                           std::isspace(static_cast<unsigned char>(text.back())) != 0);
}

}  // namespace

bool encodeAll(const EncodeOptions& options, std::string_view text, const std::string& name,
               std::string& bytes, std::string& error) {
  bytes.clear();
  const tav::json::MessagesResult documents = tav::json::messagesFromJson(text);
  if (!documents.ok) {
    error = name + ": document " + std::to_string(documents.index + 1) + ", " +
            documents.error.message();
    return false;
  }
  if (documents.messages.empty()) {
    error = name + ": no JSON document";
    return false;
  }
  if (options.bare && documents.messages.size() > 1) {
    error = name + ": --bare writes one body, but the input holds " +
            std::to_string(documents.messages.size()) + " documents";
    return false;
  }
  std::string out;
  for (std::size_t i = 0; i < documents.messages.size(); ++i) {
    const tav::json::Message& m = documents.messages[i];
    const std::string where = name + ": document " + std::to_string(i + 1) + ": ";
    const tav::protocol::Version* version = options.version;
    if (version == nullptr && !m.protocol.empty()) {
      version = tav::protocol::findVersion(m.protocol);
      if (version == nullptr) {
        error = where + "unknown protocol \"" + m.protocol +
                "\" (known: " + tav::protocol::versionNames() + ")";
        return false;
      }
    }
    if (version == nullptr) version = tav::protocol::findVersion(m.payload);
    if (version == nullptr) version = tav::protocol::kVersions.back();

    const std::vector<uint8_t> body = version->encode(m.state);
    if (body.empty() || body.size() > 0x7FFFFFFFu) {
      error = where + "the body does not fit a message";
      return false;
    }
    if (!options.bare) {
      tav::protocol::Header header;
      header.event = options.eventGiven ? options.event
                                        : (m.event.empty() ? std::string("game_state") : m.event);
      header.payload = options.payloadGiven
                           ? options.payload
                           : (m.payload.empty() ? std::string(version->name()) : m.payload);
      header.length = body.size();
      // The reader splits the header text at its first blank and trims both parts: an event
      // or payload that would read back differently is refused.
      if (header.event.empty() || header.event.find(' ') != std::string::npos ||
          hasOuterSpace(header.event)) {
        error = where + "the event \"" + header.event +
                "\" must be non-empty, without blanks and without surrounding white space";
        return false;
      }
      if (hasOuterSpace(header.payload)) {
        error = where + "the payload must not begin or end with white space";
        return false;
      }
      const std::size_t textSize =
          header.event.size() + (header.payload.empty() ? 0 : 1 + header.payload.size());
      if (textSize > 32767) {
        error = where + "the header text is longer than 32767 bytes";
        return false;
      }
      std::vector<uint8_t> room(2 + textSize + 5);
      tav::protocol::Buffer buffer(room.data(), room.size());
      buffer.clear();
      tav::protocol::writeHeader(header, buffer);
      out.append(reinterpret_cast<const char*>(room.data()), buffer.getPosition());
    }
    out.append(reinterpret_cast<const char*>(body.data()), body.size());
  }
  bytes = std::move(out);
  return true;
}

}  // namespace tools
}  // namespace tav
