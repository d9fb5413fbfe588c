// Palette bitmaps as PNG files, so that a person can look at them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vnide {

// Writes a device-independent bitmap as stored in a bitmap resource (header,
// colour table, pixels; 1, 4, 8 or 24 bits per pixel, uncompressed) to FileName
// as an RGB PNG. Raises EReadError naming the file when the bitmap is malformed
// or of a kind not handled, EWriteError when the file cannot be written.
void WriteBitmapAsPng(const std::vector<std::uint8_t>& Dib, const std::string& FileName);

}  // namespace vnide
