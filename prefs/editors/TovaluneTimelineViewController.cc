#include "prefs/editors/TovaluneTimelineViewController.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSDateFormatter.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UINavigationItem.h"
#include "prefs/editors/TovaluneTimelineAddViewController.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

using Self = TovaluneTimelineViewController;

constexpr const char* kTimelineKey = "ImageTimeline";
constexpr int kDeleteAttempts = 5;
constexpr auto kDeleteRetryPause = std::chrono::milliseconds(500);

void addButtonPressedImp(objc::Object* self, objc::SEL, objc::Object* sender) {
  static_cast<Self*>(self)->addButtonPressed(sender);
}

// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = Self::cls();

// The entry's string under `key`; empty when the entry is no dictionary or the value no string
// (the pane never writes such entries, but a hand-edited file may hold them).
std::string entryString(const Value& entry, const char* key) {
  const Dictionary* d = entry.dictionary();
  const Value* v = d ? platform::find(*d, key) : nullptr;
  const std::string* s = v ? v->string() : nullptr;
  return s ? *s : std::string();
}

// The stored timeline in `prefs`: missing, or anything but a list, counts as none.
Array timelineIn(const Dictionary& prefs) {
  const Value* v = platform::find(prefs, kTimelineKey);
  if (v && v->array()) return *v->array();
  if (v) NSLog("The stored timeline is not a list; showing it as empty");
  return {};
}

// The stored timeline read through the store, as the engine reads it.
Array storedTimeline() {
  std::optional<Value> stored = TovalunePreferencesManager::getPrefForKey(kTimelineKey);
  if (stored && stored->array()) return *stored->array();
  if (stored) NSLog("The stored timeline is not a list; showing it as empty");
  return {};
}

std::string localizedTitle() { return NSBundle::mainBundle()->localizedStringForKey("Timeline", "", ""); }

bool pictureNamed(const Array& entries, const std::string& path) {
  return std::any_of(entries.begin(), entries.end(),
                     [&](const Value& e) { return entryString(e, "ImagePath") == path; });
}

bool startTaken(const Array& entries, const std::string& start) {
  return std::any_of(entries.begin(), entries.end(),
                     [&](const Value& e) { return entryString(e, "Start") == start; });
}

void sortTimeline(Array& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const Value& a, const Value& b) {
    return Self::startSortKey(entryString(a, "Start")) < Self::startSortKey(entryString(b, "Start"));
  });
}

// "07:05:00" shows as "07:05"; a start without ":" shows as it stands.
std::string beginText(const std::string& start) {
  auto colon = start.find(':');
  if (colon == std::string::npos) return start;
  auto second = start.find(':', colon + 1);
  return start.substr(0, second == std::string::npos ? std::string::npos : second);
}

// One minute before `nextStart`, "HH:mm"; the next start as it stands when it is no time.
std::string endText(const std::string& nextStart) {
  auto parser = NSDateFormatter::create();
  parser->setDateFormat("HH:mm:ss");
  std::optional<double> next = parser->dateFromString(nextStart);
  if (!next) return nextStart;
  auto printer = NSDateFormatter::create();
  printer->setDateFormat("HH:mm");
  return printer->stringFromDate(*next - 60);
}

}  // namespace

OBJC_DEFINE_CLASS(TovaluneTimelineViewController, UITableViewController,
                  objc::method("addButtonPressed:", &addButtonPressedImp))

// Named from the start, so that the list that opens it can name it before its view is loaded.
TovaluneTimelineViewController::TovaluneTimelineViewController(objc::Class* isa) : UITableViewController(isa) {
  setTitle(localizedTitle());
}

void TovaluneTimelineViewController::viewDidLoad() {
  UITableViewController::viewDidLoad();
  view()->setBackgroundColor(UIColor::whiteColor());
  setTitle(localizedTitle());
  setExtendedLayoutIncludesOpaqueBars(true);
  tableView()->setAllowsMultipleSelectionDuringEditing(false);
  setup();
  loadTimeline();
}

void TovaluneTimelineViewController::setup() {
  navigationItem()->setRightBarButtonItem(
      UIBarButtonItem::initWithTitle("Add", UIBarButtonItemStylePlain, shared_from_this(), objc::sel("addButtonPressed:")));
}

