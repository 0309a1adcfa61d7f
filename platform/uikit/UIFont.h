#pragma once
// A font as a plain value: the system face (DejaVu Sans on this platform) at a size in points,
// regular or bold. Metrics and drawing are in TextDrawing.h.
struct UIFont {
  double pointSize = 17;
  bool bold = false;

  static constexpr UIFont systemFontOfSize(double size) { return {size, false}; }
  static constexpr UIFont boldSystemFontOfSize(double size) { return {size, true}; }

  friend bool operator==(const UIFont&, const UIFont&) = default;
};
