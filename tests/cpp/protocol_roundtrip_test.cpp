// Round-trip property of the game-state bodies: random states written and read back equal the
// original after each version's normalisations. Seeded, so every run checks the same states.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "protocol_test_util.h"
#include "random_state.h"

namespace {

using tav::test::Version;

using tav::test::RandomState;

class RoundTrip : public ::testing::TestWithParam<Version> {};

// The annotation's spans of the bytes read lie one after another from offset 0, with no gap
// and no overlap, and end where the read stopped.
void expectSpansTile(const tav::protocol::Annotation& annotation) {
  std::size_t next = 0;
  for (const tav::protocol::FieldSpan& field : annotation.fields) {
    if (field.length == 0) continue;
    ASSERT_EQ(field.offset, next) << field.path;
    next += field.length;
  }
  EXPECT_EQ(next, annotation.outcome.consumed);
}

// Every view of a body agrees: the size is what the writers write, the quiet, dumping and
// annotating reads find the same outcome and state, and the dump is what the specified reader
// prints.
TEST_P(RoundTrip, RandomStatesComeBackNormalised) {
  const Version& version = GetParam();
  const tav::protocol::Version& protocol = *version.protocol;
  RandomState random(20261207u);
  for (int i = 0; i < 300; ++i) {
    SCOPED_TRACE("state " + std::to_string(i));
    const tav::GameState original = random.make();
    const tav::test::Bytes bytes = tav::test::write(version, original);
    EXPECT_EQ(protocol.size(original), bytes.size());
    EXPECT_EQ(protocol.encode(original), bytes);

    tav::GameState quiet;
    const tav::protocol::ReadOutcome outcome = protocol.read(quiet, bytes.data(), bytes.size());
    EXPECT_TRUE(outcome.exact());
    EXPECT_EQ(outcome.consumed, bytes.size());
    tav::test::expectEqual(quiet, tav::test::normalised(original, version));
    EXPECT_TRUE(quiet == tav::test::normalised(original, version));

    tav::GameState dumped;
    std::size_t consumed = 0;
    const std::string dump = tav::test::read(version, dumped, bytes, &consumed);
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_TRUE(dumped == quiet);
    if (i % 50 == 0) {
      tav::test::Bytes copy = bytes;
      tav::protocol::Buffer buffer(copy.data(), copy.size());
      tav::GameState specified;
      EXPECT_EQ(tav::test::capture([&] { version.read(specified, buffer); }), dump);
    }

    const tav::protocol::Annotation annotation = protocol.annotate(bytes.data(), bytes.size());
    EXPECT_TRUE(annotation.outcome.exact());
    EXPECT_TRUE(annotation.stoppedField.empty());
    expectSpansTile(annotation);
    if (::testing::Test::HasFailure()) break;
  }
}

// Arbitrary bytes: the readers agree on the outcome, the spans tile what was read, and the state
// read writes a body of the size the sizer gives.
TEST_P(RoundTrip, ArbitraryBytesAgreeAcrossViews) {
  const tav::protocol::Version& protocol = *GetParam().protocol;
  std::mt19937 rng(7u);
  for (int i = 0; i < 2000; ++i) {
    SCOPED_TRACE("input " + std::to_string(i));
    tav::test::Bytes bytes(rng() % 96);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : rng() % 4);
    tav::GameState quiet;
    const tav::protocol::ReadOutcome outcome = protocol.read(quiet, bytes.data(), bytes.size());
    const tav::protocol::Annotation annotation = protocol.annotate(bytes.data(), bytes.size());
    EXPECT_EQ(annotation.outcome.consumed, outcome.consumed);
    EXPECT_EQ(annotation.outcome.complete, outcome.complete);
    EXPECT_EQ(annotation.outcome.stoppedAt, outcome.stoppedAt);
    EXPECT_EQ(annotation.stoppedField.empty(), outcome.complete);
    expectSpansTile(annotation);
    EXPECT_EQ(protocol.encode(quiet).size(), protocol.size(quiet));
    if (::testing::Test::HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, RoundTrip, ::testing::ValuesIn(tav::test::versions()),
                         tav::test::versionName);

}  // namespace
