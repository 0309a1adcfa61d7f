#include "device/settings/PaneLoader.h"

#include <dlfcn.h>

#include <algorithm>
#include <map>

#include "device/jailbreak/JailbreakLayout.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/image/UIImage.h"
#include "platform/preferences/PSListController.h"
#include "platform/uikit/UIBezierPath.h"
#include "platform/uikit/UIGraphics.h"

namespace {

constexpr double kIconSide = 29;

std::string stringIn(const platform::Dictionary& d, const char* key) {
  const platform::Value* v = platform::find(d, key);
  return v && v->string() ? *v->string() : std::string();
}

std::string nameWithoutExtension(const std::string& path) {
  std::string name = platform::lastPathComponent(path);
  std::string extension = platform::pathExtension(name);
  return extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
}

std::optional<PaneEntry> readEntry(const std::string& path) {
  auto plist = platform::dictionaryWithContentsOfFile(path);
  if (!plist) {
    NSLog("Settings: {} is not a pane loader entry (no property-list dictionary); skipped", path);
    return std::nullopt;
  }
  const platform::Value* entryValue = platform::find(*plist, "entry");
  if (!entryValue || !entryValue->dictionary()) {
    NSLog("Settings: {} has no entry dictionary; skipped", path);
    return std::nullopt;
  }
  const platform::Dictionary& entry = *entryValue->dictionary();
  PaneEntry pane;
  pane.entryPath = path;
  pane.label = stringIn(entry, "label");
  pane.bundle = stringIn(entry, "bundle");
  std::string icon = stringIn(entry, "icon");
  if (!pane.bundle.empty()) {
    // A bundle name is one path component: "../x" would load code from anywhere.
    if (pane.bundle.find('/') != std::string::npos || pane.bundle == "." || pane.bundle == "..") {
      NSLog("Settings: {} names the bundle \"{}\", which is not a bundle name; skipped", path, pane.bundle);
      return std::nullopt;
    }
    pane.bundlePath = platform::stringByAppendingPathComponent(devicePackagePath(kPreferenceBundlesPath), pane.bundle + ".bundle");
  } else {
    const platform::Value* items = platform::find(*plist, "items");
    if (!items || !items->isArray()) {
      NSLog("Settings: {} names neither a bundle nor items; skipped", path);
      return std::nullopt;
    }
    pane.items = *plist;
    pane.bundlePath = devicePackagePath(kPaneLoaderEntriesPath);
  }
  if (pane.label.empty()) pane.label = pane.bundle.empty() ? nameWithoutExtension(path) : pane.bundle;
  if (!icon.empty() && icon.find('/') == std::string::npos)
    pane.iconPath = platform::stringByAppendingPathComponent(pane.bundlePath, icon);
  return pane;
}

// Executables stay loaded for the process's life, as the phone keeps a loaded bundle: a class the
// runtime registered from it must not vanish under a screen that uses it.
void* loadExecutable(const std::string& devicePath) {
  static std::map<std::string, void*> loaded;
  auto it = loaded.find(devicePath);
  if (it != loaded.end()) return it->second;
  void* handle = ::dlopen(platform::hostPath(devicePath).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    NSLog("Settings: cannot load the pane executable {}: {}", devicePath, why ? why : "unknown error");
    return nullptr;
  }
  loaded.emplace(devicePath, handle);
  return handle;
}

std::shared_ptr<UIViewController> loadBundlePane(const PaneEntry& pane) {
  std::string infoPath = platform::stringByAppendingPathComponent(pane.bundlePath, "Info.plist");
  auto info = platform::dictionaryWithContentsOfFile(infoPath);
  if (!info) {
    NSLog("Settings: the pane bundle {} has no readable Info.plist", pane.bundlePath);
    return nullptr;
  }
  std::string executable = stringIn(*info, "CFBundleExecutable");
  std::string principal = stringIn(*info, "NSPrincipalClass");
  if (executable.empty() || executable.find('/') != std::string::npos || principal.empty()) {
    NSLog("Settings: {} names no usable CFBundleExecutable and NSPrincipalClass", infoPath);
    return nullptr;
  }
  if (!loadExecutable(platform::stringByAppendingPathComponent(pane.bundlePath, executable))) return nullptr;
  objc::Class* cls = objc::objc_getClass(principal);
  if (!cls) {
    NSLog("Settings: the pane {} has no class {}", pane.bundle, principal);
    return nullptr;
  }
  objc::id instance = objc::class_createInstance(cls);
  auto controller = std::dynamic_pointer_cast<UIViewController>(instance);
  if (!controller) {
    NSLog("Settings: {} of the pane {} is not a view controller", principal, pane.bundle);
    return nullptr;
  }
  if (auto list = std::dynamic_pointer_cast<PSListController>(controller)) list->setBundlePath(pane.bundlePath);
  objc::msgSend<objc::Object*>(controller.get(), objc::sel("init"));
  return controller;
}

}  // namespace

std::vector<PaneEntry> installedPanes() {
  std::vector<PaneEntry> panes;
  const std::string entries = devicePackagePath(kPaneLoaderEntriesPath);
  for (const std::string& name : platform::contentsOfDirectoryAtPath(entries).value_or(std::vector<std::string>{})) {
    if (platform::pathExtension(name) != "plist") continue;
    if (auto pane = readEntry(platform::stringByAppendingPathComponent(entries, name)))
      panes.push_back(std::move(*pane));
  }
  std::sort(panes.begin(), panes.end(), [](const PaneEntry& a, const PaneEntry& b) { return a.label < b.label; });
  return panes;
}

std::shared_ptr<UIViewController> loadPane(const PaneEntry& pane) {
  if (!pane.items) return loadBundlePane(pane);
  auto list = std::dynamic_pointer_cast<PSListController>(objc::class_createInstance(PSListController::cls()));
  list->setBundlePath(pane.bundlePath);
  list->init();
  list->setSpecifierSource(*pane.items, nameWithoutExtension(pane.entryPath));
  if (list->title().empty()) list->setTitle(pane.label);
  return list;
}

std::shared_ptr<UIImage> paneIcon(const PaneEntry& pane) {
  if (pane.iconPath.empty()) return nullptr;
  auto image = UIImage::imageWithContentsOfFile(pane.iconPath);
  if (!image) return nullptr;
  UIGraphicsBeginImageContextWithOptions({kIconSide, kIconSide}, false, 0);
  UIBezierPath::bezierPathWithRoundedRect(CGRectMake(0, 0, kIconSide, kIconSide), kIconSide * 0.225)->addClip();
  UIImageDrawInRect(image.get(), CGRectMake(0, 0, kIconSide, kIconSide));
  auto icon = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return icon;
}
