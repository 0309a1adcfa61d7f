#pragma once
// PSListController: a settings screen made of rows described by specifiers. Its view is an
// inset-grouped list; each PSGroupCell specifier starts a section (its name is the header, its
// `footerText` the footer), the rows before the first group form a section without either.
//
// Where the rows come from: `specifiers`, sent through the runtime, so a pane's subclass answers
// it (usually loading its specifier file with loadSpecifiersFromPlistName:target: and keeping the
// result in the `_specifiers` cache). The base class's own answer is the cache, else the rows of a
// specifier dictionary handed over with setSpecifierSource (how the Settings app shows a simple
// entry without code), else none.
//
// Values: a value row reads through its specifier's getter and writes through its setter, on its
// target (normally this controller): readPreferenceValue: and setPreferenceValue:specifier:. The
// base implementations keep the value in the row's `defaults` domain
// (/var/mobile/Library/Preferences/<defaults>.plist) under its `key`, with the row's `default`
// shown while none is stored, and post the row's `PostNotification` on the Darwin center after a
// write. A subclass overrides them (as C++ virtuals or runtime methods) to keep values elsewhere.
//
// Taps: a button row sends its `action` to its target; a link row pushes its `detail` controller
// (or sends its action); a link list pushes the list of its choices (PSListItemsController); an
// edit-text row starts editing. Pushes go onto this controller's own navigation controller. An
// action the target does not answer, or a detail class that does not exist, is logged and nothing
// happens.
//
// Runtime selectors (a pane adds or replaces them with these exact signatures):
//   init                                   objc::Object* (objc::Object* self, objc::SEL)
//   specifiers                             PSSpecifierList (objc::Object* self, objc::SEL)
//   loadSpecifiersFromPlistName:target:    PSSpecifierList (objc::Object* self, objc::SEL, std::string name, objc::Object* target)
//   reloadSpecifiers                       void (objc::Object* self, objc::SEL)
//   readPreferenceValue: and setPreferenceValue:specifier: as in PSSpecifier.h
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/PlistValue.h"
#include "platform/preferences/PSSpecifier.h"
#include "platform/preferences/PSTableCell.h"
#include "platform/preferences/PSViewController.h"
#include "platform/uikit/UITableView.h"

class PSListController : public PSViewController, public UITableViewDataSource, public UITableViewDelegate {
 public:
  static objc::Class* cls();
  explicit PSListController(objc::Class* isa = PSListController::cls());

  // -init: the receiver, ready to load its rows. A subclass calls the base first.
  virtual objc::Object* init();

  // ---- Rows ----
  // The rows: the cache when set; else the specifier source's rows (cached). A subclass returns
  // its own rows and keeps them in _specifiers.
  virtual PSSpecifierList specifiers();
  // Reads "<bundle path>/<name>.plist" of this controller's bundle: rows whose values and actions
  // go to `target`, labels translated through the bundle's "<name>" strings table. The file's
  // `title`, when it has one, becomes this controller's title. Unreadable files give no rows.
  PSSpecifierList loadSpecifiersFromPlistName(const std::string& name, objc::Object* target);
  // Rows from a specifier dictionary held in memory (a simple entry's `items`), with `table` as
  // the strings table; this controller is their target. Kept as the source of the base
  // `specifiers`, so a reload reads it again.
  void setSpecifierSource(platform::Dictionary plist, std::string table);
  // Drops the cache, asks `specifiers` again and shows the new rows at once.
  virtual void reloadSpecifiers();
  // Shows a row's title and value afresh.
  void reloadSpecifier(PSSpecifier* specifier);
  void reloadSpecifierID(const std::string& identifier);

  // The shown rows (the cache, loading it when unset).
  PSSpecifierList loadedSpecifiers();
  std::shared_ptr<PSSpecifier> specifierForID(const std::string& identifier);
  std::shared_ptr<PSSpecifier> specifierAtIndex(std::size_t index);
  std::optional<std::size_t> indexOfSpecifier(const PSSpecifier* specifier);
  std::optional<NSIndexPath> indexPathForSpecifier(const PSSpecifier* specifier);
  std::shared_ptr<PSSpecifier> specifierAtIndexPath(const NSIndexPath& indexPath);
  // Edits of the shown rows; the list shows them at once.
  void insertSpecifier(std::shared_ptr<PSSpecifier> specifier, std::size_t index);
  void addSpecifier(std::shared_ptr<PSSpecifier> specifier);
  void removeSpecifier(const PSSpecifier* specifier);
  void removeSpecifierID(const std::string& identifier);

  // ---- Values ----
  virtual PSValue readPreferenceValue(PSSpecifier* specifier);
  virtual void setPreferenceValue(PSValue value, PSSpecifier* specifier);

  // ---- The screen ----
  std::shared_ptr<UITableView> table();
  // The cell shown for a row (made when needed); nullptr for a row that is not shown.
  std::shared_ptr<UITableViewCell> cachedCellForSpecifier(const PSSpecifier* specifier);
  // Pushes a screen onto this controller's navigation controller; logged when there is none. A
  // PSViewController pushed gets this controller as its parent.
  void pushController(const std::shared_ptr<UIViewController>& controller, bool animated = true);
  // What a tap on a button row does: the specifier's action sent to its target.
  void performButtonAction(PSSpecifier* specifier);

  // ---- Bundle ----
  // The folder (a device path) of the pane bundle the controller's files come from. Set by
  // whoever loads the pane; unset, it is the folder of the shared object that made this
  // controller's class, when that lies inside the device.
  std::string bundlePath() const;
  void setBundlePath(std::string path) { bundlePath_ = std::move(path); }
  // The bundle's translation of a text in a strings table (the text itself when there is none).
  std::string localizedString(const std::string& text, const std::string& table) const;

  // ---- UITableViewDataSource and UITableViewDelegate ----
  int numberOfSectionsInTableView(UITableView* tableView) override;
  int numberOfRowsInSection(UITableView* tableView, int section) override;
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;
  std::string titleForHeaderInSection(UITableView* tableView, int section) override;
  std::string titleForFooterInSection(UITableView* tableView, int section) override;
  double heightForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;
  void didSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;

 protected:
  void loadView() override;
  // Values are shown afresh each time the list comes back into view (after a pushed screen).
  void viewWillAppear(bool animated) override;
  // The row that was tapped, once its section and row are known; a subclass may handle kinds of
  // its own and call the base for the rest.
  virtual void didSelectSpecifier(PSSpecifier* specifier, const NSIndexPath& indexPath);

  // The rows once loaded; unset until `specifiers` runs. Subclasses keep their rows here.
  std::optional<PSSpecifierList> _specifiers;

 private:
  struct Section {
    std::shared_ptr<PSSpecifier> group;  // nullptr for rows before the first group
    PSSpecifierList rows;
  };
  const std::vector<Section>& sections();
  void rebuildSections();
  void specifiersChanged();
  std::shared_ptr<UITableViewCell> makeCell(PSSpecifier* specifier);
  std::shared_ptr<UITableViewCell> makeCustomCell(PSSpecifier* specifier, const std::string& className);
  void refreshCell(PSSpecifier* specifier, UITableViewCell* cell);
  void openLink(PSSpecifier* specifier);
  void openChoices(PSSpecifier* specifier);

  std::string bundlePath_;
  std::optional<platform::Dictionary> source_;
  std::string sourceTable_;
  std::shared_ptr<UITableView> table_;
  std::optional<std::vector<Section>> sections_;
  std::map<const PSSpecifier*, std::shared_ptr<UITableViewCell>> cells_;
};
