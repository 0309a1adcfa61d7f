#pragma once
// What a grid tells, and the flow layout's question about item sizes
// (UICollectionViewDelegateFlowLayout). Every method has a default, so a delegate overrides only
// what it needs. Held weakly by the grid.
#include "platform/uikit/CGGeometry.h"
#include "platform/uikit/NSIndexPath.h"
#include "platform/uikit/UICollectionViewCell.h"
#include "platform/uikit/UICollectionViewFlowLayout.h"

class UICollectionView;

class UICollectionViewDelegate {
 public:
  virtual ~UICollectionViewDelegate() = default;

  // collectionView:layout:sizeForItemAtIndexPath:. By default the layout's itemSize.
  virtual CGSize sizeForItemAtIndexPath(UICollectionView* collectionView, UICollectionViewFlowLayout* layout,
                                        const NSIndexPath& indexPath) {
    return layout ? layout->itemSize() : CGSize{50, 50};
  }
  // collectionView:willDisplayCell:forItemAtIndexPath:. Each time an item comes into view, after
  // its cell is placed.
  virtual void willDisplayCell(UICollectionView* collectionView, UICollectionViewCell* cell,
                               const NSIndexPath& indexPath) {}
  // collectionView:didSelectItemAtIndexPath:. The user tapped the item, which is now selected.
  virtual void didSelectItemAtIndexPath(UICollectionView* collectionView, const NSIndexPath& indexPath) {}
  // collectionView:didDeselectItemAtIndexPath:. The user's tap on another item took the selection.
  virtual void didDeselectItemAtIndexPath(UICollectionView* collectionView, const NSIndexPath& indexPath) {}
};
