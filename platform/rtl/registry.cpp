#include "rtl/Registry.h"

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include "atomic_file.h"
#include "registry_store.h"

VN_IMPLEMENT_CLASS(TRegistry, TObject)

using vn_rtl::TKeyPath;
using vn_rtl::TRegBytes;
using vn_rtl::TRegEntry;
using vn_rtl::TRegKey;
using vn_rtl::TRegStore;
using vn_rtl::TRegValue;

namespace {

bool HasLineBreakOrNul(std::string_view S) {
  return S.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// ---------------------------------------------------------------------------
// Reaching the store

// The store as it is now, parsed again only when its file has changed, so that
// reading many values costs one parse. Shared by every accessor of the process.
std::shared_ptr<const TRegStore> LoadStore() {
  static std::mutex Lock;
  static vn_rtl::TFileCache<TRegStore> Cache;
  static const auto Empty = std::make_shared<const TRegStore>(TRegStore::Parse(""));
  const std::lock_guard<std::mutex> Guard(Lock);
  auto Store = Cache.Get(TRegistry::StoreFileName(), [](std::string Text) {
    return std::make_shared<const TRegStore>(TRegStore::Parse(Text));
  });
  return Store ? Store : Empty;
}

enum TStoreChange { scUnchanged, scChanged, scRefused };

// Applies Change to the store as it is under the lock and writes the result back;
// false when the store cannot be written or Change refused.
bool UpdateStore(const std::function<TStoreChange(TRegStore&)>& Change) {
  bool Refused = false;
  const bool Written = vn_rtl::ReplaceFile(
      TRegistry::StoreFileName(),
      [&](const std::string& Current) -> std::optional<std::string> {
        TRegStore Store = TRegStore::Parse(Current);
        const TStoreChange Result = Store.Valid() ? Change(Store) : scRefused;
        Refused = Result == scRefused;
        if (Result != scChanged) return std::nullopt;
        return Store.Text();
      },
      vn_rtl::mdCreate);
  return Written && !Refused;
}

// A store the user cannot write makes every open for writing fail, not just the
// first write.
bool StoreIsReadOnly() {
  const std::string Path = TRegistry::StoreFileName();
  return ::access(Path.c_str(), F_OK) == 0 && ::access(Path.c_str(), W_OK) != 0;
}

std::string RootKeyName(HKEY Key) {
  switch (Key) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    default: return {};
  }
}

[[noreturn]] void RaiseSetDataFailed(const std::string& Name) {
  throw ERegistryException(Format("Failed to set data for '%s'", {Name}));
}

[[noreturn]] void RaiseInvalidDataType(const std::string& Name) {
  throw ERegistryException(Format("Invalid data type for '%s'", {Name}));
}

// Restores the access mode on every way out.
class TAccessGuard {
 public:
  TAccessGuard(TRegistry& ARegistry, REGSAM Temporary) : FRegistry(ARegistry), FSaved(ARegistry.Access()) {
    FRegistry.SetAccess(Temporary);
  }
  ~TAccessGuard() { FRegistry.SetAccess(FSaved); }
  TAccessGuard(const TAccessGuard&) = delete;
  TAccessGuard& operator=(const TAccessGuard&) = delete;

