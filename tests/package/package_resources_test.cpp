// The resources of the built package file, read back from the file itself.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "registration/settings_report.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"
#include "support/temp_dir.h"
#include "varnel/Vncommon.h"
#include "support/run_program.h"

namespace {

std::string BinFile(const std::string& Name) { return vn_test::BinDir() + "/" + Name; }

const TResourceList& PackageResources() {
  static const TResourceList List = ReadModuleResources(BinFile("DclVarq220.bpl"));
  return List;
}

const TResource& Resource(const TResourceId& Type, const TResourceId& Name) {
  const TResource* R = FindResource(PackageResources(), Type, Name);
  if (R == nullptr) throw std::runtime_error("no resource " + Name.ToString());
  return *R;
}

std::uint32_t DWordAt(const std::vector<std::uint8_t>& D, std::size_t Offset) {
  return D.at(Offset) | D.at(Offset + 1) << 8 | D.at(Offset + 2) << 16 |
         static_cast<std::uint32_t>(D.at(Offset + 3)) << 24;
}
std::uint16_t WordAt(const std::vector<std::uint8_t>& D, std::size_t Offset) {
  return static_cast<std::uint16_t>(D.at(Offset) | D.at(Offset + 1) << 8);
}

const std::array<const char*, 10> PaletteBitmaps = {"TVNSESSION",    "TVNDATABASE", "TVNQUERY",     "TVNMACROQUERY",
                                                    "TVNSTOREDPROC", "TVNTABLE",    "TVNUPDATESQL", "TVNSCRIPT",
                                                    "TVNMONITOR",    "TVNSQLBASESERVER"};

TEST(PackageResourcesTest, PaletteBitmapsAre24x24SixteenColourDibs) {
  // Windows' 16 colours in their usual order; each entry read as 0x00RRGGBB.
  const std::array<std::uint32_t, 16> Rgb = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                             0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                             0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  std::set<std::vector<std::uint8_t>> Pictures;
  for (const char* Name : PaletteBitmaps) {
    SCOPED_TRACE(Name);
    const std::vector<std::uint8_t>& D = Resource(RT_BITMAP, Name).Data;
    ASSERT_EQ(D.size(), 392u);
    EXPECT_EQ(DWordAt(D, 0), 40u);    // BITMAPINFOHEADER
    EXPECT_EQ(DWordAt(D, 4), 24u);    // width
    EXPECT_EQ(DWordAt(D, 8), 24u);    // height, positive: bottom-up
    EXPECT_EQ(WordAt(D, 12), 1u);     // planes
    EXPECT_EQ(WordAt(D, 14), 4u);     // bits per pixel
    EXPECT_EQ(DWordAt(D, 16), 0u);    // BI_RGB
    EXPECT_EQ(DWordAt(D, 20), 288u);  // 24 rows of 12 bytes
    EXPECT_EQ(DWordAt(D, 32), 16u);   // colours used
    for (std::size_t I = 0; I < 16; ++I) EXPECT_EQ(DWordAt(D, 40 + I * 4), Rgb[I]) << "colour " << I;
    const std::vector<std::uint8_t> Pixels(D.begin() + 104, D.end());
    std::set<int> Colours;
    for (std::uint8_t B : Pixels) Colours.insert({B >> 4, B & 0xF});
    EXPECT_GE(Colours.size(), 3u) << "a picture, not a blank";
    Pictures.insert(Pixels);
  }
  EXPECT_EQ(Pictures.size(), PaletteBitmaps.size()) << "every component has its own picture";
  std::size_t Bitmaps = 0;
  for (const TResource& R : PackageResources()) Bitmaps += R.Type.Matches(RT_BITMAP);
  EXPECT_EQ(Bitmaps, PaletteBitmaps.size());
}

TEST(PackageResourcesTest, DescriptionIsUtf16TextWithItsTerminator) {
  std::vector<std::uint8_t> Expected;
  for (char C : std::string("Varnel Components")) Expected.insert(Expected.end(), {static_cast<std::uint8_t>(C), 0});
  Expected.insert(Expected.end(), {0, 0});
  EXPECT_EQ(Resource(RT_RCDATA, "DESCRIPTION").Data, Expected);
}

// Reads PACKAGEINFO as docs/package-model.md lays it out.
class TPackageInfoReader {
 public:
  explicit TPackageInfoReader(const std::vector<std::uint8_t>& AData) : FData(AData) {}
  std::uint32_t DWord() {
    const std::uint32_t V = DWordAt(FData, FPos);
    FPos += 4;
    return V;
  }
  std::uint8_t Byte() { return FData.at(FPos++); }
  std::string Name() {
    std::string S;
    while (FData.at(FPos) != 0) S += static_cast<char>(FData[FPos++]);
    ++FPos;
    return S;
  }
  bool AtEnd() const { return FPos == FData.size(); }

