#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace {

TEST(FilesTest, FileNamePartsAcceptEitherSeparator) {
  EXPECT_EQ(NativeFileName("C:\\dir\\sub/file.txt"), "C:/dir/sub/file.txt");
  EXPECT_EQ(ExtractFilePath("dir\\sub/file.txt"), "dir\\sub/");
  EXPECT_EQ(ExtractFilePath("file.txt"), "");
  EXPECT_EQ(ExtractFilePath("C:file.txt"), "C:");
  EXPECT_EQ(ExtractFileName("a\\b/c.d"), "c.d");
  EXPECT_EQ(ExtractFileName("a/b/"), "");
  EXPECT_EQ(ExtractFileName("odd:name"), "odd:name");
  EXPECT_EQ(ExtractFileExt("a/b.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("a.d\\b"), "");
}

TEST(FilesTest, ExistenceFollowsLinksAndTellsFilesFromDirectories) {
  vn_test::TTempDir Dir;
  const std::string File = Dir.File("data.txt");
  vn_test::WriteFileText(File, "x");
  std::filesystem::create_directory(Dir.Path() / "sub");
  std::filesystem::create_symlink(File, Dir.Path() / "file-link");
  std::filesystem::create_directory_symlink(Dir.Path() / "sub", Dir.Path() / "dir-link");
  std::filesystem::create_symlink(Dir.Path() / "missing", Dir.Path() / "dangling");

  EXPECT_TRUE(FileExists(File));
  EXPECT_TRUE(FileExists(Dir.File("file-link")));
  EXPECT_FALSE(FileExists(Dir.File("sub")));
  EXPECT_FALSE(FileExists(Dir.File("dangling")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DirectoryExists(Dir.File("sub")));
  EXPECT_TRUE(DirectoryExists(Dir.File("dir-link")));
  EXPECT_FALSE(DirectoryExists(File));
  // A platform file name with backslashes names the same file.
  EXPECT_TRUE(FileExists(Dir.Path().string() + "\\sub\\..\\data.txt"));
  EXPECT_EQ(GetCurrentDir(), std::filesystem::current_path().string());
}

}  // namespace
