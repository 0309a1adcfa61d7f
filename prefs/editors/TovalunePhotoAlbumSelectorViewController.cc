#include "prefs/editors/TovalunePhotoAlbumSelectorViewController.h"

#include "platform/foundation/NSLog.h"
#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PHCollectionList.h"
#include "platform/runtime/RuntimeClass.h"
#include "prefs/editors/TovaluneImageGrid.h"
#include "shared/TovalunePreferencesManager.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovalunePhotoAlbumSelectorViewController::cls();

constexpr const char* kCellIdentifier = "cell";
}  // namespace

OBJC_DEFINE_CLASS(TovalunePhotoAlbumSelectorViewController, UITableViewController)

std::shared_ptr<TovalunePhotoAlbumSelectorViewController> TovalunePhotoAlbumSelectorViewController::initWithPrefsKey(
    std::string prefsKey) {
  auto screen = objc::createInstance<TovalunePhotoAlbumSelectorViewController>();
  screen->setPrefsKey(std::move(prefsKey));
  return screen;
}

// Titled from the start: the list names a screen by its title before the screen is shown.
TovalunePhotoAlbumSelectorViewController::TovalunePhotoAlbumSelectorViewController(objc::Class* isa) : UITableViewController(isa) {
  setTitle(editorLocalizedString("Album Selector"));
}

void TovalunePhotoAlbumSelectorViewController::viewDidLoad() {
  UITableViewController::viewDidLoad();
  view()->setBackgroundColor(UIColor::whiteColor());
  setTitle(editorLocalizedString("Album Selector"));
  setExtendedLayoutIncludesOpaqueBars(true);
  setup();
}

void TovalunePhotoAlbumSelectorViewController::setup() { getPhotoAlbums(); }

void TovalunePhotoAlbumSelectorViewController::getPhotoAlbums() {
  selectedIndex_.reset();
  std::optional<std::string> stored;
  if (auto value = TovalunePreferencesManager::getPrefForKey(prefsKey_); value && value->string())
    stored = *value->string();

  // The engine looks the stored identifier up in these three fetches in this order; listing them
  // the same way keeps what is checked here and what the engine finds the same album.
  auto smart = PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeSmartAlbum,
                                                                PHAssetCollectionSubtypeAlbumRegular, nullptr);
  auto user = PHCollectionList::fetchTopLevelUserCollectionsWithOptions(nullptr);
  auto synced = PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeAlbum,
                                                                 PHAssetCollectionSubtypeAlbumSyncedAlbum, nullptr);

  std::vector<std::shared_ptr<PHCollection>> albums;
  auto append = [&](const std::shared_ptr<PHCollection>& collection) {
    if (!collection) return;
    if (stored && collection->localIdentifier() == *stored) selectedIndex_ = static_cast<int>(albums.size());
    albums.push_back(collection);
  };
  for (const auto& collection : smart) append(collection);
  for (const auto& collection : user) append(collection);
  for (const auto& collection : synced) append(collection);
  photoAlbums_ = std::move(albums);
  tableView()->reloadData();
}

int TovalunePhotoAlbumSelectorViewController::numberOfRowsInSection(UITableView*, int) {
  return static_cast<int>(photoAlbums_.size());
}

std::shared_ptr<UITableViewCell> TovalunePhotoAlbumSelectorViewController::cellForRowAtIndexPath(
    UITableView* tableView, const NSIndexPath& indexPath) {
  auto cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = UITableViewCell::alloc()->initWithStyle(UITableViewCellStyleSubtitle, kCellIdentifier);
  const int row = indexPath.row;
  if (row >= 0 && row < static_cast<int>(photoAlbums_.size()))
    cell->textLabel()->setText(photoAlbums_[row]->localizedTitle());
  cell->setAccessoryType(selectedIndex_ == row ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
  return cell;
}

void TovalunePhotoAlbumSelectorViewController::didSelectRowAtIndexPath(UITableView*, const NSIndexPath& indexPath) {
  const int row = indexPath.row;
  if (row < 0 || row >= static_cast<int>(photoAlbums_.size())) return;
  setSelectedIdentifier(photoAlbums_[row]->localIdentifier());
}

void TovalunePhotoAlbumSelectorViewController::setSelectedIdentifier(const std::string& identifier) {
  selectedIdentifier_ = identifier;
  // Under the store's lock with a fresh read, so a key written by the engine since this screen
  // opened is kept. Without a readable file nothing is written: the user's file is not replaced
  // by one that holds only this choice.
  const bool stored = TovalunePreferencesManager::modifyPrefs(
      [&](platform::Dictionary& prefs) { prefs[prefsKey_] = identifier; });
  if (!stored)
    NSLog("Could not store the chosen album: the preferences file {} cannot be read",
          TovalunePreferencesManager::kPreferencesPath);
  getPhotoAlbums();
}
