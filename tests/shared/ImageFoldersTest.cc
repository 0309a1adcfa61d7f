#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "shared/ImageFolders.h"

TEST(ImageFolders, NewFileNamesAreFreshUpperCaseUUIDsWithPngExtension) {
  const std::regex form("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.png$");
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    std::string name = newImageFileName();
    EXPECT_TRUE(std::regex_match(name, form)) << name;
    seen.insert(name);
  }
  EXPECT_EQ(seen.size(), 100u);
  std::string path = newImagePathInFolder(kTimelineImagesPath);
  EXPECT_EQ(path.rfind("/var/mobile/Library/TovaluneTimeline/", 0), 0u);
  EXPECT_EQ(path.size(), std::string(kTimelineImagesPath).size() + 1 + 36 + 4);
}
