#include "vcl/Graphics.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>

#include "vcl/ExtCtrls.h"
#include "vcl/Forms.h"
#include "rtl/FormFiles.h"
#include "dib_pixels.h"
#include "form_layout.h"
#include "form_picture.h"

namespace {

void PutU32(std::string& Out, std::size_t At, std::uint32_t Value) {
  for (int I = 0; I < 4; ++I) Out[At + static_cast<std::size_t>(I)] = static_cast<char>(Value >> (8 * I) & 0xFF);
}

// A bottom-up bitmap file with a 16-colour table and zero pixels.
std::string BitmapFile(int Width, int Height, int Bits) {
  const std::uint32_t Stride = (static_cast<std::uint32_t>(Width * Bits) + 31) / 32 * 4;
  const std::uint32_t PixelsAt = 14 + 40 + 16 * 4;
  std::string File(PixelsAt + Stride * static_cast<std::uint32_t>(Height < 0 ? -Height : Height), '\0');
  File[0] = 'B';
  File[1] = 'M';
  PutU32(File, 2, static_cast<std::uint32_t>(File.size()));
  PutU32(File, 10, PixelsAt);
  PutU32(File, 14, 40);
  PutU32(File, 18, static_cast<std::uint32_t>(Width));
  PutU32(File, 22, static_cast<std::uint32_t>(Height));
  File[26] = 1;
  File[28] = static_cast<char>(Bits);
  PutU32(File, 46, 16);
  return File;
}

std::string PictureData(const std::string& ClassName, const std::string& Graphic) {
  std::string Data(1, static_cast<char>(ClassName.size()));
  Data += ClassName + std::string(4, '\0') + Graphic;
  PutU32(Data, 1 + ClassName.size(), static_cast<std::uint32_t>(Graphic.size()));
  return Data;
}

TEST(PictureTest, ABitmapIsCheckedAndKnowsItsSize) {
  TPicture Picture;
  Picture.LoadBitmapFile(BitmapFile(100, 30, 8));
  ASSERT_NE(Picture.Bitmap(), nullptr);
  EXPECT_EQ(Picture.GraphicClassName(), "TBitmap");
  EXPECT_EQ(Picture.Width(), 100);
  EXPECT_EQ(Picture.Height(), 30);
  EXPECT_EQ(Picture.Bitmap()->BitsPerPixel(), 8);
  EXPECT_EQ(Picture.Data(), PictureData("TBitmap", BitmapFile(100, 30, 8)));
  // Top-down rows count as many rows.
  Picture.LoadBitmapFile(BitmapFile(7, -5, 24));
  EXPECT_EQ(Picture.Height(), 5);
}

TEST(PictureTest, MalformedDataIsRefusedAndThePictureStaysAsItWas) {
  std::string CutShort = BitmapFile(10, 10, 8);
  CutShort.pop_back();
  std::string NotBm = BitmapFile(10, 10, 8);
  NotBm[0] = 'X';
  std::string TooManyColours = BitmapFile(4, 4, 1);
  std::string Huge = BitmapFile(4, 4, 32);
  PutU32(Huge, 18, 0x7FFFFFFF);
  PutU32(Huge, 22, 0x80000001);  // top-down, as many rows
  const std::string Valid = PictureData("TBitmap", BitmapFile(4, 4, 8));
  const struct {
    const char* What;
    std::string Data;
  } Cases[] = {
      {"pixel rows cut short", PictureData("TBitmap", CutShort)},
      {"no BM header", PictureData("TBitmap", NotBm)},
      {"three bits per pixel", PictureData("TBitmap", BitmapFile(4, 4, 3))},
      {"no width", PictureData("TBitmap", BitmapFile(0, 4, 8))},
      {"16 colours at 1 bit", PictureData("TBitmap", TooManyColours)},
      {"a huge width and height", PictureData("TBitmap", Huge)},
      {"the size says more than there is", Valid.substr(0, Valid.size() - 1)},
      {"the size says less than there is", Valid + "x"},
      {"a class name longer than the data", std::string("\x20TBitmap")},
      {"no class name", std::string("\x00", 1)},
  };
  for (const auto& Case : Cases) {
    TPicture Picture;
    Picture.SetData(Valid);
    EXPECT_THROW(Picture.SetData(Case.Data), EInvalidGraphic) << Case.What;
    EXPECT_EQ(Picture.Data(), Valid) << Case.What;
    EXPECT_EQ(Picture.Width(), 4) << Case.What;
  }
}

TEST(ImageTest, AutoSizeFollowsThePictureWhicheverComesFirst) {
  TImage Image(nullptr);
  Image.SetBounds(3, 6, 40, 40);
  Image.Picture().LoadBitmapFile(BitmapFile(100, 30, 8));
  EXPECT_EQ(Image.Width(), 40) << "no AutoSize";
  Image.SetAutoSize(true);
  EXPECT_EQ(Image.Width(), 100);
  EXPECT_EQ(Image.Height(), 30);
  Image.Picture().LoadBitmapFile(BitmapFile(16, 8, 4));
  EXPECT_EQ(Image.Width(), 16);
  EXPECT_EQ(Image.Left(), 3);
  // An empty picture leaves the size alone.
  Image.Picture().Clear();
  EXPECT_EQ(Image.Width(), 16);
}

TEST(ImageTest, FormFilesKeepPictureDataByteForByte) {
  // A graphic class the host does not know is kept, without a size.
  for (const std::string& Data : {PictureData("TBitmap", BitmapFile(5, 3, 8)), PictureData("TPngImage", "\x89PNG")}) {
    TForm Source(nullptr);
    auto* Image = new TImage(&Source);
    Image->SetName("imgLogo");
    Image->SetParent(&Source);
    Image->Picture().SetData(Data);
    const std::string Text = WriteComponentText(Source);
    EXPECT_NE(Text.find("Picture.Data = {"), std::string::npos) << Text;

    TForm Copy(nullptr);
    Copy.SetDesigning(true);
    ReadComponentText(Text, Copy);
    const auto& Read = As<TImage>(*Copy.FindComponent("imgLogo"));
    EXPECT_EQ(Read.Picture().Data(), Data);
    EXPECT_EQ(WriteComponentText(Copy), Text);
  }
}

// An image's bitmap is drawn in pictures of its form and sent to the page,
// not marked as an empty box.
TEST(ImageTest, APicturesBitmapIsInItsFormsLayoutAndPicture) {
  TForm Form(nullptr);
  Form.SetName("Dlg");
  Form.SetClientWidth(120);
  Form.SetClientHeight(60);
  auto* Image = new TImage(&Form);
  Image->SetName("imgLogo");
  Image->SetParent(&Form);
  Image->SetBounds(8, 8, 40, 20);
  Image->Picture().LoadBitmapFile(BitmapFile(40, 20, 24));
  vn_vcl::TFormLayout Layout = vn_vcl::LayoutForm(Form);
  const auto It = std::find_if(Layout.Controls.begin(), Layout.Controls.end(),
                               [](const vn_vcl::TLayoutControl& C) { return C.Name == "imgLogo"; });
  ASSERT_NE(It, Layout.Controls.end());
  EXPECT_EQ(It->Png.substr(0, 4), "\x89PNG");
  const std::string Uri = vn_vcl::LayoutJson(Layout)["controls"][0]["picture"];
  EXPECT_EQ(Uri.rfind("data:image/png;base64,iVBORw0KGgo", 0), 0u) << Uri.substr(0, 40);
  const std::string Drawn = vn_vcl::FormPicturePng(Layout);
  It->Png.clear();
  EXPECT_NE(vn_vcl::FormPicturePng(Layout), Drawn) << "the bitmap is drawn, not an empty box";
  // A form's bitmap larger than a screen is not decoded (a one-bit one would
  // hold 24 times its file's size in pixels): its place is marked instead.
  EXPECT_EQ(vn_vcl::BitmapFileAsPng(BitmapFile(4097, 4097, 8)), "");
  EXPECT_NE(vn_vcl::BitmapFileAsPng(BitmapFile(40, 20, 8)), "");
}

}  // namespace
