// Alerts, presentation and tapping controls by their titles.
#include <gtest/gtest.h>

#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

std::shared_ptr<UIWindow> visibleWindow(UIWindowLevel level = UIWindowLevelNormal) {
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  window->setWindowLevel(level);
  window->makeKeyAndVisible();
  return window;
}

struct CountingAlert {
  std::shared_ptr<UIAlertController> alert;
  int ok = 0;
  int cancel = 0;
};

std::unique_ptr<CountingAlert> presentOkCancel(const std::shared_ptr<UIWindow>& window) {
  auto counting = std::make_unique<CountingAlert>();
  auto* c = counting.get();
  c->alert = UIAlertController::alertControllerWithTitle("Title", "Message", UIAlertControllerStyleAlert);
  c->alert->addAction(UIAlertAction::actionWithTitle("Cancel", UIAlertActionStyleCancel, [c](UIAlertAction*) { ++c->cancel; }));
  c->alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault, [c](UIAlertAction*) { ++c->ok; }));
  window->rootViewController()->presentViewController(c->alert, true, nullptr);
  return counting;
}

}  // namespace

class AlertTapTest : public SmallPhoneTest {};

TEST_F(AlertTapTest, TappingOkRunsOnlyItsHandlerOnceAndDismissesTheAlert) {
  auto window = visibleWindow();
  auto c = presentOkCancel(window);
  ASSERT_EQ(window->rootViewController()->presentedViewController(), c->alert);

  EXPECT_TRUE(platform::tapControlWithTitle("OK"));
  EXPECT_EQ(c->ok, 1);
  EXPECT_EQ(c->cancel, 0);
  EXPECT_EQ(window->rootViewController()->presentedViewController(), nullptr);
  EXPECT_EQ(c->alert->presentingViewController(), nullptr);

  // The alert is gone: its buttons can no longer be reached.
  EXPECT_FALSE(platform::tapControlWithTitle("OK"));
  EXPECT_FALSE(platform::tapControlWithTitle("Cancel"));
  EXPECT_EQ(c->ok, 1);
}

TEST_F(AlertTapTest, HandlerRunsAfterTheAlertIsDismissedAndReceivesItsAction) {
  auto window = visibleWindow();
  auto alert = UIAlertController::alertControllerWithTitle("T", "", UIAlertControllerStyleAlert);
  std::shared_ptr<UIViewController> presentedDuringHandler = alert;
  std::string receivedTitle;
  auto root = window->rootViewController();
  alert->addAction(UIAlertAction::actionWithTitle("Go", UIAlertActionStyleDefault, [&](UIAlertAction* action) {
    presentedDuringHandler = root->presentedViewController();
    receivedTitle = action->title();
  }));
  root->presentViewController(alert, true, nullptr);

  ASSERT_TRUE(platform::tapControlWithTitle("Go"));
  EXPECT_EQ(presentedDuringHandler, nullptr);
  EXPECT_EQ(receivedTitle, "Go");
}

TEST_F(AlertTapTest, TitlesThatNoControlHasAreNotTapped) {
  auto window = visibleWindow();
  auto c = presentOkCancel(window);
  for (const char* title : {"Nope", "", "ok", "OK ", "Title", "Message"}) {
    SCOPED_TRACE(title);
    EXPECT_FALSE(platform::tapControlWithTitle(title));
  }
  EXPECT_EQ(c->ok + c->cancel, 0);
  EXPECT_EQ(window->rootViewController()->presentedViewController(), c->alert);
}

TEST_F(AlertTapTest, NothingIsTappedWithoutAVisibleWindow) {
  EXPECT_FALSE(platform::tapControlWithTitle("OK"));
  auto window = visibleWindow();
  auto c = presentOkCancel(window);
  window->setHidden(true);
  EXPECT_FALSE(platform::tapControlWithTitle("OK"));
  EXPECT_EQ(c->ok, 0);
}

TEST_F(AlertTapTest, DisabledActionIsNotTapped) {
  auto window = visibleWindow();
  auto c = presentOkCancel(window);
  c->alert->actions()[1]->setEnabled(false);
  EXPECT_FALSE(platform::tapControlWithTitle("OK"));
  EXPECT_EQ(c->ok, 0);
  EXPECT_EQ(window->rootViewController()->presentedViewController(), c->alert);
}

TEST_F(AlertTapTest, AlertCoversTheControlsBeneathIt) {
  auto window = visibleWindow();
  int taps = 0;
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setTitle("Refresh");
  button->addHandler([&](UIControl*) { ++taps; }, UIControlEventTouchUpInside);
  window->rootViewController()->view()->addSubview(button);

  auto c = presentOkCancel(window);
  EXPECT_FALSE(platform::tapControlWithTitle("Refresh"));
  ASSERT_TRUE(platform::tapControlWithTitle("Cancel"));
  EXPECT_EQ(c->cancel, 1);
  EXPECT_TRUE(platform::tapControlWithTitle("Refresh"));
  EXPECT_EQ(taps, 1);
}

