// tovalune-device install and uninstall with the real dpkg on a device that is not running:
// what lands where on each kind of device, what the device's package database says, upgrades,
// removal, and the packages and files it must refuse without changing anything.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/jailbreak/JailbreakLayout.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "tests/device/launcher/PackageVariants.h"
#include "tests/support/TempDeviceRoot.h"

namespace fs = std::filesystem;

namespace {

using platform::JailbreakKind;

class PackageInstallTest : public ::testing::Test {
 protected:
  // A device with a file system but nothing running: restarting SpringBoard is a no-op. Without
  // settings it is the default device, a rootless one.
  void SetUp() override { ASSERT_TRUE(platform::createDirectoryAtPath("/var/mobile/Library/Preferences")); }
  // The package's files where the device's kind keeps them.
  static std::string engine() { return devicePackagePath("/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib"); }
  static std::string filter() { return devicePackagePath("/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist"); }
  static std::string icon() { return devicePackagePath("/Library/PreferenceBundles/TovalunePrefs.bundle/icon-large.png"); }

  void ok(const std::vector<std::string>& args) {
    auto r = runLauncher(args);
    ASSERT_EQ(r.status, 0) << args.front() << ": " << r.out << r.err;
  }
  std::string installed() { return packageState("com.orbel.tovalune"); }
  std::string folder() { return root_.path(); }