 private:
  TRegistry& FRegistry;
  REGSAM FSaved;
};

// Full path of Key: below the root when it starts with "\", else below the open
// key. nullopt for an unknown root or a name the store cannot hold.
std::optional<TKeyPath> ResolveKey(HKEY Root, const std::string& CurrentPath, std::string_view Key) {
  const std::string RootName = RootKeyName(Root);
  if (RootName.empty() || HasLineBreakOrNul(Key)) return std::nullopt;
  TKeyPath Result{RootName};
  TKeyPath Below = vn_rtl::SplitKeyPath(Key.starts_with('\\') ? Key : CurrentPath + "\\" + std::string(Key));
  Result.insert(Result.end(), Below.begin(), Below.end());
  return Result;
}

// The value Name of the open key (the root when none is open), if any.
std::optional<TRegValue> FindValue(HKEY Root, const std::string& CurrentPath, const std::string& Name) {
  const auto Path = ResolveKey(Root, "", CurrentPath);
  if (!Path) return std::nullopt;
  const auto Store = LoadStore();
  if (!Store->Valid()) return std::nullopt;
  const TRegKey* Key = Store->FindKey(*Path);
  if (Key == nullptr) return std::nullopt;
  const TRegValue* Value = Key->FindValue(Name);
  if (Value == nullptr) return std::nullopt;
  return *Value;
}

// Sets the value Name of the key at CurrentPath; false when the store cannot be
// written or the key has gone meanwhile.
bool SetValue(HKEY Root, const std::string& CurrentPath, const std::string& Name, std::uint32_t Type,
              const TRegBytes& Data) {
  const auto Path = ResolveKey(Root, "", CurrentPath);
  if (!Path || HasLineBreakOrNul(Name)) return false;
  return UpdateStore([&](TRegStore& S) {
    TRegKey* Key = S.KeyExists(*Path) ? &S.CreateKey(*Path) : nullptr;
    if (Key == nullptr) return scRefused;
    return Key->SetValue(Name, Type, Data) ? scChanged : scUnchanged;
  });
}

}  // namespace

// ---------------------------------------------------------------------------
// TRegistry

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM AAccess) : FAccess(AAccess) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  CloseKey();
  FRootKey = Value;
}

