#include "platform/uikit/UICollectionViewFlowLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

double nonNegative(double v) { return std::isfinite(v) && v > 0 ? v : 0; }

CGSize sanitized(const CGSize& size) { return CGSize{nonNegative(size.width), nonNegative(size.height)}; }

// Room for rounding: 100-point items with 20-point insets fill a 340-point width exactly.
constexpr double kFitTolerance = 1e-6;

}  // namespace

OBJC_DEFINE_CLASS(UICollectionViewFlowLayout, objc::Object)

std::shared_ptr<UICollectionViewFlowLayout> UICollectionViewFlowLayout::create() {
  return std::make_shared<UICollectionViewFlowLayout>();
}

UICollectionViewFlowLayout::UICollectionViewFlowLayout(objc::Class* isa) : objc::Object(isa) {}

void UICollectionViewFlowLayout::setSectionInset(const UIEdgeInsets& insets) {
  sectionInset_ = UIEdgeInsets{nonNegative(insets.top), nonNegative(insets.left), nonNegative(insets.bottom),
                               nonNegative(insets.right)};
}

void UICollectionViewFlowLayout::setItemSize(const CGSize& size) { itemSize_ = sanitized(size); }

void UICollectionViewFlowLayout::setMinimumLineSpacing(double spacing) { minimumLineSpacing_ = nonNegative(spacing); }

void UICollectionViewFlowLayout::setMinimumInteritemSpacing(double spacing) {
  minimumInteritemSpacing_ = nonNegative(spacing);
}

void UICollectionViewFlowLayout::setScrollDirection(UICollectionViewScrollDirection direction) {
  if (direction != UICollectionViewScrollDirectionVertical)
    NSLog("UICollectionViewFlowLayout: only vertical scrolling is laid out; the grid scrolls vertically");
  scrollDirection_ = UICollectionViewScrollDirectionVertical;
}

UICollectionViewFlowLayout::Geometry UICollectionViewFlowLayout::layout(
    double width, const std::vector<std::vector<CGSize>>& itemSizes) const {
  Geometry g;
  const UIEdgeInsets& in = sectionInset_;
  double room = std::max(0.0, nonNegative(width) - in.left - in.right);
  double y = 0;
  for (const auto& section : itemSizes) {
    auto& frames = g.frames.emplace_back(section.size(), CGRect{});
    if (section.empty()) continue;
    y += in.top;
    std::size_t first = 0;
    while (first < section.size()) {
      // The row: as many items as fit with the least spacing between them; always at least one.
      CGSize size0 = sanitized(section[first]);
      double used = size0.width, height = size0.height;
      std::size_t end = first + 1;
      for (; end < section.size(); ++end) {
        CGSize next = sanitized(section[end]);
        if (used + minimumInteritemSpacing_ + next.width > room + kFitTolerance) break;
        used += minimumInteritemSpacing_ + next.width;
        height = std::max(height, next.height);
      }
      std::size_t count = end - first;
      bool lastRow = end == section.size();
      double x = in.left, gap = minimumInteritemSpacing_;
      if (!lastRow && count > 1) {
        gap = minimumInteritemSpacing_ + (room - used) / double(count - 1);
      } else if (!lastRow) {
        x = in.left + std::max(0.0, (room - used) / 2);
      }
      for (std::size_t i = first; i < end; ++i) {
        CGSize size = sanitized(section[i]);
        frames[i] = CGRectMake(x, y + (height - size.height) / 2, size.width, size.height);
        x += size.width + gap;
      }
      y += height;
      if (!lastRow) y += minimumLineSpacing_;
      first = end;
    }
    y += in.bottom;
  }
  g.contentHeight = y;
  return g;
}