  TempDeviceRoot root_;
};

class PackageInstallOnEachKind : public PackageInstallTest, public ::testing::WithParamInterface<JailbreakKind> {
 protected:
  void SetUp() override {
    PackageInstallTest::SetUp();
    platform::DeviceSettings settings;
    settings.jailbreak = GetParam();
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
  }
};

TEST_P(PackageInstallOnEachKind, PutsTheFilesWhereTheKindKeepsThemRefusesTheOtherKindAndUninstallLeavesNothing) {
  struct stat machineLog {};
  bool machineLogExists = ::stat("/var/log/dpkg.log", &machineLog) == 0;

  auto result = runLauncher({"install"});
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Installed com.orbel.tovalune " + projectVersion() + "."), std::string::npos) << result.out;
  EXPECT_EQ(installed(), "install ok installed " + projectVersion());
  const bool rootless = GetParam() == JailbreakKind::Rootless;
  EXPECT_EQ(engine(), std::string(rootless ? "/var/jb" : "") + "/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib");
  for (const std::string& file : {engine(), filter(), icon()}) EXPECT_TRUE(platform::fileExistsAtPath(file)) << file;
  if (rootless) {
    EXPECT_FALSE(platform::directoryExistsAtPath("/Library")) << "a rootless device's system stays sealed";
  }

  auto owner = queryDevicePackages({"--search", engine()});
  EXPECT_EQ(owner.out.rfind("com.orbel.tovalune", 0), 0u) << owner.out << owner.err;
  // Every file as the package's checksums say, and nothing half-done in the database.
  const std::string admin = "--admindir=" + platform::hostPath(devicePackagePath("/var/lib/dpkg"));
  auto verify = runProgram({"/usr/bin/dpkg", "--root=" + root_.path(), admin, "--verify", "com.orbel.tovalune"});
  EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
  EXPECT_EQ(verify.out, "");
  auto audit = runProgram({"/usr/bin/dpkg", "--root=" + root_.path(), admin, "--audit"});
  EXPECT_EQ(audit.status, 0) << audit.out << audit.err;
  EXPECT_EQ(audit.out, "");
  for (const char* base : {"mobilesubstrate", "preferenceloader", "firmware"})
    EXPECT_EQ(packageState(base).rfind("install ok installed ", 0), 0u) << base;

  auto status = runLauncher({"status", "--json"});
  EXPECT_NE(status.out.find("\"packageVersion\": \"" + projectVersion() + "\""), std::string::npos) << status.out;
  EXPECT_NE(status.out.find(std::string("\"jailbreak\": \"") + (rootless ? "rootless" : "rootful")), std::string::npos);

  // The device keeps its own package log; the machine's never hears of the device.
  EXPECT_NE(platform::readFile(devicePackagePath("/var/log/dpkg.log")).value_or("").find("com.orbel.tovalune"),
            std::string::npos);
  struct stat after {};
  if (machineLogExists) {
    ASSERT_EQ(::stat("/var/log/dpkg.log", &after), 0);
    EXPECT_EQ(after.st_size, machineLog.st_size);
  }

  // The package of the other kind: dpkg refuses it in its own words, and nothing changes.
  const std::string engineBefore = platform::readFile(engine()).value_or("");
  const std::string other = builtPackageFor(rootless ? JailbreakKind::Rootful : JailbreakKind::Rootless);
  auto refused = runLauncher({"install", other});
  EXPECT_EQ(refused.status, 1) << refused.out;
  EXPECT_NE(refused.err.find(std::string("package architecture (") + (rootless ? "iphoneos-arm)" : "iphoneos-arm64)") +
                             " does not match system"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(installed(), "install ok installed " + projectVersion());
  EXPECT_EQ(platform::readFile(engine()).value_or(""), engineBefore);

  // Removed, no file of the package stays.
  ASSERT_EQ(runLauncher({"uninstall"}).status, 0);
  auto listing = runProgram({"/usr/bin/dpkg-deb", "--contents", builtPackage()});
  std::istringstream lines(listing.out);
  int files = 0;
  for (std::string mode, owner, size, date, time, path; lines >> mode >> owner >> size >> date >> time >> path;) {
    if (mode[0] == 'd') continue;
    ++files;
    EXPECT_FALSE(platform::fileExistsAtPath(path.substr(1))) << path;
  }
  EXPECT_GE(files, 4);
}

INSTANTIATE_TEST_SUITE_P(BothKinds, PackageInstallOnEachKind,
                         ::testing::Values(JailbreakKind::Rootful, JailbreakKind::Rootless),
                         [](const auto& info) { return platform::jailbreakKindName(info.param); });

TEST_F(PackageInstallTest, UpgradeChangesTheVersionAndRemovalLeavesTheBaseSystem) {
  ok({"install"});
  std::string newer = packageVariant(folder(), "newer", {{"Version", "99.0.1"}});
  auto upgraded = runLauncher({"install", newer});
  ASSERT_EQ(upgraded.status, 0) << upgraded.out << upgraded.err;
  EXPECT_NE(upgraded.out.find("Installed com.orbel.tovalune 99.0.1."), std::string::npos) << upgraded.out;
  EXPECT_EQ(installed(), "install ok installed 99.0.1");
  EXPECT_TRUE(platform::fileExistsAtPath(engine()));

  auto removed = runLauncher({"uninstall"});
  ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
  EXPECT_NE(removed.out.find("Removed com.orbel.tovalune 99.0.1."), std::string::npos) << removed.out;
  EXPECT_EQ(installed().rfind("install ok installed", 0), std::string::npos) << installed();
  for (const std::string& gone : {engine(), filter(), icon()}) EXPECT_FALSE(platform::fileExistsAtPath(gone)) << gone;
  // The folders of the substrate and the pane loader belong to the base system and stay.
  EXPECT_TRUE(platform::directoryExistsAtPath(devicePackagePath("/Library/MobileSubstrate/DynamicLibraries")));
  EXPECT_TRUE(platform::directoryExistsAtPath(devicePackagePath("/Library/PreferenceLoader/Preferences")));
  EXPECT_EQ(packageState("mobilesubstrate").rfind("install ok installed", 0), 0u);

  auto again = runLauncher({"uninstall"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("Tovalune was not installed."), std::string::npos) << again.out;
}

TEST_F(PackageInstallTest, RefusesWhatItCannotInstallAndLeavesTheInstalledPackageAsItWas) {
  ok({"install"});
  const std::string engineBefore = platform::readFile(engine()).value_or("");
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
    EXPECT_EQ(platform::readFile(engine()).value_or(""), engineBefore) << c.args.back();
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
  EXPECT_EQ(platform::readFile(engine()),
            std::string((std::istreambuf_iterator<char>(tweak)), std::istreambuf_iterator<char>()));
  EXPECT_EQ(installed(), "install ok installed " + projectVersion());
  auto verify = runProgram({"/usr/bin/dpkg", "--root=" + root_.path(),
                            "--admindir=" + platform::hostPath(devicePackagePath("/var/lib/dpkg")), "--verify",
                            "com.orbel.tovalune"});
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
  const std::string admin = devicePackagePath("/var/lib/dpkg");
  ASSERT_TRUE(platform::createDirectoryAtPath(admin + "/info"));
  ASSERT_TRUE(platform::writeFile(admin + "/status", keep + "\n" + removedBase + "\n"));
  ASSERT_TRUE(platform::writeFile(admin + "/info/com.example.keep.list", "/.\n"));

  ok({"install"});
  EXPECT_EQ(packageState("com.example.keep"), "install ok installed 3.1");
  EXPECT_EQ(packageState("mobilesubstrate").rfind("install ok installed", 0), 0u) << packageState("mobilesubstrate");
  EXPECT_NE(platform::readFile(admin + "/status")->find(" with a second line\n"), std::string::npos);
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
  EXPECT_FALSE(platform::fileExistsAtPath(engine())) << "the half-installed engine stayed";
}

TEST_F(PackageInstallTest, UninstallAlsoTakesAwayAnEngineThatNoPackageOwns) {
  // As an older launcher left it: copied in by hand.
  ASSERT_TRUE(platform::createDirectoryAtPath(devicePackagePath("/Library/MobileSubstrate/DynamicLibraries")));
  ASSERT_TRUE(platform::writeFile(engine(), "engine"));
  ASSERT_TRUE(platform::writeFile(filter(), "filter"));
  auto removed = runLauncher({"uninstall"});
  ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
  EXPECT_NE(removed.out.find("which no package owned"), std::string::npos) << removed.out;
  EXPECT_FALSE(platform::fileExistsAtPath(engine()));
  EXPECT_FALSE(platform::fileExistsAtPath(filter()));
}

}  // namespace
