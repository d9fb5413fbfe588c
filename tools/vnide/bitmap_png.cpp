#include "bitmap_png.h"

#include <png.h>

#include <algorithm>

#include "package_host.h"
#include "registrations.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"

namespace vnide {

namespace {

constexpr const char* SBadBitmap = "Cannot write bitmap as \"%s\": %s";
constexpr const char* SCannotWrite = "Cannot write file \"%s\": %s";

constexpr std::uint32_t BI_RGB = 0;
constexpr std::size_t InfoHeaderSize = 40;
// Far beyond any palette picture; keeps a hostile header from asking for gigabytes.
constexpr std::int64_t MaxSide = 16384;

std::uint32_t DWord(const std::vector<std::uint8_t>& D, std::size_t Offset) {
  return static_cast<std::uint32_t>(D[Offset]) | static_cast<std::uint32_t>(D[Offset + 1]) << 8 |
         static_cast<std::uint32_t>(D[Offset + 2]) << 16 | static_cast<std::uint32_t>(D[Offset + 3]) << 24;
}
std::uint16_t Word(const std::vector<std::uint8_t>& D, std::size_t Offset) {
  return static_cast<std::uint16_t>(D[Offset] | D[Offset + 1] << 8);
}

struct TRgb {
  std::uint8_t R, G, B;
};

// The pixels as rows of RGB triples, top row first.
class TDibDecoder {
 public:
  TDibDecoder(const std::vector<std::uint8_t>& ADib, const std::string& AFileName) : FDib(ADib), FFileName(AFileName) {}

  std::vector<std::uint8_t> Decode() {
    if (FDib.size() < InfoHeaderSize) Fail("the bitmap header is cut off");
    const std::uint32_t HeaderSize = DWord(FDib, 0);
    // Later header versions begin with the same fields.
    if (HeaderSize < InfoHeaderSize || HeaderSize > FDib.size()) Fail("the bitmap header size is wrong");
    FWidth = static_cast<std::int32_t>(DWord(FDib, 4));
    const auto Height = static_cast<std::int32_t>(DWord(FDib, 8));
    const std::uint16_t BitCount = Word(FDib, 14);
    const std::uint32_t Compression = DWord(FDib, 16);
    const std::uint32_t ColorsUsed = DWord(FDib, 32);
    if (FWidth <= 0 || Height == 0 || FWidth > MaxSide || Height > MaxSide || Height < -MaxSide)
      Fail("the bitmap's size is out of range");
    if (BitCount != 1 && BitCount != 4 && BitCount != 8 && BitCount != 24)
      Fail(Format("%d bits per pixel are not handled", {BitCount}));
    if (Compression != BI_RGB) Fail("compressed bitmaps are not handled");
    FBottomUp = Height > 0;
    FHeight = FBottomUp ? Height : -Height;

    std::size_t Offset = HeaderSize;
    if (BitCount <= 8) {
      const std::uint32_t MaxColors = 1u << BitCount;
      if (ColorsUsed > MaxColors) Fail("the colour table is larger than the pixels can address");
      const std::uint32_t Colors = ColorsUsed == 0 ? MaxColors : ColorsUsed;
      if ((FDib.size() - Offset) / 4 < Colors) Fail("the colour table is cut off");
      for (std::uint32_t I = 0; I < Colors; ++I, Offset += 4)
        FPalette.push_back({FDib[Offset + 2], FDib[Offset + 1], FDib[Offset]});
    }
    const std::size_t Stride = (static_cast<std::size_t>(FWidth) * BitCount + 31) / 32 * 4;
    if ((FDib.size() - Offset) / Stride < static_cast<std::size_t>(FHeight)) Fail("the pixels are cut off");

    std::vector<std::uint8_t> Rgb;
    Rgb.reserve(static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight) * 3);
    for (std::int32_t Y = 0; Y < FHeight; ++Y) {
      const std::int32_t Stored = FBottomUp ? FHeight - 1 - Y : Y;
      const std::size_t Row = Offset + static_cast<std::size_t>(Stored) * Stride;
      for (std::int32_t X = 0; X < FWidth; ++X) {
        const TRgb C = Pixel(Row, static_cast<std::size_t>(X), BitCount);
        Rgb.insert(Rgb.end(), {C.R, C.G, C.B});
      }
    }
    return Rgb;
  }

