#pragma once
// What a grid asks of whoever owns its items. Held weakly by the grid, as on the device: the owner
// (usually the grid's controller) keeps it alive.
#include <memory>

#include "platform/uikit/NSIndexPath.h"
#include "platform/uikit/UICollectionViewCell.h"

class UICollectionView;

class UICollectionViewDataSource {
 public:
  virtual ~UICollectionViewDataSource() = default;

  // numberOfSectionsInCollectionView:. One by default; a negative count counts as none.
  virtual int numberOfSectionsInCollectionView(UICollectionView* collectionView) { return 1; }
  // collectionView:numberOfItemsInSection:. A negative count counts as none.
  virtual int numberOfItemsInSection(UICollectionView* collectionView, int section) = 0;
  // collectionView:cellForItemAtIndexPath:. A cell from dequeueReusableCellWithReuseIdentifier
  // with its content set. A null cell is logged and the item shows empty.
  virtual std::shared_ptr<UICollectionViewCell> cellForItemAtIndexPath(UICollectionView* collectionView,
                                                                       const NSIndexPath& indexPath) = 0;
};
