#include "platform/preferences/DefaultsDomain.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "tests/support/TempDeviceRoot.h"

using platform::Value;

namespace {

constexpr const char* kDomain = "com.test.defaults";
constexpr const char* kPath = "/var/mobile/Library/Preferences/com.test.defaults.plist";

class DefaultsDomainTest : public ::testing::Test {
 protected:
  TempDeviceRoot root_;
};

TEST_F(DefaultsDomainTest, ValuesKeepTheirTypeInTheFileAndBack) {
  struct Case {
    const char* key;
    Value value;
    bool (Value::*is)() const;
  } cases[] = {
      {"Flag", Value(true), &Value::isBool},
      {"Off", Value(false), &Value::isBool},
      {"Half", Value(0.5), &Value::isReal},
      {"WholeReal", Value(2.0), &Value::isReal},
      {"Count", Value(3), &Value::isInteger},
      {"Name", Value("Tova"), &Value::isString},
      {"Empty", Value(""), &Value::isString},
  };
  for (const auto& c : cases) ASSERT_TRUE(platform::setDefaultsValueForKey(kDomain, c.key, c.value)) << c.key;
  // Read back from a file written afresh: the value must have gone through the file, not a cache.
  auto stored = platform::dictionaryWithContentsOfFile(kPath);
  ASSERT_TRUE(stored);
  for (const auto& c : cases) {
    auto read = platform::defaultsValueForKey(kDomain, c.key);
    ASSERT_TRUE(read) << c.key;
    EXPECT_TRUE(((*read).*c.is)()) << c.key << " came back as " << read->toJSON();
    EXPECT_EQ(*read, c.value) << c.key;
    EXPECT_EQ(stored->at(c.key), c.value) << c.key;
  }
  EXPECT_FALSE(platform::defaultsValueForKey(kDomain, "Missing"));
  EXPECT_FALSE(platform::defaultsValueForKey("com.test.nofile", "Flag"));
}

TEST_F(DefaultsDomainTest, NothingRemovesTheKeyAndLeavesTheOthers) {
  ASSERT_TRUE(platform::setDefaultsValueForKey(kDomain, "A", Value(1)));
  ASSERT_TRUE(platform::setDefaultsValueForKey(kDomain, "B", Value(2)));
  ASSERT_TRUE(platform::setDefaultsValueForKey(kDomain, "A", std::nullopt));
  auto stored = platform::dictionaryWithContentsOfFile(kPath);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->count("A"), 0u);
  EXPECT_EQ(stored->at("B"), Value(2));
}

TEST_F(DefaultsDomainTest, DomainsThatCouldNameAnotherFileAreRefused) {
  for (std::string domain : std::vector<std::string>{"", "../../../etc/passwd", "com.test/sub", ".hidden", std::string("a\0b", 3)}) {
    platform::LogCapture log;
    EXPECT_FALSE(platform::setDefaultsValueForKey(domain, "Key", Value(1))) << domain;
    EXPECT_FALSE(platform::defaultsValueForKey(domain, "Key")) << domain;
    EXPECT_TRUE(log.containsSubstring("is not a defaults domain")) << domain;
  }
  EXPECT_FALSE(platform::fileExistsAtPath("/etc/passwd.plist"));
  EXPECT_FALSE(platform::directoryExistsAtPath("/var/mobile/Library/Preferences/com.test"));
}

TEST_F(DefaultsDomainTest, AnUnreadableFileIsKeptAsideBeforeItIsReplaced) {
  const std::string garbage = "<plist><dict><key>Half";
  platform::createDirectoryAtPath("/var/mobile/Library/Preferences");
  ASSERT_TRUE(platform::writeFile(kPath, garbage));
  platform::LogCapture log;
  EXPECT_FALSE(platform::defaultsValueForKey(kDomain, "Half"));
  EXPECT_TRUE(log.containsSubstring("is not a readable preferences file"));

  ASSERT_TRUE(platform::setDefaultsValueForKey(kDomain, "Half", Value(0.5)));
  EXPECT_TRUE(log.containsSubstring("kept as /var/mobile/Library/Preferences/com.test.defaults.plist.unreadable"));
  EXPECT_EQ(platform::readFile(std::string(kPath) + ".unreadable"), garbage);
  EXPECT_EQ(platform::defaultsValueForKey(kDomain, "Half"), Value(0.5));
}

TEST_F(DefaultsDomainTest, WritersOfDifferentKeysAtOnceKeepEveryKey) {
  constexpr int kWriters = 4, kWrites = 25;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w)
    writers.emplace_back([w] {
      for (int i = 0; i < kWrites; ++i)
        platform::setDefaultsValueForKey(kDomain, "Writer" + std::to_string(w) + "." + std::to_string(i), Value(i));
    });
  for (auto& t : writers) t.join();
  auto stored = platform::dictionaryWithContentsOfFile(kPath);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->size(), std::size_t(kWriters * kWrites)) << "a read-modify-write lost another writer's key";
}

}  // namespace
