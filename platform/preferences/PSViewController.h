#pragma once
// PSViewController: a screen of the Settings app that a row opened. It knows the row that opened
// it (its specifier) and the list it was opened from (its parent controller), as a pushed detail
// screen needs them to read and write the row's value.
#include <memory>

#include "platform/preferences/PSSpecifier.h"
#include "platform/uikit/UIViewController.h"

class PSViewController : public UIViewController {
 public:
  static objc::Class* cls();
  explicit PSViewController(objc::Class* isa = PSViewController::cls());

  const std::shared_ptr<PSSpecifier>& specifier() const { return specifier_; }
  // Virtual so that a screen can build itself from the row that opened it.
  virtual void setSpecifier(std::shared_ptr<PSSpecifier> specifier) { specifier_ = std::move(specifier); }

  // Held weakly: the parent keeps its pushed screens on its navigation stack, not the reverse.
  std::shared_ptr<UIViewController> parentController() const { return parentController_.lock(); }
  void setParentController(const std::shared_ptr<UIViewController>& parent) { parentController_ = parent; }

 private:
  std::shared_ptr<PSSpecifier> specifier_;
  std::weak_ptr<UIViewController> parentController_;
};
