#include "rtl/Registry.h"

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
using vn_test::TScopedEnv;
using vn_test::TTempDir;
using vn_test::WriteFileText;

using vn_test::Lines;

namespace {

// A store of its own for each test.
class RegistryTest : public ::testing::Test {
 protected:
  TTempDir FDir;
  std::string FStore = FDir.File("store/registry.reg");
  TScopedEnv FEnv{"VNIDE_REGISTRY", FStore};
};

TEST_F(RegistryTest, EveryValueTypeRoundTripsThroughTheStore) {
  const std::vector<std::uint8_t> Binary = [] {
    std::vector<std::uint8_t> B;
    for (int I = 0; I < 100; ++I) B.push_back(static_cast<std::uint8_t>(I * 7));
    return B;
  }();
  {
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey("\\Software\\Varnel\\Test", true));
    EXPECT_EQ(Reg.CurrentPath(), "Software\\Varnel\\Test");
    Reg.WriteString("Text", "Grüße \"quoted\" back\\slash");
    Reg.WriteString("Lines", std::string("one\r\ntwo\0three", 13));
    Reg.WriteString("", "default");
    Reg.WriteString("Empty", "");
    Reg.WriteExpandString("Expand", "%HOME%\\b");
    Reg.WriteInteger("Negative", -42);
    Reg.WriteInteger("Answer", 42);
    Reg.WriteBinaryData("Blob", Binary);
    Reg.WriteBinaryData("NoBytes", {});
  }
  const std::string Text = ReadFileText(FStore);
  EXPECT_TRUE(Text.starts_with("Windows Registry Editor Version 5.00\n\n")) << Text;
  EXPECT_NE(Text.find("[HKEY_CURRENT_USER\\Software\\Varnel\\Test]\n"), std::string::npos);
  EXPECT_NE(Text.find("\"Text\"=\"Grüße \\\"quoted\\\" back\\\\slash\"\n"), std::string::npos);
  EXPECT_NE(Text.find("@=\"default\"\n"), std::string::npos);
  EXPECT_NE(Text.find("\"Answer\"=dword:0000002a\n"), std::string::npos);
  EXPECT_NE(Text.find("\"Negative\"=dword:ffffffd6\n"), std::string::npos);
  EXPECT_NE(Text.find("\"Expand\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,5c,00,62,00,00,00\n"),
            std::string::npos);
  EXPECT_NE(Text.find("\"Lines\"=hex(1):6f,00,6e,00,65,00,0d,00,0a,00"), std::string::npos)
      << "a string with line breaks stays on its own lines";
  EXPECT_NE(Text.find(",\\\n  "), std::string::npos) << "long hex data continues on the next line";

  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("\\software\\VARNEL\\test", false));
  EXPECT_EQ(Reg.ReadString("TEXT"), "Grüße \"quoted\" back\\slash");
  EXPECT_EQ(Reg.ReadString("Lines"), "one\r\ntwo") << "a string ends at its first NUL";
  EXPECT_EQ(Reg.ReadString(""), "default");
  EXPECT_EQ(Reg.ReadString("Empty"), "");
  EXPECT_EQ(Reg.ReadString("Expand"), "%HOME%\\b");
  EXPECT_EQ(Reg.ReadInteger("negative"), -42);
  EXPECT_EQ(Reg.ReadBinaryData("Blob"), Binary);
  EXPECT_EQ(Reg.GetDataType("Expand"), rdExpandString);
  EXPECT_EQ(Reg.GetDataType("Blob"), rdBinary);
  EXPECT_EQ(Reg.GetDataSize("Empty"), 2) << "a string's size counts its UTF-16 NUL";
  EXPECT_EQ(Reg.GetDataSize("Missing"), -1);
  TStringList Names;
  Reg.GetValueNames(Names);
  EXPECT_EQ(Lines(Names), (std::vector<std::string>{"Text", "Lines", "", "Empty", "Expand", "Negative", "Answer",
                                                    "Blob", "NoBytes"}));

  // Rewriting a value with the same data leaves the store alone; deleting removes it.
  const auto Before = std::filesystem::last_write_time(FStore);
  Reg.WriteInteger("Answer", 42);
  EXPECT_EQ(std::filesystem::last_write_time(FStore), Before);
  EXPECT_TRUE(Reg.DeleteValue("answer"));
  EXPECT_FALSE(Reg.DeleteValue("answer"));
  EXPECT_FALSE(Reg.ValueExists("Answer"));
}

