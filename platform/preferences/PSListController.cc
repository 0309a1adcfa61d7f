#include "platform/preferences/PSListController.h"

#include <dlfcn.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/preferences/DefaultsDomain.h"
#include "platform/preferences/PSListItemsController.h"
#include "platform/preferences/SpecifierPlist.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/system/CFNotificationCenter.h"

namespace {

objc::Object* initImp(objc::Object* self, objc::SEL) { return static_cast<PSListController*>(self)->init(); }

PSSpecifierList specifiersImp(objc::Object* self, objc::SEL) {
  return static_cast<PSListController*>(self)->specifiers();
}

PSSpecifierList loadSpecifiersImp(objc::Object* self, objc::SEL, std::string name, objc::Object* target) {
  return static_cast<PSListController*>(self)->loadSpecifiersFromPlistName(name, target);
}

void reloadSpecifiersImp(objc::Object* self, objc::SEL) { static_cast<PSListController*>(self)->reloadSpecifiers(); }

PSValue readPreferenceValueImp(objc::Object* self, objc::SEL, PSSpecifier* specifier) {
  return static_cast<PSListController*>(self)->readPreferenceValue(specifier);
}

void setPreferenceValueImp(objc::Object* self, objc::SEL, PSValue value, PSSpecifier* specifier) {
  static_cast<PSListController*>(self)->setPreferenceValue(std::move(value), specifier);
}

// The folder of the pane bundle whose shared object holds `code`, when that object lies inside
// the device in a folder named like a bundle.
std::string bundleFolderOfCode(const void* code) {
  Dl_info info{};
  if (!code || !dladdr(code, &info) || !info.dli_fname) return {};
  std::string devicePath = platform::devicePathFromHost(info.dli_fname);
  std::string folder = platform::stringByDeletingLastPathComponent(devicePath);
  if (devicePath.empty() || platform::pathExtension(folder) != "bundle") return {};
  return folder;
}

// Specifier files and panes name the framework's classes (a `detail`, a `cellClass`, a superclass)
// before any of them has been used, so all of them exist as soon as the library is loaded.
[[maybe_unused]] const bool kClassesRegistered = [] {
  PSSpecifier::cls();
  PSViewController::cls();
  PSListController::cls();
  PSListItemsController::cls();
  for (PSCellType type : {PSDefaultCell, PSSwitchCell, PSEditTextCell, PSSegmentCell, PSSliderCell})
    PSTableCell::cellClassForType(type);
  return true;
}();

}  // namespace

OBJC_DEFINE_CLASS(PSListController, PSViewController,
                  objc::method("init", &initImp),
                  objc::method("specifiers", &specifiersImp),
                  objc::method("loadSpecifiersFromPlistName:target:", &loadSpecifiersImp),
                  objc::method("reloadSpecifiers", &reloadSpecifiersImp),
                  objc::method("readPreferenceValue:", &readPreferenceValueImp),
                  objc::method("setPreferenceValue:specifier:", &setPreferenceValueImp))

PSListController::PSListController(objc::Class* isa) : PSViewController(isa) {}

objc::Object* PSListController::init() { return this; }

// ---- Rows ----

PSSpecifierList PSListController::specifiers() {
  if (_specifiers) return *_specifiers;
  if (!source_) return {};
  auto file = platform::specifiersFromDictionary(
      *source_, this, [this](const std::string& text) { return localizedString(text, sourceTable_); },
      sourceTable_.empty() ? std::string("the entry's items") : sourceTable_);
  if (!file.title.empty() && title().empty()) setTitle(file.title);
  _specifiers = std::move(file.specifiers);
  return *_specifiers;
}

PSSpecifierList PSListController::loadSpecifiersFromPlistName(const std::string& name, objc::Object* target) {
  std::string folder = bundlePath();
  if (folder.empty()) {
    NSLog("Preferences: {} has no bundle to read {}.plist from; the list is empty", isa()->name(), name);
    return {};
  }
  auto file = platform::specifiersFromFile(platform::stringByAppendingPathComponent(folder, name + ".plist"), target,
                                           [this, name](const std::string& text) { return localizedString(text, name); });
  if (!file.title.empty()) setTitle(file.title);
  return std::move(file.specifiers);
}

void PSListController::setSpecifierSource(platform::Dictionary plist, std::string table) {
  source_ = std::move(plist);
  sourceTable_ = std::move(table);
  reloadSpecifiers();
}

