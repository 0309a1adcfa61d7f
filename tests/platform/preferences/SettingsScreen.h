#pragma once
// A settings list shown on a phone inside a navigation stack, read as a screen reader reads it and
// tapped where a finger would touch; and the pane bundle its specifier file comes from.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "platform/preferences/PSListController.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"

inline constexpr const char* kTestBundle = "/Library/PreferenceBundles/Test.bundle";

// Writes "<bundle>/<name>.plist" (XML, or binary as devices also write them).
inline void writeSpecifierFile(const std::string& name, const platform::Dictionary& plist, bool binary = false) {
  ASSERT_TRUE(platform::createDirectoryAtPath(kTestBundle));
  ASSERT_TRUE(platform::writeFile(platform::stringByAppendingPathComponent(kTestBundle, name + ".plist"),
                                  binary ? platform::binaryPropertyList(plist) : platform::xmlPropertyList(plist)));
}

// [[cls alloc] init], as the Settings app makes a pane's principal class, with the test bundle.
template <typename T = PSListController>
std::shared_ptr<T> makeController(objc::Class* cls) {
  auto made = std::dynamic_pointer_cast<T>(objc::class_createInstance(cls));
  EXPECT_TRUE(made) << cls->name();
  if (!made) return nullptr;
  made->setBundlePath(kTestBundle);
  EXPECT_EQ(objc::msgSend<objc::Object*>(made.get(), objc::sel("init")), made.get());
  return made;
}

struct SettingsScreen {
  std::shared_ptr<UINavigationController> navigation;
  std::shared_ptr<UIWindow> window;

  explicit SettingsScreen(const std::shared_ptr<UIViewController>& root) {
    navigation = UINavigationController::initWithRootViewController(root);
    window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    window->layoutIfNeeded();
  }

  std::shared_ptr<UIViewController> top() const { return navigation->topViewController(); }

  std::vector<UIAccessibilityElement> elements() {
    window->layoutIfNeeded();
    return platform::accessibilityElements();
  }
  std::vector<std::string> labels() {
    std::vector<std::string> out;
    for (const auto& e : elements()) out.push_back(e.label);
    return out;
  }
  std::optional<UIAccessibilityElement> find(const std::string& label) {
    for (auto& e : elements())
      if (e.label == label) return e;
    return std::nullopt;
  }
  bool shows(const std::string& label) { return find(label).has_value(); }

  // A finger on the middle of the element of that label; an element out of sight is scrolled to
  // first, as a person scrolls before tapping.
  bool tap(const std::string& label) {
    auto element = find(label);
    if (!element) {
      ADD_FAILURE() << "no element \"" << label << "\" on the screen";
      return false;
    }
    CGRect screen = UIScreen::mainScreen().bounds();
    CGPoint middle{element->frame.midX(), element->frame.midY()};
    if (!CGRectContainsPoint(screen, middle) || middle.y < navigation->contentTop())
      return element->activate && element->activate();
    return platform::tapAtPoint(middle) != nullptr;
  }
  // A finger on the middle of a view (a switch, a segment, a slider's track at `fraction`).
  bool tapView(UIView* view, double fraction = 0.5) {
    window->layoutIfNeeded();
    CGRect r = view->convertRectToView(view->bounds(), nullptr);
    return platform::tapAtPoint(CGPoint{r.minX() + r.width() * fraction, r.midY()}) != nullptr;
  }
  // A finger on the navigation bar's back button.
  bool goBack() {
    for (const auto& e : elements())
      if (e.identifier == "Back") return platform::tapAtPoint(CGPoint{e.frame.midX(), e.frame.midY()}) != nullptr;
    ADD_FAILURE() << "no back button on the screen";
    return false;
  }
};
