// Unit IniFiles: settings files of sections and name=value keys.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

// A group of changes to one ini file, applied by TIniFile::Apply as one atomic
// replacement of the file: all of them reach the file, or none does.
class TIniChanges {
 public:
  TIniChanges& WriteString(std::string Section, std::string Ident, std::string Value);
  TIniChanges& WriteInteger(std::string Section, std::string Ident, int Value);
  TIniChanges& WriteBool(std::string Section, std::string Ident, bool Value);
  TIniChanges& DeleteKey(std::string Section, std::string Ident);
  TIniChanges& EraseSection(std::string Section);

  bool Empty() const noexcept { return FChanges.empty(); }

  enum TKind { ckWrite, ckDeleteKey, ckEraseSection };
  struct TChange {
    TKind Kind;
    std::string Section;
    std::string Ident;
    std::string Value;
  };
  const std::vector<TChange>& Changes() const noexcept { return FChanges; }

 private:
  std::vector<TChange> FChanges;
};

namespace vn_rtl {
class TIniCache;
}

// An ini file on disk with the platform's private-profile reading rules. Every
// read sees the file as it is now (it is read again whenever it has changed) and
// every change has replaced the file when the call returns, so several objects
// and processes can share one file. Files in UTF-8 (with or without a byte-order
// mark) and UTF-16 with a byte-order mark are read, and written back in their
// own encoding. One object is for one thread. Changes are
// made under an advisory lock and replace the file atomically; a missing file
// reads as empty.
class TIniFile : public TObject {
  VN_DECLARE_CLASS(TIniFile)
 public:
  explicit TIniFile(std::string AFileName);

  const std::string& FileName() const noexcept { return FFileName; }

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) const;
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;
  // Key names of the section in file order (Strings is cleared first).
  void ReadSection(const std::string& Section, TStrings& Strings) const;
  // Section names in file order, each once (only the first of several sections
  // with one name can be read); the keys before the first header are no section.
  void ReadSections(TStrings& Strings) const;
  // Key=Value for every key of the section in file order (Strings is cleared first).
  void ReadSectionValues(const std::string& Section, TStrings& Strings) const;
  // True when the section holds at least one key.
  bool SectionExists(const std::string& Section) const;
  bool ValueExists(const std::string& Section, const std::string& Ident) const;

  // Each change raises EIniFileException when the file cannot be written ("Unable
  // to write to <file>") or when the format cannot hold a name or value (a line
  // break or NUL anywhere, "=" in a key, a key starting with "[" or ";", "]" in a
  // section name); the file is then left as it was.
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  void DeleteKey(const std::string& Section, const std::string& Ident);
  void EraseSection(const std::string& Section);
  void Apply(const TIniChanges& Changes);
  // Every change already reached the file; kept for callers written for buffered files.
  void UpdateFile() {}

  // True when Value can be written and read back unchanged (no line break, no NUL).
  static bool CanStoreValue(std::string_view Value) noexcept;

 private:
  std::string FFileName;
  // The file as last read; read again only when the file has changed.
  std::shared_ptr<vn_rtl::TIniCache> FCache;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void IniFiles_Initialization();
void IniFiles_Finalization();
