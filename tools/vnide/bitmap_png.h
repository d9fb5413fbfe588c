// Palette bitmaps as PNG files or PNG data, so that a person can look at them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TMetaClass;

namespace vnide {

class TPackageHost;

// Writes a device-independent bitmap as stored in a bitmap resource (header,
// colour table, pixels; 1, 4, 8 or 24 bits per pixel, uncompressed) to FileName
// as an RGB PNG. Raises EReadError naming the file when the bitmap is malformed
// or of a kind not handled, EWriteError when the file cannot be written.
void WriteBitmapAsPng(const std::vector<std::uint8_t>& Dib, const std::string& FileName);
// The same PNG in memory; Name (the bitmap's) goes into EReadError's message.
std::string BitmapAsPng(const std::vector<std::uint8_t>& Dib, const std::string& Name);

// The palette bitmap of Class (resource <CLASS> of the package that put it on
// the palette), as stored; empty when that package has none.
std::vector<std::uint8_t> PaletteBitmap(TPackageHost& Host, const TMetaClass& Class);

}  // namespace vnide
