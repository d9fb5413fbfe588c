// Where each control of a form is and what it shows: the one description
// that the browser page and the form pictures both draw from.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "vcl/Forms.h"

namespace vn_vcl {

struct TLayoutFont {
  std::string Family;  // the installed family the form's font name resolves to
  int Size = 11;       // em height in pixels
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  std::string Color;  // "#rrggbb"
};

struct TLayoutControl {
  std::string Name;
  std::string Kind;  // as DescribeForm names it: label, button, edit ...
  std::string ClassName;
  std::string Parent;  // the parent's name, "" for the form
  int Left = 0;        // in the form's client coordinates
  int Top = 0;
  int Width = 0;
  int Height = 0;
  std::string Caption;             // with its accelerator "&"
  std::string Text;                // edits and combo boxes
  std::vector<std::string> Items;  // combo, list and radio items
  std::vector<int> Selected;       // selected list items
  int ItemIndex = -1;
  int ItemHeight = 0;              // list boxes' and combo boxes' rows
  std::vector<std::string> Lines;  // memo lines
  bool Checked = false;
  bool Enabled = true;  // enabled with all its parents
  bool Visible = true;
  bool Focused = false;
  bool Default = false;
  bool Cancel = false;
  std::vector<std::string> Tabs;    // a page control's visible tabs
  int ActiveTab = -1;               // index into Tabs
  std::optional<TLayoutFont> Font;  // none: the parent's
  std::string Color;                // background, "#rrggbb"
  int Columns = 1;                  // radio groups
  std::string Alignment = "left";   // labels, check boxes, panels: left, right, center
  std::string Bevel;                // panels: none, raised, lowered; bevels: raised, lowered
  std::string Shape;                // bevels: box, frame, topLine, bottomLine, leftLine, rightLine, spacer
  std::string Png;                  // images: the picture's bitmap as PNG data ("" none)
};

struct TFormLayout {
  std::string Name;
  std::string Caption;
  int Width = 0;  // the window with its frame and title bar
  int Height = 0;
  int ClientWidth = 0;
  int ClientHeight = 0;
  TLayoutFont Font;
  std::string Color;
  std::vector<TLayoutControl> Controls;  // parents before their children
};

// Every control the form shows, in its client coordinates. Hidden controls,
// and those on a page that is not active, are left out.
TFormLayout LayoutForm(const TCustomForm& Form);

// The layout as the browser page reads it (docs/vnide-serve.md, Layout).
nlohmann::json LayoutJson(const TFormLayout& Layout);

// A font as the layout describes it.
TLayoutFont LayoutFontOf(const TFont& Font);

// A colour as "#rrggbb"; system colours take the classic desktop scheme's.
std::string ColorText(TColor Color);

}  // namespace vn_vcl
