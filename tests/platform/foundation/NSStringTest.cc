#include "platform/foundation/NSString.h"

#include <gtest/gtest.h>

namespace {

using Pieces = std::vector<std::string>;

TEST(NSString, ComponentsKeepEmptyPiecesAsFoundationDoes) {
  const struct {
    const char* text;
    const char* separator;
    Pieces pieces;
  } table[] = {
      {"07:05:00", ":", {"07", "05", "00"}},
      {"0700", ":", {"0700"}},
      {"", ":", {""}},
      {":a::", ":", {"", "a", "", ""}},
      {"1 + 2  3", " ", {"1", "+", "2", "", "3"}},
      {"a--b-c", "--", {"a", "b-c"}},
      {"abc", "", {"abc"}},
  };
  for (const auto& row : table)
    EXPECT_EQ(platform::componentsSeparatedByString(row.text, row.separator), row.pieces) << row.text;
}

TEST(NSString, CaseChangesTouchOnlyASCIILetters) {
  EXPECT_EQ(platform::uppercaseString("heic-9f.jpg"), "HEIC-9F.JPG");
  EXPECT_EQ(platform::lowercaseString("Img-Prod.CMS.Example"), "img-prod.cms.example");
  // "É" (C3 89) and "é" (C3 A9) are bytes above ASCII: they are left alone, not split or mangled.
  EXPECT_EQ(platform::uppercaseString("caf\xC3\xA9"), "CAF\xC3\xA9");
  EXPECT_EQ(platform::lowercaseString("CAF\xC3\x89"), "caf\xC3\x89");
}

}  // namespace
