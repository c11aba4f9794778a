// The sample messages in examples/data are what the library writes for the worked example
// (examples/worked_example.h, the state tav-example writes): a body-<version>.bin is the bare
// body, a gamestate-<version>.bin the body behind its header. Regenerate them with
// `tav-example <version> --out examples/data/gamestate-<version>.bin` (the body files are
// the same bytes without the header) when the state or a format changes on purpose.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "protocol/buffer.h"
#include "protocol/header.h"
#include "protocol/version.h"
#include "worked_example.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readSample(const std::string& name) {
  std::ifstream file(std::string(TAV_EXAMPLES_DATA_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(file) << "cannot open " << name;
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The message tav-example writes: the header "game_state <version>" with the body's length,
// then the body.
Bytes message(const tav::protocol::Version& version, const Bytes& body) {
  Bytes bytes(1024);
  tav::protocol::Buffer buffer(bytes.data(), bytes.size());
  buffer.clear();
  tav::protocol::Header header;
  header.event = "game_state";
  header.payload = std::string(version.name());
  header.length = body.size();
  tav::protocol::writeHeader(header, buffer);
  bytes.resize(buffer.getPosition());
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

TEST(Samples, AreTheWorkedExampleAsWritten) {
  for (const tav::protocol::Version* version : tav::protocol::kVersions) {
    const std::string name(version->name());
    SCOPED_TRACE(name);
    const Bytes body = version->encode(tav::example::workedExample());
    ASSERT_FALSE(body.empty());
    EXPECT_EQ(readSample("body-" + name + ".bin"), body);
    EXPECT_EQ(readSample("gamestate-" + name + ".bin"), message(*version, body));
  }
}

}  // namespace
