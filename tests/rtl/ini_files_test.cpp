#include "rtl/IniFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/message_of.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#include "support/string_lines.h"

using vn_test::ReadFileText;
using vn_test::TTempDir;
using vn_test::WriteFileText;

using vn_test::Lines;

namespace {

std::vector<std::string> DirectoryEntries(const std::filesystem::path& Dir) {
  std::vector<std::string> Result;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir)) Result.push_back(Entry.path().filename());
  return Result;
}

TEST(IniFileRead, LineEndsOfEveryKindSplitLines) {
  TTempDir Dir;
  for (const std::string Eol : {"\r\n", "\n", "\r", "\r\r\n\n"}) {
    const std::string Name = Dir.File("eol.ini");
    WriteFileText(Name, "[One]" + Eol + "a=1" + Eol + "b=2" + Eol + "[Two]" + Eol + "a=3");
    TIniFile Ini(Name);
    EXPECT_EQ(Ini.ReadString("One", "a", "?"), "1");
    EXPECT_EQ(Ini.ReadString("One", "b", "?"), "2");
    EXPECT_EQ(Ini.ReadString("Two", "a", "?"), "3") << "no final line break";
  }
}

// Line ends are found kind by kind; a file that changes kind from line to
// line still splits at each, and a write keeps each line's own.
TEST(IniFileRead, MixedLineEndsSplitLinesAndSurviveAWrite) {
  TTempDir Dir;
  const std::string Name = Dir.File("mixed.ini");
  WriteFileText(Name, "[One]\ra=1\nb=2\r\n\r[Two]\n\na=3\rc=4");
  TIniFile Ini(Name);
  EXPECT_EQ(Ini.ReadString("One", "a", "?"), "1");
  EXPECT_EQ(Ini.ReadString("One", "b", "?"), "2");
  EXPECT_EQ(Ini.ReadString("Two", "a", "?"), "3");
  EXPECT_EQ(Ini.ReadString("Two", "c", "?"), "4");
  Ini.WriteString("One", "b", "5");
  EXPECT_EQ(ReadFileText(Name), "[One]\ra=1\nb=5\r\n\r[Two]\n\na=3\rc=4\r");
}

TEST(IniFileRead, TrimsLinesSplitsAtFirstEqualsAndFindsSections) {
  TTempDir Dir;
  const std::string Name = Dir.File("trim.ini");
  WriteFileText(Name,
                "top=before any header\n"
                "\t [ Section One ]  text after the bracket\n"
                " \x1A key one \t= \t a=b=c \x1A\x0B\n"
                "[a]b]\n"
                "x=inner bracket\n"
                "[open=not a header\n"
                "=empty name\n");
  TIniFile Ini(Name);
  EXPECT_EQ(Ini.ReadString("", "top", "?"), "before any header");
  EXPECT_EQ(Ini.ReadString(" Section One\t", "KEY ONE", "?"), "a=b=c");
  EXPECT_EQ(Ini.ReadString("a]b", "x", "?"), "inner bracket");
  EXPECT_EQ(Ini.ReadString("a]b", "[open", "?"), "not a header");
  EXPECT_EQ(Ini.ReadString("a]b", "", "?"), "empty name");
  EXPECT_EQ(Ini.ReadString("Section One", "top", "?"), "?");
  EXPECT_EQ(TIniFile(Dir.File("missing.ini")).ReadString("a", "b", "default"), "default");

  WriteFileText(Name, "\xEF\xBB\xBF[Bom]\nk=v\n");
  EXPECT_EQ(Ini.ReadString("Bom", "k", "?"), "v") << "a byte-order mark is not part of the first line";
}

