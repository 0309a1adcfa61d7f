#pragma once
// UICollectionViewCell: one item of a grid. It has a content view as large as the cell, for the
// cell's own parts; a subclass may also add views to the cell itself. A cell draws nothing of
// its own but its background colour: selection and highlight are states a subclass may show.
//
// Cells are made by the grid from the class registered for their reuse identifier (see
// UICollectionView::registerClass), so a subclass registers an objc class whose allocator makes
// it, or the grid is given a factory. A cell that scrolls out of sight goes to its grid's reuse
// queue, and the next dequeue hands it out again after prepareForReuse.
//
// A tap on a cell (or on any of its views that takes no tap itself) goes to its grid, which
// selects the item and tells its delegate.
#include <memory>
#include <string>

#include "platform/uikit/UIView.h"

class UICollectionView;

class UICollectionViewCell : public UIView {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UICollectionViewCell> alloc();
  std::shared_ptr<UICollectionViewCell> initWithFrame(const CGRect& frame);
  explicit UICollectionViewCell(objc::Class* isa = UICollectionViewCell::cls());

  // Follows the cell's bounds (flexible width and height).
  const std::shared_ptr<UIView>& contentView() const { return contentView_; }
  // Set by the grid when it makes the cell.
  const std::string& reuseIdentifier() const { return reuseIdentifier_; }

  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted);

  // Sent when the grid hands the cell out again from its reuse queue, before the data source
  // fills it. The default clears the selection and the highlight; a subclass calls the base.
  virtual void prepareForReuse();

  // The grid this cell is in, when it is in one.
  UICollectionView* collectionView() const;

  // UIView.
  bool handleTap(const CGPoint& point) override;
  // A cell is one element to a reader: its label is the labels of its views, and a picture's
  // file name when its image came from a file (see UIImage::sourcePath).
  bool isAccessibilityElement() const override;
  std::string accessibilityLabel() const override;
  UIAccessibilityTraits accessibilityTraits() const override;

 private:
  friend class UICollectionView;
  std::shared_ptr<UIView> contentView_;
  std::string reuseIdentifier_;
  bool selected_ = false;
  bool highlighted_ = false;
};
