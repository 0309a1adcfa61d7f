#pragma once
// The title of a list section's header or footer, as the list shows it when its delegate gives
// no view of its own. In the grouped looks a header is grey, 13 pt and upper case, sitting just
// above its group; a footer is grey, 13 pt, just below it; both wrap. In the plain look a header
// is a grey band with a bold title. The list itself tells a screen reader about these titles.
#include <string>

#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIView.h"

class UITableViewSectionTitleView : public UIView {
 public:
  UITableViewSectionTitleView(std::string title, bool header, bool grouped);

  // The text's height wrapped to `width`, as a grouped header (upper case) or footer shows it.
  static double textHeight(const std::string& title, bool header, double width);
  // A grouped header's text: upper case (ASCII and Latin-1 letters).
  static std::string upperCased(const std::string& text);

  const std::string& title() const { return title_; }
  const std::shared_ptr<UILabel>& label() const { return label_; }
  // Where the text starts and ends, from the view's left and right edges.
  void setTextInsets(double left, double right);

  void layoutSubviews() override;
  // The list reads the title out; the label must not do it twice.
  bool isAccessibilityElement() const override { return false; }
  std::vector<UIAccessibilityElement> accessibilityElements() override { return {}; }

 private:
  std::string title_;
  bool header_;
  bool grouped_;
  double left_ = 16;
  double right_ = 16;
  std::shared_ptr<UILabel> label_;
};