TEST_F(RegistryTest, ReadsAHandWrittenExportFile) {
  std::filesystem::create_directories(FDir.Path() / "store");
  WriteFileText(FStore,
                "Windows Registry Editor Version 5.00\r\n"
                "\r\n"
                "; written by hand\r\n"
                "[HKEY_CURRENT_USER\\Software\\Varnel]\r\n"
                "\"Path\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,\\\r\n"
                "    3b,00,78,00,00,00\r\n"
                "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                "\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                "\"Odd\"=hex(ffff0001):aa,bb\r\n"
                "\"Gone\"=\"soon\"\r\n"
                "\"Gone\"=-\r\n"
                "\"Twice\"=\"first\"\r\n"
                "; a note\r\n"
                "\r\n"
                "[HKEY_CURRENT_USER\\Software\\Old\\Deep]\r\n"
                "\"x\"=dword:1\r\n"
                "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
                "\"Lost\"=\"after a deleted key\"\r\n"
                "[hkey_current_user\\software\\varnel]\r\n"
                "\"TWICE\"=\"second\"\r\n"
                "[HKEY_CURRENT_USER\\Software\\Varnel\\Sub]\r\n");
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("Software\\Varnel", false));
  EXPECT_EQ(Reg.ReadString("Path"), "%PATH%;x") << "expandable strings are not expanded";
  EXPECT_EQ(Reg.GetRawDataType("Multi"), REG_MULTI_SZ);
  EXPECT_EQ(Reg.GetDataType("Multi"), rdUnknown);
  EXPECT_EQ(Reg.GetRawDataType("Big"), REG_QWORD);
  EXPECT_EQ(Reg.GetRawDataType("Odd"), 0xffff0001u);
  EXPECT_EQ(Reg.ReadBinaryData("Odd"), (std::vector<std::uint8_t>{0xaa, 0xbb}));
  EXPECT_FALSE(Reg.ValueExists("Gone"));
  EXPECT_EQ(Reg.ReadString("twice"), "second");
  EXPECT_FALSE(Reg.KeyExists("\\Software\\Old"));
  EXPECT_FALSE(Reg.KeyExists("\\Software\\Old\\Deep"));
  EXPECT_TRUE(Reg.KeyExists("Sub"));
  TStringList Keys;
  Reg.GetKeyNames(Keys);
  EXPECT_EQ(Lines(Keys), std::vector<std::string>{"Sub"});

  // A change keeps what it does not touch, comments and unknown types included,
  // and the file's line ends.
  Reg.WriteString("New", "v");
  const std::string Text = ReadFileText(FStore);
  EXPECT_NE(Text.find("; written by hand\r\n"), std::string::npos);
  EXPECT_NE(Text.find("; a note\r\n"), std::string::npos);
  EXPECT_NE(Text.find("\"Odd\"=hex(ffff0001):aa,bb\r\n"), std::string::npos);
  EXPECT_NE(Text.find("\"New\"=\"v\"\r\n"), std::string::npos);
  EXPECT_EQ(Reg.ReadString("Path"), "%PATH%;x");
  EXPECT_EQ(Reg.GetRawDataType("Multi"), REG_MULTI_SZ);

  // Files that the platform's registry editor exported are UTF-16LE.
  std::string Utf16 = "\xFF\xFE";
  for (char C : std::string("Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Varnel]\r\n\"Wide\"=\"w\"\r\n"))
    Utf16 += std::string{C, '\0'};
  WriteFileText(FStore, Utf16);
  EXPECT_EQ(Reg.ReadString("Wide"), "w");
  Reg.WriteString("Added", "a");
  EXPECT_EQ(Reg.ReadString("Wide"), "w");
  EXPECT_EQ(Reg.ReadString("Added"), "a");

  // The older header is read too.
  WriteFileText(FStore, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Varnel]\n\"v\"=\"4\"\n");
  EXPECT_EQ(Reg.ReadString("v"), "4");
}

