#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

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

// A binary list written by hand: a dictionary of one entry, its key a UTF-16 string, its value 5.
std::string binaryDictionaryWithUtf16Key(const std::u16string& key) {
  std::string out = "bplist00";
  std::vector<std::size_t> offsets;
  offsets.push_back(out.size());
  out += "\xD1\x01\x02";  // a dictionary of one entry: key object 1, value object 2
  offsets.push_back(out.size());
  out += static_cast<char>(0x60 | key.size());
  for (char16_t c : key) {
    out += static_cast<char>(c >> 8);
    out += static_cast<char>(c & 0xFF);
  }
  offsets.push_back(out.size());
  out += "\x10\x05";
  const std::size_t table = out.size();
  for (std::size_t o : offsets) out += static_cast<char>(o);
  std::string trailer(32, '\0');
  trailer[6] = 1;   // offset width
  trailer[7] = 1;   // object reference width
  trailer[15] = 3;  // objects
  trailer[31] = static_cast<char>(table);
  return out + trailer;
}

// A file can hold a date the writer's library cannot keep (found by fuzzing: writing one back
// overflowed a conversion); it is written as the nearest date that library keeps.
TEST(PropertyList, DatesBeyondWhatTheWriterKeepsAreWrittenAsTheNearestItKeeps) {
  constexpr double k2001 = 978307200;
  const struct {
    double seconds;
    double written;
  } table[] = {
      {1e12, k2001 + 2147483647.0},
      {-1e12, k2001 - 2147483648.0},
      {std::numeric_limits<double>::quiet_NaN(), k2001},
      {1700000000, 1700000000},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.seconds);
    for (const std::string& bytes : {xmlPropertyList(Value(Date{row.seconds})), binaryPropertyList(Value(Date{row.seconds}))}) {
      auto back = propertyListFromBytes(bytes);
      ASSERT_TRUE(back && back->date());
      EXPECT_DOUBLE_EQ(back->date()->seconds, row.written);
    }
  }
}

TEST(PropertyList, BinaryKeyHoldingNulIsRefusedRatherThanFatal) {
  // libplist asserts (ending the process) when it reads a key with a NUL inside; such a file is
  // refused before it gets there, and every other key still reads.
  TempDeviceRoot root;
  createDirectoryAtPath("/p");
  const struct {
    std::u16string key;
    const char* utf8;  // nullptr: the file is refused
  } table[] = {
      {u"ok", "ok"},
      {u"\u00e9t\u00e9", "\u00e9t\u00e9"},
      {std::u16string(u"a\0b", 3), nullptr},
      {std::u16string(u"\0", 1), nullptr},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.key.size());
    const std::string bytes = binaryDictionaryWithUtf16Key(row.key);
    ASSERT_TRUE(writeFile("/p/k.plist", bytes));
    auto value = propertyListFromBytes(bytes);
    Value found;
    if (row.utf8) {
      ASSERT_TRUE(value.has_value());
      EXPECT_EQ(*value, Value(Dictionary{{row.utf8, 5}}));
      EXPECT_TRUE(dictionaryWithContentsOfFile("/p/k.plist").has_value());
      EXPECT_EQ(valueForKeyInFile("/p/k.plist", row.utf8, &found), FileLookup::Found);
      EXPECT_EQ(found, Value(5));
    } else {
      EXPECT_FALSE(value.has_value());
      EXPECT_FALSE(dictionaryWithContentsOfFile("/p/k.plist").has_value());
      EXPECT_EQ(valueForKeyInFile("/p/k.plist", "a", &found), FileLookup::Unreadable);
    }
  }
}

// A keyed archiver's UID is a kind of its own: read and written back as a UID, which only the
// binary form keeps, so a file holding one is written binary and any other file XML.
TEST(PropertyList, AUidStaysAUidAndOnlyAFileHoldingOneIsWrittenBinary) {
  TempDeviceRoot root;
  createDirectoryAtPath("/p");
  Dictionary archived = sample();
  archived["archive"] = Dictionary{{"$top", Dictionary{{"root", Uid{1}}}}, {"$objects", Array{"$null", Uid{4000000000}}}};
  ASSERT_TRUE(writeToFile(archived, "/p/archived.plist"));
  ASSERT_TRUE(writeToFile(sample(), "/p/plain.plist"));
  EXPECT_EQ(readFile("/p/archived.plist")->substr(0, 8), "bplist00");
  EXPECT_EQ(readFile("/p/plain.plist")->substr(0, 5), "<?xml");
  EXPECT_EQ(dictionaryWithContentsOfFile("/p/archived.plist"), archived);
  Value stored;
  ASSERT_EQ(valueForKeyInFile("/p/archived.plist", "archive", &stored), FileLookup::Found);
  EXPECT_EQ(stored, archived["archive"]);
  EXPECT_EQ(Value(Uid{7}).intValue(), 0);
  EXPECT_EQ(Value(Uid{7}).toJSON(), "{\"CF$UID\":7}");
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
