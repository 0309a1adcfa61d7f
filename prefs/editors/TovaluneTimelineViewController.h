#pragma once
// The screen on which the user keeps the time-of-day timeline: one row per entry, from its start
// until the next entry's start ("07:00 - 19:29"; the last row wraps over midnight to the first
// start), or "All Day" when there is only one. "Add" opens the entry editor; swiping a row deletes
// the entry and, in the background, its picture.
//
// The stored `ImageTimeline` is the truth: the list shows a snapshot of it taken after every save,
// and every change reads it again under the preferences lock, so a key another process wrote in
// between is kept. Entries stay sorted by start and no two share a start; an entry whose start is
// taken is refused with the "Time Exists" alert.
//
// Pictures are deleted only inside the timeline folder: an entry naming a file anywhere else (a
// hand-edited preferences file, a link out of the folder) loses its entry but never that file.
// A picture the editor wrote for an entry the list then refuses is deleted again, so refusals
// leave nothing behind in the folder.
//
// The runtime answers "addButtonPressed:" (void (objc::Object*, objc::SEL, objc::Object* sender)).
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/PlistValue.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UITableViewController.h"

class TovaluneTimelineViewController : public UITableViewController {
 public:
  static objc::Class* cls();
  // [[TovaluneTimelineViewController alloc] init].
  static std::shared_ptr<TovaluneTimelineViewController> init() {
    return objc::createInstance<TovaluneTimelineViewController>();
  }
  explicit TovaluneTimelineViewController(objc::Class* isa = TovaluneTimelineViewController::cls());

  // The stored timeline as last loaded; never edited in place.
  const platform::Array& timelineEntries() const { return timelineEntries_; }

  // The "Add" bar button.
  void setup();
  // Reads `ImageTimeline` afresh (missing or not a list: no entries) and reloads the table.
  void loadTimeline();
  // Stores the array as `ImageTimeline`, then loads it back. An unreadable preferences file is left
  // as it is (nothing written), so the list shows what is stored.
  void saveTimeline(const platform::Array& entries);
  // Refuses an entry whose start is already stored ("Time Exists"), else stores it in order.
  // Returns whether the entry was stored.
  bool addToTimeline(const platform::Dictionary& entry);
  bool addToTimelineWithTime(const std::string& start, const std::string& source);
  // Removes every stored entry equal to this one, and deletes its picture in the background.
  void removeFromTimeline(const platform::Dictionary& entry);
  // Pushes the entry editor, whose result comes back through addToTimelineWithTime.
  void addButtonPressed(objc::Object* sender);

  // What a row shows for the entry at `index` of `entries`: "All Day" for a single entry, else
  // "begin - end" with the end one minute before the next entry's start.
  static std::string rangeTextForEntryAtIndex(const platform::Array& entries, std::size_t index);
  // The sort key of a start: the digits with every ":" removed (07:05:00 is 70500).
  static double startSortKey(const std::string& start);
  // Whether the picture at `path` may be deleted: an existing item, not a folder, whose folder,
  // with ".." and links resolved, lies inside the timeline folder. Returns the path to delete
  // (the resolved folder and the item's own name, so a link is deleted as a link) when it may.
  static std::optional<std::string> deletableTimelinePicture(const std::string& path);

  // ---- Table ----
  int numberOfSectionsInTableView(UITableView* tableView) override { return 1; }
  int numberOfRowsInSection(UITableView* tableView, int section) override;
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;
  bool canEditRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override { return true; }
  void commitEditingStyle(UITableView* tableView, UITableViewCellEditingStyle editingStyle,
                          const NSIndexPath& indexPath) override;
  void didSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;

 protected:
  void viewDidLoad() override;

 private:
  // Deletes a picture the timeline no longer names, on the background queue with five tries.
  static void deletePictureInBackground(const std::string& path);
  // Removes every stored item equal to `entry` and loads the timeline again.
  void removeStoredValue(const platform::Value& entry);
  void presentTimeExistsAlert();

  platform::Array timelineEntries_;
};
