#pragma once
// Core Graphics geometry: plain points, sizes and rectangles in points, origin at the top left.
#include <algorithm>

struct CGPoint {
  double x = 0;
  double y = 0;
  friend bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
  double width = 0;
  double height = 0;
  friend bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
  CGPoint origin;
  CGSize size;

  constexpr double minX() const { return origin.x; }
  constexpr double minY() const { return origin.y; }
  constexpr double maxX() const { return origin.x + size.width; }
  constexpr double maxY() const { return origin.y + size.height; }
  constexpr double midX() const { return origin.x + size.width / 2; }
  constexpr double midY() const { return origin.y + size.height / 2; }
  constexpr double width() const { return size.width; }
  constexpr double height() const { return size.height; }
  friend bool operator==(const CGRect&, const CGRect&) = default;
};

inline constexpr CGRect CGRectMake(double x, double y, double width, double height) {
  return CGRect{{x, y}, {width, height}};
}

inline constexpr bool CGRectIsEmpty(const CGRect& r) { return !(r.size.width > 0 && r.size.height > 0); }

inline constexpr bool CGRectContainsPoint(const CGRect& r, const CGPoint& p) {
  return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}

// Shrinks (positive insets) or grows the rectangle on every side; never below a zero size.
inline constexpr CGRect CGRectInset(const CGRect& r, double dx, double dy) {
  return CGRect{{r.origin.x + dx, r.origin.y + dy},
                {std::max(0.0, r.size.width - 2 * dx), std::max(0.0, r.size.height - 2 * dy)}};
}
