#include "platform/runtime/NSNotification.h"

#include "platform/runtime/RuntimeClass.h"

namespace objc {

OBJC_DEFINE_CLASS(NSNotification, Object)

NSNotification::NSNotification(std::string name, Object* object, platform::Dictionary userInfo)
    : Object(cls()), name_(std::move(name)), object_(object), userInfo_(std::move(userInfo)) {}

NSNotification::NSNotification(Class* isa) : Object(isa) {}

NSNotificationCenter& NSNotificationCenter::defaultCenter() {
  static NSNotificationCenter* center = new NSNotificationCenter();
  return *center;
}

int NSNotificationCenter::addObserver(const std::string& name, Observer observer) {
  std::lock_guard lock(mu_);
  observers_.emplace_back(next_, name, std::move(observer));
  return next_++;
}

void NSNotificationCenter::removeObserver(int token) {
  std::lock_guard lock(mu_);
  std::erase_if(observers_, [&](const auto& o) { return std::get<0>(o) == token; });
}

void NSNotificationCenter::postNotificationName(const std::string& name, Object* object, platform::Dictionary userInfo) {
  NSNotification note(name, object, std::move(userInfo));
  std::vector<Observer> targets;
  {
    std::lock_guard lock(mu_);
    for (const auto& [token, n, fn] : observers_)
      if (n == name) targets.push_back(fn);
  }
  for (const auto& fn : targets) fn(note);
}

}  // namespace objc
