#pragma once
// The two-step screen on which the user makes one timeline entry: first the time of day on a wheel
// ("What time?", "Next"), then where its picture comes from ("Select Image Source": the configured
// image provider, or a photo from the library). The result goes to the handler given at creation,
// and the screen then pops itself; it never writes the preferences. Leaving with the back button
// hands nothing back.
//
// A picked photo is copied, unscaled, as a PNG named by a new UUID into the timeline folder (made
// when missing), and the handler receives that file's path; the random choice hands back the
// marker "||RANDOM||". A photo that cannot be encoded or written is logged and hands nothing back,
// so the timeline never names a file that is not there.
//
// The runtime answers "tapNextButton:", "tapUseRandomButton:" and "tapSelectPhotoButton:"
// (void (objc::Object*, objc::SEL, objc::Object* sender)), the buttons' touch-up-inside actions.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/UIImagePickerController.h"
#include "platform/uikit/UIViewController.h"

class UIButton;
class UIDatePicker;
class UILabel;

class TovaluneTimelineAddViewController : public UIViewController, public UIImagePickerControllerDelegate {
 public:
  // The chosen time (a date whose hour and minute count) and the source: the marker or a path.
  using Handler = std::function<void(double date, const std::string& source)>;

  static objc::Class* cls();
  // [[TovaluneTimelineAddViewController alloc] initWithHandler:].
  static std::shared_ptr<TovaluneTimelineAddViewController> initWithHandler(Handler handler);
  explicit TovaluneTimelineAddViewController(objc::Class* isa = TovaluneTimelineAddViewController::cls());

  // The title colour of every button: the system blue.
  static constexpr UIColor kButtonTitleColor = UIColor::colorWithRed(0, 0.47843137383461, 1, 1);

  // Builds the screen in its first step, sized to the view as it is now.
  void setup();

  // "Next": remembers the wheel's time and fades over to the second step.
  void tapNextButton(objc::Object* sender);
  // "Use Random Image": asks for confirmation in the "Random" alert.
  void tapUseRandomButton(objc::Object* sender);
  // "Select From Photos": presents the photo library's picker.
  void tapSelectPhotoButton(objc::Object* sender);
  // Stores the picture in the timeline folder, hands its path back and pops the screen.
  void selectedImage(const std::shared_ptr<UIImage>& image);

  // UIImagePickerControllerDelegate: the picker goes away first, then the photo is saved, so an
  // alert the timeline shows about the new entry ("Time Exists") can come up.
  void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker,
                                                          const UIImagePickerInfo& info) override;

  const Handler& handler() const { return handler_; }
  const std::shared_ptr<UIDatePicker>& datePicker() const { return datePicker_; }
  const std::shared_ptr<UILabel>& titleLabel() const { return titleLabel_; }
  const std::shared_ptr<UIButton>& nextButton() const { return nextButton_; }
  const std::shared_ptr<UIButton>& useRandomButton() const { return useRandomButton_; }
  const std::shared_ptr<UIButton>& selectImageButton() const { return selectImageButton_; }
  // Set by "Next".
  std::optional<double> selectedDate() const { return selectedDate_; }

 protected:
  void loadView() override;
  void viewDidLoad() override;

 private:
  std::shared_ptr<UIButton> addButton(const CGRect& frame, const std::string& title, const char* action);
  // Hands the result back, then leaves the screen.
  void finish(const std::string& source);

  Handler handler_;
  std::shared_ptr<UIDatePicker> datePicker_;
  std::shared_ptr<UILabel> titleLabel_;
  std::shared_ptr<UIButton> nextButton_;
  std::shared_ptr<UIButton> useRandomButton_;
  std::shared_ptr<UIButton> selectImageButton_;
  std::optional<double> selectedDate_;
};
