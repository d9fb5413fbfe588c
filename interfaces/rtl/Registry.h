// Unit Registry: keys and values of the user's registry store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

using HKEY = std::uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

using REGSAM = std::uint32_t;
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Registry value types, numbered as the platform numbers them.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;
inline constexpr std::uint32_t REG_QWORD = 11;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// The registry of the host: a store file in the registry-export text format
// ("Windows Registry Editor Version 5.00"), named by the environment variable
// VNIDE_REGISTRY, else $XDG_CONFIG_HOME/vnide/registry.reg (~/.config when unset).
// Every call reads the store anew; every change replaces it atomically under a lock.
// A file there that is not a registry file is neither read nor overwritten.
class TRegistry : public TObject {
  VN_DECLARE_CLASS(TRegistry)
 public:
  TRegistry();  // HKEY_CURRENT_USER, KEY_ALL_ACCESS
  explicit TRegistry(REGSAM AAccess);
  ~TRegistry() override;

  HKEY RootKey() const noexcept { return FRootKey; }
  void SetRootKey(HKEY Value);
  REGSAM Access() const noexcept { return FAccess; }
  void SetAccess(REGSAM Value) noexcept { FAccess = Value; }
  // The open key's path below the root, "" when none is open.
  const std::string& CurrentPath() const noexcept { return FCurrentPath; }

  // Opens Key (relative to the open key, or absolute when it starts with "\"),
  // creating it when CanCreate. Any failure returns false: a missing key, or a
  // store that the user cannot write while Access asks for writing.
  bool OpenKey(const std::string& Key, bool CanCreate);
  bool OpenKeyReadOnly(const std::string& Key);
  void CloseKey();
  bool KeyExists(const std::string& Key) const;
  // Deletes the key with everything below it; false when it is absent or the
  // store cannot be written.
  bool DeleteKey(const std::string& Key);

  bool ValueExists(const std::string& Name) const;
  TRegDataType GetDataType(const std::string& Name) const;
  // The platform's type number of the value (REG_SZ ...); REG_NONE when absent.
  std::uint32_t GetRawDataType(const std::string& Name) const;
  int GetDataSize(const std::string& Name) const;  // -1 when absent
  // Names of the open key's values and subkeys in store order (Strings is cleared first).
  void GetValueNames(TStrings& Strings) const;
  void GetKeyNames(TStrings& Strings) const;

  // "" for a missing value or empty data; a string or expandable string (taken
  // literally) up to its first NUL; ERegistryException "Invalid data type for 'Name'"
  // for any other type.
  std::string ReadString(const std::string& Name) const;
  // ERegistryException "Failed to get data for 'Name'" when absent, "Invalid data
  // type for 'Name'" when not an integer.
  int ReadInteger(const std::string& Name) const;
  // Empty when absent; "Invalid data type for 'Name'" for a string or an integer.
  std::vector<std::uint8_t> ReadBinaryData(const std::string& Name) const;

  // ERegistryException "Failed to set data for 'Name'" when the key was not opened
  // for writing, has been deleted meanwhile, or the store cannot be written; also
  // for a name with a line break or NUL, and for text that is not UTF-8. Without
  // an open key, values go to the root key. Strings with line breaks or NULs are
  // stored as typed bytes, so every value stays on its own lines in the store.
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteExpandString(const std::string& Name, const std::string& Value);
  void WriteInteger(const std::string& Name, int Value);
  void WriteBinaryData(const std::string& Name, const std::vector<std::uint8_t>& Value);
  bool DeleteValue(const std::string& Name);  // false when absent or not writable

  // The store file this process uses.
  static std::string StoreFileName();

 private:
  bool CanWrite() const noexcept;

  HKEY FRootKey = HKEY_CURRENT_USER;
  REGSAM FAccess = KEY_ALL_ACCESS;
  std::string FCurrentPath;
  bool FKeyOpen = false;
  bool FKeyWritable = false;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Registry_Initialization();
void Registry_Finalization();
