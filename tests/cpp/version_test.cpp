// The version table and the forms of reading and writing it offers beyond the specified
// readers and writers: outcomes, const input, whole-or-nothing writes, dumps into a caller's
// stream from several threads.

#include "protocol/version.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "print.h"
#include "protocol/v8_4.h"
#include "protocol_test_util.h"

namespace {

using tav::protocol::findVersion;
using tav::protocol::kVersions;
using tav::protocol::ReadOutcome;
using tav::test::Bytes;

// A state of n players with long names: far more than the 1024 bytes of a default Buffer.
tav::GameState manyPlayers(int n) {
  tav::GameState state;
  for (int i = 0; i < n; ++i) {
    tav::PlayerActor player;
    player.name = "player number " + std::to_string(i);
    player.hp = i;
    state.actors.emplace_back(player);
  }
  return state;
}

TEST(VersionTable, NamesLookupAndOrder) {
  ASSERT_EQ(kVersions.size(), 3u);
  EXPECT_EQ(kVersions[0]->name(), "7.6");
  EXPECT_EQ(kVersions[1]->name(), "8.0");
  EXPECT_EQ(kVersions[2]->name(), "8.4");
  EXPECT_EQ(findVersion("8.4"), &tav::protocol::v8_4::kVersion);
  EXPECT_EQ(findVersion("7.6"), &tav::protocol::v7_6::kVersion);
  for (const char* unknown : {"", "8", "8.4 ", "v8.4", "9.0"})
    EXPECT_EQ(findVersion(unknown), nullptr);
  EXPECT_EQ(tav::protocol::versionNames(), "7.6, 8.0, 8.4");
}

// A body that does not fit is not written at all, in both write forms; one that fits exactly
// is written whole.
TEST(WholeWrites, TooLittleRoomWritesNothing) {
  const tav::GameState state = manyPlayers(100);
  for (const tav::protocol::Version* version : kVersions) {
    SCOPED_TRACE(version->name());
    const std::size_t size = version->size(state);
    ASSERT_GT(size, 1024u);

    tav::protocol::Buffer small;  // 1024 bytes
    small.writeByte(0xAB);
    tav::protocol::v8_4::writeGameState(state, small);
    EXPECT_EQ(small.getPosition(), 1u);
    EXPECT_EQ(version->write(state, small), 0u);
    EXPECT_EQ(small.getPosition(), 1u);
    EXPECT_EQ(small.readByte(), 0xAB);

    Bytes room(size - 1, 0xEE);
    EXPECT_EQ(version->write(state, room.data(), room.size()), 0u);
    EXPECT_EQ(room, Bytes(size - 1, 0xEE));

    room.assign(size, 0);
    ASSERT_EQ(version->write(state, room.data(), room.size()), size);
    tav::GameState back;
    EXPECT_TRUE(version->read(back, room.data(), room.size()).exact());
    ASSERT_EQ(back.actors.size(), 100u);
    EXPECT_EQ(back.actors[99].getPlayer()->name, "player number 99");
  }
}

// The same bytes read from a Buffer, a const pointer and a string view give the same state,
// dump and outcome; bytes after the body are reported, not read.
TEST(Reads, ConstInputAndLeftovers) {
  const tav::protocol::Version& version = tav::protocol::v8_4::kVersion;
  const Bytes body = version.encode(tav::example::workedExample());
  const std::string received = std::string(body.begin(), body.end()) + "tail";

  tav::GameState fromView;
  std::ostringstream viewDump;
  const ReadOutcome viewOutcome = version.read(fromView, std::string_view(received), &viewDump);
  EXPECT_TRUE(viewOutcome.complete);
  EXPECT_FALSE(viewOutcome.exact());
  EXPECT_EQ(viewOutcome.consumed, body.size());
  EXPECT_EQ(viewOutcome.leftover, 4u);

  Bytes bytes(received.begin(), received.end());
  tav::protocol::Buffer buffer(bytes.data(), bytes.size());
  tav::GameState fromBuffer;
  std::ostringstream bufferDump;
  const ReadOutcome bufferOutcome = version.read(fromBuffer, buffer, &bufferDump);
  EXPECT_EQ(bufferOutcome.consumed, viewOutcome.consumed);
  EXPECT_EQ(buffer.getReadPosition(), body.size());
  EXPECT_EQ(buffer.getSize(), 4u);
  EXPECT_TRUE(fromBuffer == fromView);
  EXPECT_EQ(bufferDump.str(), viewDump.str());

  tav::GameState quiet;
  const ReadOutcome nothing = version.read(quiet, nullptr, 100);
  EXPECT_FALSE(nothing.complete);
  EXPECT_EQ(nothing.consumed + nothing.leftover, 0u);
}

// Two threads reading at once, each with a stream of its own, get the dump a lone reader gets.
TEST(Reads, ConcurrentDumpsStayApart) {
  const tav::GameState state = manyPlayers(40);
  for (const tav::protocol::Version* version : kVersions) {
    const Bytes bytes = version->encode(state);
    tav::GameState alone;
    std::ostringstream expected;
    version->read(alone, bytes.data(), bytes.size(), &expected);

    std::string dumps[2];
    std::vector<std::thread> threads;
    for (std::string& dump : dumps) {
      threads.emplace_back([&, version] {
        for (int round = 0; round < 20; ++round) {
          std::ostringstream out;
          tav::GameState read;
          version->read(read, bytes.data(), bytes.size(), &out);
          tav::GameState quiet;
          version->read(quiet, bytes.data(), bytes.size());
          if (round == 0 || out.str() != expected.str() || !(quiet == read)) dump = out.str();
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(dumps[0], expected.str());
    EXPECT_EQ(dumps[1], expected.str());
  }
}

}  // namespace
