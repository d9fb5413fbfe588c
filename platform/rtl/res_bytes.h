// Little-endian fields and UTF-16 text inside resource data. Callers check
// every offset against the data's size before they read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace res_bytes {

using TBytes = std::span<const std::uint8_t>;

inline std::uint16_t Word(TBytes Data, std::size_t Offset) noexcept {
  return static_cast<std::uint16_t>(Data[Offset] | Data[Offset + 1] << 8);
}

inline std::uint32_t DWord(TBytes Data, std::size_t Offset) noexcept {
  return static_cast<std::uint32_t>(Word(Data, Offset)) |
         static_cast<std::uint32_t>(Word(Data, Offset + 2)) << 16;
}

// Resource structures start on DWORD boundaries.
constexpr std::size_t AlignDWord(std::size_t Offset) noexcept { return (Offset + 3) & ~std::size_t{3}; }

// The index of the zero character ending the UTF-16 text at Offset, searched
// no further than End; End when the text has no terminator there.
inline std::size_t FindWideTerminator(TBytes Data, std::size_t Offset, std::size_t End) noexcept {
  for (std::size_t I = Offset; I + 2 <= End; I += 2)
    if (Word(Data, I) == 0) return I;
  return End;
}

// UTF-16LE code units [Offset, End) as UTF-8; a lone surrogate becomes U+FFFD.
std::string WideToUtf8(TBytes Data, std::size_t Offset, std::size_t End);

}  // namespace res_bytes
