// Which filter property lists name SpringBoard: the loader's decision, table-driven.
#include <gtest/gtest.h>

#include "device/springboard/app/SubstrateLoader.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

Dictionary filterWith(const std::string& key, Value list) {
  Dictionary names;
  names[key] = std::move(list);
  Dictionary plist;
  plist["Filter"] = std::move(names);
  return plist;
}

const SubstrateProcess kSpringBoard{"com.apple.springboard", "SpringBoard"};

TEST(SubstrateFilter, NamesSpringBoardOnlyThroughItsBundleOrExecutable) {
  struct Case {
    const char* what;
    Dictionary plist;
    bool names;
  } cases[] = {
      {"bundle", filterWith("Bundles", Array{Value("com.apple.springboard")}), true},
      {"bundle among others", filterWith("Bundles", Array{Value("com.apple.Preferences"), Value("com.apple.springboard")}), true},
      {"executable", filterWith("Executables", Array{Value("SpringBoard")}), true},
      {"other bundle", filterWith("Bundles", Array{Value("com.apple.Preferences")}), false},
      {"other executable", filterWith("Executables", Array{Value("Preferences")}), false},
      {"executable with another case", filterWith("Executables", Array{Value("springboard")}), false},
      {"name only begins so", filterWith("Executables", Array{Value("SpringBoardHelper")}), false},
      {"bundle as a string, not a list", filterWith("Bundles", Value("com.apple.springboard")), false},
      {"numbers in the list", filterWith("Bundles", Array{Value(1), Value(true)}), false},
      {"empty filter", filterWith("Bundles", Array{}), false},
      {"no filter key", Dictionary{{"Bundles", Array{Value("com.apple.springboard")}}}, false},
      {"filter not a dictionary", Dictionary{{"Filter", Value("com.apple.springboard")}}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(filterNamesProcess(c.plist, kSpringBoard), c.names) << c.what;
}

TEST(SubstrateFilter, AProcessWithoutANameIsNamedByNobody) {
  SubstrateProcess nameless{"", ""};
  EXPECT_FALSE(filterNamesProcess(filterWith("Executables", Array{Value("")}), nameless));
}

}  // namespace
