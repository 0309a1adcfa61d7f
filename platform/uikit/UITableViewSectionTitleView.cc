#include "platform/uikit/UITableViewSectionTitleView.h"

#include <algorithm>

#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UITableViewMetrics.h"

namespace {

constexpr UIFont kGroupedTitleFont = UIFont::systemFontOfSize(13);
constexpr UIFont kPlainHeaderFont = UIFont::boldSystemFontOfSize(15);
constexpr UIColor kPlainHeaderBand = UIColor::colorWithRed(247 / 255.0, 247 / 255.0, 247 / 255.0);

}  // namespace

UITableViewSectionTitleView::UITableViewSectionTitleView(std::string title, bool header, bool grouped)
    : title_(std::move(title)), header_(header), grouped_(grouped), label_(UILabel::alloc()) {
  setUserInteractionEnabled(false);
  bool band = header_ && !grouped_;
  label_->setFont(band ? kPlainHeaderFont : kGroupedTitleFont);
  label_->setTextColor(band ? UIColor::labelColor() : UIColor::secondaryLabelColor());
  label_->setNumberOfLines(band ? 1 : 0);
  label_->setText(header_ && grouped_ ? upperCased(title_) : title_);
  if (band) setBackgroundColor(kPlainHeaderBand);
  addSubview(label_);
}

double UITableViewSectionTitleView::textHeight(const std::string& title, bool header, double width) {
  std::string text = header ? upperCased(title) : title;
  return double(platform::wrapText(text, kGroupedTitleFont, std::max(1.0, width)).size()) *
         platform::lineHeight(kGroupedTitleFont);
}

std::string UITableViewSectionTitleView::upperCased(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if (c >= 'a' && c <= 'z') {
      out[i] = char(c - 'a' + 'A');
    } else if (c == 0xC3 && i + 1 < out.size()) {
      // U+00E0..U+00FE are the small letters of Latin-1 (but U+00F7, the division sign); their
      // capitals are 0x20 lower, the second byte of the same two-byte sequence.
      auto next = static_cast<unsigned char>(out[i + 1]);
      if (next >= 0xA0 && next <= 0xBE && next != 0xB7) out[i + 1] = char(next - 0x20);
      ++i;
    }
  }
  return out;
}

void UITableViewSectionTitleView::setTextInsets(double left, double right) {
  if (left == left_ && right == right_) return;
  left_ = left;
  right_ = right;
  setNeedsLayout();
}

void UITableViewSectionTitleView::layoutSubviews() {
  using namespace uitableview;
  CGRect b = bounds();
  double width = std::max(0.0, b.width() - left_ - right_);
  if (header_ && !grouped_) {
    label_->setFrame(CGRectMake(left_, 0, width, b.height()));
    return;
  }
  double height = textHeight(title_, header_, width);
  double y = header_ ? b.height() - kHeaderTitleBottom - height : kFooterTitleTop;
  label_->setFrame(CGRectMake(left_, y, width, height));
}
