// The annotation delivered field by field: the same spans in the same order as the Annotation,
// the same end, and the same end again when no callback takes the spans; over random states
// cut at random lengths, so that the fields not read are covered too.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "protocol_test_util.h"
#include "random_state.h"

namespace {

using tav::protocol::FieldSpan;

void expectSameSpan(const FieldSpan& a, const FieldSpan& b) {
  EXPECT_EQ(a.path, b.path);
  EXPECT_EQ(a.offset, b.offset) << a.path;
  EXPECT_EQ(a.length, b.length) << a.path;
  EXPECT_EQ(a.value, b.value) << a.path;
  EXPECT_EQ(a.depth, b.depth) << a.path;
  EXPECT_EQ(a.record, b.record) << a.path;
  EXPECT_EQ(a.indexCount, b.indexCount) << a.path;
  for (std::size_t i = 0; i < a.indexCount && i < a.indices.size(); ++i) {
    EXPECT_EQ(a.indices[i], b.indices[i]) << a.path;
  }
  EXPECT_EQ(a.element, b.element) << a.path;
  EXPECT_EQ(a.schemaIndex, b.schemaIndex) << a.path;
}

class AnnotateCallback : public ::testing::TestWithParam<tav::test::Version> {};

TEST_P(AnnotateCallback, SameSpansAndEndAsTheAnnotation) {
  const tav::protocol::Version& protocol = *GetParam().protocol;
  tav::test::RandomState random(20261210u);
  std::mt19937 rng(11u);
  for (int i = 0; i < 200; ++i) {
    SCOPED_TRACE("state " + std::to_string(i));
    const tav::test::Bytes whole = protocol.encode(random.make());
    const std::size_t cut = i % 4 == 0 ? whole.size() : rng() % (whole.size() + 1);
    const tav::test::Bytes bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));

    const tav::protocol::Annotation annotation = protocol.annotate(bytes.data(), bytes.size());
    std::vector<FieldSpan> spans;
    const tav::protocol::AnnotationEnd end = protocol.annotate(
        bytes.data(), bytes.size(), [&spans](const FieldSpan& span) { spans.push_back(span); });
    ASSERT_EQ(spans.size(), annotation.fields.size());
    for (std::size_t f = 0; f < spans.size(); ++f) expectSameSpan(spans[f], annotation.fields[f]);
    EXPECT_EQ(end.stoppedField, annotation.stoppedField);
    EXPECT_EQ(end.outcome.consumed, annotation.outcome.consumed);
    EXPECT_EQ(end.outcome.complete, annotation.outcome.complete);
    EXPECT_EQ(end.outcome.stoppedAt, annotation.outcome.stoppedAt);
    EXPECT_EQ(end.outcome.complete, cut == whole.size());

    const tav::protocol::AnnotationEnd quiet =
        protocol.annotate(bytes.data(), bytes.size(), tav::protocol::FieldCallback());
    EXPECT_EQ(quiet.stoppedField, end.stoppedField);
    EXPECT_EQ(quiet.outcome.consumed, end.outcome.consumed);
    if (::testing::Test::HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, AnnotateCallback, ::testing::ValuesIn(tav::test::versions()),
                         tav::test::versionName);

}  // namespace
