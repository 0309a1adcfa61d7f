#pragma once
// The last row of the list: one small grey line that ends with the product name and the version
// of the installed package, read from the device's package database when the row is made. With
// no version to be had (not installed, or no answer from the database) the line ends with the
// product name, and the list shows as usual.
#include <memory>
#include <string>

#include "platform/preferences/PSTableCell.h"
#include "platform/preferences/PreferencesTableCustomView.h"
#include "platform/uikit/UILabel.h"

class TovaluneFooterCell : public PSTableCell, public PreferencesTableCustomView {
 public:
  static constexpr const char* kPackageIdentifier = "com.orbel.tovalune";
  static constexpr double kRowHeight = 25;

  static objc::Class* cls();
  explicit TovaluneFooterCell(objc::Class* isa = TovaluneFooterCell::cls());

  // The line for a version, or for none.
  static std::string footerText(const std::optional<std::string>& version);

  // A default-style cell with reuse identifier "Cell" holding the line; the specifier is not read.
  objc::Object* initWithSpecifier(PSSpecifier* specifier) override;
  double preferredHeightForWidth(double width) override { return kRowHeight; }

  const std::shared_ptr<UILabel>& mainTitleLabel() const { return mainTitleLabel_; }

 private:
  std::shared_ptr<UILabel> mainTitleLabel_;
};
