// The registry store's file: the text the platform's registry editor exports
// ("Windows Registry Editor Version 5.00"). Private to rtl220.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rtl/Registry.h"

namespace vn_rtl {

using TRegBytes = std::vector<std::uint8_t>;
using TKeyPath = std::vector<std::string>;  // the root key's name first

struct TRegValue {
  std::string Name;  // "" is the key's default value
  std::uint32_t Type = REG_NONE;
  TRegBytes Data;    // as the platform holds it: strings are UTF-16LE with a NUL
};

// A value, or a line this reader does not understand (a comment, say), kept as
// it is written back: a line that is no comment gets a comment mark, so that it
// cannot be read as a value later either.
struct TRegEntry {
  std::string Raw;
  TRegValue Value;
};

class TRegKey {
 public:
  explicit TRegKey(TKeyPath APath) : Path(std::move(APath)) {}

  TKeyPath Path;
  // Read only: changes go through the functions below, which keep the index.
  std::vector<TRegEntry> Entries;

  TRegValue* FindValue(std::string_view Name);
  const TRegValue* FindValue(std::string_view Name) const;
  // Sets the value Name (a new one goes last); false when it already held this data.
  bool SetValue(std::string_view Name, std::uint32_t Type, TRegBytes Data);
  // False when there is no such value.
  bool DeleteValue(std::string_view Name);
  // A line that could not be read, in the form it is written back in.
  void AddRaw(std::string_view Line);

 private:
  std::optional<std::size_t> Find(std::string_view Name) const;
  void Reindex();

  // Values by ASCII-folded name while all names are ASCII (see SameName);
  // otherwise names are searched.
  bool FAsciiNames = true;
  std::unordered_map<std::string, std::size_t> FByName;
};

// Key paths compare component by component, without regard to case.
bool IsUnder(const TKeyPath& Path, const TKeyPath& Ancestor);
// Splits at "\", dropping empty components.
TKeyPath SplitKeyPath(std::string_view S);
std::string JoinKeyPath(const TKeyPath& Path, std::size_t From = 0);

// String data for Text; nullopt when Text is not UTF-8.
std::optional<TRegBytes> StringToData(std::string_view Text);
// The text of string data up to its first NUL.
std::string StringFromData(const TRegBytes& Data);

// The keys of a store in file order, each with its values and kept lines.
class TRegStore {
 public:
  // Reads Text as the registry editor imports it: keys merge, later values
  // replace earlier ones, [-key] and "Name"=- delete.
  static TRegStore Parse(std::string_view Text);
  // The store as UTF-8 export text, in the line-end style it was read with.
  std::string Text() const;

  // False for a file that is not a registry file: it is neither read nor overwritten.
  bool Valid() const noexcept { return FValid; }

  TRegKey* FindKey(const TKeyPath& Path);
  const TRegKey* FindKey(const TKeyPath& Path) const;
  // The root keys always exist; a key below one exists when the store holds it.
  bool KeyExists(const TKeyPath& Path) const { return Path.size() == 1 || FindKey(Path) != nullptr; }
  // Creates the key with every missing key above it, as the registry does.
  TRegKey& CreateKey(const TKeyPath& Path);
  // Deletes the key and everything below it; false when there is none.
  bool DeleteKey(const TKeyPath& Path);
  const std::vector<TRegKey>& Keys() const noexcept { return FKeys; }

 private:
  std::optional<std::size_t> Find(const TKeyPath& Path) const;
  void Reindex();

  bool FValid = true;
  std::vector<std::string> FPreamble;  // lines before the first key, kept as written
  std::vector<TRegKey> FKeys;
  // Keys by ASCII-folded path while all paths are ASCII; otherwise searched.
  bool FAsciiPaths = true;
  std::unordered_map<std::string, std::size_t> FByPath;
  std::string FEol = "\n";
};

}  // namespace vn_rtl
