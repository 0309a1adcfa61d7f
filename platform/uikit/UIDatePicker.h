#pragma once
// UIDatePicker: the wheel a person turns to choose a date. In time mode it shows two columns, the
// hours (00 to 23) and the minutes (00 to 59), each a wheel whose chosen row sits in the middle
// band, with the rows above and below fading out; the other modes show the date as text.
//
// The date is a moment (seconds since 1970, the platform's NSDate); the wheels show its hour and
// minute in the device's time zone. Turning the wheels (turnWheelsTo, what a finger does) keeps
// the day, sets the seconds to zero and sends value-changed; setting the date in code sends
// nothing, as on the device.
//
// A finger dragging a column up or down turns that wheel under it; lifted, the wheel runs on with
// the finger's speed, slows down (UIScrollViewDecelerationRateFast), one step per frame of the
// display, and settles on a whole row, which is when the date changes to the time shown and
// value-changed is sent (nothing when it settles on the time it started from). The mouse wheel or
// a touchpad over a column turns it as far as the content of a list would scroll; once the wheel
// has rested for kWheelRestFrames frames, it settles on the nearest whole row the same way, and
// value-changed is sent once for the whole turn. The hours and the minutes turn on their own: the
// minutes going past 59 leave the hour as it is.
//
// The text colour is reachable through key-value coding, as apps set it:
// `picker->setValueForKey("textColor", UIColor::blackColor())`. A value of another type is
// logged and ignored, and the default colour (black) stays.
#include <memory>
#include <optional>

#include "platform/uikit/UIColor.h"
#include "platform/uikit/UIControl.h"

class CADisplayLink;

enum UIDatePickerMode {
  UIDatePickerModeTime = 0,
  UIDatePickerModeDate = 1,
  UIDatePickerModeDateAndTime = 2,
};

class UIDatePicker : public UIControl {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UIDatePicker> alloc();
  std::shared_ptr<UIDatePicker> initWithFrame(const CGRect& frame);
  explicit UIDatePicker(objc::Class* isa = UIDatePicker::cls());

  UIDatePickerMode datePickerMode() const { return mode_; }
  void setDatePickerMode(UIDatePickerMode mode) { mode_ = mode; }

  // The chosen moment; now when the picker is made. A non-finite date is ignored (logged).
  double date() const { return date_; }
  void setDate(double date, bool animated = false);

  // The colour of the wheels' text, as set through key-value coding ("textColor").
  UIColor textColor() const;

  // The hour and minute the wheels show (the device's time zone).
  int hour() const;
  int minute() const;
  // What a finger turning the wheels to this time does: the date becomes that time of day on the
  // same day, seconds zero, and value-changed is sent. False (nothing changes, logged) for an hour
  // outside 0...23 or a minute outside 0...59, and on a disabled picker.
  bool turnWheelsTo(int hour, int minute);

  // UIView.
  void draw(cairo_t* cr) override;
  CGSize sizeThatFits(const CGSize& size) const override;
  bool handleTap(const CGPoint& point) override { return false; }
  bool panBegan(const CGPoint& location, const CGPoint& translation) override;
  void panMoved(const CGPoint& translation) override;
  void panEnded(const CGPoint& translation, const CGPoint& velocity) override;
  void panCancelled() override;
  bool wheelTurned(const CGPoint& location, const CGPoint& delta) override;
  // Whether a wheel is under a finger or the mouse wheel, or still settling.
  bool isTurning() const { return turn_.has_value(); }
  // Reads as "HH:mm" (time mode), an adjustable element.
  bool isAccessibilityElement() const override { return true; }
  std::string accessibilityValue() const override;
  UIAccessibilityTraits accessibilityTraits() const override;

  // The height of a wheel row, in points.
  static constexpr double kRowHeight = 32;
  // Frames of the display without a turn of the mouse wheel after which a column settles.
  static constexpr int kWheelRestFrames = 9;

 private:
  // A wheel being turned: how many rows it has turned (fractions while it moves; positive shows
  // later times), and, once lifted, the whole row it settles on. Turned by the mouse wheel, the
  // frames since its last turn.
  struct Turn {
    bool hours = false;
    double rows = 0;
    std::optional<long> target;
    double lastFrame = 0;
    bool byWheel = false;
    int restingFrames = 0;
  };
  void startSettling();
  void settle(double timestamp);
  void finishTurn();

  UIDatePickerMode mode_ = UIDatePickerModeDateAndTime;
  double date_ = 0;
  std::optional<Turn> turn_;
  std::shared_ptr<CADisplayLink> settling_;
};