TEST(IniFileRead, FirstSectionAndFirstKeyWinWithoutRegardToCase) {
  TTempDir Dir;
  const std::string Name = Dir.File("dup.ini");
  WriteFileText(Name,
                "[Grün]\nKey=1\nkey=2\nbare\n"
                "[GRÜN]\nkey=3\nother=4\n"
                "[s]\nbare\nbare=5\n");
  TIniFile Ini(Name);
  EXPECT_EQ(Ini.ReadString("grün", "KEY", "?"), "1");
  EXPECT_EQ(Ini.ReadString("Grün", "other", "?"), "?") << "only the first section is searched";
  // A line without "=" is a key without value: it is found first and gives the default.
  EXPECT_EQ(Ini.ReadString("s", "bare", "?"), "?");
  EXPECT_FALSE(Ini.ValueExists("Grün", "bare"));
  EXPECT_TRUE(Ini.ValueExists("s", "BARE"));
}

TEST(IniFileRead, QuotesCommentsAndEmptyValues) {
  TTempDir Dir;
  const std::string Name = Dir.File("quotes.ini");
  WriteFileText(Name,
                "[q]\n"
                "double=\"x y\"\n"
                "single='x'\n"
                "inner=\"a\"b\"\n"
                "open=\"abc\n"
                "lone=\"\n"
                "mixed=\"a'\n"
                "empty=\n"
                "  ;comment=1\n"
                "#hash=2\n"
                "inline=v ;x\n");
  TIniFile Ini(Name);
  EXPECT_EQ(Ini.ReadString("q", "double", "?"), "x y");
  EXPECT_EQ(Ini.ReadString("q", "single", "?"), "x");
  EXPECT_EQ(Ini.ReadString("q", "inner", "?"), "a\"b");
  EXPECT_EQ(Ini.ReadString("q", "open", "?"), "\"abc");
  EXPECT_EQ(Ini.ReadString("q", "lone", "?"), "\"");
  EXPECT_EQ(Ini.ReadString("q", "mixed", "?"), "\"a'");
  EXPECT_EQ(Ini.ReadString("q", "empty", "?"), "");
  EXPECT_EQ(Ini.ReadString("q", ";comment", "?"), "?");
  EXPECT_EQ(Ini.ReadString("q", "#hash", "?"), "2");
  EXPECT_EQ(Ini.ReadString("q", "inline", "?"), "v ;x");
}

TEST(IniFileRead, IntegersAndBooleans) {
  TTempDir Dir;
  const std::string Name = Dir.File("num.ini");
  WriteFileText(Name, "[n]\nhex=0x1F\nupper=0X10\nneg=-12\nquoted=\" 7\"\ntrailing=\"7 \"\nword=true\nx=0x\n");
  TIniFile Ini(Name);
  EXPECT_EQ(Ini.ReadInteger("n", "hex", 0), 31);
  EXPECT_EQ(Ini.ReadInteger("n", "upper", 0), 16);
  EXPECT_EQ(Ini.ReadInteger("n", "quoted", 0), 7);
  EXPECT_EQ(Ini.ReadInteger("n", "trailing", 99), 99);
  EXPECT_EQ(Ini.ReadInteger("n", "x", 99), 99);
  EXPECT_EQ(Ini.ReadInteger("n", "missing", 5), 5);
  EXPECT_TRUE(Ini.ReadBool("n", "neg", false));
  EXPECT_TRUE(Ini.ReadBool("n", "word", true)) << "words give the default";
  EXPECT_FALSE(Ini.ReadBool("n", "word", false));

  Ini.WriteInteger("w", "i", -2147483647 - 1);
  Ini.WriteBool("w", "t", true);
  Ini.WriteBool("w", "f", false);
  EXPECT_EQ(Ini.ReadInteger("w", "i", 0), -2147483647 - 1);
  EXPECT_NE(ReadFileText(Name).find("[w]\ni=-2147483648\nt=1\nf=0\n"), std::string::npos);
}

