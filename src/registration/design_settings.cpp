#include "registration/design_settings.h"

#include "vcl/Forms.h"
#include "rtl/Registry.h"
#include "rtl/SysUtils.h"

namespace VNReg {

namespace {
constexpr const char* SettingsFileName = "varlib.ini";
constexpr const char* RegistryKey = "Software\\Varnel";
constexpr const char* RegistryRootDir = "RootDir";

constexpr const char* SectionSQLEditor = "SQLEditor";
constexpr const char* KeyEnabled = "Enabled";
constexpr const char* SectionDbParams = "TVNDatabase_Params";
constexpr const char* SectionRecent = "RecentDatabases";
constexpr const char* KeyMaxCount = "MaxCount";
constexpr const char* KeyItemFormat = "Item%.2d";
constexpr const char* SectionDatabase = "TVNDatabase";
constexpr const char* KeyServerType = "ServerType";

constexpr std::int32_t DefaultMaxDbCount = 8;

std::string RecentItemKey(int Index) { return Format(KeyItemFormat, {Index}); }

// An empty name would end the list when it is read back, and a line break
// cannot be stored at all; such entries are left out of the file.
bool CanStoreRecentDatabase(const std::string& Name) {
  return !Name.empty() && TIniFile::CanStoreValue(Name);
}

// Name with its control characters written as \xNN, for a message.
std::string Escaped(const std::string& Name) {
  std::string Result;
  for (const char C : Name)
    if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F)
      Result += Format("\\x%.2x", {static_cast<int>(static_cast<unsigned char>(C))});
    else
      Result += C;
  return Result;
}
}  // namespace

VN_IMPLEMENT_CLASS(TDesignSettings, TObject)

TDesignSettings::TDesignSettings()
    : FRecentDatabases(std::make_unique<TStringList>()), FDbParams(std::make_unique<TStringList>()) {
  // The file is named only; nothing is read or created yet.
  FIniFile = std::make_unique<TIniFile>(RootDir() + "\\" + SettingsFileName);
}

TDesignSettings::~TDesignSettings() = default;

const std::string& TDesignSettings::RootDir() {
  if (!FRootDir.empty()) return FRootDir;
  {
    TRegistry Reg;
    Reg.SetRootKey(HKEY_CURRENT_USER);
    if (Reg.OpenKey(RegistryKey, false)) FRootDir = Reg.ReadString(RegistryRootDir);
  }
  if (!FRootDir.empty() && !DirectoryExists(FRootDir)) FRootDir.clear();
  if (FRootDir.empty()) FRootDir = ".";
  return FRootDir;
}

TStrings& TDesignSettings::DbParams() {
  if (FDbParams->Count() == 0) FIniFile->ReadSectionValues(SectionDbParams, *FDbParams);
  return *FDbParams;
}

bool TDesignSettings::SQLEditor() {
  if (FSQLEditor == b3Unknown) FSQLEditor = FIniFile->ReadBool(SectionSQLEditor, KeyEnabled, true) ? b3True : b3False;
  return FSQLEditor == b3True;
}

TStrings& TDesignSettings::RecentDatabases() {
  if (FMaxDbCount == 0) LoadRecentDatabases();
  return *FRecentDatabases;
}

void TDesignSettings::LoadRecentDatabases() { FMaxDbCount = ReadRecentDatabases(*FRecentDatabases); }

std::int32_t TDesignSettings::ReadRecentDatabases(TStrings& Into) {
  Into.Clear();
  std::int32_t MaxCount = FIniFile->ReadInteger(SectionRecent, KeyMaxCount, 0);
  if (MaxCount == 0) MaxCount = DefaultMaxDbCount;
  for (int I = 0; I < MaxCount; ++I) {
    std::string Name = FIniFile->ReadString(SectionRecent, RecentItemKey(I), "");
    if (Name.empty()) break;
    Into.Add(Name);
  }
  return MaxCount;
}

std::int32_t TDesignSettings::PeekRecentDatabases(TStrings& Into) {
  if (FMaxDbCount == 0) return ReadRecentDatabases(Into);
  Into.Assign(*FRecentDatabases);
  return FMaxDbCount;
}

void TDesignSettings::AddLastUsedDatabase(const std::string& s) {
  TStrings& List = RecentDatabases();
  const int Index = List.IndexOf(s);
  if (Index < 0)
    List.Insert(0, s);
  else if (Index > 0)
    List.Move(Index, 0);
}

void TDesignSettings::SaveDbParams(const TStrings& List) {
  // The section is rewritten in one replacement of the file: a line that cannot
  // be stored raises before anything is written.
  TIniChanges Changes;
  Changes.EraseSection(SectionDbParams);
  for (int I = 0; I < List.Count(); ++I) {
    const std::string Name = List.Names(I);
    Changes.WriteString(SectionDbParams, Name, List.Values(Name));
  }
  FIniFile->Apply(Changes);
  FDbParams->Assign(List);
}

TVNServerType TDesignSettings::ReadDefaultServerType() {
  return StrToServerTypeDef(FIniFile->ReadString(SectionDatabase, KeyServerType, ""), DefServerType);
}

void TDesignSettings::WriteDefaultServerType(TVNServerType Value) {
  FIniFile->WriteString(SectionDatabase, KeyServerType, GetServerTypeName(Value));
  DefServerType = Value;
}

void TDesignSettings::SaveAll() {
  if (FRecentDatabases->Count() == 0) return;
  // Runs at shut-down, where nobody could act on an error: errors do not leave
  // SaveAll, and the section is replaced whole or not at all. A list that could
  // not be saved is still reported, through the host's exception display, so
  // that it is not lost without a word.
  try {
    TIniChanges Changes;
    Changes.EraseSection(SectionRecent);
    int Stored = 0;
    for (int I = 0; I < FRecentDatabases->Count(); ++I) {
      const std::string Name = FRecentDatabases->Strings(I);
      if (CanStoreRecentDatabase(Name))
        Changes.WriteString(SectionRecent, RecentItemKey(Stored++), Name);
      else if (!Name.empty())
        // Never a part of it, and never without a word.
        Notice(Format("The recent database \"%s\" was not saved: the settings file cannot hold a line break or a "
                      "NUL character",
                      {Escaped(Name)}));
    }
    if (FMaxDbCount > 0 && FMaxDbCount != DefaultMaxDbCount)
      Changes.WriteInteger(SectionRecent, KeyMaxCount, FMaxDbCount);
    FIniFile->Apply(Changes);
  } catch (const std::exception& E) {
    if (Application != nullptr) {
      try {
        Application->HandleException(
            EIniFileException(Format("The recent databases were not saved: %s", {std::string(E.what())})));
      } catch (...) {
      }
    }
  }
}

}  // namespace VNReg
