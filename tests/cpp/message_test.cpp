// The message layer: framing statuses for hostile headers, whole-or-nothing writes, the stream
// decoder against one-shot reads for every split of the samples, and version detection.

#include "protocol/message.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using tav::protocol::Detection;
using tav::protocol::Header;
using tav::protocol::Message;
using tav::protocol::MessageStatus;
using tav::protocol::MessageStream;
using tav::protocol::VersionChoice;
using Bytes = std::vector<uint8_t>;
using S = MessageStatus;

namespace {

std::string sample(const std::string& name) {
  std::ifstream file(std::string(TAV_EXAMPLES_DATA_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(file) << "cannot open " << name;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The three sample messages one after the other.
std::string samples() {
  return sample("gamestate-7.6.bin") + sample("gamestate-8.0.bin") + sample("gamestate-8.4.bin");
}

std::string str(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// What a message read says, in a comparable form.
struct Seen {
  MessageStatus status;
  uint64_t offset;
  std::size_t size;
  std::string event, payload, body;
  bool operator==(const Seen& o) const {
    return status == o.status && offset == o.offset && size == o.size && event == o.event &&
           payload == o.payload && body == o.body;
  }
};

Seen seen(const Message& m) {
  return {m.status, m.offset, m.size, m.header.event, m.header.payload, std::string(m.body)};
}

// Takes every complete message the stream holds; the first other result ends the list.
void drain(MessageStream& stream, std::vector<Seen>& out) {
  for (Message m = stream.next(); m.status == S::kComplete; m = stream.next())
    out.push_back(seen(m));
}

// The messages of bytes fed in chunks of the given sizes (cycled), then the last status.
std::vector<Seen> streamed(const std::string& bytes, const std::vector<std::size_t>& chunks,
                           std::size_t limit = tav::protocol::kDefaultMessageLimit) {
  MessageStream stream(limit);
  std::vector<Seen> out;
  std::size_t at = 0;
  for (std::size_t k = 0; at < bytes.size(); ++k) {
    const std::size_t n = std::min(chunks[k % chunks.size()], bytes.size() - at);
    stream.feed(std::string_view(bytes).substr(at, n));
    at += n;
    drain(stream, out);
  }
  out.push_back(seen(stream.next()));
  return out;
}

// The messages of bytes read one by one with readMessage, then the last status.
std::vector<Seen> oneShot(const std::string& bytes,
                          std::size_t limit = tav::protocol::kDefaultMessageLimit) {
  std::vector<Seen> out;
  std::size_t at = 0;
  for (;;) {
    Message m = tav::protocol::readMessage(std::string_view(bytes).substr(at), limit);
    m.offset = at;
    out.push_back(seen(m));
    if (m.status != S::kComplete) return out;
    at += m.size;
  }
}

}  // namespace

TEST(ReadMessage, StatusesOfHostileAndEdgeHeaders) {
  struct Case {
    Bytes bytes;
    std::size_t limit;
    MessageStatus status;
    std::size_t size, headerSize, length;
    std::string text, body;
  };
  const std::size_t any = SIZE_MAX;
  const Case cases[] = {
      {{}, any, S::kNeedHeader, 3, 0, 0, "", ""},
      {{0x00}, any, S::kNeedHeader, 3, 0, 0, "", ""},
      {{0x80}, any, S::kBadTextCount, 0, 0, 0, "", ""},  // the top bit alone is negative
      {{0xFF, 0xFF, 'a'}, any, S::kBadTextCount, 0, 0, 0, "", ""},
      {{0x00, 0x02, 'a'}, any, S::kNeedHeader, 5, 0, 0, "", ""},
      {{0x00, 0x01, 'a'}, any, S::kNeedHeader, 4, 0, 0, "a", ""},
      {{0x00, 0x01, 'a', 0x80, 0x80}, any, S::kNeedHeader, 6, 0, 0, "a", ""},
      {{0x00, 0x01, 'a', 0x80, 0x80, 0x80, 0x80, 0x80, 0x00}, any, S::kBadLength, 0, 0, 0, "a", ""},
      {{0x00, 0x01, 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x0F},
       any,
       S::kNegativeLength,
       0,
       8,
       SIZE_MAX,
       "a",
       ""},
      {{0x00, 0x01, 'a', 0x80, 0x80, 0x80, 0x80, 0x08},
       any,
       S::kNegativeLength,
       0,
       8,
       static_cast<std::size_t>(-(1LL << 31)),
       "a",
       ""},
      {{0x00, 0x00, 0x00}, any, S::kComplete, 3, 3, 0, "", ""},
      {{0x00, 0x01, 'a', 0x00, 'z'}, any, S::kComplete, 4, 4, 0, "a", ""},  // empty body
      {{0x00, 0x01, 'a', 0x02, 'x'}, any, S::kNeedBody, 6, 4, 2, "a", "x"},
      {{0x00, 0x01, 'a', 0x02, 'x', 'y', 'z'}, any, S::kComplete, 6, 4, 2, "a", "xy"},
      {{0x00, 0x01, 'a', 0x02, 'x', 'y'}, 6, S::kComplete, 6, 4, 2, "a", "xy"},  // exactly
      {{0x00, 0x01, 'a', 0x02, 'x', 'y'}, 5, S::kTooLarge, 6, 4, 2, "a", ""},
      {{0x00, 0x01, 'a', 0x02}, 5, S::kTooLarge, 6, 4, 2, "a", ""},  // told before the body
      {{0x00, 0x01, 'a', 0x00}, 0, S::kTooLarge, 4, 4, 0, "a", ""},
      {{0x00, 0x01, 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x07},
       any,
       S::kNeedBody,
       8 + 0x7FFFFFFFu,
       8,
       0x7FFFFFFF,
       "a",
       ""},
      {{0x00, 0x01, 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x07},
       1 << 24,
       S::kTooLarge,
       8 + 0x7FFFFFFFu,
       8,
       0x7FFFFFFF,
       "a",
       ""},
  };
  for (const Case& c : cases) {
    const Message m = tav::protocol::readMessage(c.bytes.data(), c.bytes.size(), c.limit);
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(m.status, c.status) << tav::protocol::statusText(m.status);
    EXPECT_EQ(m.size, c.size);
    EXPECT_EQ(m.headerSize, c.headerSize);
    EXPECT_EQ(m.header.length, c.length);
    EXPECT_EQ(m.text, c.text);
    EXPECT_EQ(m.body, c.body);
  }
  EXPECT_EQ(tav::protocol::readMessage(nullptr, 10).status, S::kNeedHeader);
}

TEST(ReadMessage, EveryPrefixOfAMessageNeedsMoreAndSaysHowMuchAtLeast) {
  const std::string bytes = sample("gamestate-8.4.bin");
  const Message whole = tav::protocol::readMessage(bytes);
  ASSERT_EQ(whole.status, S::kComplete);
  ASSERT_EQ(whole.size, bytes.size());
  EXPECT_EQ(whole.header.event, "game_state");
  EXPECT_EQ(whole.header.payload, "8.4");
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    const Message m = tav::protocol::readMessage(std::string_view(bytes).substr(0, k));
    EXPECT_TRUE(tav::protocol::needsMoreBytes(m.status)) << k;
    EXPECT_GT(m.size, k);
    EXPECT_LE(m.size, bytes.size());
  }
}

TEST(WriteMessage, RoundTripsAndWritesWholeOrNothing) {
  Header header;
  header.event = "game_state";
  header.payload = "8.4";
  header.length = 12345;             // replaced by the body's size
  const std::string body(300, 'b');  // a two-byte length
  const Bytes bytes = tav::protocol::encodeMessage(header, body);
  const Message m = tav::protocol::readMessage(bytes.data(), bytes.size());
  ASSERT_EQ(m.status, S::kComplete);
  EXPECT_EQ(m.size, bytes.size());
  EXPECT_EQ(m.body, body);
  EXPECT_EQ(m.text, "game_state 8.4");
  header.length = body.size();
  EXPECT_EQ(tav::protocol::headerSize(header), m.headerSize);
  // Every smaller room: nothing written, the bytes untouched, the Buffer where it was.
  for (std::size_t room = 0; room < bytes.size(); ++room) {
    Bytes out(room, 0xAA);
    EXPECT_EQ(tav::protocol::writeMessage(header, body, out.data(), out.size()), 0u);
    EXPECT_EQ(out, Bytes(room, 0xAA));
  }
  tav::protocol::Buffer small(nullptr, 0);
  EXPECT_EQ(tav::protocol::writeMessage(header, body, small), 0u);
  tav::protocol::Buffer buffer;
  buffer.clear();
  EXPECT_EQ(tav::protocol::writeMessage(header, body, buffer), bytes.size());
  EXPECT_EQ(buffer.getPosition(), bytes.size());
  // A text too long for its count: nothing, everywhere.
  Header longText;
  longText.event = std::string(tav::protocol::kMaxHeaderText + 1, 'e');
  EXPECT_EQ(tav::protocol::headerSize(longText), 0u);
  EXPECT_TRUE(tav::protocol::encodeMessage(longText, body).empty());
  longText.event.pop_back();
  EXPECT_EQ(tav::protocol::encodeMessage(longText, "").size(), tav::protocol::kMaxHeaderSize - 4);
}

TEST(WriteMessage, EncodesTheSamplesAgain) {
  for (const tav::protocol::Version* version : tav::protocol::kVersions) {
    const std::string bytes = sample("gamestate-" + std::string(version->name()) + ".bin");
    const Message m = tav::protocol::readMessage(bytes);
    tav::GameState state;
    ASSERT_TRUE(version->read(state, m.body).exact());
    EXPECT_EQ(str(tav::protocol::encodeMessage(*version, state)), bytes) << version->name();
  }
}

TEST(MessageStream, EverySplitAndOneByteFeedsGiveTheMessagesOfOneFeed) {
  const std::string bytes = samples() +
                            "\x00\x05"
                            "cut";  // ends in a header cut short
  const std::vector<Seen> expected = oneShot(bytes);
  ASSERT_EQ(expected.size(), 4u);
  EXPECT_EQ(expected.back().status, S::kNeedHeader);
  EXPECT_EQ(streamed(bytes, {bytes.size()}), expected);
  EXPECT_EQ(streamed(bytes, {1}), expected);
  for (std::size_t k = 1; k < bytes.size(); ++k) {
    EXPECT_EQ(streamed(bytes, {k, bytes.size()}), expected) << k;
  }
  std::mt19937 rng(17);
  for (int round = 0; round < 50; ++round) {
    std::vector<std::size_t> chunks(8);
    for (std::size_t& n : chunks) n = 1 + rng() % 40;
    EXPECT_EQ(streamed(bytes, chunks), expected);
  }
}

TEST(MessageStream, LimitIsToldOnceTheHeaderIsThereAndDiscardSkipsWhatIsToCome) {
  const std::string first = sample("gamestate-7.6.bin");
  const std::string second = sample("gamestate-8.4.bin");
  for (const std::size_t limit : {std::size_t{0}, first.size() - 1, first.size()}) {
    MessageStream stream(limit);
    stream.feed(first.substr(0, 18));  // the header and a byte of the body
    Message m = stream.next();
    if (limit == first.size()) {
      EXPECT_EQ(m.status, S::kNeedBody);
      stream.feed(first.substr(18));
      EXPECT_EQ(stream.next().status, S::kComplete);
      continue;
    }
    ASSERT_EQ(m.status, S::kTooLarge);
    EXPECT_EQ(m.size, first.size());
    EXPECT_EQ(stream.next().status, S::kTooLarge);  // until discarded
    stream.discard(m.size);
    EXPECT_EQ(stream.buffered(), 0u);
    stream.setLimit(tav::protocol::kDefaultMessageLimit);
    stream.feed(first.substr(18) + second);
    m = stream.next();
    ASSERT_EQ(m.status, S::kComplete);
    EXPECT_EQ(m.offset, first.size());
    EXPECT_EQ(m.header.payload, "8.4");
    EXPECT_EQ(stream.position(), first.size() + second.size());
  }
}

TEST(MessageStream, BrokenHeaderStaysUntilDiscardedByteByByte) {
  const std::string good = sample("gamestate-8.0.bin");
  const std::string bytes = "\xFF\xFF" + good;
  for (const std::size_t chunk : {bytes.size(), std::size_t{1}}) {
    MessageStream stream;
    std::size_t skipped = 0;
    std::vector<Message> taken;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
      stream.feed(std::string_view(bytes).substr(at, chunk));
      for (Message m = stream.next(); !tav::protocol::needsMoreBytes(m.status); m = stream.next()) {
        if (m.status == S::kComplete) {
          taken.push_back(m);
          continue;
        }
        EXPECT_EQ(m.status, S::kBadTextCount);
        EXPECT_EQ(stream.next().status, m.status);  // until discarded
        stream.discard(1);
        ++skipped;
      }
    }
    EXPECT_EQ(skipped, 2u);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].offset, 2u);
    EXPECT_EQ(taken[0].size, good.size());
  }
}