TEST(IniFileRead, SectionListsAndExistence) {
  TTempDir Dir;
  const std::string Name = Dir.File("lists.ini");
  WriteFileText(Name,
                "pre=0\n"
                "[A]\nk=1\nbare\n;c=3\nK=2\nj=\"q\"\n"
                "[Comments]\n;only=1\n"
                "[a]\nlater=1\n"
                "[]\nnameless=1\n"
                "[U]\nÄrger=1\närger=2\n[N]\nk\nK=1\n");
  TIniFile Ini(Name);
  TStringList List;
  List.Add("stale");
  Ini.ReadSection("a", List);
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"k", "K", "j"}));
  Ini.ReadSectionValues("A", List);
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"k=1", "K=1", "j=q"}));
  Ini.ReadSectionValues("u", List);
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"Ärger=1", "ärger=1"}));
  Ini.ReadSectionValues("N", List);
  EXPECT_EQ(Lines(List), std::vector<std::string>{"K="}) << "a first key without value gives its empty value";
  Ini.ReadSections(List);
  EXPECT_EQ(Lines(List), (std::vector<std::string>{"A", "Comments", "U", "N"}));
  Ini.ReadSection("missing", List);
  EXPECT_EQ(List.Count(), 0);

  EXPECT_TRUE(Ini.SectionExists("a"));
  EXPECT_TRUE(Ini.SectionExists(""));
  EXPECT_FALSE(Ini.SectionExists("Comments")) << "a section of comments holds no key";
  EXPECT_FALSE(Ini.SectionExists("missing"));
  EXPECT_TRUE(Ini.ValueExists("A", "j"));
  EXPECT_FALSE(Ini.ValueExists("A", "later"));
  EXPECT_FALSE(Ini.ValueExists("A", ";c"));
}

TEST(IniFileWrite, ChangesKeepEveryOtherByteAndTheLineEndStyle) {
  TTempDir Dir;
  const std::string Name = Dir.File("keep.ini");
  WriteFileText(Name,
                "\xEF\xBB\xBF; settings\r\n"
                "\r\n"
                "[Main]\r\n"
                "  Path = old value \r\n"
                "unknown line\r\n"
                "\r\n"
                "[Other]\r\n"
                "# not a comment=1\r\n"
                "gone=1\r\n"
                "[Last]\r\n"
                "x=1");
  TIniFile Ini(Name);
  Ini.WriteString("main", "PATH", "new");
  Ini.WriteString("MAIN", " Added ", "v");
  Ini.DeleteKey("other", "GONE");
  Ini.WriteString("Last", "y", "2");
  Ini.WriteString(" New ", "k", "v");
  EXPECT_EQ(ReadFileText(Name),
            "\xEF\xBB\xBF; settings\r\n"
            "\r\n"
            "[Main]\r\n"
            "  Path = new\r\n"
            "unknown line\r\n"
            "Added=v\r\n"
            "\r\n"
            "[Other]\r\n"
            "# not a comment=1\r\n"
            "[Last]\r\n"
            "x=1\r\n"
            "y=2\r\n"
            "[New]\r\n"
            "k=v\r\n");

  Ini.EraseSection("OTHER");
  Ini.EraseSection("never there");
  Ini.DeleteKey("Main", "never there");
  EXPECT_EQ(ReadFileText(Name),
            "\xEF\xBB\xBF; settings\r\n\r\n[Main]\r\n  Path = new\r\nunknown line\r\nAdded=v\r\n\r\n"
            "[Last]\r\nx=1\r\ny=2\r\n[New]\r\nk=v\r\n");

  // Keys before any header, and a new file in LF style.
  const std::string Fresh = Dir.File("fresh.ini");
  TIniFile FreshIni(Fresh);
  FreshIni.WriteString("S", "a", "1");
  FreshIni.WriteString("", "top", "t");
  EXPECT_EQ(ReadFileText(Fresh), "top=t\n[S]\na=1\n");
}

