#include "device/springboard/app/HomeScreen.h"

#include <cmath>

#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIColor.h"
#include "platform/uikit/UIFont.h"

namespace {

struct IconStyle {
  const char* name;
  UIColor colour;
};

const IconStyle kGridIcons[] = {
    {"Messages", {0.20, 0.78, 0.35, 1}}, {"Mail", {0.00, 0.48, 1.00, 1}},   {"Photos", {1.00, 0.58, 0.00, 1}},
    {"Calendar", {1.00, 0.23, 0.19, 1}}, {"Podcasts", {0.35, 0.34, 0.84, 1}}, {"Notes", {1.00, 0.80, 0.00, 1}},
    {"Weather", {0.19, 0.69, 0.78, 1}},  {"Music", {0.69, 0.32, 0.87, 1}},
};
const IconStyle kDockIcons[] = {
    {"Phone", {0.20, 0.78, 0.35, 1}},
    {"Safari", {0.00, 0.48, 1.00, 1}},
    {"Camera", {0.35, 0.35, 0.37, 1}},
    {"Settings", {0.56, 0.56, 0.58, 1}},
};
constexpr int kColumns = 4;

double iconSide(double width) { return width * 0.155; }
double iconGap(double width) { return (width - kColumns * iconSide(width)) / (kColumns + 1); }
UIFont labelFont(double width) { return UIFont::systemFontOfSize(std::max(7.0, width * 0.03)); }

CGRect dockFrame(double width, double height) {
  double icon = iconSide(width), gap = iconGap(width);
  double dockHeight = icon + gap * 1.2;
  return CGRectMake(gap / 2, height - dockHeight - gap / 2, width - gap, dockHeight);
}

const UIColor& colourOf(const std::string& name) {
  for (const auto& s : kGridIcons)
    if (name == s.name) return s.colour;
  for (const auto& s : kDockIcons)
    if (name == s.name) return s.colour;
  return kDockIcons[0].colour;
}

// A toothed wheel: Settings reads as Settings at a glance.
void drawGear(cairo_t* cr, double cx, double cy, double radius) {
  constexpr int kTeeth = 8;
  for (int i = 0; i < kTeeth * 2; ++i) {
    double angle = i * M_PI / kTeeth;
    double r = (i % 2 == 0) ? radius : radius * 0.78;
    double a0 = angle - M_PI / (kTeeth * 2), a1 = angle + M_PI / (kTeeth * 2);
    if (i == 0) cairo_move_to(cr, cx + r * std::cos(a0), cy + r * std::sin(a0));
    cairo_arc(cr, cx, cy, r, a0, a1);
  }
  cairo_close_path(cr);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, cx, cy, radius * 0.32, 2 * M_PI, 0);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  platform::setSourceColor(cr, UIColor::colorWithWhite(1, 0.95));
  cairo_fill(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

void drawIcon(cairo_t* cr, const HomeScreenIcon& icon, double screenWidth) {
  const CGRect& frame = icon.frame;
  platform::addRoundedRect(cr, frame, frame.width() * 0.225);
  platform::setSourceColor(cr, colourOf(icon.name));
  cairo_fill_preserve(cr);
  platform::setSourceColor(cr, UIColor::colorWithWhite(1, 0.35));
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  double cx = frame.midX(), cy = frame.midY();
  if (icon.name == "Settings") {
    drawGear(cr, cx, cy, frame.width() * 0.36);
  } else {
    // A white disc reads as a glyph at a glance.
    cairo_arc(cr, cx, cy, frame.width() * 0.2, 0, 2 * M_PI);
    platform::setSourceColor(cr, UIColor::colorWithWhite(1, 0.9));
    cairo_fill(cr);
  }
  if (icon.inDock) return;  // the dock's icons go without labels, as on the phone
  UIFont font = labelFont(screenWidth);
  std::string label = platform::truncateToWidth(icon.name, font, frame.width() + iconGap(screenWidth) * 0.8);
  double x = cx - platform::textWidth(label, font) / 2;
  double baseline = frame.maxY() + platform::fontAscent(font) + 3;
  platform::drawTextLine(cr, label, font, UIColor::colorWithWhite(0, 0.3), x + 0.5, baseline + 0.5);
  platform::drawTextLine(cr, label, font, UIColor::whiteColor(), x, baseline);
}

}  // namespace

std::vector<HomeScreenIcon> homeScreenIcons(double width, double height) {
  std::vector<HomeScreenIcon> icons;
  if (!(width > 0) || !(height > 0)) return icons;
  double icon = iconSide(width), gap = iconGap(width);
  double rowStep = icon + gap * 1.4 + platform::lineHeight(labelFont(width));
  int index = 0;
  for (const auto& style : kGridIcons) {
    double x = gap + (index % kColumns) * (icon + gap);
    double y = height * 0.08 + (index / kColumns) * rowStep;
    icons.push_back({style.name, CGRectMake(x, y, icon, icon), false});
    ++index;
  }
  CGRect dock = dockFrame(width, height);
  index = 0;
  for (const auto& style : kDockIcons) {
    icons.push_back(
        {style.name, CGRectMake(gap + index * (icon + gap), dock.origin.y + (dock.height() - icon) / 2, icon, icon), true});
    ++index;
  }
  return icons;
}

std::optional<HomeScreenIcon> homeScreenIconAt(const CGPoint& point, double width, double height) {
  double labelHeight = platform::lineHeight(labelFont(width)) + 3;
  for (const HomeScreenIcon& icon : homeScreenIcons(width, height)) {
    CGRect reach = icon.frame;
    if (!icon.inDock) reach.size.height += labelHeight;
    if (point.x >= reach.minX() && point.x < reach.maxX() && point.y >= reach.minY() && point.y < reach.maxY())
      return icon;
  }
  return std::nullopt;
}

void drawHomeScreenIcons(cairo_t* cr, double width, double height) {
  auto icons = homeScreenIcons(width, height);
  if (icons.empty()) return;
  // The dock: a frosted band along the bottom.
  CGRect dock = dockFrame(width, height);
  platform::addRoundedRect(cr, dock, iconSide(width) * 0.45);
  platform::setSourceColor(cr, UIColor::colorWithWhite(1, 0.3));
  cairo_fill(cr);
  for (const HomeScreenIcon& icon : icons) drawIcon(cr, icon, width);
}
