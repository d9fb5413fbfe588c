#include "package_info.h"

#include <filesystem>

#include "rtl/Resources.h"
#include "rtl/SysUtils.h"

namespace vnide {

namespace {

VN_DECLARE_EXCEPTION(EPackageInfoError, EReadError)

class TReader {
 public:
  TReader(const std::vector<std::uint8_t>& Data, const std::string& Source) : FData(Data), FSource(Source) {}

  std::uint32_t ReadUInt32() {
    Need(4, "a number");
    std::uint32_t Value = 0;
    for (int I = 3; I >= 0; --I) Value = (Value << 8) | FData[FPos + I];
    FPos += 4;
    return Value;
  }
  std::uint8_t ReadByte() {
    Need(1, "a flags byte");
    return FData[FPos++];
  }
  std::string ReadName() {
    std::string Name;
    while (FPos < FData.size() && FData[FPos] != 0) Name += static_cast<char>(FData[FPos++]);
    Need(1, "the end of a name");
    ++FPos;
    return Name;
  }
  // A count that the remaining data can hold (each entry takes at least one byte).
  std::uint32_t ReadCount() {
    const std::uint32_t Count = ReadUInt32();
    if (Count > FData.size() - FPos) Fail("a count larger than the data");
    return Count;
  }

 private:
  void Need(std::size_t Bytes, const char* What) {
    if (FData.size() - FPos < Bytes) Fail(Format("%s at offset %d", {What, FPos}).c_str());
  }
  [[noreturn]] void Fail(const std::string& What) const {
    throw EPackageInfoError(Format("PACKAGEINFO of %s is malformed: %s", {FSource, What}));
  }

  const std::vector<std::uint8_t>& FData;
  const std::string& FSource;
  std::size_t FPos = 0;
};

}  // namespace

void DecodePackageInfo(const std::vector<std::uint8_t>& Data, TPackageDescription& Into) {
  TReader Reader(Data, Into.FileName);
  Into.Flags = Reader.ReadUInt32();
  Into.Requires.clear();
  for (std::uint32_t I = 0, N = Reader.ReadCount(); I < N; ++I) Into.Requires.push_back(Reader.ReadName());
  Into.Contains.clear();
  for (std::uint32_t I = 0, N = Reader.ReadCount(); I < N; ++I) {
    TContainedUnit Unit;
    Unit.Flags = Reader.ReadByte();
    Unit.Name = Reader.ReadName();
    Into.Contains.push_back(std::move(Unit));
  }
}

std::string FlagsText(std::uint32_t Flags) {
  std::string Text;
  const auto Add = [&](const char* Word) { Text += (Text.empty() ? "" : ", ") + std::string(Word); };
  if (Flags & pfDesignOnly) Add("design-time only");
  if (Flags & pfRunOnly) Add("run-time only");
  if (Flags & pfNeverBuild) Add("never rebuilt implicitly");
  if (Flags & pfPackageModule) Add("package");
  return Text.empty() ? "(none)" : Text;
}

TPackageDescription ReadPackageDescription(const std::string& FileName) {
  TPackageDescription D;
  D.FileName = FileName;
  D.Name = std::filesystem::path(FileName).stem().string();
  const TResourceList Resources = ReadModuleResources(FileName);
  if (const TResource* Info = FindResource(Resources, RT_RCDATA, "PACKAGEINFO")) {
    D.IsPackage = true;
    DecodePackageInfo(Info->Data, D);
  }
  if (const TResource* Description = FindResource(Resources, RT_RCDATA, "DESCRIPTION"))
    D.Description = WideText(Description->Data);
  if (const TResource* Version = FindResource(Resources, RT_VERSION, 1)) {
    const TVersionInfo Info(Version->Data, FileName);
    const auto Translations = Info.Translations();
    if (!Translations.empty()) {
      const std::string Table = Format("\\StringFileInfo\\%.4x%.4x", {Translations[0].Language, Translations[0].CodePage});
      Info.QueryString(Table + "\\ProductName", D.ProductName);
    }
    VS_FIXEDFILEINFO Fixed;
    if (Info.FixedFileInfo(Fixed))
      D.Version = Format("%d.%d.%d.%d", {Fixed.dwProductVersionMS >> 16, Fixed.dwProductVersionMS & 0xFFFF,
                                         Fixed.dwProductVersionLS >> 16, Fixed.dwProductVersionLS & 0xFFFF});
  }
  return D;
}

}  // namespace vnide
