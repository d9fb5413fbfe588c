#include "rtl/Resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/message_of.h"
#include "resource_builders.h"
#include "rtl/SysUtils.h"
#include "support/temp_dir.h"
#include "support/run_program.h"

using namespace vn_test;

namespace {

TByteVector Concat(std::initializer_list<TByteVector> Parts) {
  TByteVector Result;
  for (const TByteVector& P : Parts) Result.insert(Result.end(), P.begin(), P.end());
  return Result;
}

void PutDWord(TByteVector& Bytes, std::size_t Offset, std::uint32_t Value) {
  for (int I = 0; I < 4; ++I) Bytes[Offset + I] = static_cast<std::uint8_t>(Value >> (8 * I));
}

TEST(ResourcesTest, ParsesRecordsWithNumbersTextsAndPadding) {
  // "Grüße" and a character outside the basic plane (U+1F600) as a surrogate pair.
  const TByteVector Res = Concat({ResFileMarker(), ResRecord(Id(RT_BITMAP), Id(u"TVNSESSION"), {1, 2, 3}),
                                  ResRecord(Id(u"GR\u00DC\u00DFE\U0001F600"), Id(7), {9}, 0x0407),
                                  ResRecord(Id(RT_RCDATA), Id(u"EMPTY"), {}), TByteVector(8, 0)});
  const TResourceList List = ParseResources(Res, "test.res");
  ASSERT_EQ(List.size(), 3u);  // the leading empty record marks the file and is no resource
  EXPECT_TRUE(List[0].Type.IsOrdinal());
  EXPECT_EQ(List[0].Type.Ordinal(), RT_BITMAP);
  EXPECT_EQ(List[0].Name.Name(), "TVNSESSION");
  EXPECT_EQ(List[0].Data, (TByteVector{1, 2, 3}));
  EXPECT_EQ(List[0].LanguageId, 0x0409);
  EXPECT_EQ(List[1].Type.Name(), "GR\u00DC\u00DFE\U0001F600");
  EXPECT_EQ(List[1].Name.ToString(), "#7");
  EXPECT_EQ(List[1].LanguageId, 0x0407);
  EXPECT_TRUE(List[2].Data.empty());

  // Texts match without regard to case, numbers only numbers.
  EXPECT_EQ(FindResource(List, RT_BITMAP, "tvnSession"), &List[0]);
  EXPECT_EQ(FindResource(List, "gr\u00FC\u00DFe\U0001F600", 7), &List[1]);
  EXPECT_EQ(FindResource(List, RT_RCDATA, "TVNSESSION"), nullptr);
  EXPECT_EQ(FindResource(List, "#2", "TVNSESSION"), nullptr);
  EXPECT_EQ(FindResource(List, List[1].Type, 8), nullptr);
  EXPECT_TRUE(ParseResources({}, "empty.res").empty());
}

TEST(ResourcesTest, MalformedRecordsRaiseInsteadOfReadingPastTheData) {
  const TByteVector Good = Concat({ResFileMarker(), ResRecord(Id(RT_RCDATA), Id(u"DATA"), {1, 2, 3, 4, 5})});
  const std::size_t Second = ResFileMarker().size();
  auto Problem = [](TByteVector Bytes) { return MessageOf<EReadError>([&] { ParseResources(Bytes, "bad.res"); }); };

  TByteVector Bytes = Good;
  PutDWord(Bytes, Second, 9);  // data running past the record's padding
  EXPECT_EQ(Problem(Bytes),
            "Invalid resource data in \"bad.res\": the record's sizes run past the end of the data (offset 32)");
  Bytes = Good;
  PutDWord(Bytes, Second, 0xFFFFFFFF);  // sizes that wrap around when added
  PutDWord(Bytes, Second + 4, 0xFFFFFFF0);
  EXPECT_NE(Problem(Bytes).find("run past the end"), std::string::npos);
  Bytes = Good;
  PutDWord(Bytes, Second + 4, 4);  // header smaller than its own two sizes
  EXPECT_NE(Problem(Bytes).find("too short"), std::string::npos);
  Bytes = Good;
  PutDWord(Bytes, Second + 4, 16);  // the name's terminator lies beyond the header
  EXPECT_NE(Problem(Bytes).find("no terminator"), std::string::npos);
  Bytes = Good;
  PutDWord(Bytes, Second + 4, 8 + 4 + 10 + 2 + 12);  // type and name fit, the fixed fields do not
  PutDWord(Bytes, Second, 0);
  EXPECT_NE(Problem(Bytes).find("too short"), std::string::npos);
  Bytes = ResRecord(Id(RT_RCDATA), Id(9), {});
  PutDWord(Bytes, 4, 8 + 6);  // numeric name cut off
  PutDWord(Bytes, 0, 0);
  EXPECT_NE(Problem(Bytes).find("cut off"), std::string::npos);
  Bytes = Good;
  Bytes.insert(Bytes.end(), {0, 0, 1, 0});  // not padding: a cut-off record
  EXPECT_NE(Problem(Bytes).find("a record header is cut off"), std::string::npos);
}

class ModuleFileTest : public ::testing::Test {
 protected:
  std::string Write(const TElfImage& Image, const std::string& Name = "module.bpl") {
    const std::string File = Dir.File(Name);
    WriteFileText(File, Image.Bytes());
    return File;
  }
  std::string Problem(const TElfImage& Image) {
    const std::string File = Write(Image);
    return MessageOf<EReadError>([&] { ReadModuleResources(File); });
  }