TEST(MessageStream, WaitingIsTheUnconsumedSuffixAndTakenBytesStayUntilTheNextFeed) {
  // Random feeds, takes and discards (also past what arrived) over messages and junk: the
  // view is always the input from position() to what was fed, and the bytes of a message
  // taken are still readable through a view taken before next().
  const std::string input = "\xFF\x01junk" + samples() + std::string(300, '\x00') + samples();
  std::mt19937 rng(23);
  for (int round = 0; round < 200; ++round) {
    MessageStream stream(round % 3 == 0 ? 40 : tav::protocol::kDefaultMessageLimit);
    std::size_t fed = 0;
    while (fed < input.size()) {
      const std::size_t n = std::min<std::size_t>(1 + rng() % 700, input.size() - fed);
      stream.feed(std::string_view(input).substr(fed, n));
      fed += n;
      for (int op = 0; op < 4; ++op) {
        const std::string_view before = stream.waiting();
        const uint64_t at = stream.position();
        const Message m = stream.next();
        if (m.status == S::kComplete) {
          EXPECT_EQ(before.substr(0, m.size), std::string_view(input).substr(at, m.size));
        } else if (rng() % 2 == 0) {
          stream.discard(rng() % 60);
        }
        const std::size_t from = std::min<uint64_t>(stream.position(), fed);
        ASSERT_EQ(stream.waiting(), std::string_view(input).substr(from, fed - from)) << round;
        ASSERT_EQ(stream.waiting().size(), stream.buffered());
      }
    }
  }
}

