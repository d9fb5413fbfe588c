#include "text_layout.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>
#include <pango/pangoft2.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <string>

#include "pango_handles.h"

namespace vn_vcl {

namespace {

// The dialogs' fonts come from another platform; each is taken as the sans
// font that matches its widths best among those installed.
constexpr const char* FontAliases = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <alias binding="same"><family>MS Sans Serif</family>
    <prefer><family>Liberation Sans</family><family>Arimo</family><family>DejaVu Sans</family></prefer></alias>
  <alias binding="same"><family>MS Shell Dlg</family>
    <prefer><family>Liberation Sans</family><family>Arimo</family><family>DejaVu Sans</family></prefer></alias>
  <alias binding="same"><family>MS Shell Dlg 2</family>
    <prefer><family>DejaVu Sans</family><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>Tahoma</family>
    <prefer><family>DejaVu Sans</family><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>Segoe UI</family>
    <prefer><family>DejaVu Sans</family><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>Courier New</family>
    <prefer><family>Liberation Mono</family><family>DejaVu Sans Mono</family></prefer></alias>
</fontconfig>
)";

struct TFcConfigDestroy {
  void operator()(FcConfig* C) const noexcept { FcConfigDestroy(C); }
};

// One font map and context for the process, with a fontconfig configuration
// of its own that holds the aliases of the dialogs' fonts.
class TTextMeasurer {
 public:
  TTextMeasurer() {
    FConfig.reset(FcInitLoadConfigAndFonts());
    if (FConfig) {
      FcConfigParseAndLoadFromMemory(FConfig.get(), reinterpret_cast<const FcChar8*>(FontAliases), FcTrue);
      // Pango substitutes font names through the process's current
      // configuration, whatever the font map was given: without this the
      // aliases never apply and "MS Sans Serif" falls to the wider DejaVu Sans.
      // Nothing else in the process asks fontconfig for these names.
      FcConfigSetCurrent(FConfig.get());
    }
    FFontMap.reset(pango_ft2_font_map_new());
    pango_ft2_font_map_set_resolution(PANGO_FT2_FONT_MAP(FFontMap.get()), 96, 96);
    if (FConfig) pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(FFontMap.get()), FConfig.get());
    FContext.reset(pango_font_map_create_context(FFontMap.get()));
    FAttributes.reset(pango_attr_list_new());
    pango_attr_list_insert(FAttributes.get(), pango_attr_font_features_new(PlatformFontFeatures));
  }

  TSize Measure(const TFont& Font, std::string_view Text) {
    std::lock_guard Guard(FLock);
    const auto Description = Describe(Font);
    const std::unique_ptr<PangoLayout, TGObjectUnref> Layout(pango_layout_new(FContext.get()));
    pango_layout_set_font_description(Layout.get(), Description.get());
    pango_layout_set_single_paragraph_mode(Layout.get(), TRUE);
    pango_layout_set_attributes(Layout.get(), FAttributes.get());
    const std::string Valid = PangoText(Text);
    pango_layout_set_text(Layout.get(), Valid.data(), static_cast<int>(Valid.size()));
    PangoRectangle Logical{};
    pango_layout_get_pixel_extents(Layout.get(), nullptr, &Logical);
    return {Logical.width, Logical.height};
  }

  ~TTextMeasurer() {
    // Fonts still open keep the map alive; shutting it down lets them go.
    FAttributes.reset();
    FContext.reset();
    pango_fc_font_map_shutdown(PANGO_FC_FONT_MAP(FFontMap.get()));
    FFontMap.reset();
  }
  TTextMeasurer(const TTextMeasurer&) = delete;
  TTextMeasurer& operator=(const TTextMeasurer&) = delete;

  std::string Family(const TFont& Font) {
    std::lock_guard Guard(FLock);
    const auto Description = Describe(Font);
    const std::unique_ptr<PangoFont, TGObjectUnref> Loaded(pango_context_load_font(FContext.get(), Description.get()));
    if (!Loaded) return {};
    const std::unique_ptr<PangoFontDescription, TDescriptionFree> Actual(pango_font_describe(Loaded.get()));
    const char* Name = pango_font_description_get_family(Actual.get());
    return Name != nullptr ? Name : "";
  }

  int PixelSize(const TFont& Font) {
    std::lock_guard Guard(FLock);
    const std::unique_ptr<PangoFontDescription, TDescriptionFree> D(pango_font_description_new());
    pango_font_description_set_family(D.get(), Font.Name().empty() ? "MS Sans Serif" : Font.Name().c_str());
    return static_cast<int>(std::lround(EmPixels(Font, D.get())));
  }

 private:
  std::unique_ptr<PangoFontDescription, TDescriptionFree> Describe(const TFont& Font) {
    std::unique_ptr<PangoFontDescription, TDescriptionFree> D(pango_font_description_new());
    pango_font_description_set_family(D.get(), Font.Name().empty() ? "MS Sans Serif" : Font.Name().c_str());
    pango_font_description_set_weight(D.get(), Font.Style().Contains(fsBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(D.get(),
                                     Font.Style().Contains(fsItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(D.get(), EmPixels(Font, D.get()) * PANGO_SCALE);
    return D;
  }

  // A negative height is the em height in pixels; a positive one the cell
  // height (ascent and descent), from which the em height follows.
  double EmPixels(const TFont& Font, PangoFontDescription* D) {
    const int Height = Font.Height();
    if (Height < 0) return -Height;
    if (Height == 0) return 11;
    pango_font_description_set_absolute_size(D, Height * PANGO_SCALE);
    const std::unique_ptr<PangoFont, TGObjectUnref> Loaded(pango_context_load_font(FContext.get(), D));
    if (!Loaded) return Height;
    PangoFontMetrics* Metrics = pango_font_get_metrics(Loaded.get(), nullptr);
    const double Cell = pango_font_metrics_get_ascent(Metrics) + pango_font_metrics_get_descent(Metrics);
    pango_font_metrics_unref(Metrics);
    return Cell > 0 ? Height * (Height * PANGO_SCALE / Cell) : Height;
  }

  std::mutex FLock;
  std::unique_ptr<FcConfig, TFcConfigDestroy> FConfig;
  std::unique_ptr<PangoFontMap, TGObjectUnref> FFontMap;
  std::unique_ptr<PangoContext, TGObjectUnref> FContext;
  std::unique_ptr<PangoAttrList, TAttrListUnref> FAttributes;
};

TTextMeasurer& Measurer() {
  static TTextMeasurer Instance;
  return Instance;
}

}  // namespace

TSize MeasureText(const TFont& Font, std::string_view Text) { return Measurer().Measure(Font, Text); }

std::string ResolvedFontFamily(const TFont& Font) { return Measurer().Family(Font); }

int FontPixelSize(const TFont& Font) { return Measurer().PixelSize(Font); }

}  // namespace vn_vcl
