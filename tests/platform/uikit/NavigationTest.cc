// Navigation stacks: pushes and pops with their appearance callbacks, the bar's title, back button
// and items, and reaching them as a finger and a screen reader do.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UINavigationItem.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITableViewController.h"
#include "platform/uikit/UITouchDelivery.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

using Log = std::vector<std::string>;

class RecordingController : public UIViewController {
 public:
  RecordingController(std::string name, Log* log) : name_(std::move(name)), log_(log) { setTitle(name_); }

 protected:
  void viewDidLoad() override { note("viewDidLoad"); }
  void viewWillAppear(bool animated) override {
    UIViewController::viewWillAppear(animated);
    note("viewWillAppear");
  }
  void viewDidAppear(bool animated) override {
    UIViewController::viewDidAppear(animated);
    note("viewDidAppear");
  }
  void viewWillDisappear(bool animated) override {
    UIViewController::viewWillDisappear(animated);
    note("viewWillDisappear");
  }
  void viewDidDisappear(bool animated) override {
    UIViewController::viewDidDisappear(animated);
    note("viewDidDisappear");
  }

 private:
  void note(const char* what) { log_->push_back(name_ + "." + what); }
  std::string name_;
  Log* log_;
};

std::shared_ptr<UIViewController> titled(const std::string& title) {
  auto c = UIViewController::create();
  c->setTitle(title);
  return c;
}

std::shared_ptr<UIWindow> showInWindow(const std::shared_ptr<UIViewController>& root) {
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  window->layoutIfNeeded();
  return window;
}

const UIAccessibilityElement* findElement(const std::vector<UIAccessibilityElement>& elements, const std::string& label) {
  auto it = std::find_if(elements.begin(), elements.end(), [&](const auto& e) { return e.label == label; });
  return it == elements.end() ? nullptr : &*it;
}

// A runtime class whose "addPressed:" counts its sends, as a pane's controller would answer it.
struct PressCounter : objc::Object {
  explicit PressCounter(objc::Class* cls) : objc::Object(cls) {}
  int presses = 0;
  static void addPressed(objc::Object* self, objc::SEL, objc::Object*) { ++static_cast<PressCounter*>(self)->presses; }
  static std::shared_ptr<PressCounter> make() {
    static objc::Class* cls = objc::defineClass<PressCounter, objc::Object>(
        "TestPressCounter", objc::method("addPressed:", &PressCounter::addPressed));
    return std::make_shared<PressCounter>(cls);
  }
};

}  // namespace

class NavigationTest : public SmallPhoneTest {};

TEST_F(NavigationTest, AppearanceCallbacksComeOnceEachInOrder) {
  Log log;
  auto a = std::make_shared<RecordingController>("A", &log);
  auto b = std::make_shared<RecordingController>("B", &log);
  auto c = std::make_shared<RecordingController>("C", &log);
  auto nav = UINavigationController::initWithRootViewController(a);
  std::shared_ptr<UIWindow> window;

  struct Step {
    const char* what;
    std::function<void()> act;
    Log expected;
  };
  std::vector<Step> steps = {
      {"first showing", [&] { window = showInWindow(nav); }, {"A.viewDidLoad", "A.viewWillAppear", "A.viewDidAppear"}},
      {"push", [&] { nav->pushViewController(b, true); },
       {"B.viewDidLoad", "A.viewWillDisappear", "B.viewWillAppear", "A.viewDidDisappear", "B.viewDidAppear"}},
      {"pop", [&] { EXPECT_EQ(nav->popViewControllerAnimated(true), b); },
       {"B.viewWillDisappear", "A.viewWillAppear", "B.viewDidDisappear", "A.viewDidAppear"}},
      {"pop at the root", [&] { EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr); }, {}},
      {"pop to root passes over the middle",
       [&] {
         nav->pushViewController(b, false);
         nav->pushViewController(c, false);
         log.clear();
         EXPECT_EQ(nav->popToRootViewControllerAnimated(true), (std::vector<std::shared_ptr<UIViewController>>{b, c}));
       },
       {"C.viewWillDisappear", "A.viewWillAppear", "C.viewDidDisappear", "A.viewDidAppear"}},
      {"window hidden", [&] { window->setHidden(true); }, {"A.viewWillDisappear", "A.viewDidDisappear"}},
      {"pushed while off screen", [&] { nav->pushViewController(b, false); }, {}},
      {"shown again: only the top", [&] { window->setHidden(false); }, {"B.viewWillAppear", "B.viewDidAppear"}},
  };
  for (auto& step : steps) {
    SCOPED_TRACE(step.what);
    log.clear();
    step.act();
    EXPECT_EQ(log, step.expected);
  }
}