  std::int32_t Width() const noexcept { return FWidth; }
  std::int32_t Height() const noexcept { return FHeight; }

 private:
  TRgb Pixel(std::size_t Row, std::size_t X, std::uint16_t BitCount) const {
    if (BitCount == 24) return {FDib[Row + X * 3 + 2], FDib[Row + X * 3 + 1], FDib[Row + X * 3]};
    const std::size_t Bit = X * BitCount;
    const unsigned Shift = 8 - BitCount - Bit % 8;  // the leftmost pixel is in the high bits
    const std::size_t Index = (FDib[Row + Bit / 8] >> Shift) & ((1u << BitCount) - 1);
    if (Index >= FPalette.size()) Fail("a pixel names a colour the table does not have");
    return FPalette[Index];
  }

  [[noreturn]] void Fail(std::string_view Problem) const {
    throw EReadError(Format(SBadBitmap, {FFileName, Problem}));
  }

  const std::vector<std::uint8_t>& FDib;
  const std::string& FFileName;
  std::vector<TRgb> FPalette;
  std::int32_t FWidth = 0;
  std::int32_t FHeight = 0;
  bool FBottomUp = true;
};

// An RGB image of the decoded bitmap for libpng's simplified interface, which
// keeps libpng's long jumps to itself.
png_image RgbImage(const TDibDecoder& Decoder) {
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  Image.width = static_cast<png_uint_32>(Decoder.Width());
  Image.height = static_cast<png_uint_32>(Decoder.Height());
  Image.format = PNG_FORMAT_RGB;
  return Image;
}

}  // namespace

void WriteBitmapAsPng(const std::vector<std::uint8_t>& Dib, const std::string& FileName) {
  TDibDecoder Decoder(Dib, FileName);
  const std::vector<std::uint8_t> Rgb = Decoder.Decode();
  png_image Image = RgbImage(Decoder);
  const int Written = png_image_write_to_file(&Image, NativeFileName(FileName).c_str(), 0, Rgb.data(), 0, nullptr);
  const std::string Problem = Image.message;
  png_image_free(&Image);
  if (!Written) throw EWriteError(Format(SCannotWrite, {FileName, Problem}));
}

std::string BitmapAsPng(const std::vector<std::uint8_t>& Dib, const std::string& Name) {
  TDibDecoder Decoder(Dib, Name);
  const std::vector<std::uint8_t> Rgb = Decoder.Decode();
  png_image Image = RgbImage(Decoder);
  // First the size, then the data into a buffer of that size.
  png_alloc_size_t Size = 0;
  std::string Png;
  int Written = png_image_write_to_memory(&Image, nullptr, &Size, 0, Rgb.data(), 0, nullptr);
  if (Written) {
    Png.resize(Size);
    Written = png_image_write_to_memory(&Image, Png.data(), &Size, 0, Rgb.data(), 0, nullptr);
    Png.resize(Size);
  }
  const std::string Problem = Image.message;
  png_image_free(&Image);
  if (!Written) throw EWriteError(Format(SBadBitmap, {Name, Problem}));
  return Png;
}

std::vector<std::uint8_t> PaletteBitmap(TPackageHost& Host, const TMetaClass& Class) {
  std::string File;
  for (const vn_ide::TRegistration& R : vn_ide::Registrations())
    if (R.Kind == vn_ide::rkComponents && std::find(R.Classes.begin(), R.Classes.end(), &Class) != R.Classes.end())
      if (const TLoadedPackage* Package = Host.Find(R.Package)) {
        File = Package->Description().FileName;
        break;
      }
  // A class no package put on the palette has no palette bitmap.
  if (File.empty()) return {};
  const auto Resources = ReadModuleResources(File);
  const TResource* Bitmap = FindResource(Resources, RT_BITMAP, UpperCase(Class.ClassName()));
  return Bitmap == nullptr ? std::vector<std::uint8_t>() : Bitmap->Data;
}

}  // namespace vnide
