#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(StringsTest, TrimRemovesControlCharactersAndBlanksOnly) {
  EXPECT_EQ(Trim(std::string("\0\t\r\n a b \x1F", 10)), "a b");
  EXPECT_EQ(Trim("\x7Fx\x7F"), "\x7Fx\x7F");
  EXPECT_EQ(Trim("\u00A0x\u00A0"), "\u00A0x\u00A0");  // bytes >= 0x80 are not blanks
  EXPECT_EQ(TrimLeft("  x  ") + TrimRight("  y  ") + Trim("   "), "x    y");
}

TEST(StringsTest, PlainCaseFunctionsFoldAsciiOnly) {
  EXPECT_EQ(UpperCase("abzäé"), "ABZäé");
  EXPECT_EQ(LowerCase("ABZÄ"), "abzÄ");
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Ä", "ä"));
  EXPECT_EQ(CompareText("abc", "ABD"), -1);
  EXPECT_EQ(CompareText("b", "A"), 1);
  EXPECT_LT(CompareText("z", "\xC3\x84"), 0);  // bytes compare unsigned
}

TEST(StringsTest, AnsiComparisonIgnoresCaseButNotAccents) {
  EXPECT_TRUE(AnsiSameText("Ärger", "äRGER"));
  EXPECT_TRUE(AnsiSameText("ΣΊΣΥΦΟΣ", "σίσυφος"));
  EXPECT_FALSE(AnsiSameText("resume", "résumé"));
  EXPECT_TRUE(AnsiSameText("caf\u00E9", "CAFE\u0301"));  // composed and decomposed
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
  EXPECT_LT(AnsiCompareText("a", "ä"), 0);
  EXPECT_GT(AnsiCompareText("b", "ä"), 0);
  for (auto [A, B] : {std::pair{"Straße", "STRASSE"}, {"x", "X"}, {"ab", "a b"}, {"", ""}})
    EXPECT_EQ(AnsiSameText(A, B), AnsiCompareText(A, B) == 0) << A << " / " << B;
  EXPECT_NE(AnsiCompareStr("a", "A"), 0);
  EXPECT_EQ(AnsiCompareStr("é", "e\u0301"), 0);
  // Text that is not UTF-8 still compares, consistently, and different bytes differ.
  EXPECT_EQ(AnsiCompareText("\xFF\xFE", "\xFF\xFE"), 0);
  EXPECT_EQ(AnsiCompareText("\xFF", "a"), -AnsiCompareText("a", "\xFF"));
  EXPECT_FALSE(AnsiSameText("caf\xE9", "caf\xE8"));
  EXPECT_NE(AnsiCompareStr("\xFF", "\xFE"), 0);
  // Control characters count as they are, though the collator ignores them.
  for (auto [A, B] : {std::pair{"", "\x01"}, {"ab", "a\tb"}, {"Name", "Na\x7Fme"}, {"x", "x\u0085"}}) {
    EXPECT_FALSE(AnsiSameText(A, B)) << A << " / " << B;
    EXPECT_EQ(AnsiCompareText(A, B), -AnsiCompareText(B, A));
    EXPECT_NE(AnsiCompareStr(A, B), 0);
  }
  EXPECT_TRUE(AnsiSameText("a\tB", "A\tb"));
}

TEST(StringsTest, AnsiComparisonIsSafeFromManyThreads) {
  std::vector<std::thread> Threads;
  std::atomic<int> Wrong{0};
  for (int T = 0; T < 4; ++T)
    Threads.emplace_back([&] {
      for (int I = 0; I < 2000; ++I)
        if (!AnsiSameText("Ärger über Öl", "äRGER ÜBER öL") || AnsiCompareStr("a", "A") >= 0) ++Wrong;
    });
  for (auto& Thread : Threads) Thread.join();
  EXPECT_EQ(Wrong, 0);
}

// The key of AnsiSameText: equal exactly where it says the same.
TEST(StringsTest, AnsiSameTextKeysAgreeWithAnsiSameText) {
  const std::pair<std::string, std::string> Pairs[] = {
      {"Orders", "oRDERS"},       {"ΟΔΟΣ", "οδοσ"},        {"ΟΔΟΣ", "οδος"},     {"\u00c4rzte", "A\u0308RZTE"},
      {"Ärzte", "Arzte"},         {"a\x01b", "ab"},         {"a\x01b", "A\x01B"}, {"\xC4rzte", "\xE4rzte"},
      {"\xC4rzte", "\xC4RZTE"},    {"straße", "STRASSE"},     {"", ""},             {"x", ""},
  };
  for (const auto& [A, B] : Pairs)
    EXPECT_EQ(AnsiSameTextKey(A) == AnsiSameTextKey(B), AnsiSameText(A, B)) << A << " / " << B;
}

TEST(StringsTest, AnsiCaseMappingIsUnicodeAware) {
  EXPECT_EQ(AnsiUpperCase("straße äöü"), "STRASSE ÄÖÜ");
  EXPECT_EQ(AnsiLowerCase("ÄÖÜ ΣΑΣ ABC"), "äöü σας abc");
  EXPECT_EQ(AnsiUpperCase(std::string(1000, 0x7F) + "ß"), std::string(1000, 0x7F) + "SS");
  EXPECT_NO_THROW(AnsiUpperCase("\xC3"));
}

TEST(StringsTest, IdentifiersQuotingAndReplacing) {
  EXPECT_TRUE(IsValidIdent("_Button1"));
  EXPECT_TRUE(IsValidIdent("Größe"));
  EXPECT_FALSE(IsValidIdent(""));
  EXPECT_FALSE(IsValidIdent("1abc"));
  EXPECT_FALSE(IsValidIdent("a b"));
  EXPECT_FALSE(IsValidIdent("a\xFF"));
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(StringReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(StringReplaceAll("a.b.c", ".", "::"), "a::b::c");
  EXPECT_EQ(StringReplaceAll("abc", "", "x"), "abc");
}

}  // namespace
