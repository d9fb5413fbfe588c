// Whole-file reads and locked, atomic whole-file replacement, shared by the ini
// files and the registry store. Private to rtl220.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vn_rtl {

// What tells one version of a file from another without reading it: a rename
// over it changes the inode, a rewrite in place the size or the time stamps.
struct TFileStamp {
  std::uint64_t Device = 0, Inode = 0;
  std::int64_t Size = 0, ModifiedNs = 0, ChangedNs = 0;
  bool operator==(const TFileStamp&) const = default;
};

// The stamp of the regular file at Path as it is now (links followed), or
// nullopt when there is none.
std::optional<TFileStamp> StampOf(const std::string& Path);

struct TFileContent {
  std::string Text;
  TFileStamp Stamp;  // of the version read
  // False when the file changed within the file system's current clock tick: a
  // further change of the same size within that tick would keep the stamp, so
  // the stamp cannot vouch for the content yet.
  bool Settled = false;
};

// The whole content of the file at the host path Path with its stamp, or nullopt
// when it cannot be read (missing, unreadable, a directory). Read under a shared
// lock, so that a rewrite in place (see ReplaceFile) is never seen half done.
std::optional<TFileContent> ReadFileContent(const std::string& Path);
std::optional<std::string> ReadWholeFile(const std::string& Path);

// Computes the new content of a file from its current content ("" when the file
// does not exist yet); nullopt means nothing changes.
using TContentChange = std::function<std::optional<std::string>(const std::string& Current)>;

enum TMissingDirectories { mdFail, mdCreate };

// Who may read the new content.
enum TFileAccess {
  faAsBefore,  // an existing file keeps its permissions; a new one takes the umask's
  faOwnerOnly  // a secret: a new file is its owner's alone (0600), an existing one loses group and other rights
};
using TAccessOf = std::function<TFileAccess(const std::string& NewContent)>;

struct TReplaceOptions {
  TMissingDirectories MissingDirectories = mdFail;
  TAccessOf AccessOf;  // none: faAsBefore
  // Set by ReplaceFile when an existing file that others could read was made
  // its owner's alone.
  bool Tightened = false;
};

// Replaces the file at the host path Path with Change(current content), holding an
// exclusive advisory lock on the file from reading to replacing, so that
// concurrent writers (other processes too) each see the other's result. The new
// content goes to a temporary file in the same directory that takes the old
// file's permissions and owner and is renamed over the file: readers see the old
// or the new content, never a mix. A symbolic link is followed and its target
// replaced.
//
// A missing file is created only with its complete content, so a crash leaves no
// file or the new one. Change may then run more than once when another writer
// creates the file first; it must only compute.
//
// When the folder refuses the temporary file (a writable file in a read-only
// folder), or the file's owner could not be given to it, the file is rewritten
// in place under the lock and flushed: it keeps its inode, owner and mode, and
// readers, who take a shared lock, still never see it half done; only a crash
// during that rewrite can tear it.
//
// A killed writer's temporary file is removed by the next writer: each writer
// holds a lock on its own temporary file while it lives.
//
// Returns false, with errno set and the file as it was, when the file cannot be
// written. An exception from Change passes through; the file is then untouched.
[[nodiscard]] bool ReplaceFile(const std::string& Path, const TContentChange& Change,
                               TMissingDirectories MissingDirectories = mdFail);
// As above, with the new content's access decided by Options.AccessOf.
[[nodiscard]] bool ReplaceFile(const std::string& Path, const TContentChange& Change, TReplaceOptions& Options);

}  // namespace vn_rtl

namespace vn_rtl {

// The parsed form of one file, parsed again only when the file has changed: a
// read costs one stat while the file stays as it was. Not thread-safe.
template <class T>
class TFileCache {
 public:
  // Parse(std::string Text) gives a std::shared_ptr<const T>; nullptr when the
  // file cannot be read.
  template <class F>
  std::shared_ptr<const T> Get(const std::string& Path, F&& Parse) {
    if (FValue && FSettled && FPath == Path) {
      const std::optional<TFileStamp> Now = StampOf(Path);
      if (Now && *Now == FStamp) return FValue;
    }
    FValue.reset();
    std::optional<TFileContent> Content = ReadFileContent(Path);
    if (!Content) return nullptr;
    FValue = Parse(std::move(Content->Text));
    FPath = Path;
    FStamp = Content->Stamp;
    FSettled = Content->Settled;
    return FValue;
  }

 private:
  std::shared_ptr<const T> FValue;
  std::string FPath;
  TFileStamp FStamp;
  bool FSettled = false;
};

}  // namespace vn_rtl
