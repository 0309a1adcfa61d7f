#include "platform/uikit/UICollectionViewCell.h"

#include "platform/foundation/FileManager.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UILabel.h"

namespace {

// What the cell's views say, front to back as a reader would take them: label texts, and the file
// names of pictures loaded from files.
void collectSpoken(const UIView& view, std::vector<std::string>& parts) {
  if (view.isHidden()) return;
  if (auto* label = dynamic_cast<const UILabel*>(&view); label && !label->text().empty()) parts.push_back(label->text());
  if (auto* imageView = dynamic_cast<const UIImageView*>(&view); imageView && imageView->image() &&
                                                                  !imageView->image()->sourcePath().empty())
    parts.push_back(platform::lastPathComponent(imageView->image()->sourcePath()));
  for (const auto& sub : view.subviews()) collectSpoken(*sub, parts);
}

}  // namespace

OBJC_DEFINE_CLASS(UICollectionViewCell, UIView)

std::shared_ptr<UICollectionViewCell> UICollectionViewCell::alloc() { return std::make_shared<UICollectionViewCell>(); }

std::shared_ptr<UICollectionViewCell> UICollectionViewCell::initWithFrame(const CGRect& frame) {
  setFrame(frame);
  return std::static_pointer_cast<UICollectionViewCell>(shared_from_this());
}

UICollectionViewCell::UICollectionViewCell(objc::Class* isa) : UIView(isa) {
  contentView_ = std::make_shared<UIView>();
  contentView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  addSubview(contentView_);
}

void UICollectionViewCell::setSelected(bool selected) { selected_ = selected; }

void UICollectionViewCell::setHighlighted(bool highlighted) { highlighted_ = highlighted; }

void UICollectionViewCell::prepareForReuse() {
  setSelected(false);
  setHighlighted(false);
}

UICollectionView* UICollectionViewCell::collectionView() const { return dynamic_cast<UICollectionView*>(superview()); }

bool UICollectionViewCell::handleTap(const CGPoint&) {
  UICollectionView* grid = collectionView();
  if (!grid) return false;
  auto indexPath = grid->indexPathForCell(this);
  return indexPath && grid->tapItemAtIndexPath(*indexPath);
}

bool UICollectionViewCell::isAccessibilityElement() const {
  if (const auto& explicitValue = explicitIsAccessibilityElement()) return *explicitValue;
  return true;
}

std::string UICollectionViewCell::accessibilityLabel() const {
  if (const auto& label = explicitAccessibilityLabel()) return *label;
  std::vector<std::string> parts;
  for (const auto& sub : subviews()) collectSpoken(*sub, parts);
  std::string joined;
  for (const auto& part : parts) joined += (joined.empty() ? "" : ", ") + part;
  return joined;
}

UIAccessibilityTraits UICollectionViewCell::accessibilityTraits() const {
  if (const auto& traits = explicitAccessibilityTraits()) return *traits;
  return UIAccessibilityTraitButton | (selected_ ? UIAccessibilityTraitSelected : UIAccessibilityTraitNone);
}
