#pragma once
// PSSpecifier: one row of a settings list, as a specifier file describes it. Its `properties` hold
// the file's entry (key, default, defaults, label, validValues, ...); the rest is what the list
// needs at hand: the row's kind, the target its value and actions are sent to, and the selectors.
//
// Values cross the runtime as PSValue, a property-list value or nothing (nil). The selectors a
// target answers, with the exact implementation signatures a pane registers:
//   readPreferenceValue:             PSValue (objc::Object* self, objc::SEL, PSSpecifier* specifier)
//   setPreferenceValue:specifier:    void (objc::Object* self, objc::SEL, PSValue value, PSSpecifier* specifier)
//   an action without a colon        void (objc::Object* self, objc::SEL)                ("respring")
//   an action ending in a colon      void (objc::Object* self, objc::SEL, PSSpecifier* specifier)
// A file's `get` and `set` keys name other getter and setter selectors of the same shapes.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "platform/preferences/PSCellType.h"
#include "platform/runtime/Runtime.h"

using PSValue = std::optional<platform::Value>;

class PSSpecifier;
using PSSpecifierList = std::vector<std::shared_ptr<PSSpecifier>>;

// Property keys of a specifier file entry that the framework itself reads.
inline constexpr const char* PSKeyNameKey = "key";
inline constexpr const char* PSDefaultValueKey = "default";
inline constexpr const char* PSDefaultsKey = "defaults";
inline constexpr const char* PSValueChangedNotificationKey = "PostNotification";
inline constexpr const char* PSIDKey = "id";
inline constexpr const char* PSTitleKey = "label";
inline constexpr const char* PSFooterTextGroupKey = "footerText";
inline constexpr const char* PSCellClassKey = "cellClass";
inline constexpr const char* PSDetailControllerClassKey = "detail";
inline constexpr const char* PSActionKey = "action";
inline constexpr const char* PSEnabledKey = "enabled";
inline constexpr const char* PSTableCellHeightKey = "height";
inline constexpr const char* PSControlMinimumKey = "min";
inline constexpr const char* PSControlMaximumKey = "max";
inline constexpr const char* PSPlaceholderKey = "placeholder";
inline constexpr const char* PSRequiredCapabilitiesKey = "requiredCapabilities";

class PSSpecifier : public objc::Object {
 public:
  static objc::Class* cls();
  explicit PSSpecifier(objc::Class* isa = PSSpecifier::cls());

  // +preferenceSpecifierNamed:target:set:get:detail:cell:edit: (the edit pane is not used).
  static std::shared_ptr<PSSpecifier> preferenceSpecifierNamed(std::string name, objc::Object* target, objc::SEL set,
                                                               objc::SEL get, objc::Class* detail, PSCellType cell);
  static std::shared_ptr<PSSpecifier> groupSpecifierWithName(std::string name);
  static std::shared_ptr<PSSpecifier> emptyGroupSpecifier();

  // The row's title, already localized.
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  // The `id` property, else the `key`, else the name: what specifierForID: matches.
  std::string identifier() const;
  void setIdentifier(std::string identifier);
  PSCellType cellType() const { return cellType_; }
  void setCellType(PSCellType type) { cellType_ = type; }

  const platform::Dictionary& properties() const { return properties_; }
  void setProperties(platform::Dictionary properties) { properties_ = std::move(properties); }
  // nullptr when the property is missing.
  const platform::Value* propertyForKey(const std::string& key) const { return platform::find(properties_, key); }
  // A string property, empty when missing or not a string.
  std::string stringPropertyForKey(const std::string& key) const;
  void setProperty(platform::Value value, const std::string& key) { properties_[key] = std::move(value); }
  void removePropertyForKey(const std::string& key) { properties_.erase(key); }
  // The `key` property (the preference key), empty when the row has none.
  std::string key() const { return stringPropertyForKey(PSKeyNameKey); }

  // Held weakly: the list controller that is usually the target holds its specifiers.
  std::shared_ptr<objc::Object> target() const { return target_.lock(); }
  void setTarget(objc::Object* target);
  objc::SEL getter() const { return getter_; }
  objc::SEL setter() const { return setter_; }
  void setGetter(objc::SEL getter) { getter_ = getter; }
  void setSetter(objc::SEL setter) { setter_ = setter; }
  objc::SEL action() const { return action_; }
  void setAction(objc::SEL action) { action_ = action; }
  // The class a link row pushes; nullptr when the row names none, or names one that does not exist.
  objc::Class* detailControllerClass() const { return detail_; }
  void setDetailControllerClass(objc::Class* detail) { detail_ = detail; }

  // The choices of a link list or segment row: `validValues`, their `validTitles` and
  // `shortTitles`, index for index.
  const platform::Array& values() const { return values_; }
  const std::vector<std::string>& titles() const { return titles_; }
  const std::vector<std::string>& shortTitles() const { return shortTitles_; }
  void setValues(platform::Array values, std::vector<std::string> titles, std::vector<std::string> shortTitles = {});
  // The title of the choice equal to `value` (an integer 1 matches a real 1.0 too, as NSNumbers
  // compare); nothing when no choice matches.
  std::optional<std::string> titleForValue(const platform::Value& value) const;
  std::optional<std::size_t> indexOfValue(const platform::Value& value) const;

  // The value read through the target's getter; nothing without a target or getter, or when the
  // target does not answer the getter (logged).
  PSValue performGetter() const;
  // Sends the value to the target's setter; false when it could not be sent (logged).
  bool performSetterWithValue(PSValue value);

  std::string description() const override;

 private:
  std::string name_;
  PSCellType cellType_ = PSDefaultCell;
  platform::Dictionary properties_;
  std::weak_ptr<objc::Object> target_;
  objc::SEL getter_ = nullptr;
  objc::SEL setter_ = nullptr;
  objc::SEL action_ = nullptr;
  objc::Class* detail_ = nullptr;
  platform::Array values_;
  std::vector<std::string> titles_;
  std::vector<std::string> shortTitles_;
};

// Two property-list values that NSNumber or NSString comparison takes as equal: numbers by value
// (true equals 1), strings by their text.
bool PSValuesEqual(const platform::Value& a, const platform::Value& b);
