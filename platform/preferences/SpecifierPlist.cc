#include "platform/preferences/SpecifierPlist.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/preferences/DeviceCapabilities.h"

namespace platform {

namespace {

std::string localized(const SpecifierLocalizer& localize, const std::string& text) {
  return localize && !text.empty() ? localize(text) : text;
}

const std::string* stringEntry(const Dictionary& d, const char* key) {
  const Value* v = find(d, key);
  return v ? v->string() : nullptr;
}

std::vector<std::string> localizedTitles(const Dictionary& d, const char* key, const SpecifierLocalizer& localize,
                                         const std::string& label, const std::string& origin) {
  std::vector<std::string> titles;
  const Value* v = find(d, key);
  if (!v) return titles;
  if (!v->array()) {
    NSLog("Preferences: {} of \"{}\" in {} is not an array; ignored", key, label, origin);
    return titles;
  }
  for (const Value& title : *v->array())
    titles.push_back(localized(localize, title.string() ? *title.string() : title.description()));
  return titles;
}

void readChoices(PSSpecifier& specifier, const Dictionary& d, const SpecifierLocalizer& localize,
                 const std::string& origin) {
  const Value* values = find(d, "validValues");
  if (!values) return;
  if (!values->array()) {
    NSLog("Preferences: validValues of \"{}\" in {} is not an array; the row has no choices", specifier.name(), origin);
    return;
  }
  auto titles = localizedTitles(d, "validTitles", localize, specifier.name(), origin);
  auto shortTitles = localizedTitles(d, "shortTitles", localize, specifier.name(), origin);
  if (titles.size() != values->array()->size()) {
    NSLog("Preferences: \"{}\" in {} has {} validValues and {} validTitles; values without a title show as they are",
          specifier.name(), origin, values->array()->size(), titles.size());
    titles.resize(std::min(titles.size(), values->array()->size()));
    for (std::size_t i = titles.size(); i < values->array()->size(); ++i)
      titles.push_back((*values->array())[i].description());
  }
  specifier.setValues(*values->array(), std::move(titles), std::move(shortTitles));
}

}  // namespace

std::shared_ptr<PSSpecifier> specifierFromEntry(const Value& entry, objc::Object* target,
                                                const SpecifierLocalizer& localize, const std::string& origin) {
  const Dictionary* d = entry.dictionary();
  if (!d) {
    NSLog("Preferences: an item of {} is not a dictionary ({}); skipped", origin, entry.description());
    return nullptr;
  }
  auto specifier = std::make_shared<PSSpecifier>();
  specifier->setProperties(*d);
  const std::string* label = stringEntry(*d, PSTitleKey);
  specifier->setName(localized(localize, label ? *label : std::string()));

  const std::string* cell = stringEntry(*d, "cell");
  if (!cell) {
    if (!find(*d, PSCellClassKey))
      NSLog("Preferences: \"{}\" in {} names no cell; shown as a plain row", specifier->name(), origin);
    specifier->setCellType(PSDefaultCell);
  } else if (auto type = PSCellTypeFromString(*cell)) {
    specifier->setCellType(*type);
  } else {
    NSLog("Preferences: unknown cell {} for \"{}\" in {}; shown as a plain row", *cell, specifier->name(), origin);
    specifier->setCellType(PSDefaultCell);
  }

  for (const char* key : {PSFooterTextGroupKey, PSPlaceholderKey})
    if (const std::string* text = stringEntry(*d, key)) specifier->setProperty(localized(localize, *text), key);

  specifier->setTarget(target);
  const std::string* get = stringEntry(*d, "get");
  const std::string* set = stringEntry(*d, "set");
  specifier->setGetter(objc::sel(get && !get->empty() ? *get : "readPreferenceValue:"));
  specifier->setSetter(objc::sel(set && !set->empty() ? *set : "setPreferenceValue:specifier:"));
  if (const std::string* action = stringEntry(*d, PSActionKey); action && !action->empty())
    specifier->setAction(objc::sel(*action));
  if (const std::string* detail = stringEntry(*d, PSDetailControllerClassKey); detail && !detail->empty())
    specifier->setDetailControllerClass(objc::objc_getClass(*detail));

  readChoices(*specifier, *d, localize, origin);
  return specifier;
}

SpecifierFile specifiersFromDictionary(const Dictionary& plist, objc::Object* target,
                                       const SpecifierLocalizer& localize, const std::string& origin) {
  SpecifierFile file;
  if (const std::string* title = stringEntry(plist, "title")) file.title = localized(localize, *title);
  const Value* items = find(plist, "items");
  if (!items) {
    NSLog("Preferences: {} has no items; the list is empty", origin);
    return file;
  }
  if (!items->array()) {
    NSLog("Preferences: items of {} is not an array; the list is empty", origin);
    return file;
  }
  for (const Value& entry : *items->array()) {
    auto specifier = specifierFromEntry(entry, target, localize, origin);
    if (!specifier) continue;
    const Value* required = specifier->propertyForKey(PSRequiredCapabilitiesKey);
    if (required && !deviceSatisfiesCapabilities(*required)) continue;
    file.specifiers.push_back(std::move(specifier));
  }
  return file;
}

SpecifierFile specifiersFromFile(const std::string& devicePath, objc::Object* target,
                                 const SpecifierLocalizer& localize) {
  auto bytes = readFile(devicePath);
  if (!bytes) {
    NSLog("Preferences: could not read the specifier file {}; the list is empty", devicePath);
    return {};
  }
  auto plist = propertyListFromBytes(*bytes);
  if (!plist) {
    NSLog("Preferences: the specifier file {} is not a property list; the list is empty", devicePath);
    return {};
  }
  if (!plist->dictionary()) {
    NSLog("Preferences: the specifier file {} does not hold a dictionary; the list is empty", devicePath);
    return {};
  }
  return specifiersFromDictionary(*plist->dictionary(), target, localize, devicePath);
}

}  // namespace platform
