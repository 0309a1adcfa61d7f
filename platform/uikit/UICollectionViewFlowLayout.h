#pragma once
// UICollectionViewFlowLayout: how a grid places its items. Items flow left to right into rows
// that wrap at the grid's width, rows run top to bottom, and the grid scrolls vertically.
//
// Within a section (all sizes in points):
//   - the rows sit inside the section's insets: sectionInset.left and .right bound every row,
//     .top comes before the first row and .bottom after the last;
//   - a row takes as many items as fit with at least minimumInteritemSpacing between them; an
//     item wider than the room still gets a row of its own;
//   - every row but the section's last is fully justified: its first item touches the left inset,
//     its last the right inset, and the spare room is shared evenly between the gaps (a lone item
//     in such a row is centred). The last row keeps minimumInteritemSpacing and is left-aligned;
//   - a row is as high as its tallest item, the other items are centred vertically in it, and
//     rows are minimumLineSpacing apart.
// Sections follow one another with nothing between them but their insets.
//
// Item sizes come from the grid's delegate (sizeForItemAtIndexPath, whose default is itemSize);
// a grid without a delegate uses itemSize. Negative or non-finite sizes, spacings and insets count as zero.
#include <memory>
#include <vector>

#include "platform/runtime/Runtime.h"
#include "platform/uikit/CGGeometry.h"
#include "platform/uikit/NSIndexPath.h"
#include "platform/uikit/UIScrollView.h"

class UICollectionView;

// Only vertical scrolling is laid out; horizontal is accepted and treated as vertical (logged).
enum UICollectionViewScrollDirection {
  UICollectionViewScrollDirectionVertical = 0,
  UICollectionViewScrollDirectionHorizontal = 1,
};

class UICollectionViewFlowLayout : public objc::Object {
 public:
  static objc::Class* cls();
  // [[UICollectionViewFlowLayout alloc] init].
  static std::shared_ptr<UICollectionViewFlowLayout> create();
  explicit UICollectionViewFlowLayout(objc::Class* isa = UICollectionViewFlowLayout::cls());

  UIEdgeInsets sectionInset() const { return sectionInset_; }
  void setSectionInset(const UIEdgeInsets& insets);
  // The size of an item the delegate does not size (50 × 50).
  CGSize itemSize() const { return itemSize_; }
  void setItemSize(const CGSize& size);
  // Between rows (10), and the least between items of a row (10).
  double minimumLineSpacing() const { return minimumLineSpacing_; }
  void setMinimumLineSpacing(double spacing);
  double minimumInteritemSpacing() const { return minimumInteritemSpacing_; }
  void setMinimumInteritemSpacing(double spacing);
  UICollectionViewScrollDirection scrollDirection() const { return scrollDirection_; }
  void setScrollDirection(UICollectionViewScrollDirection direction);

  // ---- Used by the grid ----
  // The frames of every item of every section (content coordinates), for a grid of that width,
  // sections[s][i] for item i of section s, and the height of the whole content.
  struct Geometry {
    std::vector<std::vector<CGRect>> frames;
    double contentHeight = 0;
  };
  // `itemSizes[s][i]` is the size of item i of section s.
  Geometry layout(double width, const std::vector<std::vector<CGSize>>& itemSizes) const;

 private:
  UIEdgeInsets sectionInset_;
  CGSize itemSize_{50, 50};
  double minimumLineSpacing_ = 10;
  double minimumInteritemSpacing_ = 10;
  UICollectionViewScrollDirection scrollDirection_ = UICollectionViewScrollDirectionVertical;
};
