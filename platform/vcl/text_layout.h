// Text measured as the platform's canvas measures it: laid out with a real
// font through Pango, in pixels at the font's resolution.
#pragma once

#include <string_view>

#include "vcl/Controls.h"

namespace vn_vcl {

// The logical extent of Text on one line in Font: line breaks are not
// followed, kerning and ligatures are off (as the platform's text calls).
// Invalid UTF-8 is measured as replacement characters.
TSize MeasureText(const TFont& Font, std::string_view Text);

// The installed family that a form font name resolves to ("MS Sans Serif" ->
// a metric-compatible sans font).
std::string ResolvedFontFamily(const TFont& Font);

// The font's em height in pixels, which Pango lays it out at.
int FontPixelSize(const TFont& Font);

}  // namespace vn_vcl
