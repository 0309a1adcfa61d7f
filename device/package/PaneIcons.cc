#include "device/package/PaneIcons.h"

#include <cairo.h>

#include <cmath>

#include <fmt/format.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};
constexpr Rgb hex(unsigned v) { return {((v >> 16) & 0xff) / 255.0, ((v >> 8) & 0xff) / 255.0, (v & 0xff) / 255.0}; }

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void addStop(cairo_pattern_t* p, double at, Rgb c) { cairo_pattern_add_color_stop_rgb(p, at, c.r, c.g, c.b); }

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

void verticalGradient(cairo_t* cr, double top, double bottom, Rgb from, Rgb to) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, top, 0, bottom);
  addStop(p, 0, from);
  addStop(p, 1, to);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

// A wallpaper card in a unit of 100 x 140 (a phone's proportions), drawn at the current transform.
void card(cairo_t* cr, bool landscape) {
  const double w = 100, h = 140, r = 12;
  // The shadow first, so the card seems to lie above what is behind it.
  roundedRect(cr, 3, 5, w, h, r);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.28);
  cairo_fill(cr);

  cairo_save(cr);
  roundedRect(cr, 0, 0, w, h, r);
  cairo_clip(cr);
  if (!landscape) {
    verticalGradient(cr, 0, h, hex(0x2f8f9d), hex(0x9be0cf));
    cairo_paint(cr);
    // A low sea horizon, paler than the sky.
    cairo_rectangle(cr, 0, h * 0.68, w, h);
    setColour(cr, hex(0x1d5f73), 0.8);
    cairo_fill(cr);
  } else {
    verticalGradient(cr, 0, h, hex(0xff8a5c), hex(0xffd98e));
    cairo_paint(cr);
    cairo_arc(cr, w * 0.68, h * 0.34, 15, 0, 2 * kPi);
    setColour(cr, hex(0xfff4cf));
    cairo_fill(cr);
    cairo_move_to(cr, 0, h * 0.70);
    cairo_line_to(cr, w * 0.22, h * 0.52);
    cairo_line_to(cr, w * 0.42, h * 0.64);
    cairo_line_to(cr, w * 0.66, h * 0.46);
    cairo_line_to(cr, w, h * 0.66);
    cairo_line_to(cr, w, h);
    cairo_line_to(cr, 0, h);
    cairo_close_path(cr);
    setColour(cr, hex(0x7a4f8f));
    cairo_fill(cr);
    cairo_move_to(cr, 0, h * 0.82);
    cairo_curve_to(cr, w * 0.3, h * 0.70, w * 0.6, h * 0.90, w, h * 0.76);
    cairo_line_to(cr, w, h);
    cairo_line_to(cr, 0, h);
    cairo_close_path(cr);
    setColour(cr, hex(0x3a2f62));
    cairo_fill(cr);
  }
  cairo_restore(cr);

  roundedRect(cr, 0, 0, w, h, r);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, 4);
  cairo_stroke(cr);
}

// Two arrows chasing each other round a circle: the wallpaper changes by itself.
void turningBadge(cairo_t* cr, double cx, double cy, double radius) {
  cairo_arc(cr, cx, cy, radius, 0, 2 * kPi);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill(cr);
  const double arc = radius * 0.56;
  Rgb ink = hex(0x5b3f8c);
  setColour(cr, ink);
  cairo_set_line_width(cr, radius * 0.16);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int half = 0; half < 2; ++half) {
    double start = kPi * half + kPi * 0.15;
    double end = start + kPi * 0.62;
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, arc, start, end);
    cairo_stroke(cr);
    // The head points along the circle at the arc's end.
    double hx = cx + arc * std::cos(end), hy = cy + arc * std::sin(end);
    double tx = -std::sin(end), ty = std::cos(end);  // the direction of travel
    double nx = std::cos(end), ny = std::sin(end);   // outwards
    double len = radius * 0.30, wide = radius * 0.22;
    cairo_move_to(cr, hx + tx * len, hy + ty * len);
    cairo_line_to(cr, hx + nx * wide, hy + ny * wide);
    cairo_line_to(cr, hx - nx * wide, hy - ny * wide);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
}

bool writePNG(cairo_surface_t* surface, const std::string& path, std::string* error) {
  cairo_surface_flush(surface);
  cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  if (status != CAIRO_STATUS_SUCCESS) {
    *error = fmt::format("cannot write {}: {}", path, cairo_status_to_string(status));
    return false;
  }
  return true;
}

bool validSize(int size, std::string* error) {
  if (size >= 16 && size <= 4096) return true;
  *error = fmt::format("an icon of {} pixels is out of range (16 to 4096)", size);
  return false;
}

}  // namespace

bool drawBannerIcon(const std::string& path, int size, std::string* error) {
  if (!validSize(size, error)) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  // Everything is laid out on a 400-unit square.
  cairo_scale(cr, size / 400.0, size / 400.0);

  verticalGradient(cr, 0, 400, hex(0x1c2b4f), hex(0x5b3f8c));
  cairo_paint(cr);

  cairo_save(cr);
  cairo_translate(cr, 82, 96);
  cairo_rotate(cr, -12 * kPi / 180);
  cairo_scale(cr, 1.55, 1.55);
  card(cr, false);
  cairo_restore(cr);

  cairo_save(cr);
  cairo_translate(cr, 168, 82);
  cairo_rotate(cr, 7 * kPi / 180);
  cairo_scale(cr, 1.62, 1.62);
  card(cr, true);
  cairo_restore(cr);

  turningBadge(cr, 318, 322, 50);

  cairo_destroy(cr);
  bool ok = writePNG(surface, path, error);
  cairo_surface_destroy(surface);
  return ok;
}

bool drawPlusSign(const std::string& path, int size, std::string* error) {
  if (!validSize(size, error)) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  // A margin keeps the rounded ends whole when the tile scales the picture down.
  const double s = size, bar = s * 0.14, reach = s * 0.36;
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_set_line_width(cr, bar);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, s / 2 - reach, s / 2);
  cairo_line_to(cr, s / 2 + reach, s / 2);
  cairo_move_to(cr, s / 2, s / 2 - reach);
  cairo_line_to(cr, s / 2, s / 2 + reach);
  cairo_stroke(cr);
  cairo_destroy(cr);
  bool ok = writePNG(surface, path, error);
  cairo_surface_destroy(surface);
  return ok;
}
