#include "vcl/Graphics.h"

#include <cstdint>

#include "rtl/FormFiles.h"
#include "rtl/TypInfo.h"

VN_IMPLEMENT_CLASS(TBitmap, TPersistent)
VN_IMPLEMENT_PUBLISHED(TPicture, TPersistent)

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr const char* BitmapClassName = "TBitmap";

std::uint32_t ReadU32(std::string_view Bytes, std::size_t At) noexcept {
  std::uint32_t Value = 0;
  for (std::size_t I = 4; I-- > 0;) Value = Value << 8 | static_cast<unsigned char>(Bytes[At + I]);
  return Value;
}

std::uint16_t ReadU16(std::string_view Bytes, std::size_t At) noexcept {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(Bytes[At]) |
                                    static_cast<unsigned char>(Bytes[At + 1]) << 8);
}

[[noreturn]] void InvalidBitmap(const std::string& Why) { throw EInvalidGraphic("Bitmap image is not valid: " + Why); }

}  // namespace

// ---------------------------------------------------------------------------
// TBitmap

void TBitmap::LoadFromFileData(std::string Bytes) {
  const std::string_view B = Bytes;
  if (B.size() < FileHeaderSize + 4 || B[0] != 'B' || B[1] != 'M') InvalidBitmap("no bitmap file header");
  const std::uint64_t PixelsAt = ReadU32(B, 10);
  const std::uint32_t InfoSize = ReadU32(B, FileHeaderSize);
  // The info header and its later versions (V4, V5) begin alike.
  if (InfoSize != 40 && InfoSize != 108 && InfoSize != 124) InvalidBitmap("unknown info header");
  if (B.size() < FileHeaderSize + InfoSize) InvalidBitmap("the info header is cut short");
  const auto Width = static_cast<std::int32_t>(ReadU32(B, FileHeaderSize + 4));
  const auto Height = static_cast<std::int32_t>(ReadU32(B, FileHeaderSize + 8));
  const std::uint16_t Planes = ReadU16(B, FileHeaderSize + 12);
  const std::uint16_t Bits = ReadU16(B, FileHeaderSize + 14);
  const std::uint32_t Compression = ReadU32(B, FileHeaderSize + 16);
  std::uint64_t Colors = ReadU32(B, FileHeaderSize + 32);
  if (Width <= 0 || Height == 0 || Height == INT32_MIN) InvalidBitmap("no width or no height");
  if (Planes != 1) InvalidBitmap("more than one plane");
  if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 16 && Bits != 24 && Bits != 32)
    InvalidBitmap("unknown bits per pixel " + std::to_string(Bits));
  if (Compression != BI_RGB && !(Compression == BI_BITFIELDS && (Bits == 16 || Bits == 32)))
    InvalidBitmap("compressed pixels");
  if (Bits <= 8 && Colors == 0) Colors = std::uint64_t{1} << Bits;
  if (Bits <= 8 && Colors > (std::uint64_t{1} << Bits)) InvalidBitmap("more colours than pixel values");
  // The three colour masks follow an info header of 40 bytes.
  const std::uint64_t Masks = Compression == BI_BITFIELDS && InfoSize == 40 ? 12 : 0;
  if (FileHeaderSize + InfoSize + Masks + Colors * 4 > PixelsAt) InvalidBitmap("the colour table runs into the pixels");
  const std::uint64_t Rows = Height < 0 ? -static_cast<std::int64_t>(Height) : Height;
  const std::uint64_t Stride = (static_cast<std::uint64_t>(Width) * Bits + 31) / 32 * 4;
  if (PixelsAt + Stride * Rows > B.size()) InvalidBitmap("the pixel rows go past the end of the data");

  FFileData = std::move(Bytes);
  FWidth = Width;
  FHeight = static_cast<int>(Rows);
  FBitsPerPixel = Bits;
}

// ---------------------------------------------------------------------------
// TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

const std::vector<TPropInfo>& TPicture::PublishedProperties() {
  static const auto List = [] {
    auto Result = TPublisher<TPicture>().String("Data", &TPicture::Data, &TPicture::SetData).List();
    Result.front().PropType = BinaryDataTypeInfo();
    return Result;
  }();
  return List;
}

void TPicture::SetData(const std::string& Value) {
  std::string ClassName;
  std::unique_ptr<TBitmap> Bitmap;
  if (!Value.empty()) {
    const std::size_t NameLength = static_cast<unsigned char>(Value[0]);
    if (NameLength == 0 || 1 + NameLength > Value.size())
      throw EInvalidGraphic("Picture data is not valid: no graphic class name");
    ClassName = Value.substr(1, NameLength);
    if (SameText(ClassName, BitmapClassName)) {
      const std::size_t SizeAt = 1 + NameLength;
      if (Value.size() < SizeAt + 4) InvalidBitmap("no size");
      const std::uint64_t Size = ReadU32(Value, SizeAt);
      if (Size != Value.size() - SizeAt - 4)
        InvalidBitmap(Format("the data holds %d bytes of bitmap, the size says %d",
                             {static_cast<std::int64_t>(Value.size() - SizeAt - 4), static_cast<std::int64_t>(Size)}));
      Bitmap = std::make_unique<TBitmap>();
      Bitmap->LoadFromFileData(Value.substr(SizeAt + 4));
    }
  }
  FData = Value;
  FClassName = std::move(ClassName);
  FBitmap = std::move(Bitmap);
  if (OnChange) OnChange(*this);
}

void TPicture::LoadBitmapFile(std::string_view Bytes) {
  std::string Value(1, static_cast<char>(std::string_view(BitmapClassName).size()));
  Value += BitmapClassName;
  const auto Size = static_cast<std::uint32_t>(Bytes.size());
  for (int I = 0; I < 4; ++I) Value += static_cast<char>(Size >> (8 * I) & 0xFF);
  Value += Bytes;
  SetData(Value);
}

void TPicture::Assign(const TPersistent& Source) {
  const auto* Other = dynamic_cast<const TPicture*>(&Source);
  if (Other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (Other != this) SetData(Other->FData);
}
