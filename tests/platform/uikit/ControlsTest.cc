// Controls: a button's states, the switch, the text field and typing, as a finger and a reader meet them.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/foundation/NSLog.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UIGraphics.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UISwitch.h"
#include "platform/uikit/UITextField.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

// Records the events a control sends, by name, in order.
std::vector<std::string> gEvents;
void record(UIControl& control) {
  static const std::pair<unsigned, const char*> kNames[] = {
      {UIControlEventTouchDown, "down"},           {UIControlEventTouchUpInside, "up"},
      {UIControlEventValueChanged, "changed"},     {UIControlEventEditingDidBegin, "begin"},
      {UIControlEventEditingChanged, "edit"},      {UIControlEventEditingDidEnd, "end"},
      {UIControlEventEditingDidEndOnExit, "return"},
  };
  for (auto [event, name] : kNames)
    control.addHandler([name = std::string(name)](UIControl*) { gEvents.push_back(name); }, event);
}

// The control drawn alone into a picture at 2x.
platform::Bitmap draw(UIView& view) {
  UIGraphicsBeginImageContextWithOptions(view.bounds().size, false, 2);
  view.renderInContext(UIGraphicsGetCurrentContext());
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image ? image->bitmap() : platform::Bitmap{};
}

class ControlsTest : public SmallPhoneTest {
 protected:
  void SetUp() override {
    SmallPhoneTest::SetUp();
    gEvents.clear();
    window_ = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
    window_->setRootViewController(UIViewController::create());
    window_->makeKeyAndVisible();
  }
  UIView& screen() { return *window_->rootViewController()->view(); }
  std::shared_ptr<UIWindow> window_;
};

}  // namespace

