#pragma once
// The screen on which the user chooses the photo-library album the Photo Album source draws from.
//
// It lists the library's albums by title in the order the engine searches them for the stored
// identifier: the smart albums, then the user's own top-level albums and folders, then the synced
// albums, each group in the library's own order, nothing filtered or sorted. So the row that
// carries the checkmark is the album the engine will find. The list is built when the view loads
// and again after each choice; changes made to the library meanwhile are not followed.
//
// A tap stores the album's `localIdentifier` under the preference key the screen was made with,
// in one locked read-modify-write of the preferences file, so a key the engine wrote a moment
// before is kept. A preferences file that cannot be read is not replaced by one holding only the
// choice: nothing is written (a log line says so) and the list shows what is stored.
//
// There is no row for "no album"; a stored identifier of an album that is gone leaves every row
// unchecked and stays stored until the user picks another album.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/photos/PHCollection.h"
#include "platform/uikit/UITableViewController.h"

class TovalunePhotoAlbumSelectorViewController : public UITableViewController {
 public:
  static objc::Class* cls();
  // [[TovalunePhotoAlbumSelectorViewController alloc] initWithPrefsKey:key].
  static std::shared_ptr<TovalunePhotoAlbumSelectorViewController> initWithPrefsKey(std::string prefsKey);
  explicit TovalunePhotoAlbumSelectorViewController(objc::Class* isa = TovalunePhotoAlbumSelectorViewController::cls());

  const std::string& prefsKey() const { return prefsKey_; }
  void setPrefsKey(std::string key) { prefsKey_ = std::move(key); }
  // The rows, in display order.
  const std::vector<std::shared_ptr<PHCollection>>& photoAlbums() const { return photoAlbums_; }
  // The identifier last chosen on this screen (empty until a choice).
  const std::string& selectedIdentifier() const { return selectedIdentifier_; }
  // The row that shows the checkmark: the last listed album whose identifier is the stored one.
  std::optional<int> selectedIndex() const { return selectedIndex_; }

  // The save operation: remembers the identifier, stores it under prefsKey, rebuilds the list so
  // the checkmark follows.
  void setSelectedIdentifier(const std::string& identifier);
  void setup();
  // Rebuilds photoAlbums and selectedIndex from the library and the stored identifier, then
  // reloads the table.
  void getPhotoAlbums();

  int numberOfSectionsInTableView(UITableView* tableView) override { return 1; }
  int numberOfRowsInSection(UITableView* tableView, int section) override;
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;
  void didSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;

 protected:
  void viewDidLoad() override;

 private:
  std::string prefsKey_;
  std::vector<std::shared_ptr<PHCollection>> photoAlbums_;
  std::string selectedIdentifier_;
  std::optional<int> selectedIndex_;
};
