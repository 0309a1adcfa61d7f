#pragma once
// Colours as plain values, components from 0 to 1. The named colours are the platform's light-mode
// system colours, so screens drawn here look as they do on the device.
struct UIColor {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 0;

  static constexpr UIColor colorWithRed(double r, double g, double b, double a = 1) { return {r, g, b, a}; }
  static constexpr UIColor colorWithWhite(double white, double a = 1) { return {white, white, white, a}; }
  static constexpr UIColor clearColor() { return {0, 0, 0, 0}; }
  static constexpr UIColor whiteColor() { return {1, 1, 1, 1}; }
  static constexpr UIColor blackColor() { return {0, 0, 0, 1}; }
  static constexpr UIColor grayColor() { return {0.5, 0.5, 0.5, 1}; }
  static constexpr UIColor systemBlueColor() { return {0, 122 / 255.0, 1, 1}; }
  static constexpr UIColor systemRedColor() { return {1, 59 / 255.0, 48 / 255.0, 1}; }
  static constexpr UIColor systemGreenColor() { return rgb(52, 199, 89); }
  static constexpr UIColor systemOrangeColor() { return rgb(255, 149, 0); }
  static constexpr UIColor systemGrayColor() { return rgb(142, 142, 147); }
  static constexpr UIColor systemGray2Color() { return rgb(174, 174, 178); }
  static constexpr UIColor systemGray3Color() { return rgb(199, 199, 204); }
  static constexpr UIColor systemGray4Color() { return rgb(209, 209, 214); }
  static constexpr UIColor systemGray5Color() { return rgb(229, 229, 234); }
  static constexpr UIColor systemGray6Color() { return rgb(242, 242, 247); }
  static constexpr UIColor linkColor() { return systemBlueColor(); }
  static constexpr UIColor labelColor() { return blackColor(); }
  static constexpr UIColor secondaryLabelColor() { return rgb(60, 60, 67, 0.6); }
  static constexpr UIColor tertiaryLabelColor() { return rgb(60, 60, 67, 0.3); }
  static constexpr UIColor placeholderTextColor() { return rgb(60, 60, 67, 0.3); }
  static constexpr UIColor separatorColor() { return rgb(60, 60, 67, 0.29); }
  static constexpr UIColor opaqueSeparatorColor() { return rgb(198, 198, 200); }
  static constexpr UIColor systemFillColor() { return rgb(120, 120, 128, 0.2); }
  static constexpr UIColor secondarySystemFillColor() { return rgb(120, 120, 128, 0.16); }
  static constexpr UIColor tertiarySystemFillColor() { return rgb(118, 118, 128, 0.12); }
  static constexpr UIColor systemBackgroundColor() { return whiteColor(); }
  static constexpr UIColor secondarySystemBackgroundColor() { return rgb(242, 242, 247); }
  static constexpr UIColor systemGroupedBackgroundColor() { return rgb(242, 242, 247); }
  static constexpr UIColor secondarySystemGroupedBackgroundColor() { return whiteColor(); }

  // The same colour at another opacity.
  constexpr UIColor colorWithAlphaComponent(double a) const { return {red, green, blue, a}; }

  // Sets the colour that UIBezierPath fill and stroke use in the current image context
  // (UIGraphics.h); nothing happens without one.
  void setFill() const;
  void setStroke() const;

  friend bool operator==(const UIColor&, const UIColor&) = default;

 private:
  static constexpr UIColor rgb(int r, int g, int b, double a = 1) { return {r / 255.0, g / 255.0, b / 255.0, a}; }
};
