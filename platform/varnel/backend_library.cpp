#include "backend_library.h"

#include <dlfcn.h>

#include <filesystem>

#include "mariadb_backend.h"
#include "pg_backend.h"
#include "rtl/SysUtils.h"
#include "server_errors.h"

namespace {

// The folder of the runtime library itself: the backends are installed beside it.
std::string RuntimeFolder() {
  Dl_info Info{};
  if (dladdr(reinterpret_cast<void*>(&LoadBackendLibrary), &Info) == 0 || Info.dli_fname == nullptr) return ".";
  return std::filesystem::path(Info.dli_fname).parent_path().string();
}

}  // namespace

const void* LoadBackendLibrary(const char* Server, const char* FileName, const char* Entry) {
  const std::string File = (std::filesystem::path(RuntimeFolder()) / FileName).string();
  // Never unloaded: connections made by it may live until the process ends,
  // and so do the thread-local blocks of the libraries it brings in.
  void* Handle = dlopen(File.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (Handle == nullptr) {
    const char* Reason = dlerror();
    throw EVNBackendMissing(Format("%s support is not available: %s cannot be loaded (%s)",
                                   {Server, File, Reason != nullptr ? Reason : "unknown reason"}));
  }
  using TEntry = const void* (*)();
  const auto Function = reinterpret_cast<TEntry>(dlsym(Handle, Entry));
  if (Function == nullptr)
    throw EVNBackendMissing(Format("%s support is not available: %s has no entry %s", {Server, File, Entry}));
  return Function();
}

// A failed load raises and is tried again by the next call.
const TVNPgBackend& PgBackend() {
  static const TVNPgBackend& Backend =
      *static_cast<const TVNPgBackend*>(LoadBackendLibrary("PostgreSQL", PgBackendFileName, "VNPgBackend"));
  return Backend;
}

const TVNMariaDbBackend& MariaDbBackend() {
  static const TVNMariaDbBackend& Backend =
      *static_cast<const TVNMariaDbBackend*>(LoadBackendLibrary("MariaDB", MariaDbBackendFileName, "VNMariaDbBackend"));
  return Backend;
}
