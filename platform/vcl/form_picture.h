// Pictures of forms in the classic desktop look, drawn from their layout
// alone (the browser page draws the same layout), as PNG.
#pragma once

#include <string>

#include "form_layout.h"

namespace vn_vcl {

// The PNG file's bytes: the window as Layout.Width x Layout.Height pixels,
// frame and title bar included.
std::string FormPicturePng(const TFormLayout& Layout);

// A component that is no control, as the designer shows it on a data module:
// its palette bitmap with its name below, at its design position.
struct TDesignIcon {
  std::string Name;
  int Left = 0;  // in the surface's client coordinates
  int Top = 0;
  std::string BitmapPng;  // the palette bitmap as PNG; "" draws an empty button
};

// A data module's design surface: a window titled with the module's name.
// It grows to take in every icon.
struct TDesignSurface {
  std::string Name;
  int ClientWidth = 0;
  int ClientHeight = 0;
  TLayoutFont Font;
  std::vector<TDesignIcon> Icons;
};

// The size of an icon's button; its name goes below it.
inline constexpr int DesignIconSize = 28;

// The design surface as PNG, in the same look as the form pictures.
std::string DesignSurfacePng(const TDesignSurface& Surface);

// Writes the picture to FileName through a temporary file beside it that is
// renamed over it: the file is the old one or the whole new one. Raises
// EFCreateError naming the file when it cannot be written.
void WriteFormPicture(const TFormLayout& Layout, const std::string& FileName);
// Writes Png to FileName the same way.
void WritePictureFile(const std::string& Png, const std::string& FileName);

}  // namespace vn_vcl
