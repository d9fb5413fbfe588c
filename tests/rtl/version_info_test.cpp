#include <gtest/gtest.h>

#include "support/message_of.h"
#include "resource_builders.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"

using namespace vn_test;

namespace {

TRawBlock SampleRoot() {
  TRawBlock Root = BinaryBlock(u"VS_VERSION_INFO", FixedFileInfo(0x00060005, 0x00030000));
  Root.Children = {
      ParentBlock(u"StringFileInfo",
                  {ParentBlock(u"040904E4", {TextBlock(u"ProductName", u"Varnel Library"),
                                             TextBlock(u"Comments", u""), TextBlock(u"Odd", u"\u00C4x")})}),
      ParentBlock(u"VarFileInfo", {BinaryBlock(u"Translation", {0x09, 0x04, 0xE4, 0x04, 0x07, 0x04, 0xB0, 0x04})}),
  };
  return Root;
}

TEST(VersionInfoTest, QueriesBlocksByPathAsThePlatformDoes) {
  const TVersionInfo Info(VersionBlock(SampleRoot()), "sample");
  EXPECT_EQ(Info.Query("\\"), &Info.Root());
  VS_FIXEDFILEINFO Fixed;
  ASSERT_TRUE(Info.FixedFileInfo(Fixed));
  EXPECT_EQ(Fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(Fixed.dwProductVersionMS, 0x00060005u);
  EXPECT_EQ(Fixed.dwProductVersionLS, 0x00030000u);
  EXPECT_EQ(Fixed.dwFileType, 2u);
  EXPECT_EQ(Fixed.dwFileDateLS, 0u);

  std::string Value = "unchanged";
  EXPECT_TRUE(Info.QueryString("\\StringFileInfo\\040904E4\\ProductName", Value));
  EXPECT_EQ(Value, "Varnel Library");
  EXPECT_TRUE(Info.QueryString("\\stringfileinfo\\040904e4\\productname", Value));
  EXPECT_TRUE(Info.QueryString("\\StringFileInfo\\040904E4\\Comments", Value));
  EXPECT_EQ(Value, "");
  EXPECT_TRUE(Info.QueryString("\\StringFileInfo\\040904E4\\Odd", Value));
  EXPECT_EQ(Value, "\u00C4x");
  Value = "unchanged";
  EXPECT_FALSE(Info.QueryString("\\StringFileInfo\\040904E4\\CompanyName", Value));
  EXPECT_FALSE(Info.QueryString("\\StringFileInfo\\04070000\\ProductName", Value));
  EXPECT_FALSE(Info.QueryString("\\VarFileInfo\\Translation", Value));  // binary, not text
  EXPECT_FALSE(Info.QueryString("\\", Value));
  EXPECT_EQ(Value, "unchanged");

  const auto Translations = Info.Translations();
  ASSERT_EQ(Translations.size(), 2u);
  EXPECT_EQ(Translations[0].Language, 0x0409);
  EXPECT_EQ(Translations[0].CodePage, 1252);
  EXPECT_EQ(Translations[1].Language, 0x0407);
  EXPECT_EQ(Translations[1].CodePage, 1200);
  EXPECT_EQ(Info.Query("\\VarFileInfo\\Translation\\More"), nullptr);
}

TEST(VersionInfoTest, MissingPartsAreAbsentNotErrors) {
  TRawBlock Bare = ParentBlock(u"VS_VERSION_INFO", {});
  const TVersionInfo Info(VersionBlock(Bare), "bare");
  VS_FIXEDFILEINFO Fixed;
  Fixed.dwSignature = 7;
  EXPECT_FALSE(Info.FixedFileInfo(Fixed));
  EXPECT_EQ(Fixed.dwSignature, 7u);
  EXPECT_TRUE(Info.Translations().empty());
  EXPECT_EQ(Info.Query("\\StringFileInfo"), nullptr);

  // Resource data is often padded past the root's own length.
  TByteVector Padded = VersionBlock(SampleRoot());
  Padded.resize(Padded.size() + 7, 0);
  EXPECT_EQ(TVersionInfo(Padded, "padded").Translations().size(), 2u);
}

TEST(VersionInfoTest, LengthsThatDoNotFitRaiseNamingTheSource) {
  const TByteVector Good = VersionBlock(SampleRoot());
  auto Problem = [](const TByteVector& Bytes) {
    return MessageOf<EReadError>([&] { (void)TVersionInfo(Bytes, "pkg.bpl"); });
  };
  auto Patched = [&](std::size_t Offset, std::uint16_t Value) {
    TByteVector Bytes = Good;
    Bytes[Offset] = Value & 0xFF;
    Bytes[Offset + 1] = Value >> 8;
    return Bytes;
  };
  // Root: 6-byte header, "VS_VERSION_INFO" with terminator (32 bytes), 2 bytes
  // of alignment, 52 bytes of fixed part: the first child starts at 92.
  const std::size_t Child = 92;
  EXPECT_EQ(Problem(Patched(0, static_cast<std::uint16_t>(Good.size() + 1))),
            "Invalid version information in \"pkg.bpl\": the block's length does not fit (offset 0)");
  EXPECT_EQ(Problem(TByteVector(Good.begin(), Good.begin() + 4)),
            "Invalid version information in \"pkg.bpl\": the data is too short (offset 0)");
  EXPECT_NE(Problem(Patched(0, 5)).find("length does not fit"), std::string::npos);
  EXPECT_NE(Problem(Patched(Child, 0xFFF0)).find("length does not fit (offset 92)"), std::string::npos);
  EXPECT_NE(Problem(Patched(Child, 3)).find("length does not fit (offset 92)"), std::string::npos);
  EXPECT_NE(Problem(Patched(2, 0xFFFF)).find("runs past its end"), std::string::npos);
  EXPECT_NE(Problem(VersionBlock(BinaryBlock(u"VS_VERSION_INFO", TByteVector(48, 0)))).find("wrong size"),
            std::string::npos);
  EXPECT_NE(Problem(Patched(4, 2)).find("neither text nor binary"), std::string::npos);
  EXPECT_NE(Problem(Patched(40, 0x1234)).find("wrong signature"), std::string::npos);
  EXPECT_NE(Problem(Patched(6, 'W')).find("not VS_VERSION_INFO"), std::string::npos);
  // A key filling its block to the end leaves no room for its terminator.
  TByteVector Unterminated = VersionBlock(ParentBlock(u"VS_VERSION_INFO", {}));
  Unterminated.resize(6 + 30);
  Unterminated[0] = 6 + 30;
  EXPECT_NE(Problem(Unterminated).find("key has no terminator"), std::string::npos);

  // Nesting deep enough to exhaust a stack is refused long before.
  TRawBlock Deep = ParentBlock(u"x", {});
  for (int I = 0; I < 40; ++I) Deep = ParentBlock(u"x", {Deep});
  Deep.Key = u"VS_VERSION_INFO";
  EXPECT_NE(Problem(VersionBlock(Deep)).find("nested too deeply"), std::string::npos);
}

}  // namespace