TEST(IniFileWrite, AwkwardValuesReadBackUnchanged) {
  TTempDir Dir;
  const std::string Name = Dir.File("values.ini");
  const std::vector<std::string> Values = {
      " leading", "trailing ", "\tboth\t", "\"quoted\"", "'single'", "\"", "\"\"", "'\"", "\"open",
      "a=b=c", ";semicolon", "[x]", "[Section]", "x ;not a comment", "Grüße ✓ 日本", "", " ",
      "\x1A", "inner\x0B\x0C" "blanks", "=", "\"a\" \"b\""};
  TIniFile Ini(Name);
  for (std::size_t I = 0; I < Values.size(); ++I) Ini.WriteString("V", "k" + std::to_string(I), Values[I]);
  Ini.WriteString("V", "last", "end");
  for (std::size_t I = 0; I < Values.size(); ++I)
    EXPECT_EQ(Ini.ReadString("V", "k" + std::to_string(I), "?"), Values[I]) << "value #" << I;

  TStringList List;
  Ini.ReadSections(List);
  EXPECT_EQ(Lines(List), std::vector<std::string>{"V"}) << "no value became a section";
  Ini.ReadSection("V", List);
  EXPECT_EQ(List.Count(), static_cast<int>(Values.size()) + 1) << "no value became a key";
  EXPECT_EQ(Ini.ReadString("V", "last", "?"), "end");
}

// Many lookups in one section go through an index, a few through a search: both
// must agree, with repeated keys, keys without value and deletions.
TEST(IniFileWrite, ManyChangesAtOnceEqualTheSameChangesOneByOne) {
  TTempDir Dir;
  const std::string Start =
      "[S]\nk=1\nbare\nBARE=2\nK=3\n\n[s]\nk=later section\n[T]\nx=1\n  \n";
  TIniChanges All;
  std::vector<TIniChanges> Each;
  auto Add = [&](auto Change) {
    Change(All);
    Change(Each.emplace_back());
  };
  for (int Round = 0; Round < 3; ++Round) {
    Add([](TIniChanges& C) { C.WriteString("S", "bare", "now valued"); });
    Add([](TIniChanges& C) { C.DeleteKey("S", "K"); });
    Add([&](TIniChanges& C) { C.WriteString("s", "k", "again " + std::to_string(Round)); });
    Add([&](TIniChanges& C) { C.WriteString("T", "n" + std::to_string(Round), "v"); });
    Add([](TIniChanges& C) { C.DeleteKey("S", "Bare"); });
    Add([](TIniChanges& C) { C.WriteString("S", "Grün", "ü"); });
    Add([](TIniChanges& C) { C.EraseSection("s"); });
  }
  const std::string One = Dir.File("one.ini"), Many = Dir.File("many.ini");
  WriteFileText(One, Start);
  WriteFileText(Many, Start);
  for (const TIniChanges& C : Each) TIniFile(One).Apply(C);
  TIniFile(Many).Apply(All);
  EXPECT_EQ(ReadFileText(Many), ReadFileText(One));

  WriteFileText(Many, Start);
  TIniFile Ini(Many);
  for (int Round = 0; Round < 3; ++Round)
    for (const std::string Key : {"k", "BARE", "x", "missing"}) {
      EXPECT_EQ(Ini.ReadString("S", Key, "?"), TIniFile(Many).ReadString("S", Key, "?")) << Key;
      EXPECT_EQ(Ini.ValueExists("S", Key), TIniFile(Many).ValueExists("S", Key)) << Key;
    }
  EXPECT_EQ(Ini.ReadString("S", "bare", "?"), "?");
  EXPECT_TRUE(Ini.ValueExists("S", "bare"));
}