void PSListController::reloadSpecifiers() {
  _specifiers.reset();
  cells_.clear();
  specifiersChanged();
}

void PSListController::specifiersChanged() {
  sections_.reset();
  // Forget the cells of rows that are gone; rows that stay keep theirs.
  if (_specifiers) {
    std::erase_if(cells_, [&](const auto& entry) {
      for (const auto& s : *_specifiers)
        if (s.get() == entry.first) return false;
      return true;
    });
  }
  loadedSpecifiers();
  if (table_) table_->reloadData();
}

PSSpecifierList PSListController::loadedSpecifiers() {
  if (!_specifiers) {
    PSSpecifierList loaded = objc::msgSend<PSSpecifierList>(this, objc::sel("specifiers"));
    // A subclass that forgot to keep its rows still gets a list that stays put.
    if (!_specifiers) _specifiers = std::move(loaded);
  }
  return *_specifiers;
}

std::shared_ptr<PSSpecifier> PSListController::specifierForID(const std::string& identifier) {
  for (const auto& s : loadedSpecifiers())
    if (s->identifier() == identifier) return s;
  return nullptr;
}

std::shared_ptr<PSSpecifier> PSListController::specifierAtIndex(std::size_t index) {
  auto list = loadedSpecifiers();
  return index < list.size() ? list[index] : nullptr;
}

std::optional<std::size_t> PSListController::indexOfSpecifier(const PSSpecifier* specifier) {
  auto list = loadedSpecifiers();
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == specifier) return i;
  return std::nullopt;
}

void PSListController::insertSpecifier(std::shared_ptr<PSSpecifier> specifier, std::size_t index) {
  if (!specifier) return;
  loadedSpecifiers();
  index = std::min(index, _specifiers->size());
  _specifiers->insert(_specifiers->begin() + static_cast<std::ptrdiff_t>(index), std::move(specifier));
  specifiersChanged();
}

void PSListController::addSpecifier(std::shared_ptr<PSSpecifier> specifier) {
  insertSpecifier(std::move(specifier), loadedSpecifiers().size());
}

void PSListController::removeSpecifier(const PSSpecifier* specifier) {
  loadedSpecifiers();
  auto before = _specifiers->size();
  std::erase_if(*_specifiers, [&](const auto& s) { return s.get() == specifier; });
  if (_specifiers->size() != before) specifiersChanged();
}

void PSListController::removeSpecifierID(const std::string& identifier) {
  if (auto s = specifierForID(identifier)) removeSpecifier(s.get());
}

// ---- Values ----

PSValue PSListController::readPreferenceValue(PSSpecifier* specifier) {
  if (!specifier) return std::nullopt;
  std::string domain = specifier->stringPropertyForKey(PSDefaultsKey);
  std::string key = specifier->key();
  if (!domain.empty() && !key.empty())
    if (auto stored = platform::defaultsValueForKey(domain, key)) return stored;
  const platform::Value* fallback = specifier->propertyForKey(PSDefaultValueKey);
  return fallback ? PSValue(*fallback) : std::nullopt;
}

void PSListController::setPreferenceValue(PSValue value, PSSpecifier* specifier) {
  if (!specifier) return;
  std::string domain = specifier->stringPropertyForKey(PSDefaultsKey);
  std::string key = specifier->key();
  if (domain.empty() || key.empty()) {
    NSLog("Preferences: \"{}\" has no {}; its value is not kept", specifier->name(),
          domain.empty() ? "defaults domain" : "key");
    return;
  }
  if (!platform::setDefaultsValueForKey(domain, key, value)) return;
  std::string notification = specifier->stringPropertyForKey(PSValueChangedNotificationKey);
  if (!notification.empty())
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(), notification,
                                                   nullptr, nullptr, true);
}

// ---- Bundle ----

std::string PSListController::bundlePath() const {
  if (!bundlePath_.empty()) return bundlePath_;
  return bundleFolderOfCode(reinterpret_cast<const void*>(isa()->allocator()));
}

std::string PSListController::localizedString(const std::string& text, const std::string& table) const {
  std::string folder = bundlePath();
  if (folder.empty() || text.empty()) return text;
  auto bundle = NSBundle::bundleWithPath(folder);
  return bundle ? bundle->localizedStringForKey(text, text, table) : text;
}
