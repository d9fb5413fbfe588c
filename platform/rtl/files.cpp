#include "rtl/SysUtils.h"

#include <sys/stat.h>

#include <filesystem>

namespace {

bool IsSeparator(char C) noexcept { return C == '\\' || C == '/'; }

// Index of the last path delimiter: a separator, or the colon of a drive ("C:").
std::size_t LastDelimiter(std::string_view FileName) noexcept {
  for (std::size_t I = FileName.size(); I > 0; --I) {
    const char C = FileName[I - 1];
    if (IsSeparator(C)) return I - 1;
    if (C == ':' && I == 2 && ((FileName[0] | 0x20) >= 'a' && (FileName[0] | 0x20) <= 'z')) return I - 1;
  }
  return std::string_view::npos;
}

bool StatFollowing(std::string_view FileName, struct stat& Info) {
  if (FileName.empty()) return false;
  return ::stat(NativeFileName(FileName).c_str(), &Info) == 0;
}

}  // namespace

std::string NativeFileName(std::string_view FileName) {
  std::string Result(FileName);
  for (char& C : Result)
    if (C == '\\') C = '/';
  return Result;
}

bool FileExists(std::string_view FileName) {
  struct stat Info;
  return StatFollowing(FileName, Info) && S_ISREG(Info.st_mode);
}

bool DirectoryExists(std::string_view Directory) {
  struct stat Info;
  return StatFollowing(Directory, Info) && S_ISDIR(Info.st_mode);
}

std::string ExtractFilePath(std::string_view FileName) {
  const std::size_t I = LastDelimiter(FileName);
  return I == std::string_view::npos ? std::string() : std::string(FileName.substr(0, I + 1));
}

std::string ExtractFileName(std::string_view FileName) {
  const std::size_t I = LastDelimiter(FileName);
  return std::string(I == std::string_view::npos ? FileName : FileName.substr(I + 1));
}

std::string ExtractFileExt(std::string_view FileName) {
  const std::size_t Start = LastDelimiter(FileName);
  const std::size_t Dot = FileName.rfind('.');
  if (Dot == std::string_view::npos || (Start != std::string_view::npos && Dot < Start)) return {};
  return std::string(FileName.substr(Dot));
}

std::string GetCurrentDir() {
  std::error_code Error;
  auto Path = std::filesystem::current_path(Error);
  return Error ? std::string() : Path.string();
}
