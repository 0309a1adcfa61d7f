// The built bundle as the Settings app meets it: its Info.plist, the pane loader's entry, and the
// module opened with dlopen registering its classes by name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/foundation/PropertyList.h"
#include "platform/runtime/Runtime.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using platform::Dictionary;
using platform::Value;

// A file of the build, outside any device.
std::optional<Dictionary> hostPlist(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto plist = platform::propertyListFromBytes(bytes);
  if (!plist || !plist->dictionary()) return std::nullopt;
  return *plist->dictionary();
}

TEST(PaneBundle, InfoAndEntryNameTheModuleAndItsPrincipalClass) {
  auto info = hostPlist(std::string(TOVALUNE_PANE_BUNDLE_DIR) + "/Info.plist");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->at("CFBundleExecutable"), Value("TovalunePrefs"));
  EXPECT_EQ(info->at("NSPrincipalClass"), Value("TovaluneprefsRootListController"));
  EXPECT_EQ(info->at("CFBundleIdentifier"), Value("com.orbel.tovaluneprefs"));

  auto entryFile = hostPlist(TOVALUNE_PANE_ENTRY);
  ASSERT_TRUE(entryFile);
  const Dictionary* entry = entryFile->at("entry").dictionary();
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->at("bundle"), Value("TovalunePrefs"));
  EXPECT_EQ(entry->at("cell"), Value("PSLinkCell"));
  EXPECT_EQ(entry->at("label"), Value("Tovalune"));
  EXPECT_EQ(entry->at("isController"), Value(true));
  EXPECT_TRUE(entry->contains("icon"));
}

TEST(PaneBundle, OpeningTheModuleRegistersItsClasses) {
  for (const char* name : {"TovaluneprefsRootListController", "TovaluneBannerCell", "TovaluneFooterCell"})
    EXPECT_FALSE(objc::objc_getClass(name)) << name << " exists before the module is opened";
  std::string module = std::string(TOVALUNE_PANE_BUNDLE_DIR) + "/TovalunePrefs";
  void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(handle) << ::dlerror();
  for (const char* name : {"TovaluneprefsRootListController", "TovaluneBannerCell", "TovaluneFooterCell",
                           "TovaluneImageSelectorViewController", "TovaluneImageViewerViewController",
                           "TovalunePhotoAlbumSelectorViewController", "TovaluneTimelineViewController"})
    EXPECT_TRUE(objc::objc_getClass(name)) << name;

  TempDeviceRoot root;
  objc::id list = objc::class_createInstance(objc::objc_getClass("TovaluneprefsRootListController"));
  ASSERT_TRUE(list);
  EXPECT_EQ(objc::msgSend<objc::Object*>(list.get(), objc::sel("init")), list.get());
  EXPECT_EQ(objc::msgSend<std::string>(list.get(), objc::sel("name")), "Root");
  EXPECT_TRUE(list->isa()->lookup(objc::sel("respring")));
  EXPECT_TRUE(list->isa()->lookup(objc::sel("showTimePicker")));
}

}  // namespace