  TTempDir Dir;
  TByteVector Res = Concat({ResFileMarker(), ResRecord(Id(RT_RCDATA), Id(u"HELLO"), {'h', 'i'})});
  TElfImage Good = MakeElf({{".text", {0x90, 0x90}}, {".rsrc", Res}, {".data", {1}}});
  static constexpr std::size_t Rsrc = 2;  // index of .rsrc in Good
};

TEST_F(ModuleFileTest, ReadsTheResourceSectionAndNothingElse) {
  const TResourceList List = ReadModuleResources(Write(Good));
  ASSERT_EQ(List.size(), 1u);
  EXPECT_EQ(List[0].Name.Name(), "HELLO");
  EXPECT_EQ(List[0].Data, (TByteVector{'h', 'i'}));

  // Without the section, or without any sections, there are no resources.
  EXPECT_TRUE(ReadModuleResources(Write(MakeElf({{".rsrcx", Res}, {".rsr", Res}}))).empty());
  TElfImage NoSections = Good;
  NoSections.Header.e_shoff = 0;
  EXPECT_TRUE(ReadModuleResources(Write(NoSections)).empty());
  // A real program built without resources; the base library holds its package information only.
  EXPECT_TRUE(ReadModuleResources(std::filesystem::read_symlink("/proc/self/exe").string()).empty());
  EXPECT_EQ(ReadModuleResources(vn_test::BinDir() + "/rtl220.bpl").size(), 1u);

  // More sections than the header can count: the count and the name table's
  // index move to section 0.
  TElfImage Extended = Good;
  Extended.Sections[0].sh_size = Extended.Header.e_shnum;
  Extended.Sections[0].sh_link = Extended.Header.e_shstrndx;
  Extended.Header.e_shnum = 0;
  Extended.Header.e_shstrndx = SHN_XINDEX;
  EXPECT_EQ(ReadModuleResources(Write(Extended)).size(), 1u);
}

TEST_F(ModuleFileTest, FilesThatCannotBeReadRaiseEOSErrorNamingThem) {
  const std::string Missing = Dir.File("missing.bpl");
  EXPECT_EQ(MessageOf<EOSError>([&] { ReadModuleResources(Missing); }),
            "Cannot open file \"" + Missing + "\". No such file or directory");
  EXPECT_NE(MessageOf<EOSError>([&] { ReadModuleResources(Dir.Path().string()); }).find(Dir.Path().string()),
            std::string::npos);
}

TEST_F(ModuleFileTest, MalformedFilesRaiseEReadErrorNamingThem) {
  const std::string File = Dir.File("module.bpl");
  WriteFileText(File, "just text, long enough to hold an ELF header if it were one..........");
  EXPECT_EQ(MessageOf<EReadError>([&] { ReadModuleResources(File); }),
            "\"" + File + "\" is not a valid module file: it has no ELF header");
  WriteFileText(File, Good.Bytes().substr(0, 20));
  EXPECT_NE(MessageOf<EReadError>([&] { ReadModuleResources(File); }).find("shorter than an ELF header"),
            std::string::npos);

  auto Broken = [this](auto Change) {
    TElfImage Image = Good;
    Change(Image);
    return Problem(Image);
  };
  EXPECT_NE(Broken([](TElfImage& I) { I.Header.e_ident[EI_CLASS] = ELFCLASS32; }).find("not a 64-bit"),
            std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Header.e_ident[EI_DATA] = ELFDATA2MSB; }).find("byte order"),
            std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Header.e_shentsize = 40; }).find("header size"), std::string::npos);
  const std::string PastEnd = "run past the end of the file";
  EXPECT_NE(Broken([](TElfImage& I) { I.Header.e_shoff += 1000; }).find(PastEnd), std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Header.e_shoff = ~Elf64_Off{0}; }).find(PastEnd), std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Header.e_shnum += 1; }).find(PastEnd), std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Header.e_shstrndx = I.Header.e_shnum; }).find("no section name table"),
            std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Sections[Rsrc].sh_offset = 1u << 20; }).find("section 2 runs past"),
            std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Sections[Rsrc].sh_size = ~Elf64_Xword{0} - 10; }).find("section 2 runs past"),
            std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Sections[Rsrc].sh_type = SHT_NOBITS; }).find("no contents"),
            std::string::npos);
  EXPECT_NE(Broken([](TElfImage& I) { I.Sections[Rsrc].sh_name = 5000; }).find("outside the name table"),
            std::string::npos);
  // A name running into the end of the table without its terminator.
  EXPECT_NE(Broken([](TElfImage& I) {
              auto& Names = I.Sections[I.Header.e_shstrndx];
              Names.sh_size -= 1;
              I.Sections[Rsrc].sh_name = static_cast<Elf64_Word>(Names.sh_size - 3);
            }).find("has no terminator"),
            std::string::npos);
  // The section's own records are checked against the section, not the file.
  EXPECT_EQ(Broken([](TElfImage& I) { I.Sections[Rsrc].sh_size -= 3; }),
            "Invalid resource data in \"" + File +
                "\": the record's sizes run past the end of the data (offset 32)");
}