TEST(IniFileWrite, WhatTheFormatCannotHoldIsRefusedAndTheFileKept) {
  TTempDir Dir;
  const std::string Name = Dir.File("refuse.ini");
  const std::string Original = "; keep me\r\n[S]\r\nk=v\r\n";
  WriteFileText(Name, Original);
  TIniFile Ini(Name);
  struct TCase {
    std::string Section, Ident, Value;
  };
  const std::vector<TCase> Cases = {
      {"S", "k", "line\nbreak"}, {"S", "k", "carriage\rreturn"}, {"S", "k", std::string("nul\0x", 5)},
      {"S", "a=b", "v"},         {"S", " [k", "v"},              {"S", ";k", "v"},
      {"S", "k\n[Evil]", "v"},   {"S", std::string("k\0", 2), "v"}, {"S]x", "k", "v"},
      {"S\nT", "k", "v"},        {"S\r[x", "k", "v"},            {std::string("S\0", 2), "k", "v"},
      {"S\n", "k", "v"},         {"S", "k\r\n", "v"},            {"S", "k", "v\n"},
  };
  for (const TCase& C : Cases) {
    const std::string Message = MessageOf<EIniFileException>([&] { Ini.WriteString(C.Section, C.Ident, C.Value); });
    EXPECT_NE(Message.find(Name), std::string::npos) << Message << " for [" << C.Section << "] " << C.Ident << "=" << C.Value;
    EXPECT_EQ(ReadFileText(Name), Original) << Message;
  }
  EXPECT_NE(MessageOf<EIniFileException>([&] { Ini.WriteString("Sec", "Key", "a\nb"); }).find("'Key' in section 'Sec'"),
            std::string::npos);
  EXPECT_THROW(Ini.DeleteKey("S", "a=b"), EIniFileException);
  EXPECT_THROW(Ini.EraseSection("S]"), EIniFileException);
  EXPECT_EQ(ReadFileText(Name), Original);
  // A name joined with a backslash, as the settings store joins its folder and
  // file, is shown as the file system names it.
  const std::string Missing = Dir.File("missing") + "\\varlib.ini";
  for (const TIniChanges& Change : {TIniChanges().WriteString("S", "k", "v"), TIniChanges().WriteString("S", "k\n", "v")})
    EXPECT_EQ(MessageOf<EIniFileException>([&] { TIniFile(Missing).Apply(Change); }).find('\\'), std::string::npos);

  EXPECT_TRUE(TIniFile::CanStoreValue(" any \t\"text\" = [x] ;"));
  EXPECT_FALSE(TIniFile::CanStoreValue("a\nb"));
  EXPECT_FALSE(TIniFile::CanStoreValue("a\r"));
  EXPECT_FALSE(TIniFile::CanStoreValue(std::string_view("\0", 1)));
}

TEST(IniFileWrite, ApplyWritesAllChangesOrNone) {
  TTempDir Dir;
  const std::string Name = Dir.File("apply.ini");
  WriteFileText(Name, "[Old]\nx=1\n[S]\nk=0\n");
  TIniFile Ini(Name);

  TIniChanges Bad;
  Bad.WriteString("S", "k", "1").EraseSection("Old").WriteInteger("S", "n", 5).WriteString("S", "late", "a\nb");
  EXPECT_THROW(Ini.Apply(Bad), EIniFileException);
  EXPECT_EQ(ReadFileText(Name), "[Old]\nx=1\n[S]\nk=0\n");

  TIniChanges Good;
  Good.WriteString("S", "k", "1")
      .WriteString("S", "tmp", "t")
      .DeleteKey("S", "tmp")
      .EraseSection("Old")
      .WriteBool("T", "b", true)
      .WriteString("T", "b", "overwritten");
  Ini.Apply(Good);
  EXPECT_EQ(ReadFileText(Name), "[S]\nk=1\n[T]\nb=overwritten\n");

  // Nothing to do creates nothing.
  TIniFile None(Dir.File("none.ini"));
  None.Apply(TIniChanges());
  None.DeleteKey("S", "k");
  None.EraseSection("S");
  EXPECT_FALSE(std::filesystem::exists(Dir.File("none.ini")));
}

TEST(IniFileWrite, UnwritablePlaceRaisesUnableToWrite) {
  TTempDir Dir;
  WriteFileText(Dir.File("plain"), "x");
  const std::string Name = Dir.File("plain") + "/sub.ini";
  TIniFile Ini(Name);
  EXPECT_EQ(MessageOf<EIniFileException>([&] { Ini.WriteString("S", "k", "v"); }), "Unable to write to " + Name);
  EXPECT_EQ(Ini.ReadString("S", "k", "?"), "?");
  EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"plain"});
}

