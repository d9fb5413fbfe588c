// What a package file says of itself in its resources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vnide {

inline constexpr std::uint32_t pfNeverBuild = 0x1;
inline constexpr std::uint32_t pfDesignOnly = 0x2;
inline constexpr std::uint32_t pfRunOnly = 0x4;
inline constexpr std::uint32_t pfPackageModule = 0x40000000;

inline constexpr std::uint8_t ufMainUnit = 0x1;
inline constexpr std::uint8_t ufPackageUnit = 0x2;
inline constexpr std::uint8_t ufImplicitUnit = 0x10;

struct TContainedUnit {
  std::uint8_t Flags = 0;
  std::string Name;
};

struct TPackageDescription {
  std::string FileName;
  std::string Name;  // the file name without folder and extension
  bool IsPackage = false;  // it carries PACKAGEINFO
  std::string Description;
  std::uint32_t Flags = 0;
  std::vector<std::string> Requires;
  std::vector<TContainedUnit> Contains;
  std::string ProductName;  // empty without version information
  std::string Version;
};

// Reads DESCRIPTION, PACKAGEINFO and the version information from the file.
// Raises EPackageInfoError naming the file when it cannot be read or a resource
// is malformed; a file without PACKAGEINFO is described with IsPackage false.
TPackageDescription ReadPackageDescription(const std::string& FileName);

// The PACKAGEINFO resource's layout (all little-endian): uint32 flags; uint32
// count and that many NUL-terminated names of required packages; uint32 count
// and per contained unit a flags byte and a NUL-terminated name.
void DecodePackageInfo(const std::vector<std::uint8_t>& Data, TPackageDescription& Into);
std::string FlagsText(std::uint32_t Flags);

}  // namespace vnide
