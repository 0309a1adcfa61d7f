// Text wrapping and labels: what the alert's message and the panes' cells rely on.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UILabel.h"

namespace {

const UIFont kFont = UIFont::systemFontOfSize(13);
const std::string kEllipsis = "\xE2\x80\xA6";

std::string joined(const std::vector<std::string>& lines, const std::string& separator) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? separator : "") + lines[i];
  return out;
}

}  // namespace

TEST(TextWrapping, LineFeedsAlwaysBreakAndEmptyLinesStay) {
  EXPECT_EQ(platform::wrapText("one\n\nthree", kFont, 500), (std::vector<std::string>{"one", "", "three"}));
  EXPECT_EQ(platform::wrapText("one\r\ntwo\n", kFont, 500), (std::vector<std::string>{"one", "two", ""}));
  EXPECT_EQ(platform::wrapText("a b\nc", kFont, 0), (std::vector<std::string>{"a b", "c"}));
}

TEST(TextWrapping, WrappedLinesFitAndKeepEveryWordInOrder) {
  std::string text = "For the smoothest and best experience, Tovalune handles all wallpapers whilst it is installed.";
  for (double width : {100.0, 160.0, 238.0}) {
    SCOPED_TRACE(width);
    auto lines = platform::wrapText(text, kFont, width);
    EXPECT_GT(lines.size(), 1u);
    for (const auto& line : lines) EXPECT_LE(platform::textWidth(line, kFont), width);
    EXPECT_EQ(joined(lines, " "), text);
  }
}

TEST(TextWrapping, AWordWiderThanTheLineIsBrokenBetweenCharacters) {
  std::string word(80, 'W');
  word += "\xC3\xA9\xC3\xA9";  // two-byte characters must not be split in half
  auto lines = platform::wrapText(word, kFont, 50);
  ASSERT_GT(lines.size(), 2u);
  for (const auto& line : lines) {
    EXPECT_LE(platform::textWidth(line, kFont), 50);
    EXPECT_EQ(platform::sanitizeUTF8(line), line);
  }
  EXPECT_EQ(joined(lines, ""), word);
  // Narrower than one character: still one character a line, never an endless loop.
  EXPECT_EQ(platform::wrapText("WWW", kFont, 1).size(), 3u);
}

TEST(TextWrapping, BrokenUTF8IsReplacedNotPassedToCairo) {
  std::string bad = "ok\xFF\xC3(end";
  std::string clean = platform::sanitizeUTF8(bad);
  EXPECT_EQ(clean, "ok\xEF\xBF\xBD\xEF\xBF\xBD(end");
  platform::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 40));
  platform::ContextPtr cr(cairo_create(surface.get()));
  platform::drawTextLine(cr.get(), bad, kFont, UIColor::blackColor(), 0, 20);
  EXPECT_EQ(cairo_status(cr.get()), CAIRO_STATUS_SUCCESS);
  EXPECT_GT(platform::textWidth(bad, kFont), 0);
}

TEST(TextWrapping, TruncationEndsInAnEllipsisWithinTheWidth) {
  std::string line = platform::truncateToWidth("Desktoppr wallpapers of the day", kFont, 80);
  EXPECT_LE(platform::textWidth(line, kFont), 80);
  EXPECT_TRUE(line.ends_with(kEllipsis));
  EXPECT_EQ(platform::truncateToWidth("Fits", kFont, 80), "Fits");
}

TEST(Label, LinesAreLimitedByNumberOfLinesAndHeightAndSayWhenCut) {
  auto label = UILabel::alloc()->initWithFrame(CGRectMake(0, 0, 100, 0));
  label->setFont(kFont);
  label->setText("one two three four five six seven eight nine ten eleven twelve");
  label->setNumberOfLines(0);
  auto all = label->linesForSize({100, 0});
  ASSERT_GT(all.size(), 2u);

  label->setNumberOfLines(2);
  auto two = label->linesForSize({100, 0});
  ASSERT_EQ(two.size(), 2u);
  EXPECT_TRUE(two[1].ends_with(kEllipsis));
  EXPECT_EQ(label->sizeThatFits({100, 0}).height, 2 * platform::lineHeight(kFont));

  label->setNumberOfLines(0);
  auto short_ = label->linesForSize({100, platform::lineHeight(kFont) * 1.5});
  EXPECT_EQ(short_.size(), 1u);

  label->setNumberOfLines(1);
  label->setText("first\nsecond");
  EXPECT_EQ(label->linesForSize({500, 0}), (std::vector<std::string>{"first " + kEllipsis}));
}

TEST(Label, SizeThatFitsFollowsTheTextNotTheFrame) {
  auto label = UILabel::alloc()->initWithFrame(CGRectMake(0, 0, 300, 300));
  EXPECT_EQ(label->sizeThatFits({300, 0}), (CGSize{0, 0}));
  label->setText("Hello");
  CGSize one = label->sizeThatFits({300, 0});
  EXPECT_GT(one.width, 0);
  EXPECT_LT(one.width, 300);
  label->setNumberOfLines(0);
  label->setText("Hello\nWorld");
  EXPECT_EQ(label->sizeThatFits({300, 0}).height, 2 * one.height);
}

TEST(Label, SizeToFitGivesOneLineItsWholeWidthAndWrapsSeveralInTheFrame) {
  auto label = UILabel::alloc()->initWithFrame(CGRectMake(5, 7, 40, 10));
  label->setFont(kFont);
  label->setText("Tovalune wallpapers");
  label->sizeToFit();
  EXPECT_EQ(label->frame().origin, (CGPoint{5, 7}));
  EXPECT_EQ(label->frame().width(), std::ceil(platform::textWidth("Tovalune wallpapers", kFont)))
      << "a single line is not cut to the frame it had";
  EXPECT_EQ(label->frame().height(), platform::lineHeight(kFont));

  label->setNumberOfLines(0);
  label->setFrame(CGRectMake(0, 0, 100, 0));
  label->sizeToFit();
  EXPECT_LE(label->frame().width(), 100);
  EXPECT_EQ(label->frame().height(), 2 * platform::lineHeight(kFont));
}
