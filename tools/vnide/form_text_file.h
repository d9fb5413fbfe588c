// Reading and writing form files as whole texts.
#pragma once

#include <string>

namespace vnide {

// EFOpenError naming the file when it cannot be read.
std::string ReadTextFile(const std::string& FileName);
// Replaces the file whole or not at all; EFCreateError naming it on failure.
void WriteTextFile(const std::string& FileName, const std::string& Text);

}  // namespace vnide
