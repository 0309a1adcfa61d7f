#include <gtest/gtest.h>

#include <random>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "tests/support/TempDeviceRoot.h"

using namespace platform;

namespace {

Dictionary sample() {
  return Dictionary{
      {"bool", true},
      {"int", std::int64_t{-42}},
      {"big", std::int64_t{1} << 40},
      {"real", 2.5},
      {"string", "héllo <&> wörld"},
      {"data", Data{{0, 1, 2, 255}}},
      {"date", Date{1700000000}},  // XML dates keep whole seconds
      {"array", Array{1, "two", Array{3.0}}},
      {"dict", Dictionary{{"nested", Dictionary{{"k", "v"}}}}},
      {"empty", ""},
  };
}

TEST(PropertyList, XmlAndBinaryRoundTripEveryType) {
  const Value v(sample());
  auto fromXml = propertyListFromBytes(xmlPropertyList(v));
  auto fromBin = propertyListFromBytes(binaryPropertyList(v));
  ASSERT_TRUE(fromXml && fromBin);
  EXPECT_EQ(*fromXml, v);
  EXPECT_EQ(*fromBin, v);
}

TEST(PropertyList, AtomicWriteLeavesOnlyTheTargetAndReadsBack) {
  TempDeviceRoot root;
  createDirectoryAtPath("/p");
  ASSERT_TRUE(writeToFile(sample(), "/p/x.plist"));
  ASSERT_TRUE(writeToFile({{"only", 1}}, "/p/x.plist"));
  EXPECT_EQ(*contentsOfDirectoryAtPath("/p"), std::vector<std::string>{"x.plist"});
  EXPECT_EQ(dictionaryWithContentsOfFile("/p/x.plist"), (Dictionary{{"only", 1}}));
  EXPECT_FALSE(writeToFile({{"a", 1}}, "/missing-folder/x.plist"));
  EXPECT_FALSE(dictionaryWithContentsOfFile("/p/none.plist").has_value());
  EXPECT_FALSE(dictionaryWithContentsOfFile("/p").has_value());
}

TEST(PropertyList, ArbitraryBytesNeverCrashTheReader) {
  std::mt19937 rng(1234);
  const std::string xml = xmlPropertyList(Value(sample()));
  const std::string bin = binaryPropertyList(Value(sample()));
  for (int i = 0; i < 3000; ++i) {
    std::string bytes = (i % 2 ? xml : bin);
    // Flip, drop or cut bytes of a valid file: the damage readers meet in practice.
    int edits = 1 + rng() % 8;
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
      std::size_t at = rng() % bytes.size();
      switch (rng() % 3) {
        case 0: bytes[at] = static_cast<char>(rng()); break;
        case 1: bytes.erase(at, 1 + rng() % 16); break;
        default: bytes.resize(at); break;
      }
    }
    auto v = propertyListFromBytes(bytes);
    if (v) (void)v->toJSON();
  }
  SUCCEED();
}

TEST(PlistValue, ConversionsFollowNSNumberAndNSString) {
  EXPECT_EQ(Value("  12abc").intValue(), 12);
  EXPECT_EQ(Value("abc").intValue(), 0);
  EXPECT_FLOAT_EQ(Value("07").floatValue(), 7.0f);
  EXPECT_FLOAT_EQ(Value("0x10").floatValue(), 0.0f);
  EXPECT_TRUE(Value("YES").boolValue());
  EXPECT_FALSE(Value("0").boolValue());
  EXPECT_TRUE(Value(0.5).boolValue());
  EXPECT_EQ(Value(3.9).intValue(), 3);
  EXPECT_EQ(Value(true).intValue(), 1);
  EXPECT_EQ(Value(Array{}).intValue(), 0);
  EXPECT_EQ(Value(Dictionary{{"a", Array{1, "x\"y"}}}).toJSON(), R"({"a":[1,"x\"y"]})");
}

}  // namespace
