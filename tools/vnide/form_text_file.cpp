#include "form_text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "atomic_file.h"
#include "commands.h"
#include "rtl/SysUtils.h"

namespace vnide {

namespace {

const char* KindOf(mode_t Mode) {
  if (S_ISDIR(Mode)) return "a folder";
  if (S_ISFIFO(Mode)) return "a named pipe";
  if (S_ISCHR(Mode) || S_ISBLK(Mode)) return "a device";
  if (S_ISSOCK(Mode)) return "a socket";
  return "not a regular file";
}

[[noreturn]] void CannotRead(const std::string& FileName, std::string_view What, const std::string& Why) {
  throw EHostError(Format("Cannot read %s \"%s\": %s", {std::string(What), FileName, Why}));
}

// Closes the descriptor on every way out.
struct TFdCloser {
  int Fd;
  ~TFdCloser() { ::close(Fd); }
};

}  // namespace

std::string ReadInputFile(const std::string& FileName, std::string_view What) {
  const auto Fail = [&](const std::string& Why) { CannotRead(FileName, What, Why); };
  // Non-blocking, so that a named pipe without a writer is refused, not waited on.
  const int Fd = ::open(NativeFileName(FileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (Fd < 0) Fail(std::strerror(errno));
  const TFdCloser Closer{Fd};
  struct stat St {};
  if (::fstat(Fd, &St) != 0) Fail(std::strerror(errno));
  if (!S_ISREG(St.st_mode)) Fail(std::string("it is ") + KindOf(St.st_mode));
  const auto TooLarge = [&] {
    CannotRead(FileName, What, Format("it is larger than %d MiB", {static_cast<int>(MaxInputFileSize >> 20)}));
  };
  if (static_cast<std::uint64_t>(St.st_size) > MaxInputFileSize) TooLarge();

  // The size may change while reading; never read more than the limit allows.
  std::string Text(static_cast<std::size_t>(St.st_size) + 1, '\0');
  std::size_t Length = 0;
  for (;;) {
    if (Length == Text.size()) {
      if (Text.size() > MaxInputFileSize) TooLarge();
      Text.resize(std::min(Text.size() * 2, MaxInputFileSize + 1));
    }
    const ssize_t N = ::read(Fd, Text.data() + Length, Text.size() - Length);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) Fail(std::strerror(errno));
    if (N == 0) break;
    Length += static_cast<std::size_t>(N);
  }
  if (Length > MaxInputFileSize) TooLarge();
  Text.resize(Length);
  return Text;
}

void WriteTextFile(const std::string& FileName, const std::string& Text) {
  if (Text.size() > MaxInputFileSize)
    throw EHostError(Format("Cannot save file \"%s\": it would be %d MiB, larger than the %d MiB a form file may have",
                            {FileName, static_cast<int>((Text.size() + (1u << 20) - 1) >> 20),
                             static_cast<int>(MaxInputFileSize >> 20)}));
  const bool Saved = vn_rtl::ReplaceFile(NativeFileName(FileName),
                                         [&](const std::string&) { return std::optional<std::string>(Text); });
  if (!Saved) {
    const std::string Why = errno == EINVAL ? "it is not a regular file" : std::strerror(errno);
    throw EHostError(Format("Cannot save file \"%s\": %s", {FileName, Why}));
  }
}

}  // namespace vnide