TEST_F(AlertTapTest, OnlyTheTopmostWindowReceivesTaps) {
  auto below = visibleWindow(UIWindowLevelNormal);
  auto belowAlert = presentOkCancel(below);
  auto above = visibleWindow(UIWindowLevelAlert + 1.0);
  auto aboveAlert = presentOkCancel(above);
  // The lower window was made visible first but the level decides.
  ASSERT_TRUE(platform::tapControlWithTitle("OK"));
  EXPECT_EQ(aboveAlert->ok, 1);
  EXPECT_EQ(belowAlert->ok, 0);

  above->setHidden(true);
  ASSERT_TRUE(platform::tapControlWithTitle("OK"));
  EXPECT_EQ(belowAlert->ok, 1);
}

TEST_F(AlertTapTest, AWindowKeptOnlyByItsAlertsHandlerIsFreedAfterTheTap) {
  std::weak_ptr<UIWindow> weakWindow;
  {
    auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
    window->setRootViewController(UIViewController::create());
    window->setWindowLevel(UIWindowLevelAlert + 1.0);
    auto alert = UIAlertController::alertControllerWithTitle("Welcome", "Hello", UIAlertControllerStyleAlert);
    alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault,
                                                    [window](UIAlertAction*) { window->setHidden(true); }));
    window->makeKeyAndVisible();
    window->rootViewController()->presentViewController(alert, true, nullptr);
    weakWindow = window;
  }
  ASSERT_FALSE(weakWindow.expired()) << "the handler's reference keeps the notice on screen";
  EXPECT_EQ(UIApplication::sharedApplication().keyWindow(), weakWindow.lock());

  ASSERT_TRUE(platform::tapControlWithTitle("OK"));
  EXPECT_TRUE(weakWindow.expired());
  EXPECT_TRUE(UIApplication::sharedApplication().windows().empty());
}

TEST_F(AlertTapTest, ASecondCancelActionIsRefused) {
  auto alert = UIAlertController::alertControllerWithTitle("T", "M", UIAlertControllerStyleActionSheet);
  alert->addAction(UIAlertAction::actionWithTitle("Cancel", UIAlertActionStyleCancel, nullptr));
  alert->addAction(UIAlertAction::actionWithTitle("Also cancel", UIAlertActionStyleCancel, nullptr));
  alert->addAction(UIAlertAction::actionWithTitle("Delete", UIAlertActionStyleDestructive, nullptr));
  alert->addAction(nullptr);
  ASSERT_EQ(alert->actions().size(), 2u);
  EXPECT_EQ(alert->actions()[1]->title(), "Delete");
}

TEST_F(AlertTapTest, ActionWithoutHandlerStillDismisses) {
  auto window = visibleWindow();
  auto alert = UIAlertController::alertControllerWithTitle("", "", UIAlertControllerStyleActionSheet);
  alert->addAction(UIAlertAction::actionWithTitle("Close", UIAlertActionStyleCancel, nullptr));
  window->rootViewController()->presentViewController(alert, false, nullptr);
  EXPECT_TRUE(platform::tapControlWithTitle("Close"));
  EXPECT_EQ(window->rootViewController()->presentedViewController(), nullptr);
}

// Both styles lay their text out the same way: a message too long for the screen is cut, the
// title and the first line stay, and every button stays on screen and takes its tap.
TEST_F(AlertTapTest, AnEndlessMessageIsCutSoTheButtonsStayOnScreen) {
  std::string endless;
  for (int i = 0; i < 300; ++i) endless += "Line " + std::to_string(i) + "\n";
  const CGRect screen = UIScreen::mainScreen().bounds();
  for (auto style : {UIAlertControllerStyleAlert, UIAlertControllerStyleActionSheet}) {
    SCOPED_TRACE(style == UIAlertControllerStyleAlert ? "alert" : "sheet");
    auto window = visibleWindow();
    auto alert = UIAlertController::alertControllerWithTitle("Title", endless, style);
    int taps = 0;
    for (const char* title : {"Keep", "Delete"})
      alert->addAction(UIAlertAction::actionWithTitle(title, UIAlertActionStyleDefault, [&](UIAlertAction*) { ++taps; }));
    alert->addAction(UIAlertAction::actionWithTitle("Cancel", UIAlertActionStyleCancel, nullptr));
    window->rootViewController()->presentViewController(alert, false, nullptr);
    alert->layoutInBounds(screen);

    const CGRect panel = alert->panelFrame();
    EXPECT_GE(panel.minY(), 0);
    EXPECT_LE(panel.maxY(), screen.height());
    int found = 0;
    for (const auto& element : platform::accessibilityElements()) {
      if (element.label == "Title" || element.label.rfind("Line 0\n", 0) == 0) ++found;
      if (element.label != "Keep" && element.label != "Delete" && element.label != "Cancel") continue;
      ++found;
      EXPECT_GE(element.frame.minY(), 0) << element.label;
      EXPECT_LE(element.frame.maxY(), screen.height()) << element.label;
    }
    EXPECT_EQ(found, 5) << "the title, the message and three buttons";
    EXPECT_TRUE(platform::tapControlWithTitle("Delete"));
    EXPECT_EQ(taps, 1);
  }
}

