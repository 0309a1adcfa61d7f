#include "prefs/editors/EditorPlaceholder.h"

#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIViewController.h"

void showEditorPlaceholder(UIViewController& screen, const std::string& line) {
  const auto& view = screen.view();
  view->setBackgroundColor(UIColor::whiteColor());
  auto label = UILabel::alloc()->initWithFrame(CGRectMake(20, 120, view->bounds().width() - 40, 40));
  label->setText(line);
  label->setFont(UIFont::systemFontOfSize(15));
  label->setTextColor(UIColor::grayColor());
  label->setTextAlignment(NSTextAlignmentCenter);
  label->setNumberOfLines(0);
  label->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  view->addSubview(label);
}
