#include "platform/uikit/TextDrawing.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <mutex>

namespace platform {

namespace {

constexpr const char* kRegularFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kBoldFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The two faces live for the process: cairo caches glyphs per face, and the views of every
// window share them.
struct Faces {
  FT_Library library = nullptr;
  cairo_font_face_t* regular = nullptr;
  cairo_font_face_t* bold = nullptr;

  Faces() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
    regular = load(kRegularFontFile, false);
    bold = load(kBoldFontFile, true);
  }

  // The font file when it is there; else whatever sans-serif face fontconfig offers, so that a
  // machine without the DejaVu package still draws readable text.
  cairo_font_face_t* load(const char* file, bool isBold) {
    FT_Face face = nullptr;
    if (library && FT_New_Face(library, file, 0, &face) == 0) {
      cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
      if (cairo_font_face_status(cairoFace) == CAIRO_STATUS_SUCCESS) return cairoFace;
      cairo_font_face_destroy(cairoFace);
      FT_Done_Face(face);
    }
    return cairo_toy_font_face_create("sans-serif", CAIRO_FONT_SLANT_NORMAL,
                                      isBold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  }
};

Faces& faces() {
  static Faces* f = new Faces;
  return *f;
}

void selectFont(cairo_t* cr, const UIFont& font) {
  cairo_set_font_face(cr, font.bold ? faces().bold : faces().regular);
  cairo_set_font_size(cr, font.pointSize > 0 ? font.pointSize : 1);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

// Measuring needs a context but no pixels; one 1x1 context serves every measurement.
struct Measurer {
  std::mutex mu;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(surface);
};

Measurer& measurer() {
  static Measurer* m = new Measurer;
  return *m;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  if (n == 2 && c < 0xC2) return 0;  // overlong
  if (n == 3) {
    unsigned cp = ((c & 0x0F) << 12) | ((byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
    if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  }
  if (n == 4) {
    unsigned cp = ((c & 0x07) << 18) | ((byte(i + 1) & 0x3F) << 12) | ((byte(i + 2) & 0x3F) << 6) |
                  (byte(i + 3) & 0x3F);
    if (cp < 0x10000 || cp > 0x10FFFF) return 0;
  }
  return n;
}

// Breaks a word wider than maxWidth into pieces that fit, at least one character each.
void breakLongWord(std::string word, const UIFont& font, double maxWidth, std::vector<std::string>& lines,
                   std::string& rest) {
  while (textWidth(word, font) > maxWidth) {
    std::size_t cut = 0;
    for (std::size_t i = 0; i < word.size();) {
      std::size_t n = sequenceLength(word, i);
      if (n == 0) n = 1;
      if (cut > 0 && textWidth(std::string_view(word).substr(0, i + n), font) > maxWidth) break;
      i += n;
      cut = i;
    }
    if (cut >= word.size()) break;
    lines.push_back(word.substr(0, cut));
    word.erase(0, cut);
  }
  rest = std::move(word);
}

}  // namespace

std::string sanitizeUTF8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = sequenceLength(text, i);
    if (n == 0 || text[i] == '\0') {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

double textWidth(std::string_view text, const UIFont& font) {
  if (text.empty()) return 0;
  std::string clean = sanitizeUTF8(text);
  Measurer& m = measurer();
  std::lock_guard lock(m.mu);
  selectFont(m.cr, font);
  cairo_text_extents_t extents;
  cairo_text_extents(m.cr, clean.c_str(), &extents);
  return extents.x_advance;
}

namespace {
cairo_font_extents_t fontExtents(const UIFont& font) {
  Measurer& m = measurer();
  std::lock_guard lock(m.mu);
  selectFont(m.cr, font);
  cairo_font_extents_t extents;
  cairo_font_extents(m.cr, &extents);
  return extents;
}
}  // namespace

double lineHeight(const UIFont& font) { return std::ceil(fontExtents(font).height); }

double fontAscent(const UIFont& font) {
  const cairo_font_extents_t extents = fontExtents(font);
  // Centre the glyphs in the line: the face's line gap is split above and below.
  return extents.ascent + (std::ceil(extents.height) - extents.ascent - extents.descent) / 2;
}

std::vector<std::string> wrapText(std::string_view text, const UIFont& font, double maxWidth) {
  std::vector<std::string> lines;
  std::string clean = sanitizeUTF8(text);
  std::string_view rest = clean;
  while (true) {
    std::size_t feed = rest.find('\n');
    std::string_view paragraph = rest.substr(0, feed);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);

    if (maxWidth <= 0) {
      lines.emplace_back(paragraph);
    } else {
      std::string current;
      std::size_t start = 0;
      while (start <= paragraph.size()) {
        std::size_t space = paragraph.find(' ', start);
        std::string_view word = paragraph.substr(start, space == std::string_view::npos ? space : space - start);
        start = space == std::string_view::npos ? paragraph.size() + 1 : space + 1;
        if (word.empty()) continue;
        std::string candidate = current.empty() ? std::string(word) : current + " " + std::string(word);
        if (textWidth(candidate, font) <= maxWidth) {
          current = std::move(candidate);
          continue;
        }
        if (!current.empty()) lines.push_back(std::move(current));
        breakLongWord(std::string(word), font, maxWidth, lines, current);
      }
      lines.push_back(std::move(current));
    }
    if (feed == std::string_view::npos) break;
    rest.remove_prefix(feed + 1);
  }
  return lines;
}

std::string truncateToWidth(std::string_view line, const UIFont& font, double maxWidth) {
  std::string clean = sanitizeUTF8(line);
  if (textWidth(clean, font) <= maxWidth) return clean;
  static constexpr std::string_view kEllipsis = "\xE2\x80\xA6";
  std::size_t keep = 0;
  for (std::size_t i = 0; i < clean.size();) {
    std::size_t n = sequenceLength(clean, i);
    std::string candidate = clean.substr(0, i + n) + std::string(kEllipsis);
    if (textWidth(candidate, font) > maxWidth) break;
    i += n;
    keep = i;
  }
  std::string out = clean.substr(0, keep);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out + std::string(kEllipsis);
}

void drawTextLine(cairo_t* cr, std::string_view line, const UIFont& font, const UIColor& color, double x,
                  double baselineY) {
  if (!cr || line.empty()) return;
  std::string clean = sanitizeUTF8(line);
  cairo_save(cr);
  selectFont(cr, font);
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
  cairo_move_to(cr, x, baselineY);
  cairo_show_text(cr, clean.c_str());
  cairo_restore(cr);
}

}  // namespace platform
