#include "form_picture.h"

#include <cairo.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "atomic_file.h"
#include "pango_handles.h"
#include "rtl/SysUtils.h"

namespace vn_vcl {

namespace {

struct TRgb {
  double R = 0, G = 0, B = 0;
};

TRgb Rgb(std::uint32_t Value) {
  return {((Value >> 16) & 0xFF) / 255.0, ((Value >> 8) & 0xFF) / 255.0, (Value & 0xFF) / 255.0};
}

// "#rrggbb" from the layout; anything else is the button face.
TRgb ParseColor(const std::string& Text) {
  if (Text.size() == 7 && Text[0] == '#') {
    std::uint32_t Value = 0;
    for (std::size_t I = 1; I < 7; ++I) {
      const char C = Text[I];
      const int Digit = C >= '0' && C <= '9'   ? C - '0'
                        : C >= 'a' && C <= 'f' ? C - 'a' + 10
                        : C >= 'A' && C <= 'F' ? C - 'A' + 10
                                               : -1;
      if (Digit < 0) return Rgb(0xD4D0C8);
      Value = Value << 4 | static_cast<std::uint32_t>(Digit);
    }
    return Rgb(Value);
  }
  return Rgb(0xD4D0C8);
}

const TRgb Face = Rgb(0xD4D0C8);
const TRgb Highlight = Rgb(0xFFFFFF);
const TRgb Light = Rgb(0xD4D0C8);
const TRgb Shadow = Rgb(0x808080);
const TRgb DarkShadow = Rgb(0x404040);
const TRgb WindowColor = Rgb(0xFFFFFF);
const TRgb Selection = Rgb(0x0A246A);
const TRgb SelectionText = Rgb(0xFFFFFF);
const TRgb GrayText = Rgb(0x808080);
const TRgb Black = Rgb(0x000000);
const TRgb CaptionStart = Rgb(0x0A246A);
const TRgb CaptionEnd = Rgb(0xA6CAF0);

// A caption as shown, and the byte range in it of the letter "&" marks.
struct TShownCaption {
  std::string Text;
  int UnderlineStart = -1;
  int UnderlineEnd = -1;
};

TShownCaption ShowCaption(const std::string& Caption) {
  TShownCaption Shown;
  for (std::size_t I = 0; I < Caption.size(); ++I) {
    if (Caption[I] != '&') {
      Shown.Text += Caption[I];
      continue;
    }
    if (I + 1 >= Caption.size()) break;
    ++I;
    if (Caption[I] != '&' && Shown.UnderlineStart < 0) {
      // The whole UTF-8 character after the "&".
      std::size_t End = I + 1;
      while (End < Caption.size() && (static_cast<unsigned char>(Caption[End]) & 0xC0) == 0x80) ++End;
      Shown.UnderlineStart = static_cast<int>(Shown.Text.size());
      Shown.Text.append(Caption, I, End - I);
      Shown.UnderlineEnd = static_cast<int>(Shown.Text.size());
      I = End - 1;
      continue;
    }
    Shown.Text += Caption[I];
  }
  return Shown;
}

struct TCairoDestroy {
  void operator()(cairo_t* C) const noexcept { cairo_destroy(C); }
};
struct TSurfaceDestroy {
  void operator()(cairo_surface_t* S) const noexcept { cairo_surface_destroy(S); }
};
struct TFontOptionsDestroy {
  void operator()(cairo_font_options_t* O) const noexcept { cairo_font_options_destroy(O); }
};

// One font map for the process's pictures: fonts load once.
class TPictureFonts {
 public:
  TPictureFonts() : FFontMap(pango_cairo_font_map_new()) {
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(FFontMap.get()), 96);
  }
  ~TPictureFonts() {
    if (PANGO_IS_FC_FONT_MAP(FFontMap.get())) pango_fc_font_map_shutdown(PANGO_FC_FONT_MAP(FFontMap.get()));
  }
  TPictureFonts(const TPictureFonts&) = delete;
  TPictureFonts& operator=(const TPictureFonts&) = delete;

  PangoFontMap* FontMap() const noexcept { return FFontMap.get(); }
  std::mutex& Lock() noexcept { return FLock; }

