// The host's PNG export of palette bitmaps, on the package's own bitmaps and on
// hand-made ones of the other pixel depths.
#include "bitmap_png.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>

#include "rtl/Resources.h"
#include "rtl/SysUtils.h"
#include "support/temp_dir.h"
#include "support/run_program.h"

using vnide::WriteBitmapAsPng;

namespace {

using TBytes = std::vector<std::uint8_t>;

struct TPng {
  std::uint32_t Width = 0, Height = 0;
  TBytes Rgb;
  std::uint32_t At(std::uint32_t X, std::uint32_t Y) const {
    const std::size_t I = (static_cast<std::size_t>(Y) * Width + X) * 3;
    return static_cast<std::uint32_t>(Rgb[I] << 16 | Rgb[I + 1] << 8 | Rgb[I + 2]);
  }
};

TPng ReadPng(const std::string& FileName) {
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  TPng Result;
  if (!png_image_begin_read_from_file(&Image, FileName.c_str())) throw std::runtime_error(Image.message);
  Image.format = PNG_FORMAT_RGB;
  Result.Width = Image.width;
  Result.Height = Image.height;
  Result.Rgb.resize(PNG_IMAGE_SIZE(Image));
  if (!png_image_finish_read(&Image, nullptr, Result.Rgb.data(), 0, nullptr)) throw std::runtime_error(Image.message);
  return Result;
}

void PutDWord(TBytes& B, std::uint32_t V) {
  for (int I = 0; I < 4; ++I) B.push_back(static_cast<std::uint8_t>(V >> (8 * I)));
}

// A BITMAPINFOHEADER, Colours (0x00RRGGBB) and the pixel rows as given.
TBytes Dib(std::int32_t Width, std::int32_t Height, std::uint16_t BitCount, const std::vector<std::uint32_t>& Colours,
           const TBytes& Pixels, std::uint32_t ColoursUsed = 0) {
  TBytes B;
  PutDWord(B, 40);
  PutDWord(B, static_cast<std::uint32_t>(Width));
  PutDWord(B, static_cast<std::uint32_t>(Height));
  B.insert(B.end(), {1, 0, static_cast<std::uint8_t>(BitCount), 0});
  for (std::uint32_t V : {0u, static_cast<std::uint32_t>(Pixels.size()), 0u, 0u, ColoursUsed, 0u}) PutDWord(B, V);
  for (std::uint32_t C : Colours) PutDWord(B, C);
  B.insert(B.end(), Pixels.begin(), Pixels.end());
  return B;
}

TEST(BitmapPngTest, PackageBitmapsBecomePngsWithTheSamePixels) {
  const TResourceList Resources = ReadModuleResources(vn_test::BinDir() + "/DclVarq220.bpl");
  vn_test::TTempDir Dir;
  for (const char* Name : {"TVNSESSION", "TVNSQLBASESERVER"}) {
    const TResource* Bitmap = FindResource(Resources, RT_BITMAP, Name);
    ASSERT_NE(Bitmap, nullptr) << Name;
    const TBytes& D = Bitmap->Data;
    const std::string File = Dir.File(std::string(Name) + ".png");
    WriteBitmapAsPng(D, File);
    const TPng Png = ReadPng(File);
    ASSERT_EQ(Png.Width, 24u);
    ASSERT_EQ(Png.Height, 24u);
    for (std::uint32_t Y = 0; Y < 24; ++Y)
      for (std::uint32_t X = 0; X < 24; ++X) {
        // Rows are stored bottom-up, two pixels a byte, the left one high.
        const std::uint8_t Byte = D[104 + (23 - Y) * 12 + X / 2];
        const unsigned Index = X % 2 == 0 ? Byte >> 4 : Byte & 0xF;
        const std::size_t Entry = 40 + Index * 4;
        const std::uint32_t Expected = static_cast<std::uint32_t>(D[Entry + 2] << 16 | D[Entry + 1] << 8 | D[Entry]);
        ASSERT_EQ(Png.At(X, Y), Expected) << Name << " at " << X << "," << Y;
      }
  }
}

TEST(BitmapPngTest, OtherDepthsAndTopDownRows) {
  vn_test::TTempDir Dir;
  const std::string File = Dir.File("out.png");
  // 1 bit: 9 pixels need two bytes, padded to four; bottom row first.
  WriteBitmapAsPng(Dib(9, 2, 1, {0x000000, 0xFFFFFF}, {0b10000000, 0b10000000, 0, 0, 0b01000000, 0, 0, 0}), File);
  TPng Png = ReadPng(File);
  EXPECT_EQ(Png.At(1, 0), 0xFFFFFFu);
  EXPECT_EQ(Png.At(0, 0), 0u);
  EXPECT_EQ(Png.At(0, 1), 0xFFFFFFu);
  EXPECT_EQ(Png.At(8, 1), 0xFFFFFFu);
  EXPECT_EQ(Png.At(8, 0), 0u);
  // 8 bits with a short colour table, rows given top-down.
  WriteBitmapAsPng(Dib(2, -2, 8, {0x112233, 0x445566, 0x778899}, {0, 1, 0, 0, 2, 2, 0, 0}, 3), File);
  Png = ReadPng(File);
  EXPECT_EQ(Png.At(0, 0), 0x112233u);
  EXPECT_EQ(Png.At(1, 0), 0x445566u);
  EXPECT_EQ(Png.At(1, 1), 0x778899u);
  // 24 bits: blue, green, red in each pixel, no table.
  WriteBitmapAsPng(Dib(1, 1, 24, {}, {0x30, 0x20, 0x10, 0}), File);
  EXPECT_EQ(ReadPng(File).At(0, 0), 0x102030u);
}

TEST(BitmapPngTest, MalformedBitmapsAndUnwritableFilesRaiseNamingTheFile) {
  vn_test::TTempDir Dir;
  const std::string File = Dir.File("out.png");
  auto Problem = [&](const TBytes& D) {
    try {
      WriteBitmapAsPng(D, File);
    } catch (const EReadError& E) {
      EXPECT_NE(E.Message().find(File), std::string::npos) << E.Message();
      return E.Message().substr(E.Message().find(": ") + 2);
    }
    return std::string("(no error)");
  };
  const TBytes Good = Dib(2, 1, 8, {0, 0xFFFFFF}, {0, 1, 0, 0}, 2);
  EXPECT_EQ(Problem(TBytes(Good.begin(), Good.begin() + 39)), "the bitmap header is cut off");
  EXPECT_EQ(Problem(TBytes(Good.begin(), Good.end() - 1)), "the pixels are cut off");
  EXPECT_EQ(Problem(TBytes(Good.begin(), Good.begin() + 44)), "the colour table is cut off");
  EXPECT_EQ(Problem(Dib(2, 1, 8, {0, 0xFFFFFF}, {0, 2, 0, 0}, 2)), "a pixel names a colour the table does not have");
  EXPECT_EQ(Problem(Dib(2, 1, 1, {0, 1, 2}, {0, 0, 0, 0}, 3)),
            "the colour table is larger than the pixels can address");
  EXPECT_EQ(Problem(Dib(0, 1, 8, {0}, {}, 1)), "the bitmap's size is out of range");
  EXPECT_EQ(Problem(Dib(1, 1 << 30, 8, {0}, {0, 0, 0, 0}, 1)), "the bitmap's size is out of range");
  TBytes Compressed = Good;
  Compressed[16] = 1;  // BI_RLE8
  EXPECT_EQ(Problem(Compressed), "compressed bitmaps are not handled");

  const std::string Unwritable = Dir.File("no/such/folder/out.png");
  try {
    WriteBitmapAsPng(Good, Unwritable);
    ADD_FAILURE() << "no error";
  } catch (const EWriteError& E) {
    EXPECT_NE(E.Message().find(Unwritable), std::string::npos) << E.Message();
  }
}

}  // namespace

namespace {

TEST(BitmapPngTest, PngDataInMemoryIsTheFilesBytes) {
  const TResourceList Resources = ReadModuleResources(vn_test::BinDir() + "/DclVarq220.bpl");
  const TResource* Bitmap = FindResource(Resources, RT_BITMAP, "TVNQUERY");
  ASSERT_NE(Bitmap, nullptr);
  vn_test::TTempDir Dir;
  WriteBitmapAsPng(Bitmap->Data, Dir.File("query.png"));
  EXPECT_EQ(vnide::BitmapAsPng(Bitmap->Data, "TVNQUERY"), vn_test::ReadFileText(Dir.File("query.png")));
  EXPECT_THROW(vnide::BitmapAsPng(TBytes(10), "TVNQUERY"), EReadError);
}

}  // namespace
