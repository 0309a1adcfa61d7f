#pragma once
// UIBezierPath: a shape in points (rectangles, rounded rectangles, ovals, lines) that fills,
// strokes or clips the current image context (UIGraphics.h) with the colours UIColor's setFill
// and setStroke chose there (black until then). Without a current context the drawing calls do
// nothing.
#include <cairo.h>

#include <memory>
#include <vector>

#include "platform/uikit/CGGeometry.h"

class UIBezierPath {
 public:
  static std::shared_ptr<UIBezierPath> bezierPath();
  static std::shared_ptr<UIBezierPath> bezierPathWithRect(const CGRect& rect);
  // Corners are quarter circles; a radius above half the shorter side is limited to it.
  static std::shared_ptr<UIBezierPath> bezierPathWithRoundedRect(const CGRect& rect, double cornerRadius);
  static std::shared_ptr<UIBezierPath> bezierPathWithOvalInRect(const CGRect& rect);

  void moveToPoint(const CGPoint& point);
  void addLineToPoint(const CGPoint& point);
  void closePath();

  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double width) { lineWidth_ = width > 0 ? width : 0; }
  // The smallest rectangle around the points of the path.
  CGRect bounds() const;

  // Paints the inside (non-zero winding) in the fill colour.
  void fill() const;
  // Draws the outline at the line width in the stroke colour.
  void stroke() const;
  // Limits every later drawing in the context to the inside, until the context's state is restored.
  void addClip() const;

 private:
  enum class Kind { Move, Line, Close, Rect, RoundedRect, Oval };
  struct Element {
    Kind kind;
    CGRect rect;  // a point is the rect's origin
    double radius = 0;
  };
  void appendTo(cairo_t* cr) const;

  std::vector<Element> elements_;
  double lineWidth_ = 1;
};
