#pragma once
// One tile of the stored image viewer's grid: a rounded grey square showing one picture, fitted. The
// looks are those of every picture tile of the pane (see TovaluneImageGrid.h).
#include <memory>

#include "platform/uikit/UICollectionViewCell.h"
#include "platform/uikit/UIImageView.h"

class TovaluneImageViewerCollectionViewCell : public UICollectionViewCell {
 public:
  static objc::Class* cls();
  explicit TovaluneImageViewerCollectionViewCell(objc::Class* isa = TovaluneImageViewerCollectionViewCell::cls());

  // Made by the first setImage after the cell is made or reused; nullptr before.
  const std::shared_ptr<UIImageView>& imageView() const { return imageView_; }
  // nullptr shows the empty grey tile.
  void setImage(std::shared_ptr<UIImage> image);

  void layoutSubviews() override;
  void prepareForReuse() override;

 private:
  std::shared_ptr<UIImageView> imageView_;
};
