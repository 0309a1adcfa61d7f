#pragma once
// NSNotification and the default NSNotificationCenter.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "platform/runtime/Runtime.h"

namespace objc {

class NSNotification : public Object {
 public:
  static Class* cls();
  NSNotification(std::string name, Object* object, platform::Dictionary userInfo);
  // A notification made by name, with no name, object or user info.
  explicit NSNotification(Class* isa);
  const std::string& name() const { return name_; }
  Object* object() const { return object_; }
  const platform::Dictionary& userInfo() const { return userInfo_; }

 private:
  std::string name_;
  Object* object_ = nullptr;
  platform::Dictionary userInfo_;
};

class NSNotificationCenter {
 public:
  using Observer = std::function<void(const NSNotification&)>;
  static NSNotificationCenter& defaultCenter();
  // Returns a token for removeObserver.
  int addObserver(const std::string& name, Observer observer);
  void removeObserver(int token);
  void postNotificationName(const std::string& name, Object* object, platform::Dictionary userInfo = {});

 private:
  std::mutex mu_;
  int next_ = 1;
  std::vector<std::tuple<int, std::string, Observer>> observers_;
};

}  // namespace objc
