#pragma once
// What the pane's tests share: a fresh device root, a pane bundle folder inside it holding a
// specifier file, and a root list made the way the Settings app makes it (by class name, init,
// bundle path).
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "prefs/root/TovaluneprefsRootListController.h"
#include "tests/support/TempDeviceRoot.h"

inline constexpr const char* kPaneBundlePath = "/Library/PreferenceBundles/TovalunePrefs.bundle";

// One specifier file entry; a key of nullptr leaves the entry without one.
platform::Value specifierEntry(const char* cell, const char* label, const char* key,
                               platform::Dictionary extra = {});

// Writes <bundle>/Root.plist with these entries as its `items`.
void writeSpecifierFile(const platform::Array& items);
// Copies the built bundle's Root.plist and Info.plist into the device's bundle folder.
void installBuiltBundleResources();

// The preferences file as the store reads it; nothing when it is missing or unreadable.
std::optional<platform::Dictionary> storedPrefs();

std::shared_ptr<TovaluneprefsRootListController> makeRootList();
// Every row of the list's specifier file, shown or not, bound to the list.
PSSpecifierList allRows(TovaluneprefsRootListController& list);

// What identifies each row: its key, else its label.
std::vector<std::string> rowNames(const PSSpecifierList& specifiers);
// The first row with that key; "" finds the first row without one.
std::shared_ptr<PSSpecifier> rowWithKey(const PSSpecifierList& specifiers, const std::string& key);
std::shared_ptr<PSSpecifier> rowNamed(const PSSpecifierList& specifiers, const std::string& label);
