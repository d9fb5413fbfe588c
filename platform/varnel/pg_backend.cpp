#include "pg_backend.h"

#include <dlfcn.h>

#include <filesystem>

#include "rtl/SysUtils.h"
#include "server_errors.h"

namespace {

// The folder of the runtime library itself: the backend is installed beside it.
std::string RuntimeFolder() {
  Dl_info Info{};
  if (dladdr(reinterpret_cast<void*>(&PgBackend), &Info) == 0 || Info.dli_fname == nullptr) return ".";
  return std::filesystem::path(Info.dli_fname).parent_path().string();
}

const TVNPgBackend& Load() {
  const std::string File = (std::filesystem::path(RuntimeFolder()) / PgBackendFileName).string();
  // Never unloaded: connections made by it may live until the process ends,
  // and so do the thread-local blocks of the libraries it brings in.
  void* Handle = dlopen(File.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (Handle == nullptr) {
    const char* Reason = dlerror();
    throw EVNBackendMissing(Format("PostgreSQL support is not available: %s cannot be loaded (%s)",
                                   {File, Reason != nullptr ? Reason : "unknown reason"}));
  }
  const auto Entry = reinterpret_cast<decltype(&VNPgBackend)>(dlsym(Handle, "VNPgBackend"));
  if (Entry == nullptr)
    throw EVNBackendMissing(Format("PostgreSQL support is not available: %s has no entry VNPgBackend", {File}));
  return *Entry();
}

}  // namespace

const TVNPgBackend& PgBackend() {
  // A failed load raises and is tried again by the next call.
  static const TVNPgBackend& Backend = Load();
  return Backend;
}
