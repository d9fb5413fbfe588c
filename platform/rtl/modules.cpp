// Instance handles of loaded modules and the files they were loaded from.
#include "rtl/Resources.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

}  // namespace

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
