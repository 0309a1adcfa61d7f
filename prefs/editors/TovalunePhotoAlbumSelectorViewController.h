#pragma once
// The screen on which the user chooses the photo-library album of the Photo Album source; the
// chosen album is stored under the preference key the screen was made with.
// For now the screen shows its title and one line; the list opens a new one on every tap.
#include <memory>
#include <string>

#include "platform/uikit/UIViewController.h"

class TovalunePhotoAlbumSelectorViewController : public UIViewController {
 public:
  static objc::Class* cls();
  // [[TovalunePhotoAlbumSelectorViewController alloc] initWithPrefsKey:key].
  static std::shared_ptr<TovalunePhotoAlbumSelectorViewController> initWithPrefsKey(std::string prefsKey);
  explicit TovalunePhotoAlbumSelectorViewController(objc::Class* isa = TovalunePhotoAlbumSelectorViewController::cls());

  const std::string& prefsKey() const { return prefsKey_; }
  void setPrefsKey(std::string key) { prefsKey_ = std::move(key); }

 protected:
  void viewDidLoad() override;

 private:
  std::string prefsKey_;
};