TEST_F(RegistryTest, WhatCouldNotBeReadStaysUnreadableAfterAWrite) {
  std::filesystem::create_directories(FDir.Path() / "store");
  const std::string Key = "[HKEY_CURRENT_USER\\Software\\Varnel]\n";
  const std::string Next = "[HKEY_CURRENT_USER\\Software\\Next]\n";
  struct TCase {
    const char* What;
    std::string Lines;
  };
  const std::vector<TCase> Cases = {
      {"a value line with a stray carriage return", "\"RootDir\"=\"/x\"\r\r\n"},
      {"continued hex data that runs into the next key",
       "\"RootDir\"=hex(1):2f,00,78,00,00,00,\\\n" + Next},
      {"continued hex data at the end of the file", "\"RootDir\"=hex(1):2f,00,78,00,00,00,\\\n"},
      {"a value inside continued data that cannot be read", "\"Bad\"=hex:zz,\\\n\"RootDir\"=\"/x\"\n"},
  };
  for (const TCase& C : Cases) {
    WriteFileText(FStore, "Windows Registry Editor Version 5.00\n\n" + Key + C.Lines);
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey("\\Software\\Varnel", false)) << C.What;
    EXPECT_FALSE(Reg.ValueExists("RootDir")) << C.What;
    Reg.WriteString("Unrelated", "v");
    Reg.WriteString("Unrelated", "w");
    EXPECT_FALSE(Reg.ValueExists("RootDir")) << C.What << ":\n" << ReadFileText(FStore);
    EXPECT_NE(ReadFileText(FStore).find("; unreadable: \"RootDir\""), std::string::npos) << C.What;
  }
}

TEST_F(RegistryTest, ReadingTheWrongTypeRaises) {
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("Software\\Varnel", true));
  Reg.WriteInteger("X", 7);
  Reg.WriteString("S", "text");
  Reg.WriteBinaryData("B", {1, 2});
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.ReadString("X"); }), "Invalid data type for 'X'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.ReadString("B"); }), "Invalid data type for 'B'");
  Reg.WriteBinaryData("NoBytes", {});
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.ReadString("NoBytes"); }), "Invalid data type for 'NoBytes'")
      << "empty data raises like any other that is no string";
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.ReadInteger("S"); }), "Invalid data type for 'S'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.ReadBinaryData("S"); }), "Invalid data type for 'S'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
  EXPECT_EQ(Reg.ReadString("Missing"), "");
  EXPECT_TRUE(Reg.ReadBinaryData("Missing").empty());
}

TEST_F(RegistryTest, OpeningCreatingAndDeletingKeys) {
  TRegistry Reg;
  EXPECT_FALSE(Reg.OpenKey("Software\\Varnel", false));
  EXPECT_FALSE(std::filesystem::exists(FStore)) << "a failed open writes nothing";
  EXPECT_EQ(Reg.CurrentPath(), "");

  ASSERT_TRUE(Reg.OpenKey("Software\\Varnel", true)) << "creates the store and its folder";
  EXPECT_TRUE(std::filesystem::exists(FStore));
  ASSERT_TRUE(Reg.OpenKey("Child\\Grandchild", true)) << "relative to the open key";
  EXPECT_EQ(Reg.CurrentPath(), "Software\\Varnel\\Child\\Grandchild");
  Reg.WriteString("v", "1");

  TRegistry Other;
  EXPECT_TRUE(Other.KeyExists("SOFTWARE\\varnel\\child"));
  ASSERT_TRUE(Other.OpenKey("\\Software\\Varnel", false));
  TStringList Keys;
  Other.GetKeyNames(Keys);
  EXPECT_EQ(Lines(Keys), std::vector<std::string>{"Child"});
  EXPECT_TRUE(Other.DeleteKey("Child"));
  EXPECT_FALSE(Other.KeyExists("Child\\Grandchild")) << "deleting a key deletes what is below it";
  EXPECT_TRUE(Other.KeyExists("\\Software")) << "the keys above stay";
  EXPECT_FALSE(Other.DeleteKey("Child"));

  // The key opened by Reg has gone: writing to it fails instead of bringing it back.
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.WriteString("v", "2"); }), "Failed to set data for 'v'");
  EXPECT_FALSE(Reg.KeyExists("\\Software\\Varnel\\Child"));

  // Names the store cannot hold.
  EXPECT_FALSE(Reg.OpenKey("\\Software\\Bad\nName", true));
  ASSERT_TRUE(Reg.OpenKey("\\Software\\Varnel", false));
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.WriteString("a\nb", "v"); }), "Failed to set data for 'a\nb'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.WriteString("Bytes", "\xFF\xFE"); }), "Failed to set data for 'Bytes'")
      << "text that is not UTF-8 is refused rather than mangled";
  Reg.CloseKey();
  EXPECT_EQ(Reg.CurrentPath(), "");
}

