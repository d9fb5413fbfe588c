#include "atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

namespace vn_rtl {
namespace {

// A file descriptor closed on every way out. Closing keeps errno, so that a
// failure is still reported as what went wrong, not as the clean-up.
class TFd {
 public:
  TFd() = default;
  explicit TFd(int AFd) noexcept : FFd(AFd) {}
  ~TFd() { Reset(); }
  TFd(TFd&& O) noexcept : FFd(std::exchange(O.FFd, -1)) {}
  TFd& operator=(TFd&& O) noexcept {
    if (this != &O) {
      Reset();
      FFd = std::exchange(O.FFd, -1);
    }
    return *this;
  }

  int Get() const noexcept { return FFd; }
  bool Valid() const noexcept { return FFd >= 0; }
  void Reset() noexcept {
    if (FFd < 0) return;
    const int Saved = errno;
    ::close(FFd);
    errno = Saved;
    FFd = -1;
  }
  // Closes now; false when the system reports that written data did not make it.
  bool Close() noexcept { return ::close(std::exchange(FFd, -1)) == 0; }

 private:
  int FFd = -1;
};

// Removes a file on every way out unless released; keeps errno.
class TUnlinkGuard {
 public:
  TUnlinkGuard(std::string APath, bool AActive) : FPath(std::move(APath)), FActive(AActive) {}
  ~TUnlinkGuard() {
    if (!FActive) return;
    const int Saved = errno;
    ::unlink(FPath.c_str());
    errno = Saved;
  }
  TUnlinkGuard(const TUnlinkGuard&) = delete;
  TUnlinkGuard& operator=(const TUnlinkGuard&) = delete;
  void Release() noexcept { FActive = false; }

