#include "platform/runtime/Runtime.h"

#include <fmt/format.h>

#include <unordered_set>

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

namespace {
// One lock for every method table: changes are rare (class set-up and hooks), and one lock lets a
// cache be built from a consistent view of a whole superclass chain.
std::mutex& methodLock() {
  static std::mutex* mu = new std::mutex();
  return *mu;
}

// Every class of the process, so that a change can drop their caches. Guarded by the method lock.
std::unordered_set<Class*>& allClasses() {
  static auto* classes = new std::unordered_set<Class*>();
  return *classes;
}

std::unique_ptr<MethodCache> buildCache(const std::unordered_map<SEL, IMP>& resolved) {
  auto cache = std::make_unique<MethodCache>();
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

// Called with the method lock held, after a table changed. A send that loaded a cache just before
// may still finish with the old implementation, as a send that began before the change; the old
// cache therefore stays allocated (retired_), and every send that starts afterwards rebuilds.
void dropMethodCaches() {
  for (Class* c : allClasses()) c->cache_.store(nullptr, std::memory_order_release);
}

Class::Class(std::string name, Class* superclass) : name_(std::move(name)), super_(superclass) {
  std::lock_guard lock(methodLock());
  allClasses().insert(this);
}

Class::~Class() {
  std::lock_guard lock(methodLock());
  allClasses().erase(this);
}

IMP Class::lookupSlow(SEL sel) const {
  std::lock_guard lock(methodLock());
  // Tables change only under this lock, so the cache built here is exact until the next change,
  // which drops it again.
  if (const MethodCache* current = cache_.load(std::memory_order_relaxed)) return current->find(sel);

  std::unordered_map<SEL, IMP> resolved;
  for (const Class* c = this; c; c = c->super_)
    for (const auto& [s, imp] : c->methods_) resolved.emplace(s, imp);  // the nearest class wins
  auto cache = buildCache(resolved);
  IMP found = cache->find(sel);
  cache_.store(cache.get(), std::memory_order_release);
  retired_.push_back(std::move(cache));
  return found;
}

void Class::addMethod(SEL sel, IMP imp) {
  std::lock_guard lock(methodLock());
  methods_[sel] = imp;
  dropMethodCaches();
}

IMP Class::replaceMethod(SEL sel, IMP imp) {
  std::lock_guard lock(methodLock());
  IMP previous = nullptr;
  for (const Class* c = this; c && !previous; c = c->super_) {
    auto it = c->methods_.find(sel);
    if (it != c->methods_.end()) previous = it->second;
  }
  methods_[sel] = imp;
  dropMethodCaches();
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
