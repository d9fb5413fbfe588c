// What text measurement and pictures share of Pango: owners for the GLib and
// Pango objects they hold (std::unique_ptr with these deleters releases them
// on every way out), the text Pango is given, and the font features text is
// measured and drawn with.
#pragma once

#include <pango/pango.h>

#include <string>
#include <string_view>

namespace vn_vcl {

struct TGObjectUnref {
  void operator()(void* Object) const noexcept { g_object_unref(Object); }
};
struct TDescriptionFree {
  void operator()(PangoFontDescription* D) const noexcept { pango_font_description_free(D); }
};
struct TAttrListUnref {
  void operator()(PangoAttrList* L) const noexcept { pango_attr_list_unref(L); }
};

// As the platform's text calls: no kerning, no ligatures.
inline constexpr const char* PlatformFontFeatures = "kern 0, liga 0, clig 0";

// Text as Pango takes it: Pango refuses invalid UTF-8 (made valid with
// replacement characters), and a NUL would end a C string early (a blank).
inline std::string PangoText(std::string_view Text) {
  std::string Copy(Text);
  for (char& C : Copy)
    if (C == '\0') C = ' ';
  if (g_utf8_validate(Copy.data(), static_cast<gssize>(Copy.size()), nullptr)) return Copy;
  gchar* Fixed = g_utf8_make_valid(Copy.data(), static_cast<gssize>(Copy.size()));
  std::string Result(Fixed);
  g_free(Fixed);
  return Result;
}

}  // namespace vn_vcl
