#include "bitmap_png.h"

#include <png.h>

#include <algorithm>

#include "dib_pixels.h"
#include "package_host.h"
#include "registrations.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"

namespace vnide {

namespace {

constexpr const char* SBadBitmap = "Cannot write bitmap as \"%s\": %s";
constexpr const char* SCannotWrite = "Cannot write file \"%s\": %s";

// An RGB image of the decoded bitmap for libpng's simplified interface, which
// keeps libpng's long jumps to itself.
png_image RgbImage(const vn_vcl::TRgbImage& Decoded) {
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  Image.width = static_cast<png_uint_32>(Decoded.Width);
  Image.height = static_cast<png_uint_32>(Decoded.Height);
  Image.format = PNG_FORMAT_RGB;
  return Image;
}

}  // namespace

void WriteBitmapAsPng(const std::vector<std::uint8_t>& Dib, const std::string& FileName) {
  const vn_vcl::TRgbImage Decoded = vn_vcl::DecodeDib(Dib, FileName);
  png_image Image = RgbImage(Decoded);
  const int Written =
      png_image_write_to_file(&Image, NativeFileName(FileName).c_str(), 0, Decoded.Rgb.data(), 0, nullptr);
  const std::string Problem = Image.message;
  png_image_free(&Image);
  if (!Written) throw EWriteError(Format(SCannotWrite, {FileName, Problem}));
}

std::string BitmapAsPng(const std::vector<std::uint8_t>& Dib, const std::string& Name) {
  const vn_vcl::TRgbImage Decoded = vn_vcl::DecodeDib(Dib, Name);
  const std::vector<std::uint8_t>& Rgb = Decoded.Rgb;
  png_image Image = RgbImage(Decoded);
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