std::string TRegistry::StoreFileName() {
  if (const char* Path = std::getenv("VNIDE_REGISTRY"); Path != nullptr && *Path != '\0') return Path;
  if (const char* Config = std::getenv("XDG_CONFIG_HOME"); Config != nullptr && *Config != '\0')
    return std::string(Config) + "/vnide/registry.reg";
  const char* Home = std::getenv("HOME");
  return std::string(Home != nullptr ? Home : "") + "/.config/vnide/registry.reg";
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  const auto Path = ResolveKey(FRootKey, FCurrentPath, Key);
  if (!Path) return false;
  const bool Writable = (FAccess & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0;
  if (Writable && StoreIsReadOnly()) return false;
  const auto Store = LoadStore();
  if (!Store->Valid()) return false;
  if (!Store->KeyExists(*Path)) {
    if (!CanCreate) return false;
    const bool Created = UpdateStore([&](TRegStore& S) {
      if (S.KeyExists(*Path)) return scUnchanged;
      S.CreateKey(*Path);
      return scChanged;
    });
    if (!Created) return false;
  }
  FCurrentPath = vn_rtl::JoinKeyPath(*Path, 1);
  FKeyOpen = true;
  FKeyWritable = (FAccess & KEY_SET_VALUE) != 0;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  TAccessGuard ReadOnly(*this, KEY_READ);
  return OpenKey(Key, false);
}

void TRegistry::CloseKey() {
  FCurrentPath.clear();
  FKeyOpen = false;
  FKeyWritable = false;
}

bool TRegistry::KeyExists(const std::string& Key) const {
  const auto Path = ResolveKey(FRootKey, FCurrentPath, Key);
  if (!Path) return false;
  const auto Store = LoadStore();
  return Store->Valid() && Store->KeyExists(*Path);
}

bool TRegistry::DeleteKey(const std::string& Key) {
  const auto Path = ResolveKey(FRootKey, FCurrentPath, Key);
  // A root key cannot go.
  if (!Path || Path->size() < 2) return false;
  return UpdateStore([&](TRegStore& S) { return S.DeleteKey(*Path) ? scChanged : scRefused; });
}

bool TRegistry::ValueExists(const std::string& Name) const {
  return FindValue(FRootKey, FCurrentPath, Name).has_value();
}

TRegDataType TRegistry::GetDataType(const std::string& Name) const {
  switch (GetRawDataType(Name)) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

std::uint32_t TRegistry::GetRawDataType(const std::string& Name) const {
  const auto Value = FindValue(FRootKey, FCurrentPath, Name);
  return Value ? Value->Type : REG_NONE;
}

int TRegistry::GetDataSize(const std::string& Name) const {
  const auto Value = FindValue(FRootKey, FCurrentPath, Name);
  return Value ? static_cast<int>(Value->Data.size()) : -1;
}

void TRegistry::GetValueNames(TStrings& Strings) const {
  Strings.Clear();
  const auto Path = ResolveKey(FRootKey, "", FCurrentPath);
  if (!Path) return;
  const auto Store = LoadStore();
  if (!Store->Valid()) return;
  if (const TRegKey* Key = Store->FindKey(*Path))
    for (const TRegEntry& E : Key->Entries)
      if (E.Raw.empty()) Strings.Add(E.Value.Name);
}

void TRegistry::GetKeyNames(TStrings& Strings) const {
  Strings.Clear();
  const auto Path = ResolveKey(FRootKey, "", FCurrentPath);
  if (!Path) return;
  const auto Store = LoadStore();
  if (!Store->Valid()) return;
  for (const TRegKey& Key : Store->Keys())
    if (Key.Path.size() == Path->size() + 1 && vn_rtl::IsUnder(Key.Path, *Path)) Strings.Add(Key.Path.back());
}

std::string TRegistry::ReadString(const std::string& Name) const {
  const auto Value = FindValue(FRootKey, FCurrentPath, Name);
  if (!Value) return {};
  // The type decides, also for empty data: an empty binary value is no string.
  if (Value->Type != REG_SZ && Value->Type != REG_EXPAND_SZ) RaiseInvalidDataType(Name);
  return vn_rtl::StringFromData(Value->Data);
}

int TRegistry::ReadInteger(const std::string& Name) const {
  const auto Value = FindValue(FRootKey, FCurrentPath, Name);
  if (!Value) throw ERegistryException(Format("Failed to get data for '%s'", {Name}));
  if (Value->Type != REG_DWORD || Value->Data.size() != 4) RaiseInvalidDataType(Name);
  const auto& D = Value->Data;
  return static_cast<int>(D[0] | D[1] << 8 | D[2] << 16 | static_cast<std::uint32_t>(D[3]) << 24);
}

std::vector<std::uint8_t> TRegistry::ReadBinaryData(const std::string& Name) const {
  auto Value = FindValue(FRootKey, FCurrentPath, Name);
  if (!Value) return {};
  switch (Value->Type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_DWORD: RaiseInvalidDataType(Name);
    default: return std::move(Value->Data);
  }
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  const auto Data = vn_rtl::StringToData(Value);
  if (!CanWrite() || !Data || !SetValue(FRootKey, FCurrentPath, Name, REG_SZ, *Data))
    RaiseSetDataFailed(Name);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
  const auto Data = vn_rtl::StringToData(Value);
  if (!CanWrite() || !Data || !SetValue(FRootKey, FCurrentPath, Name, REG_EXPAND_SZ, *Data))
    RaiseSetDataFailed(Name);
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  const auto N = static_cast<std::uint32_t>(Value);
  const TRegBytes Data{static_cast<std::uint8_t>(N), static_cast<std::uint8_t>(N >> 8),
                    static_cast<std::uint8_t>(N >> 16), static_cast<std::uint8_t>(N >> 24)};
  if (!CanWrite() || !SetValue(FRootKey, FCurrentPath, Name, REG_DWORD, Data)) RaiseSetDataFailed(Name);
}

void TRegistry::WriteBinaryData(const std::string& Name, const std::vector<std::uint8_t>& Value) {
  if (!CanWrite() || !SetValue(FRootKey, FCurrentPath, Name, REG_BINARY, Value)) RaiseSetDataFailed(Name);
}

// Without an open key, values go to the root key, opened with Access.
bool TRegistry::CanWrite() const noexcept {
  return FKeyOpen ? FKeyWritable : (FAccess & KEY_SET_VALUE) != 0;
}

bool TRegistry::DeleteValue(const std::string& Name) {
  const auto Path = ResolveKey(FRootKey, "", FCurrentPath);
  if (!CanWrite() || !Path) return false;
  return UpdateStore([&](TRegStore& S) {
    TRegKey* Key = S.FindKey(*Path);
    return Key != nullptr && Key->DeleteValue(Name) ? scChanged : scRefused;
  });
}
