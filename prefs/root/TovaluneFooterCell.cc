#include "prefs/root/TovaluneFooterCell.h"

#include "prefs/root/OrbelPackage.h"

namespace {
[[maybe_unused]] objc::Class* const kRegistered = TovaluneFooterCell::cls();
constexpr const char* kNotice = "Made with care by Orbel \u00b7";
}  // namespace

OBJC_DEFINE_CLASS(TovaluneFooterCell, PSTableCell, PSTableCustomViewMethods<TovaluneFooterCell>())

TovaluneFooterCell::TovaluneFooterCell(objc::Class* isa) : PSTableCell(isa) {}

std::string TovaluneFooterCell::footerText(const std::optional<std::string>& version) {
  std::string text = std::string(kNotice) + " Tovalune";
  if (version) text += " " + *version;
  return text;
}

objc::Object* TovaluneFooterCell::initWithSpecifier(PSSpecifier*) {
  if (!UITableViewCell::initWithStyle(UITableViewCellStyleDefault, "Cell")) return nullptr;
  auto package = OrbelPackage::packageWithIdentifier(kPackageIdentifier);

  mainTitleLabel_ = UILabel::alloc()->initWithFrame(CGRectMake(0, 0, bounds().width(), 15));
  mainTitleLabel_->setNumberOfLines(1);
  mainTitleLabel_->setFont(UIFont::systemFontOfSize(12));
  mainTitleLabel_->setText(footerText(package->version()));
  mainTitleLabel_->setBackgroundColor(UIColor::clearColor());
  mainTitleLabel_->setTextColor(UIColor::grayColor());
  mainTitleLabel_->setTextAlignment(NSTextAlignmentCenter);
  addSubview(mainTitleLabel_);

  setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  mainTitleLabel_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  return this;
}