TEST_F(NavigationTest, PushedViewFillsTheSpaceUnderTheBar) {
  struct Device {
    double width, height, statusBar;
  };
  for (const Device& d : {Device{320, 568, 20}, Device{390, 844, 47}}) {
    SCOPED_TRACE(d.height);
    platform::DeviceSettings settings;
    settings.screenWidth = d.width;
    settings.screenHeight = d.height;
    settings.screenScale = 2;
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
    auto nav = UINavigationController::initWithRootViewController(titled("Root"));
    auto window = showInWindow(nav);
    auto pushed = titled("Pushed");
    nav->pushViewController(pushed, true);
    window->layoutIfNeeded();
    EXPECT_EQ(pushed->view()->convertRectToView(pushed->view()->bounds(), nullptr),
              CGRectMake(0, d.statusBar + 44, d.width, d.height - d.statusBar - 44));
    EXPECT_EQ(nav->navigationBar()->frame(), CGRectMake(0, d.statusBar, d.width, 44));
    EXPECT_EQ(nav->topViewController(), pushed);
    EXPECT_EQ(pushed->navigationController(), nav);
    EXPECT_EQ(nav->popViewControllerAnimated(false), pushed);
    EXPECT_EQ(pushed->navigationController(), nullptr);
    EXPECT_EQ(pushed->view()->superview(), nullptr);
  }
}

TEST_F(NavigationTest, TheBackButtonSaysWhatLiesBeneath) {
  struct Case {
    std::string rootTitle;
    std::optional<std::string> backTitle;
    std::string shown;
    std::string spoken;
  };
  std::string longTitle = "A title far too long to stand beside another one";
  for (const Case& c : {Case{"Settings", std::nullopt, "Settings", "Settings"}, Case{"", std::nullopt, "Back", "Back"},
                        Case{"Settings", "Prefs", "Prefs", "Prefs"}, Case{"Settings", "", "", "Back"},
                        Case{longTitle, std::nullopt, "Back", "Back"}}) {
    SCOPED_TRACE(c.rootTitle + " / " + c.backTitle.value_or("(none)"));
    auto root = titled(c.rootTitle);
    root->navigationItem()->setBackButtonTitle(c.backTitle);
    auto nav = UINavigationController::initWithRootViewController(root);
    auto window = showInWindow(nav);
    nav->pushViewController(titled("Tovalune"), true);
    window->layoutIfNeeded();
    EXPECT_EQ(nav->navigationBar()->backButtonTitle(), c.shown);
    EXPECT_EQ(nav->navigationBar()->titleLabel()->text(), "Tovalune");

    auto elements = platform::accessibilityElements();
    const auto* title = findElement(elements, "Tovalune");
    ASSERT_TRUE(title);
    EXPECT_TRUE(title->traits & UIAccessibilityTraitHeader);
    const auto* back = findElement(elements, c.spoken);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->traits & UIAccessibilityTraitButton);
    EXPECT_LT(back->frame.maxX(), title->frame.minX()) << "at the left of the title";
  }
}

TEST_F(NavigationTest, TheBackButtonPopsByFingerByItsTitleAndByBack) {
  auto root = titled("Settings");
  auto nav = UINavigationController::initWithRootViewController(root);
  auto window = showInWindow(nav);
  struct Way {
    const char* name;
    std::function<bool()> tap;
  };
  std::vector<Way> ways = {
      {"finger", [&] {
         UIButton* back = nav->navigationBar()->backButton();
         CGRect r = back->convertRectToView(back->bounds(), nullptr);
         return platform::tapAtPoint(CGPoint{r.midX(), r.midY()}) != nullptr;
       }},
      {"title", [] { return platform::tapControlWithTitle("Settings"); }},
      {"Back", [] { return platform::tapControlWithTitle("Back"); }},
  };
  for (auto& way : ways) {
    SCOPED_TRACE(way.name);
    nav->pushViewController(titled("Tovalune"), true);
    window->layoutIfNeeded();
    ASSERT_TRUE(way.tap());
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(nav->navigationBar()->backButton(), nullptr);
  }
}

