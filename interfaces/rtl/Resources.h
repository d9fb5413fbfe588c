// Modules and their resources: the instance handle of a loaded module and its
// file, the resources a module file carries, and version information.
//
// A module file (package file or program) carries a compiled resource file
// (.res) as the contents of its ELF section ".rsrc". Resources are read from the
// file on disk, as the platform's version functions read theirs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------
// Modules

// The instance handle of a loaded module: its load address.
using HINSTANCE = std::uintptr_t;

// The loaded module that holds AddressInModule; 0 when no loaded module does.
HINSTANCE FindModuleHandle(const void* AddressInModule) noexcept;
// The full path of the loaded module Instance (any address inside it will do);
// "" when no loaded module holds it.
std::string GetModuleFileName(HINSTANCE Instance);

// A module's resource module: a module file beside it that carries its
// resources in the user's language, named after it with the language as
// extension. For Pkg.bpl and the language LC_ALL, LC_MESSAGES or LANG names
// (de_DE.UTF-8, say): Pkg.de_DE, then Pkg.de. Loads the first that exists and
// returns its instance handle; 0 when there is none or it cannot be loaded, and
// the module's own resources are read then.
HINSTANCE LoadResourceModule(const std::string& ModuleFileName);
// Unloads a module that LoadResourceModule loaded; false for any other handle.
bool FreeLibrary(HINSTANCE Instance);

// ---------------------------------------------------------------------------
// Resources

inline constexpr std::uint16_t RT_BITMAP = 2;
inline constexpr std::uint16_t RT_RCDATA = 10;
inline constexpr std::uint16_t RT_VERSION = 16;

// A resource type or name: a number or a text.
class TResourceId {
 public:
  TResourceId(std::uint16_t AOrdinal) noexcept : FIsOrdinal(true), FOrdinal(AOrdinal) {}
  TResourceId(std::string AName) : FName(std::move(AName)) {}
  TResourceId(const char* AName) : FName(AName) {}

  bool IsOrdinal() const noexcept { return FIsOrdinal; }
  std::uint16_t Ordinal() const noexcept { return FOrdinal; }
  const std::string& Name() const noexcept { return FName; }
  // Equal numbers, or texts equal without regard to case.
  bool Matches(const TResourceId& Other) const;
  // "#16" for a number, the text otherwise; for messages.
  std::string ToString() const;

 private:
  bool FIsOrdinal = false;
  std::uint16_t FOrdinal = 0;
  std::string FName;
};

struct TResource {
  TResourceId Type;
  TResourceId Name;
  std::uint16_t LanguageId = 0;
  std::vector<std::uint8_t> Data;
};

// Resources in the order the resource file holds them.
using TResourceList = std::vector<TResource>;

// The records of a compiled resource file. Raises EReadError naming
// SourceName when a record does not fit the data or is malformed.
TResourceList ParseResources(std::span<const std::uint8_t> Data, std::string_view SourceName);

// The resources of a module file; none when it has no ".rsrc" section. Raises
// EOSError naming the file when it cannot be opened or read, EReadError when it
// is no module file or its sections or resources are malformed.
TResourceList ReadModuleResources(const std::string& FileName);

// UTF-16LE text (a DESCRIPTION resource, say) as UTF-8, up to its first zero
// character; a lone surrogate becomes U+FFFD.
std::string WideText(std::span<const std::uint8_t> Data);

// The first resource of that type and name (texts compared without regard to
// case), or null.
const TResource* FindResource(const TResourceList& Resources, const TResourceId& Type,
                              const TResourceId& Name);

// ---------------------------------------------------------------------------
// Version information (a resource of type RT_VERSION)

inline constexpr std::uint32_t VS_FFI_SIGNATURE = 0xFEEF04BD;

// The fixed part: numeric versions, flags and file kind.
struct VS_FIXEDFILEINFO {
  std::uint32_t dwSignature = 0;
  std::uint32_t dwStrucVersion = 0;
  std::uint32_t dwFileVersionMS = 0;
  std::uint32_t dwFileVersionLS = 0;
  std::uint32_t dwProductVersionMS = 0;
  std::uint32_t dwProductVersionLS = 0;
  std::uint32_t dwFileFlagsMask = 0;
  std::uint32_t dwFileFlags = 0;
  std::uint32_t dwFileOS = 0;
  std::uint32_t dwFileType = 0;
  std::uint32_t dwFileSubtype = 0;
  std::uint32_t dwFileDateMS = 0;
  std::uint32_t dwFileDateLS = 0;
};

// One language and code page that the string tables are written for.
struct TTranslation {
  std::uint16_t Language = 0;
  std::uint16_t CodePage = 0;
};

// One block of version information: a key, a value and the blocks under it.
struct TVersionBlock {
  std::string Key;
  bool IsText = false;              // the value is UTF-16 text
  std::vector<std::uint8_t> Value;  // as stored; text with its terminator
  std::vector<TVersionBlock> Children;

  // A text value as UTF-8, up to its terminator.
  std::string Text() const;
};

class TVersionInfo {
 public:
  // Parses the bytes of a version resource (VS_VERSIONINFO). Raises EReadError
  // naming SourceName when a length does not fit or the root is not version
  // information.
  TVersionInfo(std::span<const std::uint8_t> Data, std::string_view SourceName);

  const TVersionBlock& Root() const noexcept { return FRoot; }
  // The block at SubBlock as the platform's VerQueryValue finds it: "\" is the
  // root, whose value is the fixed part; keys are separated by "\" and compared
  // without regard to case ("\StringFileInfo\040904E4\ProductName",
  // "\VarFileInfo\Translation"). Null when there is no such block.
  const TVersionBlock* Query(std::string_view SubBlock) const;
  // The text value at SubBlock; false (Value unchanged) when there is none.
  bool QueryString(std::string_view SubBlock, std::string& Value) const;
  // The fixed part; false (Info unchanged) when the root has none.
  bool FixedFileInfo(VS_FIXEDFILEINFO& Info) const;
  // "\VarFileInfo\Translation", in stored order; empty when absent.
  std::vector<TTranslation> Translations() const;

 private:
  TVersionBlock FRoot;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Resources_Initialization();
void Resources_Finalization();
