// Reading version information the way the package and the host do.
#pragma once

#include <span>
#include <string>

#include "fuzz_support.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"

namespace vn_fuzz {

// Every block reached through keys that a path can spell is found by that path.
inline void QueryEachBlock(const TVersionInfo& Info, const TVersionBlock& Block, const std::string& Path,
                           int Depth) {
  if (Depth > 8) return;
  for (const TVersionBlock& Child : Block.Children) {
    if (Child.Key.empty() || Child.Key.find('\\') != std::string::npos) continue;
    const std::string ChildPath = Path + "\\" + Child.Key;
    Require(Info.Query(ChildPath) != nullptr, "a block is found by its path", ChildPath);
    std::string Text;
    Info.QueryString(ChildPath, Text);
    QueryEachBlock(Info, Child, ChildPath, Depth + 1);
  }
}

// Parses Data as version information; false when the reader refuses it.
inline bool ReadVersionInfo(std::span<const std::uint8_t> Data) {
  try {
    const TVersionInfo Info(Data, "fuzz");
    Require(Info.Query("\\") == &Info.Root(), "the path \\ is the root");
    VS_FIXEDFILEINFO Fixed;
    Info.FixedFileInfo(Fixed);
    Info.Translations();
    std::string Text;
    Info.QueryString("\\StringFileInfo\\040904E4\\ProductName", Text);
    QueryEachBlock(Info, Info.Root(), "", 0);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace vn_fuzz
