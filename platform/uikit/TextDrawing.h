#pragma once
// Text in the system font: measuring, wrapping and drawing one line at a time. All sizes are in
// points; the caller's cairo matrix turns them into pixels, and metrics are unhinted so that a
// text measured once lays out the same at every scale.
#include <cairo.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/uikit/UIColor.h"
#include "platform/uikit/UIFont.h"

namespace platform {

// The text with every byte sequence that is not UTF-8 replaced by U+FFFD, because cairo refuses
// a whole string (and poisons its context) over one bad byte.
std::string sanitizeUTF8(std::string_view text);

double textWidth(std::string_view text, const UIFont& font);
// Distance between two baselines, and from a line's top to its baseline.
double lineHeight(const UIFont& font);
double fontAscent(const UIFont& font);

// Lines of the text no wider than maxWidth: line feeds always break (an empty paragraph stays an
// empty line), words wrap at spaces, and a word wider than a line is broken between characters.
// A maxWidth of zero or less breaks only at line feeds.
std::vector<std::string> wrapText(std::string_view text, const UIFont& font, double maxWidth);

// The line itself when it fits, else its longest head that fits followed by "…".
std::string truncateToWidth(std::string_view line, const UIFont& font, double maxWidth);

// One line with its baseline at y, starting at x.
void drawTextLine(cairo_t* cr, std::string_view line, const UIFont& font, const UIColor& color, double x,
                  double baselineY);

}  // namespace platform
