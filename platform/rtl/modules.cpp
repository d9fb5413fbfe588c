// Instance handles of loaded modules and the files they were loaded from.
#include "rtl/Resources.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

namespace {

struct TModuleSearch {
  std::uintptr_t Address;
  std::string Name;
};

// Whether one of the object's loaded segments holds the address.
int MatchModule(dl_phdr_info* Info, std::size_t, void* Data) {
  auto& Search = *static_cast<TModuleSearch*>(Data);
  for (ElfW(Half) I = 0; I < Info->dlpi_phnum; ++I) {
    const ElfW(Phdr)& Segment = Info->dlpi_phdr[I];
    if (Segment.p_type != PT_LOAD) continue;
    const std::uintptr_t Start = Info->dlpi_addr + Segment.p_vaddr;
    if (Search.Address >= Start && Search.Address - Start < Segment.p_memsz) {
      Search.Name = Info->dlpi_name != nullptr ? Info->dlpi_name : "";
      return 1;
    }
  }
  return 0;
}

// The file mapped at Address as the kernel names it: a full path even when the
// loader was given a relative one.
std::string MappedFileName(std::uintptr_t Address) {
  std::ifstream Maps("/proc/self/maps");
  std::string Line;
  while (std::getline(Maps, Line)) {
    std::istringstream Fields(Line);
    std::uintptr_t Start = 0, End = 0;
    char Dash = 0;
    std::string Perms, Offset, Device, Inode;
    Fields >> std::hex >> Start >> Dash >> End >> Perms >> Offset >> Device >> Inode;
    if (!Fields || Address < Start || Address >= End) continue;
    std::string Path;
    std::getline(Fields >> std::ws, Path);
    return Path.starts_with('/') ? Path : std::string();
  }
  return {};
}

// The language whose resources the user reads: "de_DE" of LC_ALL, LC_MESSAGES
// or LANG = "de_DE.UTF-8@euro"; empty for the C locale.
std::string MessageLanguage() {
  for (const char* Name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* Value = std::getenv(Name);
    if (Value == nullptr || *Value == 0) continue;
    std::string Language(Value);
    Language = Language.substr(0, Language.find_first_of(".@"));
    // A language names a file beside the module: letters, digits, '_' and '-' only.
    const bool Plain = std::all_of(Language.begin(), Language.end(), [](char C) {
      return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_' || C == '-';
    });
    return !Plain || Language == "C" || Language == "POSIX" ? std::string() : Language;
  }
  return {};
}

// Resource modules this process loaded, by instance handle.
struct TResourceModules {
  std::mutex Lock;
  std::multimap<HINSTANCE, void*> Handles;
};
// Never destroyed: packages free their resource modules when they are
// unloaded, which may be after this library's own objects were destroyed.
TResourceModules& ResourceModules() {
  static TResourceModules* Modules = new TResourceModules;
  return *Modules;
}

}  // namespace

HINSTANCE LoadResourceModule(const std::string& ModuleFileName) {
  const std::string Language = MessageLanguage();
  if (Language.empty() || ModuleFileName.empty()) return 0;
  std::vector<std::string> Extensions{Language};
  if (const std::size_t Territory = Language.find('_'); Territory != std::string::npos)
    Extensions.push_back(Language.substr(0, Territory));
  for (const std::string& Extension : Extensions) {
    const std::string File = std::filesystem::path(ModuleFileName).replace_extension(Extension).string();
    std::error_code Error;
    if (!std::filesystem::is_regular_file(File, Error)) continue;
    void* Handle = dlopen(File.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (Handle == nullptr) return 0;
    link_map* Map = nullptr;
    if (dlinfo(Handle, RTLD_DI_LINKMAP, &Map) != 0 || Map == nullptr) {
      dlclose(Handle);
      return 0;
    }
    const HINSTANCE Instance = FindModuleHandle(Map->l_ld);
    TResourceModules& Modules = ResourceModules();
    std::lock_guard Guard(Modules.Lock);
    // Loaded twice, it is unloaded twice: the loader counts.
    Modules.Handles.emplace(Instance, Handle);
    return Instance;
  }
  return 0;
}

bool FreeLibrary(HINSTANCE Instance) {
  TResourceModules& Modules = ResourceModules();
  void* Handle = nullptr;
  {
    std::lock_guard Guard(Modules.Lock);
    const auto Found = Modules.Handles.find(Instance);
    if (Found == Modules.Handles.end()) return false;
    Handle = Found->second;
    Modules.Handles.erase(Found);
  }
  return dlclose(Handle) == 0;
}

HINSTANCE FindModuleHandle(const void* AddressInModule) noexcept {
  Dl_info Info{};
  if (AddressInModule == nullptr || dladdr(AddressInModule, &Info) == 0) return 0;
  return reinterpret_cast<HINSTANCE>(Info.dli_fbase);
}

std::string GetModuleFileName(HINSTANCE Instance) {
  TModuleSearch Search{Instance, {}};
  if (Instance == 0 || dl_iterate_phdr(&MatchModule, &Search) == 0) return {};
  if (Search.Name.starts_with('/')) return Search.Name;
  // The program itself is listed without a name, a package loaded by a relative
  // name by that name, which the current folder may no longer resolve.
  std::string Mapped = MappedFileName(Instance);
  if (!Mapped.empty()) return Mapped;
  std::error_code Error;
  const std::filesystem::path Full = std::filesystem::absolute(Search.Name, Error);
  return Error || Search.Name.empty() ? std::string() : Full.lexically_normal().string();
}