 private:
  std::mutex FLock;
  std::unique_ptr<PangoFontMap, TGObjectUnref> FFontMap;
};

TPictureFonts& PictureFonts() {
  static TPictureFonts Instance;
  return Instance;
}

enum TAlignText { atLeft, atCenter, atRight };
enum TTextLook { tlNormal, tlDisabled, tlSelected };

struct TRect {
  double X = 0, Y = 0, W = 0, H = 0;
};

class TPainter {
 public:
  TPainter(cairo_t* ACairo, PangoFontMap* FontMap) : FCairo(ACairo), FContext(pango_font_map_create_context(FontMap)) {
    const std::unique_ptr<cairo_font_options_t, TFontOptionsDestroy> Options(cairo_font_options_create());
    cairo_font_options_set_antialias(Options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(Options.get(), CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(FContext.get(), Options.get());
  }

  void Draw(const TFormLayout& Layout) {
    Window(Layout.Caption, Layout.Font, Layout.Color, Layout.Width, Layout.Height, Layout.ClientWidth,
           Layout.ClientHeight, [&] { Controls(Layout); });
  }

  void Draw(const TDesignSurface& Surface, int Width, int Height, int ClientWidth, int ClientHeight) {
    Window(Surface.Name, Surface.Font, "#d4d0c8", Width, Height, ClientWidth, ClientHeight, [&] {
      const double Line = LineHeight(Surface.Font);
      for (const TDesignIcon& Icon : Surface.Icons) {
        const TRect Box{double(Icon.Left), double(Icon.Top), double(DesignIconSize), double(DesignIconSize)};
        Fill(Box, Face);
        Raised(Box);
        if (!Icon.BitmapPng.empty()) Bitmap(Icon.BitmapPng, Box);
        const double NameWidth = TextWidth(Icon.Name, Surface.Font) + 4;
        const TRect Name{Box.X + (Box.W - NameWidth) / 2, Box.Y + Box.H + 2, NameWidth, Line};
        Fill(Name, WindowColor);
        Text(Icon.Name, Surface.Font, Name, atCenter, tlNormal, false);
      }
    });
  }

 private:
  // The window: frame, title bar with the caption, then Paint in the client
  // area with the client's top left at 0, 0.
  template <class F>
  void Window(const std::string& Caption, const TLayoutFont& Font, const std::string& Color, int Width, int Height,
              int ClientWidth, int ClientHeight, F Paint) {
    const int Border = std::max((Width - ClientWidth) / 2, 0);
    const int TitleBottom = std::max(Height - ClientHeight - Border, 0);
    Fill({0, 0, double(Width), double(Height)}, ParseColor(Color));
    if (Border > 0) Raised({0, 0, double(Width), double(Height)});
    if (TitleBottom - Border > 2)
      TitleBar(Caption, Font,
               {double(Border), double(Border), double(Width - 2 * Border), double(TitleBottom - Border - 1)});
    cairo_save(FCairo);
    cairo_rectangle(FCairo, Border, TitleBottom, ClientWidth, ClientHeight);
    cairo_clip(FCairo);
    cairo_translate(FCairo, Border, TitleBottom);
    Fill({0, 0, double(ClientWidth), double(ClientHeight)}, ParseColor(Color));
    Paint();
    cairo_restore(FCairo);
  }

  // A PNG drawn centred in R, clipped to it.
  void Bitmap(const std::string& Png, TRect R) {
    struct TReader {
      const std::string& Data;
      std::size_t Offset = 0;
    } Reader{Png};
    const std::unique_ptr<cairo_surface_t, TSurfaceDestroy> Image(cairo_image_surface_create_from_png_stream(
        [](void* Closure, unsigned char* Data, unsigned int Length) {
          auto& From = *static_cast<TReader*>(Closure);
          if (From.Data.size() - From.Offset < Length) return CAIRO_STATUS_READ_ERROR;
          std::memcpy(Data, From.Data.data() + From.Offset, Length);
          From.Offset += Length;
          return CAIRO_STATUS_SUCCESS;
        },
        &Reader));
    if (cairo_surface_status(Image.get()) != CAIRO_STATUS_SUCCESS) return;
    const int W = cairo_image_surface_get_width(Image.get()), H = cairo_image_surface_get_height(Image.get());
    Clipped(R, [&] {
      cairo_set_source_surface(FCairo, Image.get(), std::floor(R.X + (R.W - W) / 2), std::floor(R.Y + (R.H - H) / 2));
      cairo_paint(FCairo);
    });
  }

  void TitleBar(const std::string& Caption, const TLayoutFont& CaptionFont, TRect R) {
    cairo_pattern_t* Gradient = cairo_pattern_create_linear(R.X, 0, R.X + R.W, 0);
    cairo_pattern_add_color_stop_rgb(Gradient, 0, CaptionStart.R, CaptionStart.G, CaptionStart.B);
    cairo_pattern_add_color_stop_rgb(Gradient, 1, CaptionEnd.R, CaptionEnd.G, CaptionEnd.B);
    cairo_rectangle(FCairo, R.X, R.Y, R.W, R.H);
    cairo_set_source(FCairo, Gradient);
    cairo_fill(FCairo);
    cairo_pattern_destroy(Gradient);
    // The close box at the right end.
    const double Box = std::max(R.H - 4, 4.0);
    const TRect Close{R.X + R.W - Box - 2 - 2, R.Y + 2, Box + 2, Box};
    Fill(Close, Face);
    Raised(Close);
    SetColor(Black);
    cairo_set_line_width(FCairo, 1.5);
    const double Inset = Box / 3.5;
    cairo_move_to(FCairo, Close.X + Inset + 1, Close.Y + Inset);
    cairo_line_to(FCairo, Close.X + Close.W - Inset - 1, Close.Y + Close.H - Inset);
    cairo_move_to(FCairo, Close.X + Close.W - Inset - 1, Close.Y + Inset);
    cairo_line_to(FCairo, Close.X + Inset + 1, Close.Y + Close.H - Inset);
    cairo_stroke(FCairo);
    TLayoutFont Font = CaptionFont;
    Font.Bold = true;
    Font.Underline = false;
    Font.Color = "#ffffff";
    cairo_save(FCairo);
    cairo_rectangle(FCairo, R.X, R.Y, std::max(Close.X - R.X - 2, 0.0), R.H);
    cairo_clip(FCairo);
    Text(Caption, Font, {R.X + 3, R.Y, R.W, R.H}, atLeft, tlNormal, false);
    cairo_restore(FCairo);
  }

  void Controls(const TFormLayout& Layout) {
    std::unordered_map<std::string, const TLayoutControl*> ByName;
    ByName.reserve(Layout.Controls.size());
    std::unordered_map<const TLayoutControl*, TRect> Clips;
    std::unordered_map<const TLayoutControl*, TLayoutFont> Fonts;
    const TRect Client{0, 0, double(Layout.ClientWidth), double(Layout.ClientHeight)};
    for (const TLayoutControl& C : Layout.Controls) {
      // Parents come first: a child is clipped to its parent and takes its font.
      const auto Parent = ByName.find(C.Parent);
      const bool HasParent = !C.Parent.empty() && Parent != ByName.end();
      const TRect ParentClip = HasParent ? Clips[Parent->second] : Client;
      const TRect Own{double(C.Left), double(C.Top), double(C.Width), double(C.Height)};
      Clips[&C] = Intersect(ParentClip, Own);
      const TLayoutFont& Font = C.Font ? *C.Font : HasParent ? Fonts[Parent->second] : Layout.Font;
      Fonts[&C] = Font;
      ByName.emplace(C.Name, &C);
      cairo_save(FCairo);
      cairo_rectangle(FCairo, ParentClip.X, ParentClip.Y, ParentClip.W, ParentClip.H);
      cairo_clip(FCairo);
      Control(C, Font);
      cairo_restore(FCairo);
    }
  }

  static TRect Intersect(TRect A, TRect B) {
    const double X = std::max(A.X, B.X), Y = std::max(A.Y, B.Y);
    const double Right = std::min(A.X + A.W, B.X + B.W), Bottom = std::min(A.Y + A.H, B.Y + B.H);
    return {X, Y, std::max(Right - X, 0.0), std::max(Bottom - Y, 0.0)};
  }

  void Control(const TLayoutControl& C, const TLayoutFont& Font) {
    const TRect R{double(C.Left), double(C.Top), double(C.Width), double(C.Height)};
    const TTextLook Look = C.Enabled ? tlNormal : tlDisabled;
    if (C.Kind == "button") {
      Button(C, R, Font, Look);
    } else if (C.Kind == "edit" || C.Kind == "combo") {
      Fill(R, ParseColor(C.Color));
      Sunken(R);
      TRect TextArea{R.X + 4, R.Y + 2, R.W - 8, R.H - 4};
      if (C.Kind == "combo") {
        const double Arrow = std::min(16.0, std::max(R.W - 4, 0.0));
        const TRect ArrowBox{R.X + R.W - 2 - Arrow, R.Y + 2, Arrow, R.H - 4};
        Fill(ArrowBox, Face);
        Raised(ArrowBox);
        DownArrow(ArrowBox, C.Enabled ? Black : GrayText);
        TextArea.W -= Arrow;
      }
      Clipped(TextArea, [&] { Text(C.Text, Font, TextArea, atLeft, Look, false); });
      if (C.Focused && C.Kind == "combo" && !C.Text.empty())
        FocusRect({TextArea.X - 1, TextArea.Y + 1, TextArea.W, TextArea.H - 2});
    } else if (C.Kind == "list") {
      List(C, R, Font, Look);
    } else if (C.Kind == "memo") {
      Fill(R, ParseColor(C.Color));
      Sunken(R);
      const TRect Inner{R.X + 4, R.Y + 3, R.W - 8, R.H - 5};
      Clipped(Inner, [&] {
        const double Line = LineHeight(Font);
        for (std::size_t I = 0; I < C.Lines.size() && Line * double(I) < Inner.H; ++I)
          Text(C.Lines[I], Font, {Inner.X, Inner.Y + Line * double(I), Inner.W, Line}, atLeft, Look, false);
      });
    } else if (C.Kind == "check") {
      Check(C, R, Font, Look);
    } else if (C.Kind == "radio") {
      Radio(C, R, Font, Look);
    } else if (C.Kind == "group") {
      Group(C.Caption, R, Font, Look);
    } else if (C.Kind == "pages") {
      Pages(C, R, Font, Look);
    } else if (C.Kind == "page") {
      Fill(R, ParseColor(C.Color));
    } else if (C.Kind == "label") {
      Clipped(R, [&] {
        const TAlignText Align = C.Alignment == "right" ? atRight : C.Alignment == "center" ? atCenter : atLeft;
        Text(C.Caption, Font, {R.X, R.Y, R.W, LineHeight(Font)}, Align, Look, true);
      });
    } else if (C.Kind == "panel") {
      Fill(R, ParseColor(C.Color));
      if (C.Bevel == "raised") Raised(R, false);
      if (C.Bevel == "lowered") Sunken(R, false);
      Clipped(R, [&] { Text(C.Caption, Font, R, atCenter, Look, true, true); });
    } else if (C.Kind == "bevel") {
      Bevel(C, R);
    } else if (C.Kind == "image" && !C.Png.empty()) {
      Clipped(R, [&] { Bitmap(C.Png, R); });
    } else if (C.Kind == "image") {
      // An image without a picture: its place is marked.
      SetColor(Shadow);
      const double Dash = 2;
      cairo_set_dash(FCairo, &Dash, 1, 0);
      cairo_set_line_width(FCairo, 1);
      cairo_rectangle(FCairo, R.X + 0.5, R.Y + 0.5, std::max(R.W - 1, 0.0), std::max(R.H - 1, 0.0));
      cairo_stroke(FCairo);
      cairo_set_dash(FCairo, nullptr, 0, 0);
    }
  }

  void Button(const TLayoutControl& C, TRect R, const TLayoutFont& Font, TTextLook Look) {
    Fill(R, ParseColor(C.Color));
    TRect Frame = R;
    if (C.Default || C.Focused) {
      // The button Enter presses wears a dark outline.
      Outline(R, Black);
      Frame = {R.X + 1, R.Y + 1, R.W - 2, R.H - 2};
    }
    Raised(Frame);
    Clipped(R, [&] { Text(C.Caption, Font, R, atCenter, Look, true, true); });
    if (C.Focused) FocusRect({R.X + 4, R.Y + 4, R.W - 8, R.H - 8});
  }

  void List(const TLayoutControl& C, TRect R, const TLayoutFont& Font, TTextLook Look) {
    Fill(R, ParseColor(C.Color));
    Sunken(R);
    const TRect Inner{R.X + 2, R.Y + 2, R.W - 4, R.H - 4};
    const double Row = C.ItemHeight > 0 ? C.ItemHeight : LineHeight(Font);
    Clipped(Inner, [&] {
      std::vector<bool> Selected(C.Items.size(), false);
      for (const int Index : C.Selected)
        if (Index >= 0 && static_cast<std::size_t>(Index) < Selected.size())
          Selected[static_cast<std::size_t>(Index)] = true;
      for (std::size_t I = 0; I < C.Items.size() && Row * double(I) < Inner.H; ++I) {
        const TRect Item{Inner.X, Inner.Y + Row * double(I), Inner.W, Row};
        if (Selected[I]) Fill(Item, Selection);
        Text(C.Items[I], Font, {Item.X + 2, Item.Y, Item.W - 2, Item.H}, atLeft, Selected[I] ? tlSelected : Look,
             false);
        if (C.Focused && static_cast<int>(I) == std::max(C.ItemIndex, 0)) FocusRect(Item);
      }
      if (C.Focused && C.Items.empty()) FocusRect({Inner.X, Inner.Y, Inner.W, Row});
    });
  }

  void Check(const TLayoutControl& C, TRect R, const TLayoutFont& Font, TTextLook Look) {
    const double Box = 13;
    const bool BoxRight = C.Alignment == "left";
    const TRect Mark{BoxRight ? R.X + R.W - Box : R.X, R.Y + std::floor((R.H - Box) / 2), Box, Box};
    Fill(Mark, C.Enabled ? WindowColor : Face);
    Sunken(Mark);
    if (C.Checked) {
      SetColor(C.Enabled ? Black : GrayText);
      cairo_set_line_width(FCairo, 2);
      cairo_move_to(FCairo, Mark.X + 3, Mark.Y + 6);
      cairo_line_to(FCairo, Mark.X + 5.5, Mark.Y + 9);
      cairo_line_to(FCairo, Mark.X + 10, Mark.Y + 3.5);
      cairo_stroke(FCairo);
    }
    const TRect Label{BoxRight ? R.X : R.X + Box + 4, R.Y, R.W - Box - 4, R.H};
    Clipped(R, [&] { Text(C.Caption, Font, Label, BoxRight ? atRight : atLeft, Look, true); });
    if (C.Focused) FocusRect({Label.X - 1, R.Y + 1, std::min(TextWidth(C.Caption, Font) + 2, Label.W), R.H - 2});
  }

  void Radio(const TLayoutControl& C, TRect R, const TLayoutFont& Font, TTextLook Look) {
    Group(C.Caption, R, Font, Look);
    if (C.Items.empty()) return;
    const int Columns = std::max(C.Columns, 1);
    const int Rows = (static_cast<int>(C.Items.size()) + Columns - 1) / Columns;
    const double Top = R.Y + LineHeight(Font);
    const double RowHeight = std::max((R.H - LineHeight(Font) - 4) / Rows, 1.0);
    const double ColumnWidth = (R.W - 16) / Columns;
    for (std::size_t I = 0; I < C.Items.size(); ++I) {
      const int Column = static_cast<int>(I) / Rows, RowIndex = static_cast<int>(I) % Rows;
      const TRect Cell{R.X + 8 + ColumnWidth * Column, Top + RowHeight * RowIndex, ColumnWidth, RowHeight};
      const double Cx = Cell.X + 6, Cy = Cell.Y + Cell.H / 2;
      cairo_new_path(FCairo);
      cairo_arc(FCairo, Cx, Cy, 5.5, 0, 2 * M_PI);
      SetColor(C.Enabled ? WindowColor : Face);
      cairo_fill_preserve(FCairo);
      SetColor(Shadow);
      cairo_set_line_width(FCairo, 1);
      cairo_stroke(FCairo);
      if (static_cast<int>(I) == C.ItemIndex) {
        cairo_arc(FCairo, Cx, Cy, 2.5, 0, 2 * M_PI);
        SetColor(C.Enabled ? Black : GrayText);
        cairo_fill(FCairo);
      }
      const TRect Label{Cell.X + 16, Cell.Y, Cell.W - 18, Cell.H};
      Clipped(Label, [&] { Text(C.Items[I], Font, Label, atLeft, Look, true, true); });
    }
  }

  void Group(const std::string& Caption, TRect R, const TLayoutFont& Font, TTextLook Look) {
    const double Line = LineHeight(Font);
    const double FrameTop = std::floor(R.Y + Line / 2);
    // An etched frame: a shadow line with a highlight under and right of it.
    cairo_set_line_width(FCairo, 1);
    SetColor(Highlight);
    cairo_rectangle(FCairo, R.X + 1.5, FrameTop + 1.5, std::max(R.W - 2, 0.0), std::max(R.Y + R.H - FrameTop - 2, 0.0));
    cairo_stroke(FCairo);
    SetColor(Shadow);
    cairo_rectangle(FCairo, R.X + 0.5, FrameTop + 0.5, std::max(R.W - 2, 0.0), std::max(R.Y + R.H - FrameTop - 2, 0.0));
    cairo_stroke(FCairo);
    if (Caption.empty()) return;
    const double Width = std::min(TextWidth(Caption, Font), std::max(R.W - 16, 0.0));
    Fill({R.X + 6, R.Y, Width + 4, Line}, Face);
    Clipped({R.X + 8, R.Y, Width, Line}, [&] { Text(Caption, Font, {R.X + 8, R.Y, Width, Line}, atLeft, Look, true); });
  }

  void Pages(const TLayoutControl& C, TRect R, const TLayoutFont& Font, TTextLook Look) {
    const double TabHeight = 20, BodyTop = R.Y + 22;
    Fill({R.X, BodyTop, R.W, R.H - 22}, ParseColor(C.Color));
    Raised({R.X, BodyTop, R.W, R.H - 22}, false);
    double X = R.X + 2;
    double ActiveX = -1, ActiveW = 0;
    for (std::size_t I = 0; I < C.Tabs.size(); ++I) {
      const double W = TextWidth(C.Tabs[I], Font) + 12;
      if (static_cast<int>(I) == C.ActiveTab) {
        ActiveX = X;
        ActiveW = W;
      } else {
        Tab({X, BodyTop - TabHeight, W, TabHeight}, C.Tabs[I], Font, Look);
      }
      X += W;
    }
    if (ActiveX >= 0) {
      // The active tab stands out and joins the page under it.
      const TRect Active{ActiveX - 2, BodyTop - TabHeight - 2, ActiveW + 4, TabHeight + 3};
      Tab(Active, C.Tabs[static_cast<std::size_t>(C.ActiveTab)], Font, Look);
      if (C.Focused) FocusRect({Active.X + 4, Active.Y + 3, Active.W - 8, Active.H - 6});
    }
  }

  void Tab(TRect R, const std::string& Caption, const TLayoutFont& Font, TTextLook Look) {
    Fill(R, Face);
    cairo_set_line_width(FCairo, 1);
    SetColor(Highlight);
    cairo_move_to(FCairo, R.X + 0.5, R.Y + R.H);
    cairo_line_to(FCairo, R.X + 0.5, R.Y + 2.5);
    cairo_line_to(FCairo, R.X + 2.5, R.Y + 0.5);
    cairo_line_to(FCairo, R.X + R.W - 2.5, R.Y + 0.5);
    cairo_stroke(FCairo);
    SetColor(DarkShadow);
    cairo_move_to(FCairo, R.X + R.W - 1.5, R.Y + 1.5);
    cairo_line_to(FCairo, R.X + R.W - 0.5, R.Y + 2.5);
    cairo_line_to(FCairo, R.X + R.W - 0.5, R.Y + R.H);
    cairo_stroke(FCairo);
    SetColor(Shadow);
    cairo_move_to(FCairo, R.X + R.W - 1.5, R.Y + 2.5);
    cairo_line_to(FCairo, R.X + R.W - 1.5, R.Y + R.H);
    cairo_stroke(FCairo);
    Clipped(R, [&] { Text(Caption, Font, R, atCenter, Look, true, true); });
  }

  void Bevel(const TLayoutControl& C, TRect R) {
    const bool Raise = C.Bevel == "raised";
    const TRgb& First = Raise ? Highlight : Shadow;
    const TRgb& Second = Raise ? Shadow : Highlight;
    cairo_set_line_width(FCairo, 1);
    auto Line = [&](double X1, double Y1, double X2, double Y2, const TRgb& Color) {
      SetColor(Color);
      cairo_move_to(FCairo, X1, Y1);
      cairo_line_to(FCairo, X2, Y2);
      cairo_stroke(FCairo);
    };
    if (C.Shape == "box") {
      Raise ? Raised(R, false) : Sunken(R, false);
    } else if (C.Shape == "frame") {
      SetColor(First);
      cairo_rectangle(FCairo, R.X + 0.5, R.Y + 0.5, R.W - 2, R.H - 2);
      cairo_stroke(FCairo);
      SetColor(Second);
      cairo_rectangle(FCairo, R.X + 1.5, R.Y + 1.5, R.W - 2, R.H - 2);
      cairo_stroke(FCairo);
    } else if (C.Shape == "topLine") {
      Line(R.X, R.Y + 0.5, R.X + R.W, R.Y + 0.5, First);
      Line(R.X, R.Y + 1.5, R.X + R.W, R.Y + 1.5, Second);
    } else if (C.Shape == "bottomLine") {
      Line(R.X, R.Y + R.H - 1.5, R.X + R.W, R.Y + R.H - 1.5, First);
      Line(R.X, R.Y + R.H - 0.5, R.X + R.W, R.Y + R.H - 0.5, Second);
    } else if (C.Shape == "leftLine") {
      Line(R.X + 0.5, R.Y, R.X + 0.5, R.Y + R.H, First);
      Line(R.X + 1.5, R.Y, R.X + 1.5, R.Y + R.H, Second);
    } else if (C.Shape == "rightLine") {
      Line(R.X + R.W - 1.5, R.Y, R.X + R.W - 1.5, R.Y + R.H, First);
      Line(R.X + R.W - 0.5, R.Y, R.X + R.W - 0.5, R.Y + R.H, Second);
    }
  }

  // --- primitives

  void SetColor(const TRgb& C) { cairo_set_source_rgb(FCairo, C.R, C.G, C.B); }

  void Fill(TRect R, const TRgb& Color) {
    if (R.W <= 0 || R.H <= 0) return;
    SetColor(Color);
    cairo_rectangle(FCairo, R.X, R.Y, R.W, R.H);
    cairo_fill(FCairo);
  }

  void Outline(TRect R, const TRgb& Color) {
    if (R.W < 1 || R.H < 1) return;
    SetColor(Color);
    cairo_set_line_width(FCairo, 1);
    cairo_rectangle(FCairo, R.X + 0.5, R.Y + 0.5, R.W - 1, R.H - 1);
    cairo_stroke(FCairo);
  }

  // Light from the top left: Outer and Inner are the two rings' colours of
  // the top and left edges, OuterDark and InnerDark of the bottom and right.
  void Edge(TRect R, const TRgb& Outer, const TRgb& OuterDark, const TRgb* Inner, const TRgb* InnerDark) {
    if (R.W < 2 || R.H < 2) return;
    cairo_set_line_width(FCairo, 1);
    auto Ring = [&](TRect Q, const TRgb& TopLeft, const TRgb& BottomRight) {
      SetColor(TopLeft);
      cairo_move_to(FCairo, Q.X + 0.5, Q.Y + Q.H - 1);
      cairo_line_to(FCairo, Q.X + 0.5, Q.Y + 0.5);
      cairo_line_to(FCairo, Q.X + Q.W - 1, Q.Y + 0.5);
      cairo_stroke(FCairo);
      SetColor(BottomRight);
      cairo_move_to(FCairo, Q.X + Q.W - 0.5, Q.Y);
      cairo_line_to(FCairo, Q.X + Q.W - 0.5, Q.Y + Q.H - 0.5);
      cairo_line_to(FCairo, Q.X, Q.Y + Q.H - 0.5);
      cairo_stroke(FCairo);
    };
    Ring(R, Outer, OuterDark);
    if (Inner != nullptr && R.W >= 4 && R.H >= 4) Ring({R.X + 1, R.Y + 1, R.W - 2, R.H - 2}, *Inner, *InnerDark);
  }

  void Raised(TRect R, bool Deep = true) {
    if (Deep)
      Edge(R, Light, DarkShadow, &Highlight, &Shadow);
    else
      Edge(R, Highlight, Shadow, nullptr, nullptr);
  }

  void Sunken(TRect R, bool Deep = true) {
    if (Deep)
      Edge(R, Shadow, Highlight, &DarkShadow, &Light);
    else
      Edge(R, Shadow, Highlight, nullptr, nullptr);
  }

  void FocusRect(TRect R) {
    if (R.W < 2 || R.H < 2) return;
    SetColor(Black);
    const double Dash = 1;
    cairo_set_dash(FCairo, &Dash, 1, 0);
    cairo_set_line_width(FCairo, 1);
    cairo_rectangle(FCairo, R.X + 0.5, R.Y + 0.5, R.W - 1, R.H - 1);
    cairo_stroke(FCairo);
    cairo_set_dash(FCairo, nullptr, 0, 0);
  }

  void DownArrow(TRect R, const TRgb& Color) {
    const double Cx = std::floor(R.X + R.W / 2), Cy = std::floor(R.Y + R.H / 2) - 1;
    SetColor(Color);
    cairo_move_to(FCairo, Cx - 3.5, Cy);
    cairo_line_to(FCairo, Cx + 4.5, Cy);
    cairo_line_to(FCairo, Cx + 0.5, Cy + 4);
    cairo_close_path(FCairo);
    cairo_fill(FCairo);
  }

  template <class F>
  void Clipped(TRect R, F Paint) {
    cairo_save(FCairo);
    cairo_rectangle(FCairo, R.X, R.Y, std::max(R.W, 0.0), std::max(R.H, 0.0));
    cairo_clip(FCairo);
    Paint();
    cairo_restore(FCairo);
  }

  // --- text

  std::unique_ptr<PangoLayout, TGObjectUnref> MakeLayout(const std::string& Shown, const TLayoutFont& Font,
                                                         int UnderlineStart, int UnderlineEnd) {
    std::unique_ptr<PangoLayout, TGObjectUnref> Layout(pango_layout_new(FContext.get()));
    const std::unique_ptr<PangoFontDescription, TDescriptionFree> D(pango_font_description_new());
    pango_font_description_set_family(D.get(), Font.Family.empty() ? "sans" : Font.Family.c_str());
    pango_font_description_set_weight(D.get(), Font.Bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(D.get(), Font.Italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(D.get(), std::max(Font.Size, 1) * PANGO_SCALE);
    pango_layout_set_font_description(Layout.get(), D.get());
    pango_layout_set_single_paragraph_mode(Layout.get(), TRUE);
    const std::unique_ptr<PangoAttrList, TAttrListUnref> Attributes(pango_attr_list_new());
    pango_attr_list_insert(Attributes.get(), pango_attr_font_features_new(PlatformFontFeatures));
    if (Font.Underline) {
      pango_attr_list_insert(Attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    } else if (UnderlineStart >= 0) {
      PangoAttribute* Underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
      Underline->start_index = static_cast<guint>(UnderlineStart);
      Underline->end_index = static_cast<guint>(UnderlineEnd);
      pango_attr_list_insert(Attributes.get(), Underline);
    }
    pango_layout_set_attributes(Layout.get(), Attributes.get());
    const std::string Valid = PangoText(Shown);
    pango_layout_set_text(Layout.get(), Valid.data(), static_cast<int>(Valid.size()));
    return Layout;
  }

  double LineHeight(const TLayoutFont& Font) {
    const auto Layout = MakeLayout("Ag", Font, -1, -1);
    PangoRectangle Logical{};
    pango_layout_get_pixel_extents(Layout.get(), nullptr, &Logical);
    return std::max(Logical.height, 1);
  }

  double TextWidth(const std::string& Caption, const TLayoutFont& Font) {
    const auto Layout = MakeLayout(ShowCaption(Caption).Text, Font, -1, -1);
    PangoRectangle Logical{};
    pango_layout_get_pixel_extents(Layout.get(), nullptr, &Logical);
    return Logical.width;
  }

  // Text in R on one line, centred vertically when Middle; a caption shows
  // its accelerator underlined.
  void Text(const std::string& Value, const TLayoutFont& Font, TRect R, TAlignText Align, TTextLook Look, bool Caption,
            bool Middle = true) {
    if (Value.empty()) return;
    TShownCaption Shown;
    if (Caption)
      Shown = ShowCaption(Value);
    else
      Shown.Text = Value;
    const auto Layout = MakeLayout(Shown.Text, Font, Shown.UnderlineStart, Shown.UnderlineEnd);
    PangoRectangle Logical{};
    pango_layout_get_pixel_extents(Layout.get(), nullptr, &Logical);
    double X = R.X;
    if (Align == atCenter) X = std::floor(R.X + (R.W - Logical.width) / 2);
    if (Align == atRight) X = R.X + R.W - Logical.width;
    const double Y = Middle ? std::floor(R.Y + (R.H - Logical.height) / 2) : R.Y;
    if (Look == tlDisabled) {
      // Greyed text is embossed: a highlight one pixel down and right.
      SetColor(Highlight);
      cairo_move_to(FCairo, X + 1, Y + 1);
      pango_cairo_show_layout(FCairo, Layout.get());
      SetColor(GrayText);
    } else if (Look == tlSelected) {
      SetColor(SelectionText);
    } else {
      SetColor(ParseColor(Font.Color.empty() ? "#000000" : Font.Color));
    }
    cairo_move_to(FCairo, X, Y);
    pango_cairo_show_layout(FCairo, Layout.get());
  }

  cairo_t* FCairo;
  std::unique_ptr<PangoContext, TGObjectUnref> FContext;
};

cairo_status_t AppendPng(void* Closure, const unsigned char* Data, unsigned int Length) {
  static_cast<std::string*>(Closure)->append(reinterpret_cast<const char*>(Data), Length);
  return CAIRO_STATUS_SUCCESS;
}

// Draws with Draw(Painter) on a Width x Height picture and gives it as PNG.
template <class F>
std::string Picture(int Width, int Height, const std::string& Name, F Draw) {
  Width = std::clamp(Width, 1, 16384);
  Height = std::clamp(Height, 1, 16384);
  const std::unique_ptr<cairo_surface_t, TSurfaceDestroy> Surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, Width, Height));
  {
    TPictureFonts& Fonts = PictureFonts();
    const std::lock_guard Guard(Fonts.Lock());
    const std::unique_ptr<cairo_t, TCairoDestroy> Cairo(cairo_create(Surface.get()));
    TPainter Painter(Cairo.get(), Fonts.FontMap());
    Draw(Painter);
  }
  cairo_surface_flush(Surface.get());
  std::string Png;
  const cairo_status_t Status = cairo_surface_write_to_png_stream(Surface.get(), AppendPng, &Png);
  if (Status != CAIRO_STATUS_SUCCESS)
    throw EWriteError(Format("Cannot draw the picture of %s: %s", {Name, cairo_status_to_string(Status)}));
  return Png;
}

}  // namespace

std::string FormPicturePng(const TFormLayout& Layout) {
  return Picture(Layout.Width, Layout.Height, Layout.Name, [&](TPainter& Painter) { Painter.Draw(Layout); });
}

std::string DesignSurfacePng(const TDesignSurface& Surface) {
  // Room for every icon and its name, with a margin.
  int ClientWidth = std::max(Surface.ClientWidth, 0), ClientHeight = std::max(Surface.ClientHeight, 0);
  for (const TDesignIcon& Icon : Surface.Icons) {
    ClientWidth = std::max(ClientWidth, Icon.Left + DesignIconSize + 48);
    ClientHeight = std::max(ClientHeight, Icon.Top + DesignIconSize + 32);
  }
  const int Width = ClientWidth + 8, Height = ClientHeight + 27;
  return Picture(Width, Height, Surface.Name,
                 [&](TPainter& Painter) { Painter.Draw(Surface, Width, Height, ClientWidth, ClientHeight); });
}

void WritePictureFile(const std::string& Png, const std::string& FileName) {
  if (!vn_rtl::ReplaceFile(FileName, [&](const std::string&) { return std::optional<std::string>(Png); }))
    throw EFCreateError(Format("Cannot write the picture %s: %s", {FileName, std::strerror(errno)}));
}

void WriteFormPicture(const TFormLayout& Layout, const std::string& FileName) {
  WritePictureFile(FormPicturePng(Layout), FileName);
}

}  // namespace vn_vcl