void TovaluneTimelineViewController::loadTimeline() {
  timelineEntries_ = storedTimeline();
  if (isViewLoaded()) tableView()->reloadData();
}

void TovaluneTimelineViewController::saveTimeline(const Array& entries) {
  if (!TovalunePreferencesManager::modifyPrefs([&](Dictionary& prefs) { prefs[kTimelineKey] = entries; }))
    NSLog("The preferences file cannot be read; the timeline is left as it is");
  loadTimeline();
}

bool TovaluneTimelineViewController::addToTimeline(const Dictionary& entry) {
  std::string start = entryString(Value(entry), "Start");
  if (startTaken(storedTimeline(), start)) {
    presentTimeExistsAlert();
    return false;
  }
  // The check again under the lock, against the file as it is now.
  bool taken = false;
  bool saved = TovalunePreferencesManager::modifyPrefs([&](Dictionary& prefs) {
    Array entries = timelineIn(prefs);
    if ((taken = startTaken(entries, start))) return;
    entries.push_back(Value(entry));
    sortTimeline(entries);
    prefs[kTimelineKey] = std::move(entries);
  });
  if (!saved) NSLog("The preferences file cannot be read; the timeline is left as it is");
  loadTimeline();
  if (taken) presentTimeExistsAlert();
  return saved && !taken;
}

bool TovaluneTimelineViewController::addToTimelineWithTime(const std::string& start, const std::string& source) {
  if (addToTimeline(Dictionary{{"Start", start}, {"ImagePath", source}})) return true;
  // The editor wrote this picture for the refused entry alone, unless an entry names it already.
  if (source != kRandomImageMarker && !pictureNamed(storedTimeline(), source)) {
    if (auto picture = deletableTimelinePicture(source)) {
      NSLog("Deleting the picture of the refused timeline entry: {}", *picture);
      deletePictureInBackground(*picture);
    }
  }
  return false;
}

void TovaluneTimelineViewController::removeFromTimeline(const Dictionary& entry) {
  std::string path = entryString(Value(entry), "ImagePath");
  if (path != kRandomImageMarker && platform::fileExistsAtPath(path)) {
    if (auto picture = deletableTimelinePicture(path)) deletePictureInBackground(*picture);
    else NSLog("Not deleting {}: it is not a picture inside {}", path, kTimelineImagesPath);
  }
  removeStoredValue(Value(entry));
}

void TovaluneTimelineViewController::removeStoredValue(const Value& entry) {
  if (!TovalunePreferencesManager::getPrefForKey(kTimelineKey)) return;
  bool saved = TovalunePreferencesManager::modifyPrefs([&](Dictionary& prefs) {
    Array entries = timelineIn(prefs);
    std::erase(entries, entry);
    prefs[kTimelineKey] = std::move(entries);
  });
  if (!saved) NSLog("The preferences file cannot be read; the timeline is left as it is");
  loadTimeline();
}

void TovaluneTimelineViewController::addButtonPressed(objc::Object*) {
  auto self = std::static_pointer_cast<TovaluneTimelineViewController>(shared_from_this());
  auto editor = TovaluneTimelineAddViewController::initWithHandler([self](double date, const std::string& source) {
    auto formatter = NSDateFormatter::create();
    formatter->setDateFormat("HH:mm:00");
    self->addToTimelineWithTime(formatter->stringFromDate(date), source);
  });
  if (auto navigation = navigationController()) navigation->pushViewController(editor, true);
  else NSLog("Cannot open the entry editor: the timeline is not on a navigation controller");
  navigationItem()->setHidesBackButton(false);
}

std::string TovaluneTimelineViewController::rangeTextForEntryAtIndex(const Array& entries, std::size_t index) {
  if (entries.size() == 1) return "All Day";
  if (index >= entries.size()) return {};
  const Value& next = entries[(index + 1) % entries.size()];
  return beginText(entryString(entries[index], "Start")) + " - " + endText(entryString(next, "Start"));
}

