// A pane shared object opened from inside the device finds its own bundle: its specifier file and
// its strings come from the folder it was loaded from.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "platform/preferences/PSListController.h"
#include "tests/platform/preferences/SettingsScreen.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

constexpr const char* kModuleBundle = "/Library/PreferenceBundles/Module.bundle";

TEST(PaneModuleTest, APaneLoadedFromItsBundleReadsItsFilesFromThere) {
  TempDeviceRoot root;
  ASSERT_TRUE(platform::saveDeviceSettings(platform::DeviceSettings{}));
  ASSERT_TRUE(platform::createDirectoryAtPath(std::string(kModuleBundle) + "/en.lproj"));
  ASSERT_TRUE(platform::writeFile(
      std::string(kModuleBundle) + "/Root.plist",
      platform::xmlPropertyList(platform::Dictionary{
          {"items", platform::Array{platform::Dictionary{{"cell", "PSSwitchCell"}, {"label", "Wired"}}}}})));
  ASSERT_TRUE(platform::writeFile(std::string(kModuleBundle) + "/en.lproj/Root.strings", "\"Wired\" = \"Branché\";"));
  std::string executable = root.host(std::string(kModuleBundle) + "/Module");
  std::filesystem::copy_file(TEST_PANE_MODULE, executable);

  ASSERT_NE(dlopen(executable.c_str(), RTLD_NOW | RTLD_LOCAL), nullptr) << dlerror();
  objc::Class* cls = objc::objc_getClass("TestModulePane");
  ASSERT_NE(cls, nullptr) << "the pane registered no class when it was opened";
  ASSERT_TRUE(cls->isSubclassOf(PSListController::cls()));

  auto pane = std::dynamic_pointer_cast<PSListController>(objc::class_createInstance(cls));
  ASSERT_TRUE(pane);
  objc::msgSend<objc::Object*>(pane.get(), objc::sel("init"));
  EXPECT_EQ(pane->bundlePath(), kModuleBundle);
  SettingsScreen screen(pane);
  EXPECT_TRUE(screen.shows("Branché"));

  auto plain = std::dynamic_pointer_cast<PSListController>(objc::class_createInstance(PSListController::cls()));
  EXPECT_EQ(plain->bundlePath(), "") << "the framework's own library is no pane bundle";
}

}  // namespace
