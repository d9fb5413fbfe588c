// Reading the files named on the command line and saving form files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vnide {

// Form files and scripts are text; anything larger is a mistake. Forms of a
// million components stay below it, and nothing larger is ever saved, so the
// host reads whatever it wrote.
inline constexpr std::size_t MaxInputFileSize = 256u << 20;

// The whole content of a regular file of at most MaxInputFileSize bytes. What
// names the file's role ("form file", "script"). Raises EHostError naming the
// file and why it cannot be read: missing, unreadable, a folder, a named pipe or
// a device (refused without waiting for a writer), or too large.
std::string ReadInputFile(const std::string& FileName, std::string_view What);

// Replaces the file whole or not at all, under a lock, so that concurrent
// saves never mix; EHostError naming the file and the reason on failure, and
// before anything is written when Text is larger than MaxInputFileSize.
void WriteTextFile(const std::string& FileName, const std::string& Text);

}  // namespace vnide
