#include "prefs/editors/TovaluneTimelineAddViewController.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UIDatePicker.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIScreen.h"
#include "shared/ImageFolders.h"

namespace {

using Self = TovaluneTimelineAddViewController;

template <void (Self::*Action)(objc::Object*)>
void actionImp(objc::Object* self, objc::SEL, objc::Object* sender) {
  (static_cast<Self*>(self)->*Action)(sender);
}

// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = Self::cls();

constexpr double kFadeDuration = 0.2;

}  // namespace

OBJC_DEFINE_CLASS(TovaluneTimelineAddViewController, UIViewController,
                  objc::method("tapNextButton:", &actionImp<&Self::tapNextButton>),
                  objc::method("tapUseRandomButton:", &actionImp<&Self::tapUseRandomButton>),
                  objc::method("tapSelectPhotoButton:", &actionImp<&Self::tapSelectPhotoButton>))

std::shared_ptr<TovaluneTimelineAddViewController> TovaluneTimelineAddViewController::initWithHandler(Handler handler) {
  auto screen = objc::createInstance<Self>();
  screen->handler_ = std::move(handler);
  return screen;
}

TovaluneTimelineAddViewController::TovaluneTimelineAddViewController(objc::Class* isa) : UIViewController(isa) {}

void TovaluneTimelineAddViewController::loadView() {
  // The screen's size from the start, as the device gives a controller without a nib: setup lays
  // the screen out from the view's size.
  setView(UIView::alloc()->initWithFrame(UIScreen::mainScreen().bounds()));
}

void TovaluneTimelineAddViewController::viewDidLoad() { setup(); }

std::shared_ptr<UIButton> TovaluneTimelineAddViewController::addButton(const CGRect& frame, const std::string& title,
                                                                      const char* action) {
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setFrame(frame);
  button->setTitle(title, UIControlStateNormal);
  button->setTitleColor(kButtonTitleColor, UIControlStateNormal);
  button->addTarget(shared_from_this(), objc::sel(action), UIControlEventTouchUpInside);
  view()->addSubview(button);
  return button;
}

void TovaluneTimelineAddViewController::setup() {
  const auto& view = this->view();
  view->setBackgroundColor(UIColor::whiteColor());
  const double width = view->bounds().width();
  const double height = view->bounds().height();

  datePicker_ = UIDatePicker::alloc()->initWithFrame(CGRectMake(0, 250, 325, 300));
  datePicker_->setDatePickerMode(UIDatePickerModeTime);
  datePicker_->setHidden(false);
  datePicker_->setDate(platform::now());
  datePicker_->setCenter(CGPoint{width * 0.5, height * 0.5});
  datePicker_->setValueForKey("textColor", UIColor::blackColor());
  view->addSubview(datePicker_);
  const CGRect picker = datePicker_->frame();

  titleLabel_ = std::static_pointer_cast<UILabel>(UILabel::alloc()->initWithFrame(CGRectMake(0, picker.minY() - 50, width, 50)));
  titleLabel_->setTextAlignment(NSTextAlignmentCenter);
  titleLabel_->setFont(UIFont::systemFontOfSize(32));
  titleLabel_->setText("What time?");
  titleLabel_->setTextColor(UIColor::blackColor());
  view->addSubview(titleLabel_);
  const CGRect title = titleLabel_->frame();

  nextButton_ = addButton(CGRectMake(0, picker.minY() + picker.height() + 50, width, 50), "Next", "tapNextButton:");
  useRandomButton_ =
      addButton(CGRectMake(0, title.minY() + title.height() + 50, width, 50), "Use Random Image", "tapUseRandomButton:");
  useRandomButton_->setAlpha(0);
  const CGRect random = useRandomButton_->frame();
  selectImageButton_ = addButton(CGRectMake(0, random.minY() + random.height() + 50, width, 50), "Select From Photos",
                                 "tapSelectPhotoButton:");
  selectImageButton_->setAlpha(0);
}

