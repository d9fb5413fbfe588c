// Unit Graphics (pictures): bitmaps and the picture an image shows. The
// host draws nothing, but it keeps a picture's bytes and knows its size.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

// Bytes that are no valid picture or bitmap.
VN_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

// A device-independent bitmap, as a bitmap file ("BM") holds it.
class TBitmap : public TPersistent {
  VN_DECLARE_CLASS(TBitmap)
 public:
  int Width() const noexcept { return FWidth; }
  int Height() const noexcept { return FHeight; }
  int BitsPerPixel() const noexcept { return FBitsPerPixel; }
  // The bitmap file: file header, info header, colour table, pixel rows.
  const std::string& FileData() const noexcept { return FFileData; }
  // Takes the bytes of a bitmap file after checking its headers and that the
  // colours and pixel rows they announce are there. EInvalidGraphic, with the
  // bitmap unchanged, when they are not.
  void LoadFromFileData(std::string Bytes);

 private:
  std::string FFileData;
  int FWidth = 0;
  int FHeight = 0;
  int FBitsPerPixel = 0;
};

// A picture: one graphic or none. Form files store it as Picture.Data: one
// byte giving the length of the graphic's class name, the name, then the
// graphic's own data; a bitmap's is its file's size (32 bits, little-endian)
// followed by the file. The data is kept exactly as it was given, so it is
// written back unchanged; a graphic class other than TBitmap is kept without
// a size.
class TPicture : public TPersistent {
  VN_DECLARE_PUBLISHED(TPicture)
 public:
  TPicture();
  ~TPicture() override;

  // The bitmap the picture holds; null when it holds none.
  const TBitmap* Bitmap() const noexcept { return FBitmap.get(); }
  // "TBitmap", another graphic class's name, or "" for an empty picture.
  const std::string& GraphicClassName() const noexcept { return FClassName; }
  int Width() const noexcept { return FBitmap ? FBitmap->Width() : 0; }
  int Height() const noexcept { return FBitmap ? FBitmap->Height() : 0; }

  const std::string& Data() const noexcept { return FData; }
  // "" empties the picture. EInvalidGraphic, with the picture unchanged, when
  // Value is malformed or holds a bitmap that is not valid.
  void SetData(const std::string& Value);
  // Holds the bitmap file Bytes from now on (EInvalidGraphic as SetData).
  void LoadBitmapFile(std::string_view Bytes);
  void Clear() { SetData(""); }

  void Assign(const TPersistent& Source) override;

  // Called after every change; the image showing the picture follows it.
  std::function<void(TPicture& Sender)> OnChange;

 private:
  std::string FData;
  std::string FClassName;
  std::unique_ptr<TBitmap> FBitmap;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Graphics_Initialization();
void Graphics_Finalization();
