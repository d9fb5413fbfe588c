#include "dib_pixels.h"

#include <cairo.h>

#include <cstring>
#include <memory>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace vn_vcl {

namespace {

constexpr const char* SBadBitmap = "Cannot write bitmap as \"%s\": %s";
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

}  // namespace

TRgbImage DecodeDib(const std::vector<std::uint8_t>& Dib, const std::string& Name) {
  TDibDecoder Decoder(Dib, Name);
  TRgbImage Image;
  Image.Rgb = Decoder.Decode();
  Image.Width = Decoder.Width();
  Image.Height = Decoder.Height();
  return Image;
}

std::string BitmapFileAsPng(const std::string& FileData) {
  constexpr std::size_t FileHeaderSize = 14;
  if (FileData.size() < FileHeaderSize + 12 || FileData.compare(0, 2, "BM") != 0) return "";
  // A form file is untrusted: a picture larger than a screen is not drawn, so
  // that a one-bit bitmap cannot make the host hold gigabytes of pixels.
  constexpr std::int64_t MaxPixels = 4096 * 4096;
  const auto Int32At = [&](std::size_t At) {
    std::uint32_t V = 0;
    for (int I = 3; I >= 0; --I) V = V << 8 | static_cast<unsigned char>(FileData[At + static_cast<std::size_t>(I)]);
    return static_cast<std::int32_t>(V);
  };
  const std::int64_t Width = Int32At(FileHeaderSize + 4), Height = Int32At(FileHeaderSize + 8);
  if (Width <= 0 || Width * (Height < 0 ? -Height : Height) > MaxPixels) return "";
  TRgbImage Image;
  try {
    Image = DecodeDib(std::vector<std::uint8_t>(FileData.begin() + FileHeaderSize, FileData.end()), "picture");
  } catch (const Exception&) {
    return "";
  }
  struct TDestroy {
    void operator()(cairo_surface_t* S) const noexcept { cairo_surface_destroy(S); }
  };
  const std::unique_ptr<cairo_surface_t, TDestroy> Surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, Image.Width, Image.Height));
  if (cairo_surface_status(Surface.get()) != CAIRO_STATUS_SUCCESS) return "";
  cairo_surface_flush(Surface.get());
  unsigned char* Pixels = cairo_image_surface_get_data(Surface.get());
  const int Stride = cairo_image_surface_get_stride(Surface.get());
  for (std::int32_t Y = 0; Y < Image.Height; ++Y)
    for (std::int32_t X = 0; X < Image.Width; ++X) {
      const std::uint8_t* P = &Image.Rgb[(static_cast<std::size_t>(Y) * static_cast<std::size_t>(Image.Width) + static_cast<std::size_t>(X)) * 3];
      const std::uint32_t Pixel = 0xFF000000u | static_cast<std::uint32_t>(P[0]) << 16 | static_cast<std::uint32_t>(P[1]) << 8 | P[2];
      std::memcpy(Pixels + static_cast<std::size_t>(Y) * static_cast<std::size_t>(Stride) + static_cast<std::size_t>(X) * 4, &Pixel, 4);
    }
  cairo_surface_mark_dirty(Surface.get());
  std::string Png;
  const auto Append = [](void* Closure, const unsigned char* Data, unsigned int Length) {
    static_cast<std::string*>(Closure)->append(reinterpret_cast<const char*>(Data), Length);
    return CAIRO_STATUS_SUCCESS;
  };
  if (cairo_surface_write_to_png_stream(Surface.get(), Append, &Png) != CAIRO_STATUS_SUCCESS) return "";
  return Png;
}

}  // namespace vn_vcl
