#include "platform/runtime/Runtime.h"

#include <fmt/format.h>

namespace objc {
namespace {

struct Registry {
  std::mutex mu;
  std::unordered_map<std::string, std::unique_ptr<Selector>> selectors;
  std::unordered_map<std::string, std::unique_ptr<Class>> classes;
};
Registry& registry() {
  static Registry* r = new Registry();  // lives as long as the process, like the runtime's tables
  return *r;
}

}  // namespace

SEL sel_registerName(std::string_view name) {
  Registry& r = registry();
  std::lock_guard lock(r.mu);
  auto it = r.selectors.find(std::string(name));
  if (it != r.selectors.end()) return it->second.get();
  auto s = std::make_unique<Selector>(Selector{std::string(name)});
  SEL out = s.get();
  r.selectors.emplace(std::string(name), std::move(s));
  return out;
}

IMP Class::lookup(SEL sel) const {
  for (const Class* c = this; c; c = c->super_) {
    std::shared_lock lock(c->mu_);
    auto it = c->methods_.find(sel);
    if (it != c->methods_.end()) return it->second;
  }
  return nullptr;
}

void Class::addMethod(SEL sel, IMP imp) {
  std::unique_lock lock(mu_);
  methods_[sel] = imp;
}

IMP Class::replaceMethod(SEL sel, IMP imp) {
  IMP previous = lookup(sel);
  std::unique_lock lock(mu_);
  auto it = methods_.find(sel);
  if (it != methods_.end()) previous = it->second;
  methods_[sel] = imp;
  return previous;
}

Class* objc_allocateClassPair(Class* superclass, const std::string& name) {
  Registry& r = registry();
  std::lock_guard lock(r.mu);
  auto& slot = r.classes[name];
  if (!slot) slot = std::make_unique<Class>(name, superclass);
  return slot.get();
}

Class* objc_getClass(const std::string& name) {
  Registry& r = registry();
  std::lock_guard lock(r.mu);
  auto it = r.classes.find(name);
  return it == r.classes.end() ? nullptr : it->second.get();
}

Class* NSObjectClass() {
  static Class* root = objc_allocateClassPair(nullptr, "NSObject");
  return root;
}

std::string Object::description() const { return fmt::format("<{}: {}>", isa_->name(), fmt::ptr(this)); }

void Object::declareIvar(const std::string& name, std::any initial) {
  std::lock_guard lock(ivarMu_);
  ivars_[name] = std::move(initial);
}

std::string Object::resolveKey(const std::string& key) const {
  if (ivars_.count(key)) return key;
  if (ivars_.count("_" + key)) return "_" + key;
  return {};
}

void Object::setValueForKey(const std::string& key, std::any value) {
  std::unique_lock lock(ivarMu_);
  std::string name = resolveKey(key);
  if (name.empty()) {
    lock.unlock();
    platform::raise("NSUnknownKeyException",
                    fmt::format("[<{}> setValue:forKey:]: this class is not key value coding-compliant for the key {}.",
                                isa_->name(), key));
  }
  ivars_[name] = std::move(value);
}

std::any Object::valueForKey(const std::string& key) const {
  std::unique_lock lock(ivarMu_);
  std::string name = resolveKey(key);
  if (name.empty()) {
    lock.unlock();
    platform::raise("NSUnknownKeyException",
                    fmt::format("[<{}> valueForKey:]: this class is not key value coding-compliant for the key {}.",
                                isa_->name(), key));
  }
  return ivars_.at(name);
}

void unrecognizedSelector(const Object* self, SEL sel) {
  platform::raise("NSInvalidArgumentException",
                  fmt::format("-[{} {}]: unrecognized selector sent to instance {}", self->isa()->name(), sel->name,
                              fmt::ptr(self)));
}

}  // namespace objc

void MSHookMessageEx(objc::Class* cls, objc::SEL sel, objc::IMP replacement, objc::IMP* previous) {
  if (!cls || !sel || !replacement) return;
  objc::IMP old = cls->replaceMethod(sel, replacement);
  if (previous) *previous = old;
}
