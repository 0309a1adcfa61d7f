#include "platform/preferences/PSSegmentTableCell.h"

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UISegmentedControl.h"

namespace {
constexpr double kSegmentSideInset = 16;
}  // namespace

OBJC_DEFINE_CLASS(PSSegmentTableCell, PSTableCell)

PSSegmentTableCell::PSSegmentTableCell(objc::Class* isa) : PSTableCell(isa) {}

objc::Object* PSSegmentTableCell::initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier,
                                                PSSpecifier* specifier) {
  control_ = std::make_shared<UISegmentedControl>();
  std::weak_ptr<PSSegmentTableCell> weak = std::static_pointer_cast<PSSegmentTableCell>(shared_from_this());
  control_->addHandler(
      [weak](UIControl*) {
        if (auto cell = weak.lock()) cell->segmentChanged();
      },
      UIControlEventValueChanged);
  contentView()->addSubview(control_);
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  return PSTableCell::initWithStyle(style, std::move(reuseIdentifier), specifier);
}

void PSSegmentTableCell::refreshCellContentsWithSpecifier(PSSpecifier* specifier) {
  if (specifier && control_) {
    // The segments show the short titles when the row has them: a row is narrow.
    const auto& titles = specifier->shortTitles().size() == specifier->values().size() ? specifier->shortTitles()
                                                                                        : specifier->titles();
    control_->removeAllSegments();
    for (std::size_t i = 0; i < specifier->values().size(); ++i)
      control_->insertSegmentWithTitle(i < titles.size() ? titles[i] : specifier->values()[i].description(), i, false);
  }
  PSTableCell::refreshCellContentsWithSpecifier(specifier);
  // The segments say what the row is; a title would only crowd them.
  if (existingTextLabel()) existingTextLabel()->setHidden(true);
}

void PSSegmentTableCell::setValue(PSValue value) {
  PSTableCell::setValue(value);
  if (!control_) return;
  auto spec = specifier();
  auto index = spec && value ? spec->indexOfValue(*value) : std::nullopt;
  control_->setSelectedSegmentIndex(index ? int(*index) : UISegmentedControlNoSegment);
}

void PSSegmentTableCell::setCellEnabled(bool enabled) {
  PSTableCell::setCellEnabled(enabled);
  setSelectionStyle(UITableViewCellSelectionStyleNone);
  if (control_) control_->setEnabled(enabled);
}

void PSSegmentTableCell::segmentChanged() {
  // Keep this cell alive: the setter may reload the list, which lets go of its cells.
  auto keep = shared_from_this();
  auto spec = specifier();
  int index = control_->selectedSegmentIndex();
  if (!spec || index < 0 || std::size_t(index) >= spec->values().size()) return;
  platform::Value chosen = spec->values()[std::size_t(index)];
  PSTableCell::setValue(chosen);
  spec->performSetterWithValue(std::move(chosen));
}

void PSSegmentTableCell::layoutSubviews() {
  PSTableCell::layoutSubviews();
  if (!control_) return;
  CGRect b = contentView()->bounds();
  double height = control_->sizeThatFits(b.size).height;
  control_->setFrame(CGRectMake(kSegmentSideInset, (b.height() - height) / 2, std::max(0.0, b.width() - 2 * kSegmentSideInset), height));
}
