#include "platform/uikit/UIDatePicker.h"

#include <algorithm>
#include <any>
#include <cmath>

#include <fmt/format.h>

#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/CADisplayLink.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIScrollView.h"

namespace {

constexpr double kColumnOffset = 44;   // each column's centre from the picker's middle
constexpr int kRowsEachSide = 3;       // rows drawn above and below the chosen one
const UIFont kWheelFont = UIFont::systemFontOfSize(22);
const char* const kTextColorIvar = "_textColor";

// Nearer than this (rows) to its row, a settling wheel is there.
constexpr double kSettled = 0.01;
constexpr double kLongestFrame = 0.1;
// A mouse wheel turns a column at most this many rows in one go (a day of minutes, many times over).
constexpr double kMostWheelRows = 10000;

std::string twoDigits(int v) { return fmt::format("{:02d}", v); }

int wrapped(long value, int count) { return int(((value % count) + count) % count); }

}  // namespace

OBJC_DEFINE_CLASS(UIDatePicker, UIControl)

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

bool UIDatePicker::panBegan(const CGPoint& location, const CGPoint& translation) {
  if (mode_ != UIDatePickerModeTime || !isEnabled() || std::abs(translation.y) < std::abs(translation.x)) return false;
  // A finger on a wheel still settling puts it on its row at once.
  if (turn_) finishTurn();
  turn_ = Turn{location.x < bounds().midX(), 0, std::nullopt, 0};
  return true;
}

void UIDatePicker::panMoved(const CGPoint& translation) {
  if (!turn_ || turn_->target || !std::isfinite(translation.y)) return;
  // Dragged up, the rows below come into the band: later times.
  turn_->rows = -translation.y / kRowHeight;
  setNeedsDisplay();
}

void UIDatePicker::panEnded(const CGPoint& translation, const CGPoint& velocity) {
  if (!turn_ || turn_->target) return;
  panMoved(translation);
  // Where the finger's speed would carry the wheel, slowing by the rate each millisecond, to the
  // nearest whole row.
  double rate = UIScrollViewDecelerationRateFast;
  double rowsPerMs = std::isfinite(velocity.y) ? -velocity.y / 1000 / kRowHeight : 0;
  turn_->target = std::lround(turn_->rows + rowsPerMs / -std::log(rate));
  if (std::abs(double(*turn_->target) - turn_->rows) < kSettled) return finishTurn();
  startSettling();
}

bool UIDatePicker::wheelTurned(const CGPoint& location, const CGPoint& delta) {
  if (mode_ != UIDatePickerModeTime || !isEnabled() || !std::isfinite(delta.y) || delta.y == 0 ||
      !(std::abs(delta.y) >= std::abs(delta.x)))
    return false;
  bool hours = location.x < bounds().midX();
  // A finger has the wheel: it keeps it, and the wheel goes nowhere else either.
  if (turn_ && !turn_->byWheel && !turn_->target) return true;
  // Another column, or one settling after a finger: that turn ends on its row first.
  if (turn_ && (!turn_->byWheel || turn_->hours != hours)) finishTurn();
  if (!turn_) turn_ = Turn{hours, 0, std::nullopt, 0, true, 0};
  // As content under a wheel scrolls: turned down, the rows below come into the band.
  turn_->rows = std::clamp(turn_->rows + delta.y / kRowHeight, -kMostWheelRows, kMostWheelRows);
  turn_->target.reset();
  turn_->restingFrames = 0;
  setNeedsDisplay();
  startSettling();
  return true;
}

void UIDatePicker::startSettling() {
  if (settling_) return;
  std::weak_ptr<UIDatePicker> weak = std::static_pointer_cast<UIDatePicker>(shared_from_this());
  settling_ = CADisplayLink::displayLinkWithTarget([weak](CADisplayLink& link) {
    if (auto self = weak.lock()) self->settle(link.timestamp());
    else link.invalidate();
  });
  settling_->addToMainRunLoop();
}

void UIDatePicker::panCancelled() { panEnded(CGPoint{0, -turn_.value_or(Turn{}).rows * kRowHeight}, CGPoint{0, 0}); }

void UIDatePicker::settle(double timestamp) {
  if (turn_ && turn_->byWheel && !turn_->target) {
    turn_->lastFrame = timestamp;
    if (++turn_->restingFrames < kWheelRestFrames) return;
    turn_->target = std::lround(turn_->rows);
    if (std::abs(double(*turn_->target) - turn_->rows) < kSettled) return finishTurn();
  }
  if (!turn_ || !turn_->target) return;
  double seconds = turn_->lastFrame > 0 ? std::clamp(timestamp - turn_->lastFrame, 0.0, kLongestFrame)
                                        : CADisplayLink::kFrameDuration;
  turn_->lastFrame = timestamp;
  // The way left shrinks by the rate each millisecond: fast at first, gently onto the row.
  double left = double(*turn_->target) - turn_->rows;
  left *= std::pow(UIScrollViewDecelerationRateFast, seconds * 1000);
  turn_->rows = double(*turn_->target) - left;
  setNeedsDisplay();
  if (std::abs(left) < kSettled) finishTurn();
}

void UIDatePicker::finishTurn() {
  if (settling_) {
    settling_->invalidate();
    settling_.reset();
  }
  if (!turn_) return;
  Turn turn = *turn_;
  turn_.reset();
  setNeedsDisplay();
  long rows = turn.target.value_or(std::lround(turn.rows));
  int h = hour(), m = minute();
  int nextHour = turn.hours ? wrapped(h + rows, 24) : h, nextMinute = turn.hours ? m : wrapped(m + rows, 60);
  if (nextHour != h || nextMinute != m) turnWheelsTo(nextHour, nextMinute);
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
  // Each wheel's rows around the band, moved by the part of a row it is turned, fading with the
  // distance from the band.
  auto wheel = [&](int value, int count, double cx, double turned) {
    long whole = long(std::floor(turned));
    double part = turned - double(whole);
    for (int k = -kRowsEachSide - 1; k <= kRowsEachSide + 1; ++k) {
      double distance = std::abs(k - part);
      if (distance > kRowsEachSide + 0.5) continue;
      UIColor faded = color;
      faded.alpha *= distance < 0.5 ? 1.0 : std::max(0.0, 0.55 - 0.12 * distance);
      centred(twoDigits(wrapped(value + whole + k, count)), cx, midY + (k - part) * kRowHeight, faded);
    }
  };
  double hoursTurned = turn_ && turn_->hours ? turn_->rows : 0, minutesTurned = turn_ && !turn_->hours ? turn_->rows : 0;
  wheel(hour(), 24, midX - kColumnOffset, hoursTurned);
  wheel(minute(), 60, midX + kColumnOffset, minutesTurned);
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
