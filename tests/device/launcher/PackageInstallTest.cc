// tovalune-device install and uninstall with the real dpkg on a device that is not running:
// what lands where, what the device's package database says, upgrades, removal, and the
// packages and files it must refuse without changing anything.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "tests/device/launcher/PackageVariants.h"
#include "tests/support/TempDeviceRoot.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kEngine = "/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib";
constexpr const char* kFilter = "/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist";
constexpr const char* kIcon = "/Library/PreferenceBundles/TovalunePrefs.bundle/icon-large.png";

class PackageInstallTest : public ::testing::Test {
 protected:
  // A device with a file system but nothing running: restarting SpringBoard is a no-op.
  void SetUp() override { ASSERT_TRUE(platform::createDirectoryAtPath("/var/mobile/Library/Preferences")); }

  void ok(const std::vector<std::string>& args) {
    auto r = runLauncher(args);
    ASSERT_EQ(r.status, 0) << args.front() << ": " << r.out << r.err;
  }
  std::string installed() { return packageState("com.orbel.tovalune"); }
  std::string folder() { return root_.path(); }

  TempDeviceRoot root_;
};

TEST_F(PackageInstallTest, InstallPutsTheDeliverablesInPlaceAndTheDatabaseKnowsEveryFile) {
  struct stat machineLog {};
  bool machineLogExists = ::stat("/var/log/dpkg.log", &machineLog) == 0;

  auto result = runLauncher({"install"});
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Installed com.orbel.tovalune " + projectVersion() + "."), std::string::npos) << result.out;
  EXPECT_EQ(installed(), "install ok installed " + projectVersion());
  std::ifstream engine(ENGINE_LIBRARY, std::ios::binary);
  EXPECT_EQ(platform::readFile(kEngine),
            std::string((std::istreambuf_iterator<char>(engine)), std::istreambuf_iterator<char>()));
  EXPECT_TRUE(platform::fileExistsAtPath(kFilter));
  EXPECT_TRUE(platform::fileExistsAtPath(kIcon));

  auto owner = queryDevicePackages({"--search", kEngine});
  EXPECT_EQ(owner.out.rfind("com.orbel.tovalune", 0), 0u) << owner.out << owner.err;
  // Every file as the package's checksums say, and nothing half-done in the database.
  auto verify = runProgram({"/usr/bin/dpkg", "--root=" + root_.path(), "--verify", "com.orbel.tovalune"});
  EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
  EXPECT_EQ(verify.out, "");
  auto audit = runProgram({"/usr/bin/dpkg", "--root=" + root_.path(), "--audit"});
  EXPECT_EQ(audit.status, 0) << audit.out << audit.err;
  EXPECT_EQ(audit.out, "");
  for (const char* base : {"mobilesubstrate", "preferenceloader"})
    EXPECT_EQ(packageState(base).rfind("install ok installed ", 0), 0u) << base;

  auto status = runLauncher({"status", "--json"});
  EXPECT_NE(status.out.find("\"packageVersion\": \"" + projectVersion() + "\""), std::string::npos) << status.out;

  // The device keeps its own package log; the machine's never hears of the device.
  EXPECT_NE(platform::readFile("/var/log/dpkg.log").value_or("").find("com.orbel.tovalune"), std::string::npos);
  struct stat after {};
  if (machineLogExists) {
    ASSERT_EQ(::stat("/var/log/dpkg.log", &after), 0);
    EXPECT_EQ(after.st_size, machineLog.st_size);
  }
}

TEST_F(PackageInstallTest, UpgradeChangesTheVersionAndRemovalLeavesTheBaseSystem) {
  ok({"install"});
  std::string newer = packageVariant(folder(), "newer", {{"Version", "99.0.1"}});
  auto upgraded = runLauncher({"install", newer});
  ASSERT_EQ(upgraded.status, 0) << upgraded.out << upgraded.err;
  EXPECT_NE(upgraded.out.find("Installed com.orbel.tovalune 99.0.1."), std::string::npos) << upgraded.out;
  EXPECT_EQ(installed(), "install ok installed 99.0.1");
  EXPECT_TRUE(platform::fileExistsAtPath(kEngine));

  auto removed = runLauncher({"uninstall"});
  ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
  EXPECT_NE(removed.out.find("Removed com.orbel.tovalune 99.0.1."), std::string::npos) << removed.out;
  EXPECT_EQ(installed().rfind("install ok installed", 0), std::string::npos) << installed();
  for (const char* gone : {kEngine, kFilter, kIcon}) EXPECT_FALSE(platform::fileExistsAtPath(gone)) << gone;
  // The folders of the substrate and the pane loader belong to the base system and stay.
  EXPECT_TRUE(platform::directoryExistsAtPath("/Library/MobileSubstrate/DynamicLibraries"));
  EXPECT_TRUE(platform::directoryExistsAtPath("/Library/PreferenceLoader/Preferences"));
  EXPECT_EQ(packageState("mobilesubstrate").rfind("install ok installed", 0), 0u);

  auto again = runLauncher({"uninstall"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("Tovalune was not installed."), std::string::npos) << again.out;
}

TEST_F(PackageInstallTest, RefusesWhatItCannotInstallAndLeavesTheInstalledPackageAsItWas) {
  ok({"install"});
  const std::string engineBefore = platform::readFile(kEngine).value_or("");
  std::string text = folder() + "/notes.deb";
  std::ofstream(text) << "not a package";
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"install", folder() + "/missing.deb"}, "there is no package file"},
      {{"install", text}, "is not a Debian package"},
      {{"install", packageVariant(folder(), "unmet", {{"Version", "99"}, {"Depends", "mobilesubstrate, no-such-base (>= 2)"}})},
       "needs what the device does not have: no-such-base (>= 2)"},
      {{"install", packageVariant(folder(), "tooold", {{"Version", "99"}, {"Depends", "mobilesubstrate (>= 7)"}})},
       "mobilesubstrate (>= 7)"},
      // dpkg lets ":any" be met only by a package that allows it; the base packages do not.
      {{"install", packageVariant(folder(), "anyarch", {{"Version", "99"}, {"Depends", "preferenceloader:any"}})},
       "preferenceloader:any"},
      {{"install", "--engine", folder() + "/missing.dylib"}, "there is no engine library"},
      {{"install", packageVariant(folder(), "other", {{"Package", "com.example.other"}}), "--engine", ENGINE_LIBRARY},
       "an engine goes only into com.orbel.tovalune"},
  };
  for (const auto& c : cases) {
    auto result = runLauncher(c.args);
    EXPECT_EQ(result.status, 1) << c.args.back() << ": " << result.out;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(installed(), "install ok installed " + projectVersion()) << c.args.back();
    EXPECT_EQ(platform::readFile(kEngine).value_or(""), engineBefore) << c.args.back();
  }

  // Versions and alternatives are read as dpkg reads them.
  std::string met = packageVariant(folder(), "met",
                                   {{"Version", "99.1"}, {"Depends", "mobilesubstrate (>= 0.9), no-such | preferenceloader:iphoneos-arm64"}});
  ok({"install", met});
  EXPECT_EQ(installed(), "install ok installed 99.1");
}

