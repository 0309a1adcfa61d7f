#pragma once
// A C++ class that stands for a runtime class: it states the runtime name and the superclass once,
// and the class is defined from that, with the allocator that makes instances of the C++ class and
// the methods the class answers through the runtime.
//
// In the class:      static objc::Class* cls();
//                    explicit MyCell(objc::Class* isa = MyCell::cls()) : PSTableCell(isa) {}
// In its .cc file:   OBJC_DEFINE_CLASS(MyCell, PSTableCell, objc::method("tapped:", &tappedImp))
//
// MyCell::cls() then defines the runtime class "MyCell", a subclass of PSTableCell::cls(), on its
// first call and returns it ever after; [[MyCell alloc] init] is objc::createInstance<MyCell>().
// The superclass is named by its C++ class (objc::Object for NSObject), and the C++ class must
// derive from it: a runtime superclass whose instances the C++ class could not stand in for does
// not compile. The methods are
// objc::method entries or tables of them (std::array<objc::Method, N>), added in order.
//
// A class whose runtime name is not its C++ name (a test's, a second runtime class made of one C++
// class) calls objc::defineClass<T, Super>("Name", methods...) itself and keeps what it returns.
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/runtime/Runtime.h"

namespace objc {

// One row of a method table: the selector and the implementation that answers it.
struct Method {
  SEL selector;
  IMP imp;
};

// The implementation's first two parameters are checked here, so that a function that is not an
// IMP (one that forgot `SEL _cmd`, say) does not compile rather than crashing at the first send.
template <typename R, typename... Args>
Method method(std::string_view selector, R (*imp)(Object*, SEL, Args...)) {
  return {sel(selector), imp_cast(imp)};
}

// The runtime class of a C++ class: its cls(), or the root class for objc::Object itself.
template <typename T>
Class* runtimeClassOf() {
  if constexpr (std::is_same_v<T, Object>) return NSObjectClass();
  else return T::cls();
}

namespace detail {
inline void addMethods(Class* cls, const Method& method) { cls->addMethod(method.selector, method.imp); }
template <std::size_t N>
void addMethods(Class* cls, const std::array<Method, N>& table) {
  for (const Method& method : table) addMethods(cls, method);
}
}  // namespace detail

// Defines the runtime class `name`, a subclass of Super's runtime class, whose instances are Ts,
// with the given methods; a class of that name already defined is the one completed and returned.
template <typename T, typename Super, typename... Methods>
Class* defineClass(const std::string& name, const Methods&... methods) {
  static_assert(std::is_base_of_v<Super, T>, "a runtime class's C++ class derives from its superclass's C++ class");
  static_assert(std::is_constructible_v<T, Class*>, "the allocator makes a T from its runtime class: T(objc::Class*)");
  Class* cls = objc_allocateClassPair(runtimeClassOf<Super>(), name);
  cls->setAllocator(&allocateInstance<T>);
  (detail::addMethods(cls, methods), ...);
  return cls;
}

// [[T alloc] init]: a new T made through the runtime, so that its class is T::cls().
template <typename T>
std::shared_ptr<T> createInstance() {
  // T::cls() was defined with allocateInstance<T>, so what it makes is a T.
  return std::static_pointer_cast<T>(class_createInstance(T::cls()));
}

}  // namespace objc

// Defines T::cls() (declared in T) as the runtime class named T; see the top of this file.
#define OBJC_DEFINE_CLASS(T, Super, ...)                                                           \
  objc::Class* T::cls() {                                                                          \
    static objc::Class* const registered = objc::defineClass<T, Super>(#T __VA_OPT__(, ) __VA_ARGS__); \
    return registered;                                                                             \
  }
