#include "platform/preferences/PSSpecifier.h"

#include <fmt/format.h>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"

OBJC_DEFINE_CLASS(PSSpecifier, objc::Object)

PSSpecifier::PSSpecifier(objc::Class* isa) : objc::Object(isa) {}

std::shared_ptr<PSSpecifier> PSSpecifier::preferenceSpecifierNamed(std::string name, objc::Object* target,
                                                                   objc::SEL set, objc::SEL get, objc::Class* detail,
                                                                   PSCellType cell) {
  auto specifier = std::make_shared<PSSpecifier>();
  specifier->name_ = std::move(name);
  specifier->setTarget(target);
  specifier->setter_ = set;
  specifier->getter_ = get;
  specifier->detail_ = detail;
  specifier->cellType_ = cell;
  return specifier;
}

std::shared_ptr<PSSpecifier> PSSpecifier::groupSpecifierWithName(std::string name) {
  return preferenceSpecifierNamed(std::move(name), nullptr, nullptr, nullptr, nullptr, PSGroupCell);
}

std::shared_ptr<PSSpecifier> PSSpecifier::emptyGroupSpecifier() { return groupSpecifierWithName(""); }

std::string PSSpecifier::identifier() const {
  if (std::string id = stringPropertyForKey(PSIDKey); !id.empty()) return id;
  if (std::string k = key(); !k.empty()) return k;
  return name_;
}

void PSSpecifier::setIdentifier(std::string identifier) { properties_[PSIDKey] = std::move(identifier); }

std::string PSSpecifier::stringPropertyForKey(const std::string& key) const {
  const platform::Value* v = propertyForKey(key);
  return v && v->string() ? *v->string() : std::string();
}

void PSSpecifier::setTarget(objc::Object* target) {
  target_ = target ? target->weak_from_this() : std::weak_ptr<objc::Object>();
  if (target && target_.expired())
    NSLog("PSSpecifier: target {} of \"{}\" is not reference-counted; the row has no target", target->description(),
          name_);
}

void PSSpecifier::setValues(platform::Array values, std::vector<std::string> titles,
                            std::vector<std::string> shortTitles) {
  values_ = std::move(values);
  titles_ = std::move(titles);
  shortTitles_ = std::move(shortTitles);
}

std::optional<std::size_t> PSSpecifier::indexOfValue(const platform::Value& value) const {
  for (std::size_t i = 0; i < values_.size(); ++i)
    if (PSValuesEqual(values_[i], value)) return i;
  return std::nullopt;
}

std::optional<std::string> PSSpecifier::titleForValue(const platform::Value& value) const {
  auto index = indexOfValue(value);
  if (!index || *index >= titles_.size()) return std::nullopt;
  return titles_[*index];
}

PSValue PSSpecifier::performGetter() const {
  auto t = target();
  if (!t || !getter_) return std::nullopt;
  if (!t->isa()->lookup(getter_)) {
    NSLog("PSSpecifier: {} does not answer {}; \"{}\" shows no value", t->isa()->name(), getter_->name, name_);
    return std::nullopt;
  }
  return objc::msgSend<PSValue, PSSpecifier*>(t.get(), getter_, const_cast<PSSpecifier*>(this));
}

bool PSSpecifier::performSetterWithValue(PSValue value) {
  auto t = target();
  if (!t || !setter_) {
    NSLog("PSSpecifier: \"{}\" has no target to take its value", name_);
    return false;
  }
  if (!t->isa()->lookup(setter_)) {
    NSLog("PSSpecifier: {} does not answer {}; the value of \"{}\" is not kept", t->isa()->name(), setter_->name,
          name_);
    return false;
  }
  objc::msgSend<void, PSValue, PSSpecifier*>(t.get(), setter_, std::move(value), this);
  return true;
}

std::string PSSpecifier::description() const {
  return fmt::format("<PSSpecifier {}: {} key \"{}\">", fmt::ptr(this), PSCellTypeName(cellType_), key());
}

bool PSValuesEqual(const platform::Value& a, const platform::Value& b) {
  if (a.isNumber() && b.isNumber()) return a.doubleValue() == b.doubleValue();
  return a == b;
}
