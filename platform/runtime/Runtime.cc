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

std::atomic<std::uint64_t> gMethodGeneration{1};

namespace {
// One lock for every method table: changes are rare (class set-up and hooks), and one lock lets a
// cache be built from a consistent view of a whole superclass chain.
std::mutex& methodLock() {
  static std::mutex* mu = new std::mutex();
  return *mu;
}

std::unique_ptr<MethodCache> buildCache(const std::unordered_map<SEL, IMP>& resolved, std::uint64_t generation) {
  auto cache = std::make_unique<MethodCache>();
  cache->generation = generation;
  std::size_t capacity = 8;
  while (capacity < resolved.size() * 2 + 1) capacity *= 2;
  cache->mask = capacity - 1;
  cache->slots.assign(capacity, {nullptr, nullptr});
  for (const auto& [sel, imp] : resolved) {
    std::size_t i = MethodCache::hash(sel) & cache->mask;
    while (cache->slots[i].first) i = (i + 1) & cache->mask;
    cache->slots[i] = {sel, imp};
  }
  return cache;
}
}  // namespace

IMP Class::lookupSlow(SEL sel) const {
  std::lock_guard lock(methodLock());
  // Read under the lock: every change bumps the generation while holding it, so the cache built
  // here is exact for this generation.
  std::uint64_t generation = gMethodGeneration.load(std::memory_order_relaxed);
  const MethodCache* current = cache_.load(std::memory_order_relaxed);
  if (current && current->generation == generation) return current->find(sel);

  std::unordered_map<SEL, IMP> resolved;
  for (const Class* c = this; c; c = c->super_)
    for (const auto& [s, imp] : c->methods_) resolved.emplace(s, imp);  // the nearest class wins
  auto cache = buildCache(resolved, generation);
  IMP found = cache->find(sel);
  cache_.store(cache.get(), std::memory_order_release);
  retired_.push_back(std::move(cache));
  return found;
}

void Class::addMethod(SEL sel, IMP imp) {
  std::lock_guard lock(methodLock());
  methods_[sel] = imp;
  gMethodGeneration.fetch_add(1, std::memory_order_release);
}

IMP Class::replaceMethod(SEL sel, IMP imp) {
  std::lock_guard lock(methodLock());
  IMP previous = nullptr;
  for (const Class* c = this; c && !previous; c = c->super_) {
    auto it = c->methods_.find(sel);
    if (it != c->methods_.end()) previous = it->second;
  }
  methods_[sel] = imp;
  gMethodGeneration.fetch_add(1, std::memory_order_release);
  return previous;
}

bool Class::isSubclassOf(const Class* other) const {
  for (const Class* c = this; c; c = c->super_)
    if (c == other) return true;
  return false;
}

void Class::setAllocator(Allocator allocator) { allocator_.store(allocator, std::memory_order_release); }

Allocator Class::allocator() const {
  for (const Class* c = this; c; c = c->super_)
    if (Allocator a = c->allocator_.load(std::memory_order_acquire)) return a;
  return nullptr;
}

id class_createInstance(Class* cls) {
  if (!cls) return nullptr;
  if (Allocator a = cls->allocator()) return a(cls);
  return std::make_shared<Object>(cls);
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

namespace {
Object* initImp(Object* self, SEL) { return self; }
std::string descriptionImp(Object* self, SEL) { return self->description(); }
}  // namespace

Class* NSObjectClass() {
  static Class* root = [] {
    Class* c = objc_allocateClassPair(nullptr, "NSObject");
    c->addMethod(sel("init"), imp_cast(&initImp));
    c->addMethod(sel("description"), imp_cast(&descriptionImp));
    return c;
  }();
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
  // A C string literal arrives as const char*; instance variables of text hold std::string.
  if (const char* const* text = std::any_cast<const char*>(&value)) value = std::string(*text ? *text : "");
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