 private:
  const std::vector<std::uint8_t>& FData;
  std::size_t FPos = 0;
};

TEST(PackageResourcesTest, PackageInfoHoldsFlagsRequiredPackagesAndUnits) {
  TPackageInfoReader Info(Resource(RT_RCDATA, "PACKAGEINFO").Data);
  EXPECT_EQ(Info.DWord(), 0x40000000u | 0x2u | 0x1u);  // package module, design-time only, never built
  ASSERT_EQ(Info.DWord(), 3u);
  EXPECT_EQ(Info.Name(), "VarLib220");
  EXPECT_EQ(Info.Name(), "dcldb220");
  EXPECT_EQ(Info.Name(), "rtl220");
  ASSERT_EQ(Info.DWord(), 5u);
  const std::vector<std::pair<int, std::string>> Units = {
      {0x03, "DclVarq220"}, {0x00, "VNAbout"}, {0x10, "SysInit"}, {0x00, "VNUpdSEd"}, {0x00, "VNReg"}};
  for (const auto& [Flags, Name] : Units) {
    EXPECT_EQ(Info.Byte(), Flags) << Name;
    EXPECT_EQ(Info.Name(), Name);
  }
  EXPECT_TRUE(Info.AtEnd());
}

TEST(PackageResourcesTest, VersionInformationNamesProductAndVersions) {
  const TVersionInfo Info(Resource(RT_VERSION, 1).Data, "DclVarq220.bpl");
  VS_FIXEDFILEINFO Fixed;
  ASSERT_TRUE(Info.FixedFileInfo(Fixed));
  EXPECT_EQ(Fixed.dwFileVersionMS, 0x00060005u);
  EXPECT_EQ(Fixed.dwFileVersionLS, 0x00030000u);
  EXPECT_EQ(Fixed.dwProductVersionMS, 0x00060005u);
  EXPECT_EQ(Fixed.dwProductVersionLS, 0x00030000u);

  const std::vector<std::pair<std::string, std::string>> Strings = {
      {"CompanyName", ""},
      {"FileDescription", "Varnel data-access components, design-time package for RAD Studio 220"},
      {"FileVersion", "6,5,3,0"},
      {"InternalName", "DCLVARQ220"},
      {"LegalCopyright", "Copyright (C) the Varnel developers"},
      {"OriginalFilename", "DCLVARQ220.BPL"},
      {"ProductName", "Varnel Library"},
      {"ProductVersion", "6,5,3,0"},
      {"Comments", ""}};
  const TVersionBlock* Table = Info.Query("\\StringFileInfo\\040904E4");
  ASSERT_NE(Table, nullptr);
  ASSERT_EQ(Table->Children.size(), Strings.size());
  for (std::size_t I = 0; I < Strings.size(); ++I) {
    EXPECT_EQ(Table->Children[I].Key, Strings[I].first);
    EXPECT_TRUE(Table->Children[I].IsText);
    EXPECT_EQ(Table->Children[I].Text(), Strings[I].second) << Strings[I].first;
  }
  ASSERT_EQ(Info.Translations().size(), 1u);
  EXPECT_EQ(Info.Translations()[0].Language, 0x0409);
  EXPECT_EQ(Info.Translations()[0].CodePage, 1252);
}

TEST(PackageResourcesTest, ReadFileVersInfoFindsThePackageThroughItsInstanceHandle) {
  // As the About box does: the package's own module, its file, its version.
  const HINSTANCE Instance = FindModuleHandle(reinterpret_cast<const void*>(&VNReg_DesignSettingsReport));
  const std::string FileName = GetModuleFileNameStr(Instance);
  EXPECT_EQ(std::filesystem::canonical(FileName), std::filesystem::canonical(BinFile("DclVarq220.bpl")));
  std::string ProductName = "Varnel", Version;
  EXPECT_TRUE(ReadFileVersInfo(FileName, ProductName, Version));
  EXPECT_EQ(ProductName, "Varnel Library");
  EXPECT_EQ(Version, "6.5.3.0");
}

TEST(PackageResourcesTest, ReadFileVersInfoLeavesTextsAloneWithoutVersionInformation) {
  vn_test::TTempDir Dir;
  const std::string Garbage = Dir.File("garbage.bpl");
  vn_test::WriteFileText(Garbage, "not a module");
  for (const std::string& File : {BinFile("rtl220.bpl"), BinFile("ResourceFixture.bpl"), Garbage,
                                  Dir.File("missing.bpl"), Dir.Path().string()}) {
    SCOPED_TRACE(File);
    std::string ProductName = "Varnel", Version;
    EXPECT_FALSE(ReadFileVersInfo(File, ProductName, Version));
    EXPECT_EQ(ProductName, "Varnel");
    EXPECT_EQ(Version, "");
  }
  EXPECT_EQ(GetModuleFileNameStr(0), "");
}

TEST(PackageResourcesTest, FixturePackagesCarryTheirOwnResources) {
  const TResourceList List = ReadModuleResources(BinFile("ResourceFixture.bpl"));
  ASSERT_EQ(List.size(), 4u);
  const std::string Greeting = "object Greeting\r\n  Caption = 'Hello'\r\nend\r\n";
  EXPECT_EQ(FindResource(List, RT_RCDATA, "greeting")->Data,
            std::vector<std::uint8_t>(Greeting.begin(), Greeting.end()));
  EXPECT_EQ(FindResource(List, "TextFile", "Note")->Data, FindResource(List, RT_RCDATA, "GREETING")->Data);
  const std::string FortyTwo = "forty-two";
  EXPECT_EQ(FindResource(List, RT_RCDATA, 42)->Data, std::vector<std::uint8_t>(FortyTwo.begin(), FortyTwo.end()));
  // Five 4-bit pixels a row need a padded row of four bytes.
  const TResource* Dot = FindResource(List, RT_BITMAP, "DOT");
  ASSERT_NE(Dot, nullptr);
  ASSERT_EQ(Dot->Data.size(), 40u + 64u + 3u * 4u);
  EXPECT_EQ(DWordAt(Dot->Data, 4), 5u);
  EXPECT_EQ(DWordAt(Dot->Data, 8), 3u);
  EXPECT_EQ(Dot->Data[104 + 4 + 1], 0x9F) << "the middle row: white, red";
}

class TCurrentDirGuard {
 public:
  TCurrentDirGuard() : FOld(std::filesystem::current_path()) {}
  ~TCurrentDirGuard() { std::filesystem::current_path(FOld); }

 private:
  std::filesystem::path FOld;
};

TEST(PackageResourcesTest, ModulesLoadedByRelativeNameReportTheirFullPath) {
  std::string FileName;
  {
    TCurrentDirGuard Guard;
    std::filesystem::current_path(vn_test::BinDir());
    void* Library = dlopen("./ResourceFixture.bpl", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(Library, nullptr) << dlerror();
    // The relative name no longer leads to the file from here.
    std::filesystem::current_path("/");
    FileName = GetModuleFileName(FindModuleHandle(dlsym(Library, "ResourceFixtureAnswer")));
    dlclose(Library);
  }
  EXPECT_EQ(std::filesystem::canonical(FileName), std::filesystem::canonical(BinFile("ResourceFixture.bpl")));
  EXPECT_TRUE(FileName.starts_with('/'));
}

}  // namespace
