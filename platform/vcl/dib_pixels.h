// The pixels of a device-independent bitmap, as a bitmap resource or the
// bitmap file of a picture holds it, for drawing it and writing it as PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vn_vcl {

struct TRgbImage {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::vector<std::uint8_t> Rgb;  // rows of RGB triples, top row first
};

// Dib: header, colour table, pixels; 1, 4, 8 or 24 bits per pixel,
// uncompressed. EReadError "Cannot write bitmap as "<Name>": <problem>" when it
// is malformed or of a kind not handled.
TRgbImage DecodeDib(const std::vector<std::uint8_t>& Dib, const std::string& Name);

// The bitmap of a bitmap file (its 14-byte file header, then the DIB) as PNG
// data; "" when it cannot be decoded.
std::string BitmapFileAsPng(const std::string& FileData);

}  // namespace vn_vcl