TEST_F(ControlsTest, AButtonShowsTheTitleAndColourOfItsStateFallingBackToNormal) {
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setTitle("Edit", UIControlStateNormal);
  button->setTitle("Done", UIControlStateSelected);
  button->setTitleColor(UIColor::systemRedColor(), UIControlStateSelected);
  struct Case {
    bool selected, highlighted, enabled;
    std::string title;
    UIColor color;
  } cases[] = {
      {false, false, true, "Edit", UIColor::systemBlueColor()},
      {true, false, true, "Done", UIColor::systemRedColor()},
      {false, true, true, "Edit", UIColor::systemBlueColor().colorWithAlphaComponent(0.2)},
      {false, false, false, "Edit", UIColor::tertiaryLabelColor()},
      // A combination without its own title shows the normal one, not the selected one.
      {true, true, true, "Edit", UIColor::systemBlueColor().colorWithAlphaComponent(0.2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "selected " << c.selected << " highlighted " << c.highlighted << " enabled "
                                      << c.enabled);
    button->setSelected(c.selected);
    button->setHighlighted(c.highlighted);
    button->setEnabled(c.enabled);
    EXPECT_EQ(button->currentTitle(), c.title);
    EXPECT_EQ(button->accessibilityLabel(), c.title);
    EXPECT_EQ(button->currentTitleColor(), c.color);
  }

  // The normal colour of a system button is its tint until it is given one; a custom button is white.
  button->setSelected(false);
  button->setHighlighted(false);
  button->setEnabled(true);
  auto holder = UIView::alloc();
  holder->setTintColor(UIColor::systemGreenColor());
  holder->addSubview(button);
  EXPECT_EQ(button->currentTitleColor(), UIColor::systemGreenColor());
  button->setTitleColor(UIColor::blackColor());
  EXPECT_EQ(button->currentTitleColor(), UIColor::blackColor());
  EXPECT_EQ(UIButton::buttonWithType(UIButtonTypeCustom)->currentTitleColor(), UIColor::whiteColor());
}

TEST_F(ControlsTest, ASelectedButtonIsTappedByTheTitleItShowsAndSaysItIsSelected) {
  int taps = 0;
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setTitle("Select", UIControlStateNormal);
  button->setTitle("Deselect", UIControlStateSelected);
  button->setFrame(CGRectMake(10, 10, 120, 44));
  button->addHandler(
      [&](UIControl* c) {
        ++taps;
        c->setSelected(!c->isSelected());
      },
      UIControlEventTouchUpInside);
  record(*button);
  screen().addSubview(button);

  ASSERT_TRUE(platform::tapControlWithTitle("Select"));
  EXPECT_EQ(gEvents, (std::vector<std::string>{"down", "up"}));
  EXPECT_FALSE(button->isHighlighted()) << "no finger is left on it";
  EXPECT_FALSE(platform::tapControlWithTitle("Select"));
  auto elements = platform::accessibilityElements();
  ASSERT_EQ(elements.size(), 1u);
  EXPECT_EQ(elements[0].label, "Deselect");
  EXPECT_EQ(platform::describeTraits(elements[0].traits), "button, selected");
  ASSERT_TRUE(platform::tapControlWithTitle("Deselect"));
  EXPECT_EQ(taps, 2);
}

TEST_F(ControlsTest, ASystemButtonDrawsItsTitleInItsTint) {
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setTitle("WWWW");
  button->setFont(UIFont::boldSystemFontOfSize(30));
  button->setFrame(CGRectMake(0, 0, 120, 44));
  button->setTintColor(UIColor::systemRedColor());
  auto pixels = draw(*button);
  ASSERT_EQ(pixels.width, 240u);
  int red = 0, other = 0;
  for (std::size_t i = 0; i < pixels.rgba.size(); i += 4) {
    if (pixels.rgba[i + 3] < 250) continue;
    bool isRed = pixels.rgba[i] == 255 && pixels.rgba[i + 1] == 59 && pixels.rgba[i + 2] == 48;
    (isRed ? red : other)++;
  }
  EXPECT_GT(red, 300);
  EXPECT_EQ(other, 0);
}

TEST_F(ControlsTest, ATapFlipsASwitchWhichKeepsItsSizeAndSaysOnOrOff) {
  auto toggle = UISwitch::alloc()->initWithFrame(CGRectMake(250, 100, 200, 10));
  EXPECT_EQ(toggle->frame(), CGRectMake(250, 100, 51, 31)) << "only the origin is taken";
  record(*toggle);
  screen().addSubview(toggle);

  toggle->setOn(true, true);
  EXPECT_TRUE(gEvents.empty()) << "code setting the value sends nothing";
  EXPECT_EQ(platform::tapAtPoint(CGPoint{260, 110}), toggle);
  EXPECT_FALSE(toggle->isOn());
  EXPECT_EQ(gEvents, (std::vector<std::string>{"changed"}));
  EXPECT_EQ(toggle->accessibilityValue(), "off");
  ASSERT_TRUE(platform::accessibilityElements().front().activate());
  EXPECT_TRUE(toggle->isOn());
  EXPECT_EQ(toggle->accessibilityValue(), "on");
  EXPECT_EQ(platform::describeTraits(toggle->accessibilityTraits()), "switch");

  toggle->setEnabled(false);
  EXPECT_EQ(platform::tapAtPoint(CGPoint{260, 110}), nullptr);
  EXPECT_TRUE(toggle->isOn());
  EXPECT_EQ(gEvents.size(), 2u);
}

TEST_F(ControlsTest, ASwitchLooksLikeThePhonesOnAndOff) {
  auto toggle = UISwitch::alloc();
  auto at = [](const platform::Bitmap& b, double x, double y) {
    const std::uint8_t* p = b.rgba.data() + (std::size_t(y * 2) * b.width + std::size_t(x * 2)) * 4;
    return std::array<int, 4>{p[0], p[1], p[2], p[3]};
  };
  toggle->setOn(true);
  auto on = draw(*toggle);
  ASSERT_EQ(on.width, 102u);
  ASSERT_EQ(on.height, 62u);
  EXPECT_EQ(at(on, 8, 15.5), (std::array<int, 4>{52, 199, 89, 255})) << "green track left of the knob";
  EXPECT_EQ(at(on, 36, 15.5), (std::array<int, 4>{255, 255, 255, 255})) << "white knob at the right";
  EXPECT_EQ(at(on, 0.2, 0.2)[3], 0) << "rounded ends";

  toggle->setOn(false);
  auto off = draw(*toggle);
  EXPECT_EQ(at(off, 15, 15.5), (std::array<int, 4>{255, 255, 255, 255})) << "the knob at the left";
  EXPECT_EQ(at(off, 40, 15.5), (std::array<int, 4>{255, 255, 255, 255})) << "a white inside";
  auto outline = at(off, 50.2, 15.5);
  EXPECT_GT(outline[0], 200) << "a light grey outline";
  EXPECT_LT(outline[0], 240);
  EXPECT_EQ(outline[3], 255);
}

TEST_F(ControlsTest, ATappedTextFieldEditsWhatIsTypedAndTheReturnKeyEndsIt) {
  auto field = UITextField::alloc()->initWithFrame(CGRectMake(10, 100, 300, 34));
  field->setPlaceholder("Picture URL");
  field->setBorderStyle(UITextBorderStyleRoundedRect);
  record(*field);
  screen().addSubview(field);
  platform::LogCapture log;

  EXPECT_FALSE(platform::typeText("lost"));
  EXPECT_TRUE(log.containsSubstring("no text field is being edited"));
  EXPECT_EQ(platform::tapAtPoint(CGPoint{50, 110}), field);
  EXPECT_TRUE(field->isFirstResponder());
  EXPECT_EQ(UIApplication::sharedApplication().firstResponder(), field);
  EXPECT_EQ(platform::tapAtPoint(CGPoint{50, 110}), field) << "tapping again keeps editing";
  ASSERT_TRUE(platform::typeText("h\xC3\xA9!"));
  EXPECT_EQ(field->text(), "h\xC3\xA9!");
  EXPECT_EQ(gEvents, (std::vector<std::string>{"begin", "edit", "edit", "edit"})) << "one change a character";

  gEvents.clear();
  field->deleteBackward();
  EXPECT_EQ(field->text(), "h\xC3\xA9") << "a whole character goes";
  ASSERT_TRUE(platform::typeText("ok\nrest"));
  EXPECT_EQ(field->text(), "ok");
  EXPECT_EQ(gEvents, (std::vector<std::string>{"edit", "edit", "edit", "edit", "return", "end"}));
  EXPECT_FALSE(field->isFirstResponder());
  EXPECT_TRUE(log.containsSubstring("\"rest\""));

  auto elements = platform::accessibilityElements();
  ASSERT_EQ(elements.size(), 1u);
  EXPECT_EQ(elements[0].label, "Picture URL");
  EXPECT_EQ(elements[0].value, "ok");
  EXPECT_EQ(platform::describeTraits(elements[0].traits), "text field");
  ASSERT_TRUE(platform::tapControlWithTitle("Picture URL"));
  EXPECT_TRUE(field->isEditing());
}

TEST_F(ControlsTest, OneFieldEditsAtATimeAndAFieldLeavingTheScreenStopsEditing) {
  auto first = UITextField::alloc()->initWithFrame(CGRectMake(0, 0, 100, 30));
  auto second = UITextField::alloc()->initWithFrame(CGRectMake(0, 40, 100, 30));
  auto container = UIView::alloc()->initWithFrame(CGRectMake(0, 100, 320, 100));
  container->addSubview(second);
  screen().addSubview(first);
  screen().addSubview(container);
  std::vector<std::string> order;
  first->addHandler([&](UIControl*) { order.push_back("first ends"); }, UIControlEventEditingDidEnd);
  second->addHandler([&](UIControl*) { order.push_back("second begins"); }, UIControlEventEditingDidBegin);

  ASSERT_TRUE(first->becomeFirstResponder());
  ASSERT_TRUE(second->becomeFirstResponder());
  EXPECT_EQ(order, (std::vector<std::string>{"first ends", "second begins"}));
  EXPECT_FALSE(first->isFirstResponder());

  container->removeFromSuperview();
  EXPECT_EQ(UIApplication::sharedApplication().firstResponder(), nullptr);
  EXPECT_FALSE(second->isEditing());

  ASSERT_TRUE(first->becomeFirstResponder());
  first->setEnabled(false);
  EXPECT_FALSE(first->isFirstResponder()) << "a disabled field stops editing";
  EXPECT_EQ(order.back(), "first ends");
  EXPECT_FALSE(first->becomeFirstResponder());
  EXPECT_EQ(platform::tapAtPoint(CGPoint{10, 10}), nullptr);
  EXPECT_FALSE(UIView::alloc()->becomeFirstResponder()) << "a plain view takes no keyboard";
  EXPECT_EQ(UIApplication::sharedApplication().firstResponder(), nullptr);
}

TEST_F(ControlsTest, ATextFieldShowsItsPlaceholderGreyAndItsTextInItsColour) {
  auto field = UITextField::alloc()->initWithFrame(CGRectMake(0, 0, 200, 34));
  field->setFont(UIFont::boldSystemFontOfSize(24));
  field->setPlaceholder("WWWW");
  auto darkestOpaque = [](const platform::Bitmap& b) {
    int best = 255;
    for (std::size_t i = 0; i < b.rgba.size(); i += 4)
      if (b.rgba[i + 3] == 255) best = std::min(best, int(b.rgba[i]));
    return best;
  };
  // The placeholder is faint: nothing in it is dark or opaque.
  auto placeholder = draw(*field);
  int maxAlpha = 0;
  for (std::size_t i = 3; i < placeholder.rgba.size(); i += 4) maxAlpha = std::max(maxAlpha, int(placeholder.rgba[i]));
  EXPECT_GT(maxAlpha, 40);
  EXPECT_LT(maxAlpha, 110);
  field->setText("WWWW");
  EXPECT_LT(darkestOpaque(draw(*field)), 20) << "the text itself is black";
}
