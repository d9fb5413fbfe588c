// Owners for the GLib and Pango objects that text measurement and pictures
// hold: std::unique_ptr with these deleters releases them on every way out.
#pragma once

#include <pango/pango.h>

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

}  // namespace vn_vcl