TEST(DetectVersion, ChoosesAsTheTableSays) {
  struct Case {
    std::string body;
    const char* payload;  // null: no header
    VersionChoice choice;
    const char* chosen;
  };
  const std::string body76 = sample("body-7.6.bin");
  const std::string body80 = sample("body-8.0.bin");
  const std::string body84 = sample("body-8.4.bin");
  const Case cases[] = {
      {body76, nullptr, VersionChoice::kOnlyExact, "7.6"},
      {body76, "8.4", VersionChoice::kOnlyExact, "7.6"},
      {body80, "8.0", VersionChoice::kOnlyExact, "8.0"},
      // The 8.4 sample reads exactly as 8.0 too.
      {body84, nullptr, VersionChoice::kNewestExact, "8.4"},
      {body84, "7.6", VersionChoice::kNewestExact, "8.4"},
      {body84, "8.0", VersionChoice::kNamed, "8.0"},
      {body84, "8.4", VersionChoice::kNamed, "8.4"},
      {"", nullptr, VersionChoice::kNewest, "8.4"},
      {"", "7.6", VersionChoice::kNamedInexact, "7.6"},
      {"", "9.9", VersionChoice::kNewest, "8.4"},
      {body84 + "x", "8.0", VersionChoice::kNamedInexact, "8.0"},
  };
  for (const Case& c : cases) {
    Header header;
    if (c.payload != nullptr) header.payload = c.payload;
    const Detection d = tav::protocol::detectVersion(c.body, c.payload ? &header : nullptr);
    SCOPED_TRACE(std::string(c.payload ? c.payload : "-") + " " + std::to_string(c.body.size()));
    EXPECT_EQ(d.choice, c.choice) << tav::protocol::choiceText(d.choice);
    EXPECT_EQ(d.chosen->name(), c.chosen);
    // Each trial is what a quiet read says.
    for (const tav::protocol::VersionTrial& trial : d.trials) {
      tav::GameState scratch;
      EXPECT_EQ(trial.outcome.exact(), trial.version->read(scratch, c.body).exact());
      EXPECT_EQ(trial.result == tav::protocol::TrialResult::kExact, trial.outcome.exact());
    }
  }
}