double TovaluneTimelineViewController::startSortKey(const std::string& start) {
  std::string digits = start;
  std::erase(digits, ':');
  double key = Value(digits).doubleValue();
  return std::isnan(key) ? 0 : key;
}

std::optional<std::string> TovaluneTimelineViewController::deletableTimelinePicture(const std::string& path) {
  // Only the folder part is resolved: the entry's own file is what goes. When that file is a link
  // (to another entry's picture, say), the link goes and what it points at stays.
  const std::string name = platform::lastPathComponent(path);
  if (name.empty() || name == "." || name == ".." || name == "/") return std::nullopt;
  const std::string folder = platform::stringByResolvingSymlinksInPath(kTimelineImagesPath);
  const std::string parent =
      platform::stringByResolvingSymlinksInPath(platform::stringByDeletingLastPathComponent(path));
  const bool inside = !folder.empty() && !parent.empty() &&
                      (parent == folder || (parent.size() > folder.size() && parent.compare(0, folder.size(), folder) == 0 &&
                                            parent[folder.size()] == '/'));
  const std::string own = platform::stringByAppendingPathComponent(parent, name);
  bool isDirectory = true;
  if (!inside || !platform::itemExistsAtPath(own, &isDirectory) || isDirectory) return std::nullopt;
  return own;
}

void TovaluneTimelineViewController::deletePictureInBackground(const std::string& path) {
  platform::dispatch_async(platform::dispatch_get_global_queue(platform::QueuePriority::Background), [path] {
    for (int attempt = 1; attempt <= kDeleteAttempts; ++attempt) {
      if (platform::removeItemAtPath(path)) return;
      std::this_thread::sleep_for(kDeleteRetryPause);
    }
    NSLog("Could not delete {} after {} attempts", path, kDeleteAttempts);
  });
}

void TovaluneTimelineViewController::presentTimeExistsAlert() {
  auto alert = UIAlertController::alertControllerWithTitle(
      "Time Exists", "An entry already exists for this time. Please delete it first.", UIAlertControllerStyleAlert);
  alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault, nullptr));
  presentViewController(alert, true, nullptr);
}

int TovaluneTimelineViewController::numberOfRowsInSection(UITableView*, int) {
  return static_cast<int>(timelineEntries_.size());
}

std::shared_ptr<UITableViewCell> TovaluneTimelineViewController::cellForRowAtIndexPath(UITableView* tableView,
                                                                                    const NSIndexPath& indexPath) {
  auto cell = tableView->dequeueReusableCellWithIdentifier("cell");
  if (!cell) cell = UITableViewCell::alloc()->initWithStyle(UITableViewCellStyleSubtitle, "cell");
  std::size_t index = static_cast<std::size_t>(indexPath.row);
  if (index >= timelineEntries_.size()) return cell;
  const Value& entry = timelineEntries_[index];
  std::string path = entryString(entry, "ImagePath");
  if (path == kRandomImageMarker) {
    cell->imageView()->setImage(nullptr);
    cell->detailTextLabel()->setText("Random Image");
  } else {
    cell->imageView()->setImage(path.empty() ? nullptr : UIImage::imageWithContentsOfFile(path));
    cell->detailTextLabel()->setText("Custom Image");
  }
  cell->textLabel()->setText(rangeTextForEntryAtIndex(timelineEntries_, index));
  return cell;
}

void TovaluneTimelineViewController::commitEditingStyle(UITableView*, UITableViewCellEditingStyle editingStyle,
                                                        const NSIndexPath& indexPath) {
  if (editingStyle != UITableViewCellEditingStyleDelete) return;
  std::size_t index = static_cast<std::size_t>(indexPath.row);
  if (index >= timelineEntries_.size()) return;
  // A copy: the save reloads timelineEntries_.
  Value entry = timelineEntries_[index];
  if (const Dictionary* d = entry.dictionary()) {
    removeFromTimeline(*d);
  } else {
    // Not an entry at all (a hand-edited file): it goes, and no file is touched.
    NSLog("The timeline item at row {} is not an entry; removing it", indexPath.row);
    removeStoredValue(entry);
  }
}

void TovaluneTimelineViewController::didSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) {
  tableView->deselectRowAtIndexPath(indexPath, true);
}
