// Whole-file reads and locked, atomic whole-file replacement, shared by the ini
// files and the registry store. Private to dcldb220.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vn_ide {

// The whole content of the file at the host path Path, or nullopt when it cannot
// be read (missing, unreadable, a directory). Needs no lock: writers only ever
// replace the file by renaming a complete one over it.
std::optional<std::string> ReadWholeFile(const std::string& Path);

// Computes the new content of a file from its current content ("" when the file
// does not exist yet); nullopt means nothing changes.
using TContentChange = std::function<std::optional<std::string>(const std::string& Current)>;

enum TMissingDirectories { mdFail, mdCreate };

// Replaces the file at the host path Path with Change(current content), holding an
// exclusive advisory lock from reading to replacing, so that concurrent writers
// (other processes too) each see the other's result. The new content goes to a
// temporary file in the same directory that takes the old file's permissions and
// is renamed over the file: readers see the old or the new content, never a mix.
// A symbolic link is followed and its target replaced.
//
// Returns false, with errno set and the file as it was, when the file cannot be
// written. An exception from Change passes through; the file is then untouched.
[[nodiscard]] bool ReplaceFile(const std::string& Path, const TContentChange& Change,
                               TMissingDirectories MissingDirectories = mdFail);

}  // namespace vn_ide