TEST(IniFileWrite, ReadOnlyFileRaisesAndAWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
  vn_test::RunUnprivileged([] {
    TTempDir Dir;
    const std::string Name = Dir.File("ro.ini");
    WriteFileText(Name, "[S]\nk=v\n");
    chmod(Name.c_str(), 0444);
    TIniFile Ini(Name);
    EXPECT_EQ(MessageOf<EIniFileException>([&] { Ini.WriteString("S", "k", "new"); }), "Unable to write to " + Name);
    EXPECT_EQ(ReadFileText(Name), "[S]\nk=v\n");

    // The folder takes no temporary file: the file itself is rewritten, shorter and longer.
    chmod(Name.c_str(), 0640);
    struct stat Before {}, After {};
    ASSERT_EQ(stat(Name.c_str(), &Before), 0);
    chmod(Dir.Path().c_str(), 0555);
    Ini.WriteString("S", "k", "a much longer value than before");
    Ini.WriteString("S", "k", "x");
    EXPECT_EQ(ReadFileText(Name), "[S]\nk=x\n");
    EXPECT_EQ(Ini.ReadString("S", "k", "?"), "x");
    ASSERT_EQ(stat(Name.c_str(), &After), 0);
    EXPECT_EQ(After.st_ino, Before.st_ino);
    EXPECT_EQ(After.st_mode & 0777, 0640u);
    EXPECT_EQ(MessageOf<EIniFileException>([&] { TIniFile(Dir.File("new.ini")).WriteString("S", "k", "v"); }),
              "Unable to write to " + Dir.File("new.ini"));
    chmod(Dir.Path().c_str(), 0755);
    EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"ro.ini"});
  });
}

TEST(IniFileWrite, AFileOfAnotherOwnerKeepsItsOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a superuser to make a file of another owner";
  TTempDir Dir;
  chmod(Dir.Path().c_str(), 0777);
  const std::string Name = Dir.File("shared.ini");
  WriteFileText(Name, "[S]\nk=v\n");
  chmod(Name.c_str(), 0666);
  vn_test::RunUnprivileged([&] { TIniFile(Name).WriteString("S", "k", "by another user"); });
  struct stat St {};
  ASSERT_EQ(stat(Name.c_str(), &St), 0);
  EXPECT_EQ(St.st_uid, 0u);
  EXPECT_EQ(St.st_mode & 0777, 0666u);
  EXPECT_EQ(ReadFileText(Name), "[S]\nk=by another user\n");
}

// UTF-16 of ASCII text, with its byte-order mark.
std::string Utf16(const std::string& Ascii, bool BigEndian) {
  std::string Result = BigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char C : Ascii) Result += BigEndian ? std::string{'\0', C} : std::string{C, '\0'};
  return Result;
}

