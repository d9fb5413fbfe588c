// Compiled resource files, and module files that carry one: an input that
// starts as an ELF file is read as a module file from disk.
#include <memory>
#include <string>
#include <string_view>

#include "support/temp_dir.h"
#include "version_check.h"

namespace {

// Removed with its files when the process exits.
std::unique_ptr<vn_test::TTempDir> Dir;

TResourceList Read(std::string_view Bytes) {
  if (!Bytes.starts_with("\x7F" "ELF")) {
    const auto* Data = reinterpret_cast<const std::uint8_t*>(Bytes.data());
    return ParseResources({Data, Bytes.size()}, "fuzz.res");
  }
  const std::string FileName = Dir->File("fuzz.bpl");
  vn_test::WriteFileText(FileName, std::string(Bytes));
  return ReadModuleResources(FileName);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Dir = std::make_unique<vn_test::TTempDir>();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TResourceList Resources;
  try {
    Resources = Read(vn_fuzz::AsText(Data, Size));
  } catch (const Exception&) {
    return 0;
  }
  for (const TResource& Resource : Resources) {
    vn_fuzz::Require(FindResource(Resources, Resource.Type, Resource.Name) != nullptr,
                     "a resource is found by its type and name", Resource.Name.ToString());
    WideText(Resource.Data);
    if (Resource.Type.IsOrdinal() && Resource.Type.Ordinal() == RT_VERSION) vn_fuzz::ReadVersionInfo(Resource.Data);
  }
  return 0;
}
