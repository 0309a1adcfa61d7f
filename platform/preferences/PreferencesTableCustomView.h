#pragma once
// PreferencesTableCustomView: the protocol of a row made by a pane's own cell class (a specifier
// with `cellClass`). The list makes such a cell by name through the runtime and sends it
// initWithSpecifier:; when the class answers preferredHeightForWidth:, the row is that high (else
// the specifier's `height`, else 44). Both go through the runtime, so a pane may also register or
// replace them on its class by hand:
//   initWithSpecifier:          objc::Object* (objc::Object* self, objc::SEL, PSSpecifier* specifier) -> self or nullptr
//   preferredHeightForWidth:    double (objc::Object* self, objc::SEL, double width)
//
// A C++ cell adopts it by deriving PSTableCell and this class, then defining its class with both
// selectors routed to its methods:
//   OBJC_DEFINE_CLASS(MyBannerCell, PSTableCell, PSTableCustomViewMethods<MyBannerCell>())
#include <array>

#include "platform/preferences/PSSpecifier.h"
#include "platform/runtime/RuntimeClass.h"

class PreferencesTableCustomView {
 public:
  virtual ~PreferencesTableCustomView() = default;
  // Sets the cell up for its row; returns the cell (this object) or nullptr when it cannot.
  virtual objc::Object* initWithSpecifier(PSSpecifier* specifier) = 0;
  // The row's height for the list's width.
  virtual double preferredHeightForWidth(double width) = 0;
};

inline objc::SEL PSInitWithSpecifierSelector() { return objc::sel("initWithSpecifier:"); }
inline objc::SEL PSPreferredHeightForWidthSelector() { return objc::sel("preferredHeightForWidth:"); }

template <typename Cell>
objc::Object* PSCustomViewInitWithSpecifierImp(objc::Object* self, objc::SEL, PSSpecifier* specifier) {
  return static_cast<Cell*>(self)->initWithSpecifier(specifier);
}

template <typename Cell>
double PSCustomViewPreferredHeightImp(objc::Object* self, objc::SEL, double width) {
  return static_cast<Cell*>(self)->preferredHeightForWidth(width);
}

// The method table that routes both selectors to Cell's methods.
template <typename Cell>
std::array<objc::Method, 2> PSTableCustomViewMethods() {
  return {objc::Method{PSInitWithSpecifierSelector(), objc::imp_cast(&PSCustomViewInitWithSpecifierImp<Cell>)},
          objc::Method{PSPreferredHeightForWidthSelector(), objc::imp_cast(&PSCustomViewPreferredHeightImp<Cell>)}};
}