class PresentationTest : public SmallPhoneTest {};

TEST_F(PresentationTest, APresenterShowsOneControllerAtATime) {
  auto root = UIViewController::create();
  auto first = UIViewController::create();
  auto second = UIViewController::create();
  int completions = 0;
  root->presentViewController(first, true, [&] { ++completions; });
  root->presentViewController(second, true, [&] { ++completions; });
  EXPECT_EQ(root->presentedViewController(), first);
  EXPECT_EQ(completions, 1);

  // A controller cannot present its own presenter, nor one already shown elsewhere.
  first->presentViewController(root, true, nullptr);
  EXPECT_EQ(first->presentedViewController(), nullptr);
  second->presentViewController(first, true, nullptr);
  EXPECT_EQ(second->presentedViewController(), nullptr);

  first->presentViewController(second, true, nullptr);
  EXPECT_EQ(root->topPresentedViewController(), second);
}

TEST_F(PresentationTest, DismissingFromThePresenterRemovesTheWholeChain) {
  auto root = UIViewController::create();
  auto middle = UIViewController::create();
  auto top = UIViewController::create();
  root->presentViewController(middle, false, nullptr);
  middle->presentViewController(top, false, nullptr);

  bool done = false;
  top->dismissViewControllerAnimated(false, [&] { done = true; });  // its presenter dismisses it
  EXPECT_TRUE(done);
  EXPECT_EQ(middle->presentedViewController(), nullptr);
  EXPECT_EQ(root->presentedViewController(), middle);

  middle->presentViewController(top, false, nullptr);
  root->dismissViewControllerAnimated(false, nullptr);
  EXPECT_EQ(root->presentedViewController(), nullptr);
  EXPECT_EQ(middle->presentingViewController(), nullptr);
  EXPECT_EQ(top->presentingViewController(), nullptr);
}

class WindowListTest : public SmallPhoneTest {};

TEST_F(WindowListTest, WindowsAreOrderedByLevelThenByWhenTheyBecameVisible) {
  auto alertLevel = visibleWindow(UIWindowLevelAlert);
  auto normalA = visibleWindow(UIWindowLevelNormal);
  auto normalB = visibleWindow(UIWindowLevelNormal);
  auto never = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());

  using List = std::vector<std::shared_ptr<UIWindow>>;
  EXPECT_EQ(UIApplication::sharedApplication().windows(), (List{normalA, normalB, alertLevel}));
  EXPECT_EQ(UIApplication::sharedApplication().keyWindow(), normalB);
  EXPECT_TRUE(normalB->isKeyWindow());

  normalA->setHidden(true);
  normalA->setHidden(false);
  EXPECT_EQ(UIApplication::sharedApplication().windows(), (List{normalB, normalA, alertLevel}));

  normalB->setHidden(true);
  EXPECT_EQ(UIApplication::sharedApplication().keyWindow(), nullptr) << "a hidden window is not key";
}

namespace {
int gTargetCalls = 0;
objc::Object* gLastSender = nullptr;
void refreshTapped(objc::Object*, objc::SEL, objc::Object* sender) {
  ++gTargetCalls;
  gLastSender = sender;
}
}  // namespace

TEST_F(WindowListTest, ButtonsSendToTargetsThroughTheRuntimeAndSurviveOnesThatDoNotAnswer) {
  objc::Class* cls = objc::objc_allocateClassPair(objc::NSObjectClass(), "UIKitTestTarget");
  cls->addMethod(objc::sel("refreshTapped:"), objc::imp_cast(&refreshTapped));
  auto target = std::make_shared<objc::Object>(cls);
  auto window = visibleWindow();
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setTitle("Refresh");
  button->addTarget(target, objc::sel("noSuchMethod:"), UIControlEventTouchUpInside);
  button->addTarget(target, objc::sel("refreshTapped:"), UIControlEventTouchUpInside);
  button->addTarget(target, objc::sel("refreshTapped:"), UIControlEventValueChanged);
  window->rootViewController()->view()->addSubview(button);

  gTargetCalls = 0;
  ASSERT_TRUE(platform::tapControlWithTitle("Refresh"));
  EXPECT_EQ(gTargetCalls, 1);
  EXPECT_EQ(gLastSender, button.get());

  button->setHidden(true);
  EXPECT_FALSE(platform::tapControlWithTitle("Refresh"));
  button->setHidden(false);
  target.reset();  // targets are held weakly
  EXPECT_TRUE(platform::tapControlWithTitle("Refresh"));
  EXPECT_EQ(gTargetCalls, 1);
}
