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
  static constexpr UIColor labelColor() { return blackColor(); }
  static constexpr UIColor secondaryLabelColor() { return {60 / 255.0, 60 / 255.0, 67 / 255.0, 0.6}; }
  static constexpr UIColor separatorColor() { return {60 / 255.0, 60 / 255.0, 67 / 255.0, 0.29}; }
  static constexpr UIColor systemGroupedBackgroundColor() { return {242 / 255.0, 242 / 255.0, 247 / 255.0, 1}; }

  friend bool operator==(const UIColor&, const UIColor&) = default;
};
