// The settings that the package keeps between IDE runs, in varlib.ini.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "rtl/IniFiles.h"
#include "rtl/Classes.h"
#include "varnel/Vncommon.h"

namespace VNReg {

// One store exists while the package is loaded (DesignSettings). Pieces are read
// from the file when first needed; the default parameters and the default server
// type are written when changed, the recent databases at shut-down (SaveAll).
class TDesignSettings : public TObject {
  VN_DECLARE_CLASS(TDesignSettings)
 public:
  TDesignSettings();
  ~TDesignSettings() override;

  // The store's own lists: callers read or copy them and never free them.
  TStrings& RecentDatabases();
  TStrings& DbParams();
  const std::string& RootDir();
  bool SQLEditor();

  void AddLastUsedDatabase(const std::string& s);
  void SaveDbParams(const TStrings& List);
  TVNServerType ReadDefaultServerType();
  void WriteDefaultServerType(TVNServerType Value);
  void SaveAll();

  // The settings file's name as the file object was made with it.
  const std::string& IniFileName() const { return FIniFile->FileName(); }
  // The recent list's limit; 0 until the list is loaded.
  std::int32_t MaxDbCount() const noexcept { return FMaxDbCount; }
  // What RecentDatabases and MaxDbCount answer, copied into Into, without
  // loading the list into the store when it is not loaded yet: a loaded list is
  // rewritten at shut-down, and a report that only looks must not cause that.
  std::int32_t PeekRecentDatabases(TStrings& Into);

 private:
  void LoadRecentDatabases();
  // Reads the recent list as the file holds it; returns its limit.
  std::int32_t ReadRecentDatabases(TStrings& Into);

  std::string FRootDir;
  std::unique_ptr<TIniFile> FIniFile;
  std::unique_ptr<TStrings> FRecentDatabases;
  std::int32_t FMaxDbCount = 0;
  std::unique_ptr<TStrings> FDbParams;
  TBool3State FSQLEditor = b3Unknown;
};

}  // namespace VNReg
