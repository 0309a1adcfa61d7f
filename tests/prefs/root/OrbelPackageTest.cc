// The package lookup over the device's real query program and package database.
#include "prefs/root/OrbelPackage.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "tests/prefs/support/DevicePackageDatabase.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

constexpr const char* kPackage = "com.orbel.tovalune";

TEST(OrbelPackageFields, SplitAtTheFirstSeparatorAndTheLastEqualNameWins) {
  auto fields = packageFieldsFromQueryOutput(
      "Package: com.orbel.tovalune\n"
      "Homepage: https://orbel.example/a: b: c\n"
      "Version: 1.0.0\n"
      "Version: 1.0.2\n"
      "Conffiles:\n"
      "Empty: \n"
      "NoBlank:value\n"
      " Version: 9.9.9\n"
      "Last: no newline at the end");
  EXPECT_EQ(fields["Homepage"], "https://orbel.example/a: b: c");
  EXPECT_EQ(fields["Version"], "1.0.2");
  EXPECT_EQ(fields[" Version"], "9.9.9");
  EXPECT_EQ(fields["Empty"], "");
  EXPECT_EQ(fields["Last"], "no newline at the end");
  EXPECT_FALSE(fields.contains("Conffiles"));
  EXPECT_FALSE(fields.contains("NoBlank"));
  EXPECT_TRUE(packageFieldsFromQueryOutput("").empty());
}

class OrbelPackageTest : public testing::Test {
 protected:
  TempDeviceRoot root;
  DevicePackageDatabase database;
};

TEST_F(OrbelPackageTest, ReadsTheVersionTheRealQueryProgramPrints) {
  struct Case {
    const char* what;
    std::string status;
    std::optional<std::string> version;
  } cases[] = {
      {"installed", DevicePackageDatabase::installedRecord(kPackage, "1.0.2"), "1.0.2"},
      {"an epoch and a tilde", DevicePackageDatabase::installedRecord(kPackage, "1:2.0~beta1"), "1:2.0~beta1"},
      {"a description line naming a version",
       DevicePackageDatabase::installedRecord(kPackage, "1.0.2", " Version: 9.9.9 was never released\n .\n"),
       "1.0.2"},
      {"other packages only", DevicePackageDatabase::installedRecord("mobilesubstrate", "0.9.7"), std::nullopt},
      {"an empty database", "", std::nullopt},
  };
  for (const auto& c : cases) {
    database.setStatus(c.status);
    EXPECT_EQ(OrbelPackage::packageWithIdentifier(kPackage)->version(), c.version) << c.what;
  }
}

TEST_F(OrbelPackageTest, AQueryProgramThatFailsOrCannotStartGivesNoVersion) {
  struct Case {
    const char* what;
    std::string script;
    std::string logged;
  } cases[] = {
      {"prints nothing and fails", "exit 2\n", ""},
      {"dies of a signal", "kill -9 $$\n", ""},
      {"answers in something other than UTF-8", "printf 'Version: 1.0\\377\\n'\n",
       "The package query for com.orbel.tovalune did not answer in UTF-8"},
  };
  for (const auto& c : cases) {
    platform::LogCapture log;
    DevicePackageDatabase::replaceQueryProgram(c.script);
    EXPECT_EQ(OrbelPackage::packageWithIdentifier(kPackage)->version(), std::nullopt) << c.what;
    if (!c.logged.empty()) {
      EXPECT_TRUE(log.contains(c.logged)) << c.what;
    }
  }

  platform::LogCapture log;
  platform::writeFile("/usr/bin/dpkg-query", "#!/no/such/interpreter\n");
  ::chmod(platform::hostPath("/usr/bin/dpkg-query").c_str(), 0755);
  EXPECT_EQ(OrbelPackage::packageWithIdentifier(kPackage)->version(), std::nullopt);
  EXPECT_TRUE(log.containsSubstring("Could not start /usr/bin/dpkg-query"));
}

TEST_F(OrbelPackageTest, AsksAboutTheGivenPackageFromTheDevicesRootFolder) {
  DevicePackageDatabase::replaceQueryProgram(
      "pwd -P > \"$SIMULATED_DEVICE_ROOT/tmp-query-cwd\"\n"
      "printf '%s\\n' \"$@\" > \"$SIMULATED_DEVICE_ROOT/tmp-query-args\"\n"
      "echo 'Version: 3.1'\n");
  EXPECT_EQ(OrbelPackage::packageWithIdentifier(kPackage)->version(), "3.1");
  char resolved[PATH_MAX];
  ASSERT_TRUE(::realpath(root.path().c_str(), resolved));
  EXPECT_EQ(platform::readFile("/tmp-query-cwd"), std::string(resolved) + "\n");
  EXPECT_EQ(platform::readFile("/tmp-query-args"), "-s\ncom.orbel.tovalune\n");
}

}  // namespace