 private:
  std::string FPath;
  bool FActive;
};

int OpenFile(const std::string& Path, int Flags, mode_t Mode = 0) {
  int Fd;
  do Fd = ::open(Path.c_str(), Flags | O_CLOEXEC, Mode);
  while (Fd < 0 && errno == EINTR);
  return Fd;
}

bool ReadAll(int Fd, std::string& Out) {
  struct stat St {};
  std::size_t Chunk = 65536;
  if (::fstat(Fd, &St) == 0 && St.st_size > 0) Chunk = static_cast<std::size_t>(St.st_size) + 1;
  Out.clear();
  for (;;) {
    const std::size_t Old = Out.size();
    Out.resize(Old + Chunk);
    const ssize_t N = ::read(Fd, Out.data() + Old, Chunk);
    if (N < 0) {
      Out.resize(Old);
      if (errno == EINTR) continue;
      return false;
    }
    Out.resize(Old + static_cast<std::size_t>(N));
    if (N == 0) return true;
    Chunk = 65536;
  }
}

bool WriteAll(int Fd, std::string_view Data) {
  while (!Data.empty()) {
    const ssize_t N = ::write(Fd, Data.data(), Data.size());
    if (N < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Data.remove_prefix(static_cast<std::size_t>(N));
  }
  return true;
}

std::string DirectoryOf(const std::string& Path) {
  const auto Slash = Path.rfind('/');
  if (Slash == std::string::npos) return ".";
  if (Slash == 0) return "/";
  return Path.substr(0, Slash);
}

std::string BaseNameOf(const std::string& Path) {
  const auto Slash = Path.rfind('/');
  return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

// The file a chain of symbolic links ends at, so that replacing it keeps the links.
std::string ResolveLinks(std::string Path) {
  for (int Depth = 0; Depth < 40; ++Depth) {
    struct stat St {};
    if (::lstat(Path.c_str(), &St) != 0 || !S_ISLNK(St.st_mode)) break;
    std::string Link(static_cast<std::size_t>(St.st_size > 0 ? St.st_size : 255) + 1, '\0');
    const ssize_t N = ::readlink(Path.c_str(), Link.data(), Link.size());
    if (N < 0 || static_cast<std::size_t>(N) >= Link.size()) break;
    Link.resize(static_cast<std::size_t>(N));
    Path = (Link.starts_with('/') || Path.find('/') == std::string::npos)
               ? Link
               : DirectoryOf(Path) + "/" + Link;
  }
  return Path;
}

// Creates the missing folders of Dir, private to the user as configuration
// folders should be.
bool MakeDirectories(const std::string& Dir) {
  for (std::size_t Pos = 1; Pos <= Dir.size(); ++Pos) {
    if (Pos < Dir.size() && Dir[Pos] != '/') continue;
    const std::string Prefix = Dir.substr(0, Pos);
    if (::mkdir(Prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

constexpr std::string_view TempMarker = ".vntmp";
constexpr std::size_t TempRandomLength = 12;

// ".<name>.vntmp" and 12 letters or digits: exactly one target file can own a
// given temporary name, so stale ones can be recognised.
bool IsTempOf(std::string_view Entry, std::string_view Base) {
  if (Entry.size() != 1 + Base.size() + TempMarker.size() + TempRandomLength) return false;
  if (!Entry.starts_with('.') || Entry.substr(1, Base.size()) != Base) return false;
  return Entry.substr(1 + Base.size(), TempMarker.size()) == TempMarker;
}

std::string RandomSuffix() {
  static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::atomic<unsigned> Counter{0};
  unsigned char Bytes[TempRandomLength];
  if (::getrandom(Bytes, sizeof Bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof Bytes)) {
    auto Seed = static_cast<unsigned long long>(
                    std::chrono::steady_clock::now().time_since_epoch().count()) ^
                (static_cast<unsigned long long>(::getpid()) << 32) ^ Counter.fetch_add(1);
    for (auto& B : Bytes) {
      Seed = Seed * 6364136223846793005ULL + 1442695040888963407ULL;
      B = static_cast<unsigned char>(Seed >> 56);
    }
  }
  std::string Result;
  for (unsigned char B : Bytes) Result += Alphabet[B % (sizeof Alphabet - 1)];
  return Result;
}

bool LockFile(int Fd, int Operation);

// A temporary file of our own naming, locked for as long as we hold it open:
// the lock tells a live writer's file from a killed one's.
TFd CreateTemp(const std::string& Dir, const std::string& Base, std::string& TempPath) {
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    TempPath = Dir + "/." + Base + std::string(TempMarker) + RandomSuffix();
    TFd Fd(OpenFile(TempPath, O_WRONLY | O_CREAT | O_EXCL, 0666));
    if (Fd.Valid()) {
      [[maybe_unused]] const bool Locked = LockFile(Fd.Get(), LOCK_EX | LOCK_NB);
      return Fd;
    }
    if (errno != EEXIST) return Fd;
  }
  return TFd();
}

// Temporary files of writers killed before their rename: those nobody holds
// locked. Under the target's lock no live writer can be between creating and
// locking its own; without it (the target does not exist yet), only files old
// enough to be past that moment are taken.
enum TTempAge { taAny, taSettled };
void RemoveStaleTemps(const std::string& Dir, const std::string& Base, TTempAge Age = taAny) {
  std::unique_ptr<DIR, int (*)(DIR*)> D(::opendir(Dir.c_str()), &::closedir);
  if (!D) return;
  const auto Now = std::chrono::system_clock::now().time_since_epoch();
  while (const dirent* Entry = ::readdir(D.get())) {
    if (!IsTempOf(Entry->d_name, Base)) continue;
    TFd Fd(::openat(::dirfd(D.get()), Entry->d_name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    struct stat St {};
    if (!Fd.Valid() || ::fstat(Fd.Get(), &St) != 0) continue;
    const auto Since = Now - (std::chrono::seconds(St.st_mtim.tv_sec) + std::chrono::nanoseconds(St.st_mtim.tv_nsec));
    if (Age == taSettled && Since < std::chrono::seconds(2)) continue;
    if (!LockFile(Fd.Get(), LOCK_EX | LOCK_NB)) continue;
    ::unlinkat(::dirfd(D.get()), Entry->d_name, 0);
  }
}

// The permissions new content gets on a file that had Mode: a secret loses
// the rights of group and others.
mode_t ModeFor(mode_t Mode, TFileAccess Access, bool& Tightened) {
  if (Access != faOwnerOnly || (Mode & 077) == 0) return Mode;
  Tightened = true;
  return Mode & ~static_cast<mode_t>(077);
}

TFileAccess AccessFor(const TReplaceOptions& Options, const std::string& Content) {
  return Options.AccessOf ? Options.AccessOf(Content) : faAsBefore;
}

// Makes the rename durable. Failures are ignored: the new content is already in
// place, and some file systems refuse to sync a directory.
void SyncDirectory(const std::string& Dir) {
  TFd Fd(OpenFile(Dir, O_RDONLY | O_DIRECTORY));
  if (Fd.Valid()) ::fsync(Fd.Get());
}

TFileStamp StampFrom(const struct stat& St) {
  return {static_cast<std::uint64_t>(St.st_dev), static_cast<std::uint64_t>(St.st_ino),
          static_cast<std::int64_t>(St.st_size),
          static_cast<std::int64_t>(St.st_mtim.tv_sec) * 1000000000 + St.st_mtim.tv_nsec,
          static_cast<std::int64_t>(St.st_ctim.tv_sec) * 1000000000 + St.st_ctim.tv_nsec};
}

// File systems stamp changes with the coarse clock: once that clock has moved
// past a file's stamps, any later change gets a later stamp.
bool StampSettled(const TFileStamp& Stamp) {
  timespec Now {};
  if (::clock_gettime(CLOCK_REALTIME_COARSE, &Now) != 0) return false;
  const std::int64_t NowNs = static_cast<std::int64_t>(Now.tv_sec) * 1000000000 + Now.tv_nsec;
  return Stamp.ModifiedNs < NowNs && Stamp.ChangedNs < NowNs;
}

bool LockFile(int Fd, int Operation) {
  int Result;
  do Result = ::flock(Fd, Operation);
  while (Result != 0 && errno == EINTR);
  return Result == 0;
}

// The fallback when no temporary file can stand next to the target: the locked
// file itself is overwritten, then cut to length and flushed.
bool RewriteInPlace(int Fd, std::string_view Data) {
  // Room for a longer content is taken first, so that a full disk fails the
  // write before any byte of the file has changed.
  const int Reserved = ::posix_fallocate(Fd, 0, static_cast<off_t>(Data.size()));
  if (Reserved != 0 && Reserved != EOPNOTSUPP && Reserved != EINVAL) {
    errno = Reserved;
    return false;
  }
  off_t Offset = 0;
  while (!Data.empty()) {
    const ssize_t N = ::pwrite(Fd, Data.data(), Data.size(), Offset);
    if (N < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Data.remove_prefix(static_cast<std::size_t>(N));
    Offset += N;
  }
  return ::ftruncate(Fd, Offset) == 0 && ::fsync(Fd) == 0;
}

bool ReplaceLocked(const TFd& Lock, const struct stat& Locked, const std::string& Target,
                   const TContentChange& Change, TReplaceOptions& Options) {
  std::string Current;
  if (!ReadAll(Lock.Get(), Current)) return false;
  const std::optional<std::string> NewContent = Change(Current);
  if (!NewContent) return true;
  const mode_t Mode = ModeFor(Locked.st_mode & 07777, AccessFor(Options, *NewContent), Options.Tightened);
  // In place, the file's own permissions change first: a secret is never
  // written where others could read it.
  const auto InPlace = [&] {
    if (Mode != (Locked.st_mode & 07777) && ::fchmod(Lock.Get(), Mode) != 0) return false;
    return RewriteInPlace(Lock.Get(), *NewContent);
  };

  const std::string Dir = DirectoryOf(Target);
  const std::string Base = BaseNameOf(Target);
  RemoveStaleTemps(Dir, Base);
  std::string TempPath;
  TFd Temp = CreateTemp(Dir, Base, TempPath);
  if (!Temp.Valid()) {
    if (errno == EACCES || errno == EPERM) return InPlace();
    return false;
  }
  TUnlinkGuard TempFile(TempPath, true);
  // Only a privileged user may give a file away; when the old owner cannot be
  // kept, the file is rewritten in place instead of changing hands.
  if ((Locked.st_uid != ::geteuid() || Locked.st_gid != ::getegid()) &&
      ::fchown(Temp.Get(), Locked.st_uid, Locked.st_gid) != 0)
    return InPlace();
  if (::fchmod(Temp.Get(), Mode) != 0) return false;
  if (!WriteAll(Temp.Get(), *NewContent)) return false;
  if (::fsync(Temp.Get()) != 0) return false;
  if (!Temp.Close()) return false;
  if (::rename(TempPath.c_str(), Target.c_str()) != 0) return false;
  TempFile.Release();
  SyncDirectory(Dir);
  return true;
}

// Puts a complete temporary file in place of a missing target without ever
// overwriting one that appeared meanwhile (EEXIST then).
bool RenameNoReplace(const std::string& From, const std::string& To) {
  if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the flag: a hard link fails on an existing name too.
  if (::link(From.c_str(), To.c_str()) != 0) return false;
  ::unlink(From.c_str());
  return true;
}

enum TCreateResult { crFailed, crDone, crRetry };

TCreateResult CreateWhole(const std::string& Target, const TContentChange& Change, const TReplaceOptions& Options) {
  const std::optional<std::string> NewContent = Change(std::string());
  if (!NewContent) return crDone;
  const std::string Dir = DirectoryOf(Target);
  const std::string Base = BaseNameOf(Target);
  RemoveStaleTemps(Dir, Base, taSettled);
  std::string TempPath;
  TFd Temp = CreateTemp(Dir, Base, TempPath);
  if (!Temp.Valid() && errno == ENOENT && Options.MissingDirectories == mdCreate) {
    if (!MakeDirectories(Dir)) return crFailed;
    Temp = CreateTemp(Dir, Base, TempPath);
  }
  if (!Temp.Valid()) return crFailed;
  TUnlinkGuard TempFile(TempPath, true);
  if (AccessFor(Options, *NewContent) == faOwnerOnly && ::fchmod(Temp.Get(), 0600) != 0) return crFailed;
  if (!WriteAll(Temp.Get(), *NewContent) || ::fsync(Temp.Get()) != 0 || !Temp.Close()) return crFailed;
  if (!RenameNoReplace(TempPath, Target)) {
    // Another writer created the file first, or removed our temporary file as
    // stale while holding the new file's lock: start again on its content.
    return errno == EEXIST || errno == ENOENT ? crRetry : crFailed;
  }
  TempFile.Release();
  SyncDirectory(Dir);
  return crDone;
}

}  // namespace

std::optional<TFileStamp> StampOf(const std::string& Path) {
  struct stat St {};
  if (::stat(Path.c_str(), &St) != 0 || !S_ISREG(St.st_mode)) return std::nullopt;
  return StampFrom(St);
}

std::optional<TFileContent> ReadFileContent(const std::string& Path) {
  // Non-blocking, so that a FIFO in the file's place cannot hang the caller.
  TFd Fd(OpenFile(Path, O_RDONLY | O_NONBLOCK));
  if (!Fd.Valid()) return std::nullopt;
  struct stat St {};
  if (::fstat(Fd.Get(), &St) != 0 || !S_ISREG(St.st_mode)) return std::nullopt;
  // Best effort: a file system without locks is still read.
  [[maybe_unused]] const bool Locked = LockFile(Fd.Get(), LOCK_SH);
  TFileContent Result;
  if (::fstat(Fd.Get(), &St) != 0 || !ReadAll(Fd.Get(), Result.Text)) return std::nullopt;
  Result.Stamp = StampFrom(St);
  Result.Settled = StampSettled(Result.Stamp);
  return Result;
}

std::optional<std::string> ReadWholeFile(const std::string& Path) {
  auto Content = ReadFileContent(Path);
  if (!Content) return std::nullopt;
  return std::move(Content->Text);
}

bool ReplaceFile(const std::string& Path, const TContentChange& Change,
                 TMissingDirectories MissingDirectories) {
  TReplaceOptions Options;
  Options.MissingDirectories = MissingDirectories;
  return ReplaceFile(Path, Change, Options);
}

bool ReplaceFile(const std::string& Path, const TContentChange& Change, TReplaceOptions& Options) {
  const std::string Target = ResolveLinks(Path);
  for (;;) {
    // Opening for writing is the permission check: a read-only file fails here.
    // The file is never created to hold the lock: a crash would leave it empty.
    TFd Lock(OpenFile(Target, O_RDWR | O_NONBLOCK));
    if (!Lock.Valid()) {
      if (errno != ENOENT) return false;
      const TCreateResult Created = CreateWhole(Target, Change, Options);
      if (Created == crRetry) continue;
      return Created == crDone;
    }
    if (!LockFile(Lock.Get(), LOCK_EX)) return false;

    struct stat LockedStat {}, PathStat {};
    if (::fstat(Lock.Get(), &LockedStat) != 0) return false;
    if (!S_ISREG(LockedStat.st_mode)) {
      errno = EINVAL;
      return false;
    }
    // Another writer may have replaced the file between our open and our lock;
    // then we hold the lock of a file nobody reads any more: start again.
    if (::stat(Target.c_str(), &PathStat) != 0) {
      if (errno == ENOENT) continue;
      return false;
    }
    if (PathStat.st_dev != LockedStat.st_dev || PathStat.st_ino != LockedStat.st_ino) continue;

    return ReplaceLocked(Lock, LockedStat, Target, Change, Options);
  }
}

}  // namespace vn_rtl