TEST(ModulesTest, FindsTheLoadedModuleAndItsFile) {
  const HINSTANCE Rtl = FindModuleHandle(reinterpret_cast<const void*>(&Trim));
  ASSERT_NE(Rtl, 0u);
  const std::string RtlFile = GetModuleFileName(Rtl);
  EXPECT_EQ(std::filesystem::canonical(RtlFile),
            std::filesystem::canonical(vn_test::BinDir() + "/rtl220.bpl"));
  // Any address inside the module names the same file.
  EXPECT_EQ(GetModuleFileName(reinterpret_cast<HINSTANCE>(&Trim)), RtlFile);

  static const int InProgram = 0;
  const HINSTANCE Program = FindModuleHandle(&InProgram);
  EXPECT_NE(Program, Rtl);
  EXPECT_EQ(GetModuleFileName(Program), std::filesystem::read_symlink("/proc/self/exe").string());

  const int OnStack = 0;
  EXPECT_EQ(FindModuleHandle(&OnStack), 0u);
  EXPECT_EQ(FindModuleHandle(nullptr), 0u);
  EXPECT_EQ(GetModuleFileName(0), "");
  EXPECT_EQ(GetModuleFileName(reinterpret_cast<HINSTANCE>(&OnStack)), "");
}

}  // namespace
