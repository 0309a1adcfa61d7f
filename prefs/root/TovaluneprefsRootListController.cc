#include "prefs/root/TovaluneprefsRootListController.h"

#include <algorithm>

#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/net/NSURL.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/system/NSTask.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UINavigationItem.h"
#include "prefs/editors/TovaluneImageSelectorViewController.h"
#include "prefs/editors/TovaluneImageViewerViewController.h"
#include "prefs/editors/TovalunePhotoAlbumSelectorViewController.h"
#include "prefs/editors/TovaluneTimelineViewController.h"
#include "shared/InstallPrefix.h"
#include "shared/PreferenceValues.h"
#include "shared/TovalunePreferencesManager.h"

using platform::Dictionary;
using platform::Value;

namespace {

using Self = TovaluneprefsRootListController;

template <void (Self::*Action)()>
void actionImp(objc::Object* self, objc::SEL) {
  (static_cast<Self*>(self)->*Action)();
}

std::string nameImp(objc::Object* self, objc::SEL) { return static_cast<Self*>(self)->name(); }
void setNameImp(objc::Object* self, objc::SEL, std::string name) { static_cast<Self*>(self)->setName(std::move(name)); }

// The Settings app finds the principal class by name as soon as the pane is loaded.
[[maybe_unused]] objc::Class* const kRegistered = Self::cls();

// The provider names of the image sources that have rows of their own.
std::optional<std::string> providerName(int imageMode) {
  switch (imageMode) {
    case ProviderLocalFolder: return "Local";
    case ProviderCustomURL: return "Custom";
    case ProviderPhotosAlbum: return "Photo Album";
    default: return std::nullopt;
  }
}

bool contains(const std::vector<std::string>& keys, const std::string& key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Nesting no setting needs; far below the depth at which readers give up on a whole file, so a
// value cannot make the preferences unreadable for every process.
constexpr int kMaxNesting = 64;

// Whether the preferences file can hold the value and give it back: nothing at all cannot be
// stored, and a NUL character would cut a string (or a key) short in the file.
bool fileCanHold(const Value& value, int depth = 0) {
  if (depth > kMaxNesting) return false;
  if (const std::string* s = value.string()) return s->find('\0') == std::string::npos;
  if (const platform::Array* array = value.array()) {
    for (const Value& element : *array)
      if (!fileCanHold(element, depth + 1)) return false;
  }
  if (const Dictionary* dictionary = value.dictionary()) {
    for (const auto& [key, element] : *dictionary)
      if (key.find('\0') != std::string::npos || !fileCanHold(element, depth + 1)) return false;
  }
  return true;
}

}  // namespace

OBJC_DEFINE_CLASS(TovaluneprefsRootListController, PSListController,
                  objc::method("name", &nameImp),
                  objc::method("setName:", &setNameImp),
                  objc::method("respring", &actionImp<&Self::respring>),
                  objc::method("twitterlink", &actionImp<&Self::twitterlink>),
                  objc::method("showImageSelector", &actionImp<&Self::showImageSelector>),
                  objc::method("showImageViewer", &actionImp<&Self::showImageViewer>),
                  objc::method("showAlbumSelector", &actionImp<&Self::showAlbumSelector>),
                  objc::method("showTimePicker", &actionImp<&Self::showTimePicker>))

TovaluneprefsRootListController::TovaluneprefsRootListController(objc::Class* isa) : PSListController(isa) {}

objc::Object* TovaluneprefsRootListController::init() {
  objc::Object* self = PSListController::init();
  if (self) name_ = "Root";
  return self;
}

std::vector<std::string> TovaluneprefsRootListController::permanentSpecifiers() {
  return {"Enabled", "Location", "ImageMode", "DisableOnCellular", "FullResolution", "ImageViewer", "StoreLastTen",
          "UpdateMode"};
}

std::map<std::string, std::vector<std::string>> TovaluneprefsRootListController::specifiersForProvider() {
  return {
      {"Local", {"ImageSelector"}},
      {"Custom", {"CustomURL"}},
      {"Photo Album", {"AlbumSelector"}},
  };
}

PSSpecifierList TovaluneprefsRootListController::specifiers() {
  if (_specifiers) return *_specifiers;
  PSSpecifierList loaded = loadSpecifiersFromPlistName(name_, this);

  std::optional<Dictionary> prefs = platform::dictionaryWithContentsOfFile(TovalunePreferencesManager::kPreferencesPath);
  int imageMode = ProviderMicrosoft;
  int updateMode = UpdateModeScreenOff;
  if (prefs) {
    if (const Value* v = platform::find(*prefs, "ImageMode")) imageMode = v->intValue();
    if (const Value* v = platform::find(*prefs, "UpdateMode")) updateMode = v->intValue();
  }
  std::optional<std::string> provider = providerName(imageMode);
  std::vector<std::string> permanent = permanentSpecifiers();
  std::map<std::string, std::vector<std::string>> providerRows = specifiersForProvider();
  std::vector<std::string> noRows;
  const std::vector<std::string>& shownForProvider = provider ? providerRows[*provider] : noRows;

  PSSpecifierList result;
  for (const auto& specifier : loaded) {
    const Value* keyValue = specifier->propertyForKey(PSKeyNameKey);
    bool keep = false;
    if (!keyValue) {
      keep = true;
    } else if (!keyValue->isString()) {
      NSLog("Leaving out the row {}: its key is not a string", specifier->name());
    } else {
      const std::string& key = *keyValue->string();
      if (key.empty()) keep = true;
      else if (key == "TimePicker") keep = updateMode == UpdateModeTimeline;
      else keep = contains(permanent, key) || contains(shownForProvider, key);
    }
    if (keep) result.push_back(specifier);
  }
  _specifiers = result;
  return result;
}

PSValue TovaluneprefsRootListController::readPreferenceValue(PSSpecifier* specifier) {
  if (!specifier) return std::nullopt;
  Value stored;
  if (platform::valueForKeyInFile(TovalunePreferencesManager::kPreferencesPath, specifier->key(), &stored) ==
      platform::FileLookup::Found)
    return stored;
  if (const Value* fallback = specifier->propertyForKey(PSDefaultValueKey)) return *fallback;
  return std::nullopt;
}

void TovaluneprefsRootListController::setPreferenceValue(PSValue value, PSSpecifier* specifier) {
  std::string key = specifier ? specifier->key() : std::string();
  if (key.empty()) {
    NSLog("Not saving a value for the row {}: it has no key", specifier ? specifier->name() : std::string("(none)"));
    return;
  }
  if (!value || !fileCanHold(*value)) {
    NSLog("Not saving {} for {}: it is not a property-list value", value ? value->description() : "nothing", key);
    return;
  }
  // An unreadable file is replaced by one holding this key alone; the user's edit is not dropped.
  TovalunePreferencesManager::modifyPrefs([&](Dictionary& prefs) { prefs[key] = *value; }, Dictionary{});
  if (key == "ImageMode" || key == "UpdateMode") reloadSpecifiers();
}

void TovaluneprefsRootListController::respring() {
  pid_t pid = -1;
  // The phone's own killall, which a rootless phone keeps below the install prefix.
  platform::posix_spawn(&pid, installedPath("/usr/bin/killall"), {"killall", "-9", "SpringBoard"});
}

void TovaluneprefsRootListController::twitterlink() {
  UIApplication::sharedApplication().openURL(NSURL::URLWithString(kMakerPageURL), {}, nullptr);
}

void TovaluneprefsRootListController::showImageSelector() { openEditor(TovaluneImageSelectorViewController::init()); }

void TovaluneprefsRootListController::showImageViewer() { openEditor(TovaluneImageViewerViewController::init()); }

void TovaluneprefsRootListController::showAlbumSelector() {
  openEditor(TovalunePhotoAlbumSelectorViewController::initWithPrefsKey("SelectedPhotoAlbum"));
}

void TovaluneprefsRootListController::showTimePicker() { openEditor(TovaluneTimelineViewController::init()); }

void TovaluneprefsRootListController::openEditor(const std::shared_ptr<UIViewController>& screen) {
  auto navigation = navigationController();
  if (!navigation) {
    NSLog("Cannot open {}: the list is not on a navigation controller", screen->title());
    return;
  }
  navigation->pushViewController(screen, true);
  navigationItem()->setHidesBackButton(false);
}