TEST_F(NavigationTest, AHiddenBackButtonCannotBeTappedUntilShownAgain) {
  auto root = titled("Settings");
  auto nav = UINavigationController::initWithRootViewController(root);
  auto window = showInWindow(nav);
  auto pushed = titled("Editor");
  nav->pushViewController(pushed, true);

  pushed->navigationItem()->setHidesBackButton(true, true);
  EXPECT_EQ(nav->navigationBar()->backButton(), nullptr);
  EXPECT_FALSE(platform::tapControlWithTitle("Settings"));
  EXPECT_FALSE(platform::tapControlWithTitle("Back"));
  EXPECT_EQ(nav->topViewController(), pushed);

  // The root's own item hides nothing on the pushed screen.
  pushed->navigationItem()->setHidesBackButton(false, false);
  root->navigationItem()->setHidesBackButton(true);
  EXPECT_EQ(nav->navigationBar()->backButtonTitle(), "Settings");

  // A left item takes the back button's place.
  pushed->navigationItem()->setLeftBarButtonItem(
      UIBarButtonItem::initWithBarButtonSystemItem(UIBarButtonSystemItemCancel, nullptr, nullptr));
  EXPECT_EQ(nav->navigationBar()->backButton(), nullptr);
  ASSERT_TRUE(nav->navigationBar()->leftButton());
  EXPECT_TRUE(findElement(platform::accessibilityElements(), "Cancel"));
}

TEST_F(NavigationTest, BarButtonItemsAreElementsAndSendTheirActions) {
  auto root = titled("Timeline");
  auto nav = UINavigationController::initWithRootViewController(root);
  auto window = showInWindow(nav);
  auto counter = PressCounter::make();
  int done = 0;
  auto add = UIBarButtonItem::initWithBarButtonSystemItem(UIBarButtonSystemItemAdd, counter, objc::sel("addPressed:"));
  root->navigationItem()->setRightBarButtonItem(add);
  root->navigationItem()->setLeftBarButtonItem(
      UIBarButtonItem::itemWithTitle("Done", UIBarButtonItemStyleDone, [&](UIBarButtonItem*) { ++done; }));

  auto elements = platform::accessibilityElements();
  const auto* plus = findElement(elements, "Add");
  ASSERT_TRUE(plus) << "the plus sign reads as Add";
  EXPECT_TRUE(plus->traits & UIAccessibilityTraitButton);
  EXPECT_GT(plus->frame.minX(), 320 / 2);
  EXPECT_EQ(plus->frame.maxX(), 320 - 16);

  ASSERT_TRUE(platform::tapControlWithTitle("Add"));
  ASSERT_TRUE(platform::tapControlWithTitle("Done"));
  EXPECT_EQ(counter->presses, 1);
  EXPECT_EQ(done, 1);

  // Changes to a shown item reach the bar.
  add->setEnabled(false);
  EXPECT_FALSE(platform::tapControlWithTitle("Add"));
  EXPECT_EQ(counter->presses, 1);
  root->setTitle("Renamed");
  EXPECT_EQ(nav->navigationBar()->titleLabel()->text(), "Renamed");

  // An action whose target is gone, or does not answer, does nothing harmful.
  platform::LogCapture log;
  auto stray = UIBarButtonItem::initWithTitle("Stray", UIBarButtonItemStylePlain, counter, objc::sel("noSuchAction:"));
  root->navigationItem()->setRightBarButtonItem(stray);
  ASSERT_TRUE(platform::tapControlWithTitle("Stray"));
  EXPECT_TRUE(log.containsSubstring("action noSuchAction: not sent"));
}

