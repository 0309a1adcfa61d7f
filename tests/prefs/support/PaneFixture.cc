#include "tests/prefs/support/PaneFixture.h"

#include <fstream>
#include <iterator>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "shared/TovalunePreferencesManager.h"

using platform::Dictionary;
using platform::Value;

Value specifierEntry(const char* cell, const char* label, const char* key, Dictionary extra) {
  extra["cell"] = cell;
  extra["label"] = label;
  if (key) extra["key"] = key;
  return Value(std::move(extra));
}

void writeSpecifierFile(const platform::Array& items) {
  platform::createDirectoryAtPath(kPaneBundlePath);
  platform::writeToFile(Dictionary{{"items", items}, {"title", "Tovalune"}}, std::string(kPaneBundlePath) + "/Root.plist");
}

void installBuiltBundleResources() {
  platform::createDirectoryAtPath(kPaneBundlePath);
  for (const char* file : {"Root.plist", "Info.plist"}) {
    std::ifstream in(std::string(TOVALUNE_PANE_BUNDLE_DIR) + "/" + file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    platform::writeFile(std::string(kPaneBundlePath) + "/" + file, bytes);
  }
}

std::optional<Dictionary> storedPrefs() {
  return platform::dictionaryWithContentsOfFile(TovalunePreferencesManager::kPreferencesPath);
}

std::shared_ptr<TovaluneprefsRootListController> makeRootList() {
  auto list = std::static_pointer_cast<TovaluneprefsRootListController>(
      objc::class_createInstance(objc::objc_getClass("TovaluneprefsRootListController")));
  objc::msgSend<objc::Object*>(list.get(), objc::sel("init"));
  list->setBundlePath(kPaneBundlePath);
  return list;
}

PSSpecifierList allRows(TovaluneprefsRootListController& list) {
  return list.loadSpecifiersFromPlistName(list.name(), &list);
}

std::vector<std::string> rowNames(const PSSpecifierList& specifiers) {
  std::vector<std::string> names;
  for (const auto& s : specifiers) names.push_back(s->propertyForKey("key") ? s->key() : s->name());
  return names;
}

std::shared_ptr<PSSpecifier> rowWithKey(const PSSpecifierList& specifiers, const std::string& key) {
  for (const auto& s : specifiers)
    if (s->key() == key) return s;
  return nullptr;
}

std::shared_ptr<PSSpecifier> rowNamed(const PSSpecifierList& specifiers, const std::string& label) {
  for (const auto& s : specifiers)
    if (s->name() == label) return s;
  return nullptr;
}
