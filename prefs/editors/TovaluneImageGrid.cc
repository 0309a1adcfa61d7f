#include "prefs/editors/TovaluneImageGrid.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIViewController.h"

std::vector<std::string> picturePathsInFolder(const std::string& folder) {
  std::vector<std::string> paths;
  if (!platform::directoryExistsAtPath(folder)) {
    NSLog("Could not find local folder: {}", folder);
    return paths;
  }
  auto names = platform::contentsOfDirectoryAtPath(folder);
  if (!names || names->empty()) {
    NSLog("Could not find any files in local folder: {}", folder);
    return paths;
  }
  for (const auto& name : *names) {
    std::string path = platform::stringByAppendingPathComponent(folder, name);
    // A one-pixel target: the decoder still reads and checks the whole picture.
    if (UIImage::thumbnailWithContentsOfFile(path, 1, 1)) paths.push_back(std::move(path));
  }
  return paths;
}

std::shared_ptr<UIImage> tileImageAtPath(const std::string& path) {
  const double pixels = kImageTileSize * UIScreen::mainScreen().scale();
  return UIImage::thumbnailWithContentsOfFile(path, pixels, pixels);
}

std::string editorLocalizedString(const std::string& key) {
  return NSBundle::mainBundle()->localizedStringForKey(key, "", "");
}

void dismissWhatScreenPresents(UIViewController& screen) {
  std::shared_ptr<UIViewController> presenter = screen.navigationController();
  if (!presenter) presenter = std::static_pointer_cast<UIViewController>(screen.shared_from_this());
  if (presenter->presentedViewController()) screen.dismissViewControllerAnimated(true, nullptr);
}

void layoutImageTile(UICollectionViewCell& cell, UIImageView* imageView) {
  cell.setCornerRadius(0.225 * cell.frame().width());
  cell.setClipsToBounds(true);
  cell.setBackgroundColor(UIColor::grayColor());
  if (imageView) imageView->setTintColor(UIColor::whiteColor());
}

void setImageTileImage(UICollectionViewCell& cell, std::shared_ptr<UIImageView>& imageView,
                       std::shared_ptr<UIImage> image) {
  if (!imageView) {
    imageView = UIImageView::alloc()->initWithFrame(cell.bounds());
    imageView->setContentMode(UIViewContentModeScaleAspectFit);
    cell.addSubview(imageView);
  }
  imageView->setImage(std::move(image));
  cell.setNeedsLayout();
  cell.layoutIfNeeded();
}

void dropImageTileView(std::shared_ptr<UIImageView>& imageView) {
  if (!imageView) return;
  imageView->removeFromSuperview();
  imageView.reset();
}
