#include "platform/uikit/UIDatePicker.h"

#include <any>
#include <cmath>

#include <fmt/format.h>

#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"

namespace {

constexpr double kColumnOffset = 44;   // each column's centre from the picker's middle
constexpr int kRowsEachSide = 3;       // rows drawn above and below the chosen one
const UIFont kWheelFont = UIFont::systemFontOfSize(22);
const char* const kTextColorIvar = "_textColor";

std::string twoDigits(int v) { return fmt::format("{:02d}", v); }

}  // namespace

objc::Class* UIDatePicker::cls() {
  static objc::Class* c = [] {
    objc::Class* k = objc::objc_allocateClassPair(UIControl::cls(), "UIDatePicker");
    k->setAllocator(&objc::allocateInstance<UIDatePicker>);
    return k;
  }();
  return c;
}

std::shared_ptr<UIDatePicker> UIDatePicker::alloc() { return std::make_shared<UIDatePicker>(); }

std::shared_ptr<UIDatePicker> UIDatePicker::initWithFrame(const CGRect& frame) {
  setFrame(frame);
  return std::static_pointer_cast<UIDatePicker>(shared_from_this());
}

UIDatePicker::UIDatePicker(objc::Class* isa) : UIControl(isa), date_(platform::now()) {
  declareIvar(kTextColorIvar, UIColor::blackColor());
}

void UIDatePicker::setDate(double date, bool) {
  if (!std::isfinite(date)) {
    NSLog("UIDatePicker: ignoring a date that is not a number");
    return;
  }
  date_ = date;
}

UIColor UIDatePicker::textColor() const {
  std::any value = valueForKey(kTextColorIvar);
  if (const UIColor* color = std::any_cast<UIColor>(&value)) return *color;
  static bool logged = false;
  if (!logged) {
    logged = true;
    NSLog("UIDatePicker: textColor was set to something that is no UIColor; drawing in black");
  }
  return UIColor::blackColor();
}

int UIDatePicker::hour() const { return platform::calendarComponents(date_).hour; }

int UIDatePicker::minute() const { return platform::calendarComponents(date_).minute; }

bool UIDatePicker::turnWheelsTo(int hour, int minute) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59) {
    NSLog("UIDatePicker: there is no time {}:{} on the wheels", hour, minute);
    return false;
  }
  if (!isEnabled()) {
    NSLog("UIDatePicker: the picker is disabled; the wheels do not turn");
    return false;
  }
  date_ = platform::dateBySettingTime(date_, hour, minute, 0);
  sendActionsForControlEvents(UIControlEventValueChanged);
  return true;
}

CGSize UIDatePicker::sizeThatFits(const CGSize&) const { return CGSize{320, 216}; }

void UIDatePicker::draw(cairo_t* cr) {
  CGRect b = bounds();
  UIColor color = textColor();
  double midX = b.midX(), midY = b.midY();
  cairo_save(cr);
  cairo_rectangle(cr, b.minX(), b.minY(), b.width(), b.height());
  cairo_clip(cr);
  double ascent = platform::fontAscent(kWheelFont), line = platform::lineHeight(kWheelFont);
  auto centred = [&](const std::string& text, double cx, double cy, const UIColor& c) {
    platform::drawTextLine(cr, text, kWheelFont, c, cx - platform::textWidth(text, kWheelFont) / 2,
                           cy - line / 2 + ascent);
  };
  if (mode_ != UIDatePickerModeTime) {
    platform::CalendarComponents c = platform::calendarComponents(date_);
    std::string text = fmt::format("{:04d}-{:02d}-{:02d}", c.year, c.month, c.day);
    if (mode_ == UIDatePickerModeDateAndTime) text += " " + twoDigits(c.hour) + ":" + twoDigits(c.minute);
    centred(text, midX, midY, color);
    cairo_restore(cr);
    return;
  }
  // The band of the chosen row, then each wheel's rows, fading towards the edges.
  platform::setSourceColor(cr, UIColor::tertiarySystemFillColor());
  platform::addRoundedRect(cr, CGRectMake(b.minX() + 8, midY - kRowHeight / 2, b.width() - 16, kRowHeight), 8);
  cairo_fill(cr);
  int h = hour(), m = minute();
  for (int k = -kRowsEachSide; k <= kRowsEachSide; ++k) {
    UIColor faded = color;
    faded.alpha *= k == 0 ? 1.0 : 0.55 - 0.12 * std::abs(k);
    double y = midY + k * kRowHeight;
    centred(twoDigits(((h + k) % 24 + 24) % 24), midX - kColumnOffset, y, faded);
    centred(twoDigits(((m + k) % 60 + 60) % 60), midX + kColumnOffset, y, faded);
  }
  centred(":", midX, midY, color);
  cairo_restore(cr);
}

std::string UIDatePicker::accessibilityValue() const {
  if (const auto& value = explicitAccessibilityValue()) return *value;
  if (mode_ != UIDatePickerModeTime) {
    platform::CalendarComponents c = platform::calendarComponents(date_);
    return fmt::format("{:04d}-{:02d}-{:02d} {:02d}:{:02d}", c.year, c.month, c.day, c.hour, c.minute);
  }
  return twoDigits(hour()) + ":" + twoDigits(minute());
}

UIAccessibilityTraits UIDatePicker::accessibilityTraits() const {
  return UIControl::accessibilityTraits() | UIAccessibilityTraitAdjustable;
}