TEST_F(RegistryTest, ReadOnlyOpensCannotWrite) {
  {
    TRegistry Setup;
    ASSERT_TRUE(Setup.OpenKey("Software\\Varnel", true));
    Setup.WriteString("Name", "value");
  }
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKeyReadOnly("Software\\Varnel"));
  EXPECT_EQ(Reg.Access(), KEY_ALL_ACCESS) << "the access mode is only borrowed";
  EXPECT_EQ(Reg.ReadString("Name"), "value");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.WriteString("Name", "x"); }), "Failed to set data for 'Name'");
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.WriteInteger("N", 1); }), "Failed to set data for 'N'");
  EXPECT_FALSE(Reg.DeleteValue("Name"));

  TRegistry ReadOnly(KEY_READ);
  ASSERT_TRUE(ReadOnly.OpenKey("Software\\Varnel", false));
  EXPECT_THROW(ReadOnly.WriteBinaryData("B", {1}), ERegistryException);
}

TEST(RegistryStore, ReadOnlyStoreFailsAFullAccessOpen) {
  vn_test::RunUnprivileged([] {
    TTempDir Dir;
    const std::string Store = Dir.File("registry.reg");
    TScopedEnv Env("VNIDE_REGISTRY", Store);
    {
      TRegistry Setup;
      ASSERT_TRUE(Setup.OpenKey("Software\\Varnel", true));
      Setup.WriteString("Name", "value");
    }
    chmod(Store.c_str(), 0444);
    TRegistry Reg;
    EXPECT_FALSE(Reg.OpenKey("Software\\Varnel", false));
    EXPECT_FALSE(Reg.OpenKey("Software\\Varnel", true));
    ASSERT_TRUE(Reg.OpenKeyReadOnly("Software\\Varnel"));
    EXPECT_EQ(Reg.ReadString("Name"), "value");
    EXPECT_THROW(Reg.WriteString("Name", "x"), ERegistryException);
  });
}

TEST_F(RegistryTest, StoresThatCannotBeWrittenOrAreNoRegistryAreLeftAlone) {
  // The store's folder is a plain file.
  WriteFileText(FDir.File("store"), "not a folder");
  TRegistry Reg;
  EXPECT_FALSE(Reg.OpenKey("Software\\Varnel", true));
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.WriteString("AtRoot", "v"); }), "Failed to set data for 'AtRoot'");

  // A file that is not a registry file is neither read nor overwritten.
  std::filesystem::remove(FDir.File("store"));
  std::filesystem::create_directories(FDir.Path() / "store");
  WriteFileText(FStore, "[HKEY_CURRENT_USER\\Software\\Varnel]\nsomething else\n");
  EXPECT_FALSE(Reg.OpenKey("Software\\Varnel", true));
  EXPECT_FALSE(Reg.KeyExists("\\Software\\Varnel"));
  EXPECT_THROW(Reg.WriteString("AtRoot", "v"), ERegistryException);
  EXPECT_EQ(ReadFileText(FStore), "[HKEY_CURRENT_USER\\Software\\Varnel]\nsomething else\n");
}

TEST(RegistryStore, FileNameFollowsTheEnvironment) {
  TScopedEnv Home("HOME", "/home/someone");
  {
    TScopedEnv Store("VNIDE_REGISTRY", "/tmp/elsewhere.reg");
    TScopedEnv Config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(TRegistry::StoreFileName(), "/tmp/elsewhere.reg");
  }
  TScopedEnv Store("VNIDE_REGISTRY", "");
  {
    TScopedEnv Config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(TRegistry::StoreFileName(), "/cfg/vnide/registry.reg");
  }
  TScopedEnv Config("XDG_CONFIG_HOME", "");
  EXPECT_EQ(TRegistry::StoreFileName(), "/home/someone/.config/vnide/registry.reg");

  // And the registry really uses it.
  TTempDir Dir;
  TScopedEnv Used("XDG_CONFIG_HOME", Dir.Path().string());
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("Software\\Varnel", true));
  EXPECT_TRUE(std::filesystem::exists(Dir.Path() / "vnide" / "registry.reg"));
}

}  // namespace
