#include "platform/foundation/NSJSONSerialization.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/NSException.h"

namespace {

using platform::JSONObjectWithData;
using platform::JSONValue;

JSONValue parse(const std::string& text) {
  std::string error;
  auto root = JSONObjectWithData(text, &error);
  EXPECT_TRUE(root) << error;
  return root.value_or(JSONValue());
}

TEST(NSJSONSerialization, WalksAnswerWithNilForWhatIsNotThere) {
  // The value outlives the parsed root it came from.
  JSONValue items = parse(R"({"a":{"items":[{"u":"https://x/1.png"},{"u":null}]},"n":null})")
                        .objectForKeyedSubscript("a")
                        .objectForKeyedSubscript("items");
  EXPECT_EQ(items.objectAtIndexedSubscript(0).objectForKeyedSubscript("u").string(), "https://x/1.png");
  EXPECT_TRUE(items.objectAtIndexedSubscript(1).objectForKeyedSubscript("u").isNil()) << "null reads as nil";

  JSONValue root = parse(R"({"n":null})");
  EXPECT_FALSE(root.isNil());
  for (const JSONValue& nil : {root.objectForKeyedSubscript("missing"), root.objectForKeyedSubscript("n"), JSONValue()}) {
    EXPECT_TRUE(nil.isNil());
    EXPECT_TRUE(nil.objectForKeyedSubscript("k").objectAtIndexedSubscript(3).isNil()) << "nil answers every step";
    EXPECT_EQ(nil.string(), std::nullopt);
  }
}

TEST(NSJSONSerialization, StepsAValueCannotTakeRaise) {
  const struct {
    const char* document;
    std::function<void(const JSONValue&)> step;
    const char* name;
    const char* reason;
  } table[] = {
      {R"(["a"])", [](const JSONValue& v) { v.objectForKeyedSubscript("k"); }, "NSInvalidArgumentException",
       "-[array objectForKeyedSubscript:]: unrecognized selector (key \"k\")"},
      {R"({"k":1})", [](const JSONValue& v) { v.objectAtIndexedSubscript(0); }, "NSInvalidArgumentException",
       "-[object objectAtIndexedSubscript:]: unrecognized selector"},
      {R"([])", [](const JSONValue& v) { v.objectAtIndexedSubscript(0); }, "NSRangeException",
       "*** -[__NSArrayM objectAtIndexedSubscript:]: index 0 beyond bounds for empty array"},
      {R"([1,2,3])", [](const JSONValue& v) { v.objectAtIndexedSubscript(3); }, "NSRangeException",
       "*** -[__NSArrayM objectAtIndexedSubscript:]: index 3 beyond bounds [0 .. 2]"},
      {R"({"k":7})", [](const JSONValue& v) { v.objectForKeyedSubscript("k").string(); }, "NSInvalidArgumentException",
       "-[number length]: unrecognized selector"},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.document);
    try {
      row.step(parse(row.document));
      ADD_FAILURE() << "no raise";
    } catch (const platform::NSException& e) {
      EXPECT_EQ(e.name(), row.name);
      EXPECT_EQ(e.reason(), row.reason);
    }
  }
}

TEST(NSJSONSerialization, OnlyAnArrayOrADictionaryIsADocument) {
  for (const char* fragment : {"42", "\"text\"", "null", "true"}) {
    std::string error;
    EXPECT_FALSE(JSONObjectWithData(std::string(fragment), &error)) << fragment;
    EXPECT_EQ(error, "JSON text did not start with array or object and option to allow fragments not set.");
  }
  for (const char* broken : {"", "{", "<html>busy</html>", "[8E484]"}) {
    std::string error;
    EXPECT_FALSE(JSONObjectWithData(std::string(broken), &error)) << broken;
    EXPECT_FALSE(error.empty()) << broken;
  }
  EXPECT_FALSE(JSONObjectWithData(std::string("{"), nullptr));
  try {
    JSONObjectWithData(std::nullopt, nullptr);
    ADD_FAILURE() << "nil data must raise";
  } catch (const platform::NSException& e) {
    EXPECT_EQ(e.name(), "NSInvalidArgumentException");
  }
}

}  // namespace
