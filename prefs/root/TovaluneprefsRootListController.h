#pragma once
// The pane's first screen: the list the Settings app shows when the user opens Tovalune.
//
// Rows come from the specifier file "Root" of the pane's bundle; rows that do not apply to the
// chosen image source (`ImageMode`) and update mode (`UpdateMode`) are left out. Values are read
// from and written to the preferences file on every use, never kept here, so the list always
// shows what the engine will read. A change of the source or the update mode rebuilds the list
// at once; any other change leaves the rows as they are.
//
// Button rows call the actions below through the runtime ("respring", "twitterlink",
// "showImageSelector", "showImageViewer", "showAlbumSelector", "showTimePicker"), each with the
// signature void (objc::Object* self, objc::SEL). The runtime also answers "name"
// (std::string (objc::Object*, objc::SEL)) and "setName:" (void (objc::Object*, objc::SEL,
// std::string)).
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/preferences/PSListController.h"

class TovaluneprefsRootListController : public PSListController {
 public:
  // The address the maker's page button opens.
  static constexpr const char* kMakerPageURL = "https://social.orbel.dev/@orbel";

  static objc::Class* cls();
  explicit TovaluneprefsRootListController(objc::Class* isa = TovaluneprefsRootListController::cls());

  // Base initialisation, then `name` becomes "Root".
  objc::Object* init() override;
  // The specifier file the rows come from.
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

  // The cached rows, built first when there are none: every row of the specifier file whose key
  // is missing or empty, is one of permanentSpecifiers, belongs to the chosen source in
  // specifiersForProvider, or is "TimePicker" while `UpdateMode` is 1. File order is kept.
  PSSpecifierList specifiers() override;
  // Keys shown whatever the settings, in the file's order of importance.
  static std::vector<std::string> permanentSpecifiers();
  // Provider name ("Local", "Custom", "Photo Album") to the keys shown only for that source.
  static std::map<std::string, std::vector<std::string>> specifiersForProvider();

  // The stored value of the row's key, read from the file now; else the row's `default`; else
  // nothing.
  PSValue readPreferenceValue(PSSpecifier* specifier) override;
  // Stores the value under the row's key in one locked read-modify-write of the file, so a key
  // another process wrote meanwhile is kept. A value the file could not give back as it is
  // (nothing at all, a string holding a NUL character, nesting deeper than any setting needs) and
  // a row without a key are refused with a log line, and the file stays as it was.
  void setPreferenceValue(PSValue value, PSSpecifier* specifier) override;

  // Ends SpringBoard through the device's killall, so the engine starts again with the new
  // settings. The program is not waited for.
  void respring();
  // Opens the maker's page through the shared application.
  void twitterlink();
  // Each opens a new editor screen on this list's navigation controller, keeping the back button.
  void showImageSelector();
  void showImageViewer();
  void showAlbumSelector();
  void showTimePicker();

 private:
  void openEditor(const std::shared_ptr<UIViewController>& screen);

  std::string name_;
};
