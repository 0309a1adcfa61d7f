#pragma once
// The Objective-C runtime, as much of it as SpringBoard and the engine use: classes found by name,
// interned selectors, per-class tables of replaceable method implementations, a typed message send,
// and key-value coding on named instance variables.
//
// An implementation (IMP) is a plain function whose first two parameters are the receiver and the
// selector: `R imp(objc::Object* self, objc::SEL _cmd, Args...)`. The sender names the types it
// sends (`msgSend<R, Args...>`); the implementation must have exactly that signature, as in C.
#include <any>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/foundation/NSException.h"

namespace objc {

class Class;
class Object;

struct Selector {
  std::string name;
};
using SEL = const Selector*;
using IMP = void (*)();

// Interned: the same name always yields the same pointer, so tables hash a pointer, not a string.
SEL sel_registerName(std::string_view name);
inline SEL sel(std::string_view name) { return sel_registerName(name); }

using id = std::shared_ptr<Object>;
// Makes an instance of `cls` (which may be a subclass of the class that registered the allocator).
using Allocator = id (*)(Class* cls);

// Every send goes through Class::lookup, so the hit path is kept to one atomic load and a probe
// of a flat table. A class's cache holds every implementation a send to it can reach (inherited
// ones resolved), so a probe that misses means "no such method" without walking the superclasses.
// Any change to any method table drops the cache of every class (changes are rare: class set-up
// and hooks), so a hook on a superclass reaches its subclasses' next sends.
struct MethodCache {
  std::size_t mask = 0;                       // capacity - 1, capacity a power of two
  std::vector<std::pair<SEL, IMP>> slots;     // open addressing; an empty slot has a null SEL

  IMP find(SEL sel) const {
    for (std::size_t i = hash(sel) & mask;; i = (i + 1) & mask) {
      const auto& slot = slots[i];
      if (slot.first == sel) return slot.second;
      if (!slot.first) return nullptr;
    }
  }
  static std::size_t hash(SEL sel) {
    auto v = reinterpret_cast<std::uintptr_t>(sel);
    // Selectors are small heap objects allocated apart; the low bits of the address say nothing.
    return static_cast<std::size_t>(v >> 4);
  }
};

class Class {
 public:
  Class(std::string name, Class* superclass);
  ~Class();
  Class(const Class&) = delete;
  Class& operator=(const Class&) = delete;
  const std::string& name() const { return name_; }
  Class* superclass() const { return super_; }

  // This class's implementation or the nearest superclass's; nullptr when none.
  IMP lookup(SEL sel) const {
    const MethodCache* cache = cache_.load(std::memory_order_acquire);
    return cache ? cache->find(sel) : lookupSlow(sel);
  }
  void addMethod(SEL sel, IMP imp);
  // Installs `imp` for `sel` on this class and returns what a send reached before (its own or an
  // inherited implementation), as method_setImplementation / class_replaceMethod do.
  IMP replaceMethod(SEL sel, IMP imp);
  // True when this class is `other` or descends from it.
  bool isSubclassOf(const Class* other) const;

  // +alloc: how instances of this class and its subclasses are made. Without one, the nearest
  // superclass's is used, and a class with none anywhere makes a plain Object.
  void setAllocator(Allocator allocator);
  Allocator allocator() const;

 private:
  IMP lookupSlow(SEL sel) const;
  friend void dropMethodCaches();
  std::string name_;
  Class* super_;
  std::unordered_map<SEL, IMP> methods_;  // guarded by the runtime's method lock
  std::atomic<Allocator> allocator_{nullptr};
  mutable std::atomic<const MethodCache*> cache_{nullptr};
  // Caches a send may still be reading; kept until the class goes away with the process.
  mutable std::vector<std::unique_ptr<MethodCache>> retired_;
};

// Defines a class (or returns the existing one of that name). Classes live for the process.
Class* objc_allocateClassPair(Class* superclass, const std::string& name);
// The class of that name, or nullptr (a null class) when the process has none.
Class* objc_getClass(const std::string& name);
// The root class every object descends from. It answers `init` (returns the receiver) and
// `description` (a std::string).
Class* NSObjectClass();

class Object : public std::enable_shared_from_this<Object> {
 public:
  explicit Object(Class* cls = NSObjectClass()) : isa_(cls) {}
  virtual ~Object() = default;
  Class* isa() const { return isa_; }
  virtual std::string description() const;

  // setValue:forKey: / valueForKey: on instance variables: the key names the variable as it is
  // ("_path") or without its underscore ("path"). An unknown key raises NSUnknownKeyException.
  void setValueForKey(const std::string& key, std::any value);
  std::any valueForKey(const std::string& key) const;

 protected:
  // Declares an instance variable that key-value coding can reach.
  void declareIvar(const std::string& name, std::any initial);
  template <typename T>
  T ivar(const std::string& name) const {
    std::lock_guard lock(ivarMu_);
    auto it = ivars_.find(name);
    if (it == ivars_.end()) return T{};
    const T* v = std::any_cast<T>(&it->second);
    return v ? *v : T{};
  }

 private:
  std::string resolveKey(const std::string& key) const;
  Class* isa_;
  mutable std::mutex ivarMu_;
  std::unordered_map<std::string, std::any> ivars_;
};

// [[cls alloc] ...]: a new instance made by the class's allocator; nullptr for a null class.
id class_createInstance(Class* cls);

[[noreturn]] void unrecognizedSelector(const Object* self, SEL sel);

// objc_msgSend with the types spelled out by the sender. A nil receiver returns R{}, as sending to
// nil does; an unknown selector raises NSInvalidArgumentException.
template <typename R, typename... Args>
R msgSend(Object* self, SEL sel, Args... args) {
  if (!self) {
    if constexpr (std::is_void_v<R>) return;
    else return R{};
  }
  IMP imp = self->isa()->lookup(sel);
  if (!imp) unrecognizedSelector(self, sel);
  return reinterpret_cast<R (*)(Object*, SEL, Args...)>(imp)(self, sel, std::forward<Args>(args)...);
}

// Calls the implementation a hook replaced, with the types the hooked method has (the same
// signature as the replacement): `callPrevious<void, Object*>(orig, self, _cmd, sender)`. Args are
// spelled out, as for msgSend, so that a reference parameter stays a reference. A null previous
// (the class had no such method when the hook went in) calls nothing and returns R{}.
template <typename R, typename... Args>
R callPrevious(IMP previous, Object* self, SEL _cmd, std::type_identity_t<Args>... args) {
  if (!previous) {
    if constexpr (std::is_void_v<R>) return;
    else return R{};
  }
  return reinterpret_cast<R (*)(Object*, SEL, Args...)>(previous)(self, _cmd, std::forward<Args>(args)...);
}

// An allocator that makes a T (constructed from the class it is made for), so that
// class_createInstance yields the C++ class; RuntimeClass.h installs it for every class it defines.
template <typename T>
id allocateInstance(Class* cls) {
  return std::make_shared<T>(cls);
}

// Casts an implementation function to an IMP for the tables.
template <typename F>
IMP imp_cast(F* fn) {
  return reinterpret_cast<IMP>(fn);
}

}  // namespace objc

// CydiaSubstrate's method hook: replaces `sel` on `cls` and stores the previous implementation in
// `*previous` (when given). A null class installs nothing and leaves `*previous` untouched.
void MSHookMessageEx(objc::Class* cls, objc::SEL sel, objc::IMP replacement, objc::IMP* previous);
