#pragma once
// The pane loader's side of the Settings app: which panes are installed, and loading one.
//
// Each /Library/PreferenceLoader/Preferences/*.plist names one pane in its `entry` dictionary:
// `label` (the row's title in Settings), `icon` (a file name), and either `bundle` (a bundle in
// /Library/PreferenceBundles/<bundle>.bundle whose executable holds the pane's code; its
// Info.plist names the executable and the principal class) or nothing: a simple entry carries
// the pane's own rows as `items` beside `entry` and is shown by the base list controller.
// A file that is not such a dictionary is skipped with a log line; the other panes still show.
// Both folders are a rootful device's; a rootless one keeps them below its prefix
// (device/jailbreak/JailbreakLayout.h).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"

class UIImage;
class UIViewController;

inline constexpr const char* kPaneLoaderEntriesPath = "/Library/PreferenceLoader/Preferences";
inline constexpr const char* kPreferenceBundlesPath = "/Library/PreferenceBundles";

struct PaneEntry {
  std::string entryPath;   // the loader file's device path
  std::string label;
  std::string bundle;      // empty for a simple entry
  std::string bundlePath;  // the pane bundle's folder, or the loader folder for a simple entry
  std::string iconPath;    // device path of the icon file; empty when the entry names none
  std::optional<platform::Dictionary> items;  // a simple entry's specifier dictionary
};

// The installed panes, by label.
std::vector<PaneEntry> installedPanes();

// The pane's root screen, made afresh: the bundle's executable loaded (once per process) and its
// principal class made by name and sent init; for a simple entry, a base list controller over its
// items. nullptr (logged) when the bundle, its Info.plist, the executable or the class is missing.
std::shared_ptr<UIViewController> loadPane(const PaneEntry& pane);

// The icon as Settings shows it (29 points, rounded); nullptr when the entry has none that decodes.
std::shared_ptr<UIImage> paneIcon(const PaneEntry& pane);
