// The field schema of each version against the annotation of real and random bodies: every
// span names its schema entry, record and indices, and together the spans visit every entry.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <set>
#include <string>

#include "protocol/message.h"
#include "protocol/version.h"

using tav::protocol::FieldSpan;
using tav::protocol::RecordKind;
using tav::protocol::SchemaField;

namespace {

std::string sample(const std::string& name) {
  std::ifstream file(std::string(TAV_EXAMPLES_DATA_DIR) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Checks a span against the schema by parsing its path, as a front end without the structured
// fields would; returns its pattern.
std::string checkSpan(const FieldSpan& span, const std::vector<SchemaField>& schema) {
  static const std::regex index("\\[([0-9]+)\\]");
  const std::string pattern = std::regex_replace(span.path, index, "[]");
  EXPECT_LT(span.schemaIndex, schema.size());
  if (span.schemaIndex >= schema.size()) return pattern;
  const SchemaField& field = schema[span.schemaIndex];
  EXPECT_EQ(field.pattern, pattern);
  EXPECT_EQ(field.depth, span.depth) << span.path;
  EXPECT_EQ(field.record, span.record) << span.path;
  // The indices of the path: the records' ones, then a list element's.
  std::vector<uint32_t> numbers;
  for (std::sregex_iterator it(span.path.begin(), span.path.end(), index), end; it != end; ++it) {
    numbers.push_back(static_cast<uint32_t>(std::stoul((*it)[1])));
  }
  const bool element = span.path.back() == ']';
  EXPECT_EQ(span.element, element ? static_cast<std::ptrdiff_t>(numbers.back()) : -1) << span.path;
  if (element) numbers.pop_back();
  EXPECT_EQ(std::vector<uint32_t>(span.indices.begin(), span.indices.begin() + span.indexCount),
            numbers)
      << span.path;
  return pattern;
}

}  // namespace

TEST(Schema, SpansOfSamplesAndRandomBodiesMatchAndVisitEveryEntry) {
  for (const tav::protocol::Version* version : tav::protocol::kVersions) {
    SCOPED_TRACE(std::string(version->name()));
    const std::vector<SchemaField>& schema = version->schema();
    std::set<std::string> patterns;
    for (const SchemaField& field : schema) {
      EXPECT_TRUE(patterns.insert(field.pattern).second) << "twice: " << field.pattern;
      using tav::protocol::FieldType;
      if (field.type == FieldType::kEnumeration) {
        EXPECT_FALSE(field.enumeration.empty());
      }
      if (field.type != FieldType::kEnumeration && field.type != FieldType::kSlot) {
        EXPECT_TRUE(field.enumeration.empty()) << field.pattern;
      }
    }
    // Bodies of small bytes hold short lists, both kinds of actor and summons.
    std::vector<std::string> bodies = {sample("body-" + std::string(version->name()) + ".bin")};
    std::mt19937 rng(42);
    for (int i = 0; i < 1000; ++i) {
      std::string body(20 + rng() % 200, '\0');
      for (char& c : body) c = static_cast<char>(rng() % 4);
      bodies.push_back(body);
    }
    std::set<std::string> visited;
    for (const std::string& body : bodies) {
      for (const FieldSpan& span : version->annotate(body).fields) {
        visited.insert(checkSpan(span, schema));
      }
    }
    EXPECT_EQ(visited, patterns);
  }
}

TEST(Schema, KnowsTypesRecordsAndEnumerations) {
  const std::vector<SchemaField>& schema = tav::protocol::v8_4::kVersion.schema();
  auto find = [&](const std::string& pattern) -> const SchemaField* {
    for (const SchemaField& field : schema) {
      if (field.pattern == pattern) return &field;
    }
    ADD_FAILURE() << "no " << pattern;
    return nullptr;
  };
  const SchemaField* hp = find("actors[].instances[].hp");
  const SchemaField* conditions = find("actors[].instances[].conditions[]");
  const SchemaField* count = find("actors[].instances[].conditions.count");
  const SchemaField* name = find("actors[].player.name");
  const SchemaField* ability = find("actors[].monster.ability");
  ASSERT_TRUE(hp && conditions && count && name && ability);
  EXPECT_EQ(hp->type, tav::protocol::FieldType::kNumber);
  EXPECT_EQ(hp->record, RecordKind::kFigure);
  EXPECT_EQ(hp->depth, 2u);
  EXPECT_EQ(conditions->type, tav::protocol::FieldType::kEnumeration);
  EXPECT_EQ(conditions->enumeration, "Condition");
  EXPECT_EQ(count->type, tav::protocol::FieldType::kCount);
  EXPECT_EQ(name->type, tav::protocol::FieldType::kText);
  EXPECT_EQ(name->record, RecordKind::kPlayer);
  EXPECT_EQ(ability->type, tav::protocol::FieldType::kSlot);
  EXPECT_EQ(ability->record, RecordKind::kMonster);
  EXPECT_EQ(schema.front().pattern, "round");
}

TEST(AnnotateHeader, SpansAsManyFieldsAsTheBytesHold) {
  struct Case {
    std::string bytes;
    std::vector<std::string> spans;  // "path offset length value"
  };
  const Case cases[] = {
      {std::string("\x00\x03"
                   "a\"b\x05",
                   6),
       {"header.text_count 0 2 3", "header.text 2 3 \"a\\\"b\"", "header.length 5 1 5"}},
      {std::string("\x00", 1), {"header.text_count 0 0 0"}},
      {std::string("\xFF\xFE", 2), {"header.text_count 0 2 -2"}},
      {std::string("\x00\x03"
                   "ab",
                   4),
       {"header.text_count 0 2 3", "header.text 2 0 \"\""}},
      {std::string("\x00\x00\xFF\xFF\xFF\xFF\x0F", 7),
       {"header.text_count 0 2 0", "header.text 2 0 \"\"", "header.length 2 5 -1"}},
      {std::string("\x00\x00\x80\x80\x80\x80\x80", 7),
       {"header.text_count 0 2 0", "header.text 2 0 \"\"", "header.length 2 0 0"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (const FieldSpan& span : tav::protocol::annotateHeader(c.bytes)) {
      got.push_back(span.path + " " + std::to_string(span.offset) + " " +
                    std::to_string(span.length) + " " + span.value);
      EXPECT_EQ(span.record, RecordKind::kHeader);
      EXPECT_EQ(tav::protocol::headerSchema()[span.schemaIndex].pattern, span.path);
    }
    EXPECT_EQ(got, c.spans);
  }
}