TEST_F(NavigationTest, StacksThatCannotBeAreRefused) {
  platform::LogCapture log;
  auto root = titled("Root");
  auto nav = UINavigationController::initWithRootViewController(root);
  auto other = UINavigationController::initWithRootViewController(titled("Other root"));
  auto child = titled("Child");
  other->pushViewController(child, false);

  nav->pushViewController(nullptr, false);
  nav->pushViewController(root, false);
  nav->pushViewController(child, false);
  nav->pushViewController(other, false);
  nav->setViewControllers({root, root}, false);
  EXPECT_EQ(nav->viewControllers(), std::vector<std::shared_ptr<UIViewController>>{root});
  EXPECT_EQ(log.lines().size(), 5u);
  EXPECT_EQ(nav->popToViewController(child, false).size(), 0u);
  EXPECT_EQ(child->navigationController(), other);
}

TEST_F(NavigationTest, ComingBackToAListDeselectsTheRowLeftThrough) {
  class Rows : public UITableViewController {
   public:
    int numberOfRowsInSection(UITableView*, int) override { return 3; }
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* table, const NSIndexPath& ip) override {
      auto cell = table->dequeueReusableCellWithIdentifier("row");
      if (!cell) cell = UITableViewCell::alloc()->initWithStyle(UITableViewCellStyleDefault, "row");
      cell->textLabel()->setText("Row " + std::to_string(ip.row));
      return cell;
    }
    void didSelectRowAtIndexPath(UITableView*, const NSIndexPath& ip) override {
      navigationController()->pushViewController(titled("Detail " + std::to_string(ip.row)), true);
    }
  };
  auto list = std::make_shared<Rows>();
  list->setTitle("List");
  auto nav = UINavigationController::initWithRootViewController(list);
  auto window = showInWindow(nav);
  EXPECT_EQ(list->tableView()->dataSource(), list);
  EXPECT_EQ(list->tableView()->delegate(), list);

  ASSERT_TRUE(platform::tapControlWithTitle("Row 1"));
  EXPECT_EQ(nav->topViewController()->title(), "Detail 1");
  EXPECT_EQ(list->tableView()->indexPathForSelectedRow(), NSIndexPath::indexPathForRow(1, 0)) << "grey while away";
  ASSERT_TRUE(platform::tapControlWithTitle("List"));
  EXPECT_EQ(nav->topViewController(), list);
  EXPECT_EQ(list->tableView()->indexPathForSelectedRow(), std::nullopt);

  list->setClearsSelectionOnViewWillAppear(false);
  ASSERT_TRUE(platform::tapControlWithTitle("Row 2"));
  ASSERT_TRUE(platform::tapControlWithTitle("Back"));
  EXPECT_EQ(list->tableView()->indexPathForSelectedRow(), NSIndexPath::indexPathForRow(2, 0));
}

TEST_F(NavigationTest, AScreenInTheStackPresentsOverTheWholeStack) {
  auto nav = UINavigationController::initWithRootViewController(titled("Timeline"));
  auto window = showInWindow(nav);
  auto editor = titled("Add Entry");
  nav->pushViewController(editor, true);

  int ok = 0;
  auto alert = UIAlertController::alertControllerWithTitle("Time Exists", "An entry already exists for this time.",
                                                           UIAlertControllerStyleAlert);
  alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault, [&](UIAlertAction*) { ++ok; }));
  nav->viewControllers().front()->presentViewController(alert, true, nullptr);
  EXPECT_EQ(alert->presentingViewController(), nav);
  EXPECT_EQ(nav->visibleViewController(), alert);
  EXPECT_TRUE(findElement(platform::accessibilityElements(), "Time Exists")) << "the alert covers the screen";
  EXPECT_FALSE(platform::tapControlWithTitle("Timeline")) << "the back button lies beneath the alert";

  ASSERT_TRUE(platform::tapControlWithTitle("OK"));
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(nav->presentedViewController(), nullptr);
  EXPECT_EQ(nav->topViewController(), editor) << "the stack is as it was";

  // A screen of the stack dismisses what it had presented, too.
  editor->presentViewController(UIViewController::create(), false, nullptr);
  ASSERT_TRUE(nav->presentedViewController());
  editor->dismissViewControllerAnimated(false, nullptr);
  EXPECT_EQ(nav->presentedViewController(), nullptr);
}
