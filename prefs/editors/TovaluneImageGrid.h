#pragma once
// What the local image selector and the stored image viewer share: the listing of a picture
// folder, the tile's picture and the tile's looks, so the two grids look and behave alike.
#include <memory>
#include <string>
#include <vector>

#include "platform/image/UIImage.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UICollectionViewCell.h"
#include "platform/uikit/UIImageView.h"

class UIViewController;

// Tiles are this many points square, inside a margin of this many points around the grid.
inline constexpr double kImageTileSize = 100;
inline constexpr double kImageGridInset = 20;
inline constexpr const char* kImageTileReuseIdentifier = "cellIdentifier";

// A picture of a folder: its path, and its shape (height over width), which lets its tile ask the
// decoder for no more pixels than the tile shows.
struct FolderPicture {
  std::string path;
  double heightOverWidth = 1;
};

// The pictures of a folder, in the order the folder lists them: every entry (not recursive) that
// can be decoded as a picture. Subfolders, hidden files and anything else are skipped without a
// word. A missing folder logs "Could not find local folder: %@", an empty or unreadable one
// "Could not find any files in local folder: %@", and gives no pictures.
//
// Each file is really decoded, so a damaged or truncated picture is left out exactly as a full
// decode would leave it out; the decode is a thumbnail one (platform::decodeImageThumbnail), which
// reads every byte of the picture but keeps only a few pixels, and files are decoded side by side
// on the processor's cores within the decoder's pixel budget, so a folder of phone photos lists
// quickly and a folder of huge pictures takes no more memory than one of small ones.
std::vector<FolderPicture> picturesInFolder(const std::string& folder);

// The picture of a file as a tile shows it: aspect fit in the tile, so decoded at the size that
// fits the tile's pixels on this screen and no larger; it looks exactly as the full picture would,
// and a grid's memory is that of its tiles, not of the photos. A HEIF's own thumbnail stands in
// for its picture when it covers the tile (the listing has decoded the picture itself). nullptr
// when the file is no longer a picture.
std::shared_ptr<UIImage> tileImageAtPath(const std::string& path, double heightOverWidth);

// The localized text for an English key, from the host application's main bundle (default table);
// the key itself when there is no translation.
std::string editorLocalizedString(const std::string& key);

// Dismisses what the screen shows over itself (through its navigation controller, which presents
// for it), if anything. An alert's button has already taken its alert away when its handler runs;
// asking then must not take away whatever presents the screen itself.
void dismissWhatScreenPresents(UIViewController& screen);

// The grid both picture screens lay over their view: a flow layout with the 20-point inset, the
// screen's frame, the screen as data source and delegate, `cellClass` registered for the tile
// identifier, a clear background, growing with the view. Returned after it is added.
std::shared_ptr<UICollectionView> addImageGrid(
    UIViewController& screen, const std::shared_ptr<UICollectionViewDataSource>& dataSource,
    const std::shared_ptr<UICollectionViewDelegate>& delegate, objc::Class* cellClass);

// ---- The tile: one class of looks and behaviour under both grids' named cell classes ----
// It has no runtime class of its own: each grid's cell class registers under UICollectionViewCell
// and derives from this one for what its tiles do.
class TovaluneImageTileCell : public UICollectionViewCell {
 public:
  // Made by the first setImage after the cell is made or reused; nullptr before.
  const std::shared_ptr<UIImageView>& imageView() const { return imageView_; }
  // The image view is made on first use with the cell's bounds, aspect fit, and added to the cell
  // itself; the picture is set and the cell laid out at once. nullptr shows the empty grey tile.
  void setImage(std::shared_ptr<UIImage> image);

  // Corners rounded by 0.225 × the cell's width, clipped, grey background, the picture's tint
  // white (a template picture, the plus sign, is drawn white).
  void layoutSubviews() override;
  // The image view is removed and dropped, so each use starts with a fresh one of full size (the
  // plus tile shrinks its own).
  void prepareForReuse() override;

 protected:
  explicit TovaluneImageTileCell(objc::Class* isa) : UICollectionViewCell(isa) {}

 private:
  std::shared_ptr<UIImageView> imageView_;
};