TEST_F(PackageInstallTest, AGivenEngineGoesIntoTheInstalledPackageWithItsChecksum) {
  ok({"install", "--engine", testTweakPath()});
  std::ifstream tweak(testTweakPath(), std::ios::binary);
  EXPECT_EQ(platform::readFile(kEngine),
            std::string((std::istreambuf_iterator<char>(tweak)), std::istreambuf_iterator<char>()));
  EXPECT_EQ(installed(), "install ok installed " + projectVersion());
  auto verify = runProgram({"/usr/bin/dpkg", "--root=" + root_.path(), "--verify", "com.orbel.tovalune"});
  EXPECT_EQ(verify.status, 0);
  EXPECT_EQ(verify.out, "") << "the rebuilt package's checksums must be the new engine's";
}

TEST_F(PackageInstallTest, TheBaseSystemIsRestoredWithoutLosingOtherPackagesOfTheDatabase) {
  // A database that knows another package, and a substrate that was removed.
  const std::string keep =
      "Package: com.example.keep\nStatus: install ok installed\nPriority: optional\nSection: Tweaks\n"
      "Maintainer: Someone\nArchitecture: iphoneos-arm64\nVersion: 3.1\nDescription: a package to keep\n"
      " with a second line\n";
  const std::string removedBase =
      "Package: mobilesubstrate\nStatus: deinstall ok config-files\nPriority: required\nSection: System\n"
      "Maintainer: Someone\nArchitecture: iphoneos-arm64\nVersion: 0.1\nDescription: gone\n";
  ASSERT_TRUE(platform::createDirectoryAtPath("/var/lib/dpkg/info"));
  ASSERT_TRUE(platform::writeFile("/var/lib/dpkg/status", keep + "\n" + removedBase + "\n"));
  ASSERT_TRUE(platform::writeFile("/var/lib/dpkg/info/com.example.keep.list", "/.\n"));

  ok({"install"});
  EXPECT_EQ(packageState("com.example.keep"), "install ok installed 3.1");
  EXPECT_EQ(packageState("mobilesubstrate").rfind("install ok installed", 0), 0u) << packageState("mobilesubstrate");
  EXPECT_NE(platform::readFile("/var/lib/dpkg/status")->find(" with a second line\n"), std::string::npos);
  EXPECT_EQ(installed(), "install ok installed " + projectVersion());
}

TEST_F(PackageInstallTest, AScriptNeverRunsOnTheMachineAndAFirstInstallThatFailsIsTakenAway) {
  // A device has no shell: dpkg runs a maintainer script inside the device root, where it
  // cannot start, and never on the machine.
  std::string marker = folder() + "/script-ran-on-the-machine";
  std::string scripted = packageVariant(folder(), "scripted", {},
                                        {{"postinst", "#!/bin/sh\ntouch '" + marker + "'\n"}});
  auto result = runLauncher({"install", scripted});
  EXPECT_EQ(result.status, 1) << result.out;
  EXPECT_NE(result.err.find("dpkg could not install com.orbel.tovalune"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("removed again"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_EQ(installed(), "");
  EXPECT_FALSE(platform::fileExistsAtPath(kEngine)) << "the half-installed engine stayed";
}

TEST_F(PackageInstallTest, UninstallAlsoTakesAwayAnEngineThatNoPackageOwns) {
  // As an older launcher left it: copied in by hand.
  ASSERT_TRUE(platform::createDirectoryAtPath("/Library/MobileSubstrate/DynamicLibraries"));
  ASSERT_TRUE(platform::writeFile(kEngine, "engine"));
  ASSERT_TRUE(platform::writeFile(kFilter, "filter"));
  auto removed = runLauncher({"uninstall"});
  ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
  EXPECT_NE(removed.out.find("which no package owned"), std::string::npos) << removed.out;
  EXPECT_FALSE(platform::fileExistsAtPath(kEngine));
  EXPECT_FALSE(platform::fileExistsAtPath(kFilter));
}

}  // namespace