void TovaluneTimelineAddViewController::tapNextButton(objc::Object*) {
  selectedDate_ = datePicker_->date();
  std::weak_ptr<Self> weakSelf = std::static_pointer_cast<Self>(shared_from_this());
  UIView::animateWithDuration(
      kFadeDuration, 0, UIViewAnimationOptionTransitionCrossDissolve,
      [weakSelf] {
        if (auto self = weakSelf.lock()) {
          self->datePicker_->setAlpha(0);
          self->titleLabel_->setAlpha(0);
          self->nextButton_->setAlpha(0);
        }
      },
      [weakSelf](bool finished) {
        auto self = weakSelf.lock();
        if (!finished || !self) return;
        self->titleLabel_->setText("Select Image Source");
        UIView::animateWithDuration(
            kFadeDuration, 0, UIViewAnimationOptionTransitionCrossDissolve,
            [weakSelf] {
              if (auto self = weakSelf.lock()) {
                self->titleLabel_->setAlpha(1);
                self->selectImageButton_->setAlpha(1);
                self->useRandomButton_->setAlpha(1);
              }
            },
            nullptr);
      });
}

void TovaluneTimelineAddViewController::tapUseRandomButton(objc::Object*) {
  auto alert = UIAlertController::alertControllerWithTitle(
      "Random", "This will use the settings you have for 'Image Provider' in Tovalune. Do you want to continue?",
      UIAlertControllerStyleAlert);
  std::weak_ptr<Self> weakSelf = std::static_pointer_cast<Self>(shared_from_this());
  alert->addAction(UIAlertAction::actionWithTitle("Confirm", UIAlertActionStyleDefault, [weakSelf](UIAlertAction*) {
    if (auto self = weakSelf.lock()) self->finish(kRandomImageMarker);
  }));
  alert->addAction(UIAlertAction::actionWithTitle("Cancel", UIAlertActionStyleCancel, nullptr));
  presentViewController(alert, true, nullptr);
}

void TovaluneTimelineAddViewController::tapSelectPhotoButton(objc::Object*) {
  auto picker = UIImagePickerController::create();
  picker->setDelegate(std::static_pointer_cast<Self>(shared_from_this()));
  picker->setSourceType(UIImagePickerControllerSourceTypePhotoLibrary);
  picker->setAllowsEditing(false);
  presentViewController(picker, true, nullptr);
}

void TovaluneTimelineAddViewController::imagePickerControllerDidFinishPickingMediaWithInfo(
    UIImagePickerController* picker, const UIImagePickerInfo& info) {
  NSLog("didFinishPickingMediaWithInfo: {}", info.description());
  std::shared_ptr<UIImage> image = info.imageForKey(UIImagePickerControllerOriginalImage);
  NSLog("didFinishPickingMediaWithInfo: {}", image ? image->description() : std::string("(null)"));
  // Kept alive while this screen may pop itself and the picker goes.
  auto self = shared_from_this();
  if (picker) picker->dismissViewControllerAnimated(true, nullptr);
  selectedImage(image);
}

void TovaluneTimelineAddViewController::selectedImage(const std::shared_ptr<UIImage>& image) {
  std::optional<std::string> png = image ? UIImagePNGRepresentation(image.get()) : std::nullopt;
  if (!png) {
    NSLog("The picked picture cannot be stored as PNG; no entry is made");
    return;
  }
  if (!platform::directoryExistsAtPath(kTimelineImagesPath)) {
    NSLog("Could not find local folder: {}... Creating...", kTimelineImagesPath);
    platform::createDirectoryAtPath(kTimelineImagesPath, true);
  }
  std::string path = newImagePathInFolder(kTimelineImagesPath);
  if (!platform::writeFile(path, *png, true)) {
    // An entry naming a file that is not there would show nothing when it comes due.
    NSLog("Could not write the picture to {}; no entry is made", path);
    return;
  }
  finish(path);
}

void TovaluneTimelineAddViewController::finish(const std::string& source) {
  // Next is the only way to the source buttons; the wheel's time still counts if it was skipped.
  double date = selectedDate_.value_or(datePicker_ ? datePicker_->date() : platform::now());
  auto self = shared_from_this();  // the handler may outlive the pop; this screen must too
  if (handler_) handler_(date, source);
  if (auto navigation = navigationController()) navigation->popViewControllerAnimated(true);
}