TEST(IniFileEncoding, FilesAreReadAndWrittenBackInTheirOwnEncoding) {
  TTempDir Dir;
  const std::string Name = Dir.File("enc.ini");
  struct TCase {
    const char* What;
    std::string Before, After;
  };
  const std::vector<TCase> Cases = {
      {"UTF-16LE", Utf16("[S]\r\nk=v\r\n", false), Utf16("[S]\r\nk=w\r\nn=1\r\n", false)},
      {"UTF-16BE", Utf16("[S]\nk=v\n", true), Utf16("[S]\nk=w\nn=1\n", true)},
      {"UTF-8 with a mark", "\xEF\xBB\xBF[S]\nk=v\n", "\xEF\xBB\xBF[S]\nk=w\nn=1\n"},
  };
  for (const TCase& C : Cases) {
    WriteFileText(Name, C.Before);
    TIniFile Ini(Name);
    EXPECT_EQ(Ini.ReadString("S", "k", "?"), "v") << C.What;
    Ini.WriteString("S", "k", "w");
    Ini.WriteInteger("S", "n", 1);
    EXPECT_EQ(ReadFileText(Name), C.After) << C.What;
  }

  // Text beyond ASCII round-trips through UTF-16.
  WriteFileText(Name, Utf16("[S]\n", false));
  TIniFile Ini(Name);
  Ini.WriteString("S", "k", "Grüße ✓ 𝄞");
  EXPECT_EQ(Ini.ReadString("S", "k", "?"), "Grüße ✓ 𝄞");
  EXPECT_TRUE(ReadFileText(Name).starts_with("\xFF\xFE[\0S\0]\0"));

  // What UTF-16 cannot hold, or a file that is not well-formed, is not written.
  const std::string Kept = ReadFileText(Name);
  EXPECT_NE(MessageOf<EIniFileException>([&] { Ini.WriteString("S", "k", "\xFF"); }).find(Name), std::string::npos);
  EXPECT_EQ(ReadFileText(Name), Kept);
  const std::string Broken = Utf16("[S]\nk=", false) + std::string("\x00\xD8", 2) + Utf16("\n", false).substr(2);
  WriteFileText(Name, Broken);
  EXPECT_EQ(Ini.ReadString("S", "k", "?"), "\xEF\xBF\xBD") << "an unpaired surrogate reads as U+FFFD";
  EXPECT_NE(MessageOf<EIniFileException>([&] { Ini.WriteString("S", "x", "1"); }).find("not well-formed UTF-16"),
            std::string::npos);
  EXPECT_EQ(ReadFileText(Name), Broken);
}

TEST(IniFileRead, EveryReadSeesTheFileAsItIsNow) {
  TTempDir Dir;
  const std::string Name = Dir.File("now.ini");
  TIniFile Ini(Name);
  TIniFile Other(Name);
  EXPECT_EQ(Ini.ReadString("S", "k", "?"), "?");
  // Rewrites in place of the same size, quicker than the clock ticks, and
  // replacements by another object.
  for (int I = 0; I < 20; ++I) {
    WriteFileText(Name, "[S]\nk=" + std::to_string(I % 10) + "\n");
    ASSERT_EQ(Ini.ReadString("S", "k", "?"), std::to_string(I % 10));
    Other.WriteString("S", "k", "x" + std::to_string(I % 10));
    ASSERT_EQ(Ini.ReadString("S", "k", "?"), "x" + std::to_string(I % 10));
  }
  std::filesystem::remove(Name);
  EXPECT_EQ(Ini.ReadString("S", "k", "?"), "?");
}

TEST(IniFileWrite, BackslashNamesLinksAndPermissions) {
  TTempDir Dir;
  // A platform file name with backslashes reaches the same file; FileName stays as given.
  const std::string Platform = Dir.Path().string() + "\\win.ini";
  TIniFile Win(Platform);
  EXPECT_EQ(Win.FileName(), Platform);
  Win.WriteString("S", "k", "v");
  EXPECT_EQ(ReadFileText(Dir.File("win.ini")), "[S]\nk=v\n");

  // New files get 0666 less the umask; a rewrite keeps the file's own permissions.
  const mode_t OldMask = umask(027);
  TIniFile Fresh(Dir.File("fresh.ini"));
  Fresh.WriteString("S", "k", "v");
  umask(OldMask);
  struct stat St {};
  ASSERT_EQ(stat(Dir.File("fresh.ini").c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0640u);
  chmod(Dir.File("fresh.ini").c_str(), 0604);
  Fresh.WriteString("S", "k", "w");
  ASSERT_EQ(stat(Dir.File("fresh.ini").c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0604u);

  // Writing through a symbolic link changes its target and keeps the link.
  std::filesystem::create_directory(Dir.Path() / "real");
  WriteFileText(Dir.File("real/target.ini"), "[S]\nk=1\n");
  std::filesystem::create_symlink("real/target.ini", Dir.Path() / "link.ini");
  TIniFile Linked(Dir.File("link.ini"));
  Linked.WriteString("S", "k", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(Dir.Path() / "link.ini"));
  EXPECT_EQ(ReadFileText(Dir.File("real/target.ini")), "[S]\nk=2\n");
}

}  // namespace
