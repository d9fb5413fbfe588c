// Unit StFilSys: the IDE's strings file system, through which a string-list
// property of a component is opened as a text module of the code editor. Saving
// such a module writes its text back into the property.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TComponent;

namespace StFilSys {

// The file system's identifier, as creators answer GetFileSystem.
inline constexpr std::string_view sTStringsFileSystem = "Delphi.TStringsFileSystem";

// The file system's entry of one property: the module file Ident stands for
// Component's string list PropName.
class TStringsProperty {
 public:
  virtual ~TStringsProperty() = default;
  virtual const std::string& Ident() const = 0;
  // The component; null once it was destroyed.
  virtual TComponent* Component() const = 0;
  virtual const std::string& PropName() const = 0;
  // The time stamp of the file's text, packed as DateTimeToFileDate packs it.
  virtual std::int32_t FileDate() const = 0;
  virtual void SetFileDate(std::int32_t Value) = 0;
};

class TStringsFileSystem {
 public:
  virtual ~TStringsFileSystem() = default;
  // The entry for Component's property PropName under the module file name
  // Ident, bound to that property from now on (the module opened last under
  // Ident, when one is open, reads and writes it). Component must not be null.
  virtual TStringsProperty& GetTStringsProperty(const std::string& Ident, TComponent* Component,
                                                const std::string& PropName) = 0;
};

// Registers the file system with the IDE's module services; calling it again
// changes nothing.
void Register();

// The registered file system; EAssertionFailed before Register.
TStringsFileSystem& StringsFileSystem();

}  // namespace StFilSys

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void StFilSys_Initialization();
void StFilSys_Finalization();
