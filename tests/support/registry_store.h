// Registry stores written by hand, as a user or an installer leaves them.
#pragma once

#include <string>

#include "support/temp_dir.h"

namespace vn_test {

inline std::string RegQuoted(const std::string& S) {
  std::string Out = "\"";
  for (char C : S) {
    if (C == '\\' || C == '"') Out += '\\';
    Out += C;
  }
  return Out + "\"";
}

// A store whose key Software\Varnel holds RootDir with the given value line
// (already in the export format's value syntax, e.g. RegQuoted(dir) or dword:1).
inline void WriteVarnelStore(const std::string& StoreFile, const std::string& RootDirValue) {
  WriteFileText(StoreFile,
                "Windows Registry Editor Version 5.00\r\n\r\n"
                "[HKEY_CURRENT_USER\\Software\\Varnel]\r\n"
                "\"RootDir\"=" + RootDirValue + "\r\n");
}

}  // namespace vn_test
