// Several processes on one ini file: killed writers and concurrent writers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "rtl/IniFiles.h"
#include "support/temp_dir.h"

using vn_test::ReadFileText;
using vn_test::TTempDir;
using vn_test::WriteFileText;

namespace {

constexpr int PaddingKeys = 3000;

// The complete file after the writer has written generation Generation.
std::string GenerationText(int Generation) {
  std::string Text = "[Big]\ngeneration=" + std::to_string(Generation) + "\n";
  for (int I = 0; I < PaddingKeys; ++I)
    Text += "key" + std::to_string(I) + "=some padding to make the file large enough " + std::to_string(I) + "\n";
  return Text;
}

// Runs Body in a child process; the child never returns into the test program.
template <class F>
pid_t Spawn(F&& Body) {
  const pid_t Pid = fork();
  if (Pid == 0) {
    int Code = 0;
    try {
      Body();
    } catch (...) {
      Code = 1;
    }
    _exit(Code);
  }
  return Pid;
}

int WaitExitCode(pid_t Pid) {
  int Status = 0;
  if (waitpid(Pid, &Status, 0) != Pid) return -1;
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}

TEST(IniFileProcesses, KilledWriterNeverLeavesATornFile) {
  TTempDir Dir;
  const std::string Name = Dir.File("big.ini");
  WriteFileText(Name, GenerationText(0));
  std::mt19937 Random(20240611);
  // Long enough for a write of this file in a sanitizer build on a busy machine.
  std::uniform_int_distribution<int> Delay(0, 80000);
  int Generation = 0;
  int Advanced = 0;
  for (int Round = 0; Round < 40; ++Round) {
    const int From = Generation;
    const pid_t Writer = Spawn([&] {
      TIniFile Ini(Name);
      for (int G = From + 1;; ++G) Ini.WriteInteger("Big", "generation", G);
    });
    ASSERT_GT(Writer, 0);
    usleep(static_cast<useconds_t>(Delay(Random)));
    kill(Writer, SIGKILL);
    ASSERT_EQ(WaitExitCode(Writer), 128 + SIGKILL);

    Generation = TIniFile(Name).ReadInteger("Big", "generation", -1);
    ASSERT_GE(Generation, From) << "round " << Round;
    ASSERT_EQ(ReadFileText(Name), GenerationText(Generation)) << "round " << Round;
    Advanced += Generation > From;
  }
  EXPECT_GT(Advanced, 0) << "the writer never got to write";

  // Temporary files of killed writers go with the next write.
  TIniFile(Name).WriteInteger("Big", "generation", 0);
  std::vector<std::string> Entries;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path())) Entries.push_back(Entry.path().filename());
  EXPECT_EQ(Entries, std::vector<std::string>{"big.ini"});
}

TEST(IniFileProcesses, AKilledFirstWriteLeavesNoFileOrAWholeOne) {
  TTempDir Dir;
  const std::string Name = Dir.File("first.ini");
  const std::string Whole = GenerationText(1);
  TIniChanges Changes;
  Changes.WriteInteger("Big", "generation", 1);
  for (int I = 0; I < PaddingKeys; ++I)
    Changes.WriteString("Big", "key" + std::to_string(I), "some padding to make the file large enough " + std::to_string(I));
  std::mt19937 Random(20240612);
  std::uniform_int_distribution<int> Delay(0, 20000);
  for (int Round = 0; Round < 40; ++Round) {
    const pid_t Writer = Spawn([&] {
      for (;;) {
        TIniFile(Name).Apply(Changes);
        unlink(Name.c_str());
      }
    });
    ASSERT_GT(Writer, 0);
    usleep(static_cast<useconds_t>(Delay(Random)));
    kill(Writer, SIGKILL);
    ASSERT_EQ(WaitExitCode(Writer), 128 + SIGKILL);
    if (std::filesystem::exists(Name)) {
      ASSERT_EQ(ReadFileText(Name), Whole) << "round " << Round;
    }
  }

  // A first write's temporary file, left by a killed writer, goes with the
  // next first write once it is past the moment a live writer takes to lock it.
  std::filesystem::remove(Name);
  WriteFileText(Dir.File(".first.ini.vntmpAAAAAAAAAAAA"), "half a");
  for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
    std::filesystem::last_write_time(Entry.path(), std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
  TIniFile(Name).Apply(Changes);
  std::vector<std::string> Entries;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path())) Entries.push_back(Entry.path().filename());
  EXPECT_EQ(Entries, std::vector<std::string>{"first.ini"});
}

TEST(IniFileProcesses, ConcurrentWritersLoseNothing) {
  TTempDir Dir;
  const std::string Name = Dir.File("shared.ini");
  int Start[2];
  ASSERT_EQ(pipe(Start), 0);
  auto Writer = [&](const std::string& Prefix) {
    return Spawn([&, Prefix] {
      close(Start[1]);
      char Go;
      if (read(Start[0], &Go, 1) != 0) throw std::runtime_error("no start");
      TIniFile Ini(Name);
      for (int I = 0; I < 200; ++I) Ini.WriteString("Shared", Prefix + std::to_string(I), Prefix + "-value");
    });
  };
  const pid_t A = Writer("a");
  const pid_t B = Writer("b");
  close(Start[0]);
  close(Start[1]);  // both start at once
  EXPECT_EQ(WaitExitCode(A), 0);
  EXPECT_EQ(WaitExitCode(B), 0);

  TIniFile Ini(Name);
  TStringList Keys;
  Ini.ReadSection("Shared", Keys);
  EXPECT_EQ(Keys.Count(), 400);
  for (int I = 0; I < 200; ++I) {
    EXPECT_EQ(Ini.ReadString("Shared", "a" + std::to_string(I), "?"), "a-value");
    EXPECT_EQ(Ini.ReadString("Shared", "b" + std::to_string(I), "?"), "b-value");
  }
}

}  // namespace
