// A person at a terminal: the real design host runs the UpdateSQL editor on the
// sample form under a pseudo-terminal that this test opens and types into.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "sqlite_fixture.h"
#include "support/registry_store.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

using namespace vn_test;

namespace {

// A program on the slave side of a pseudo-terminal, its standard output in a
// file; the test reads the screen and types on the master side.
class TPtySession {
 public:
  TPtySession(const std::vector<std::string>& Args, const std::string& Folder, const std::string& OutputFile) {
    std::vector<char*> Argv;
    for (const std::string& Arg : Args) Argv.push_back(const_cast<char*>(Arg.c_str()));
    Argv.push_back(nullptr);
    winsize Size{};
    Size.ws_row = 40;
    Size.ws_col = 200;  // wide enough that readline never wraps a line
    FChild = forkpty(&FMaster, nullptr, nullptr, &Size);
    if (FChild == 0) {
      const int Out = open(OutputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (Out < 0 || dup2(Out, STDOUT_FILENO) < 0 || chdir(Folder.c_str()) != 0) _exit(126);
      execv(Argv[0], Argv.data());
      _exit(127);
    }
  }
  ~TPtySession() {
    if (FChild > 0 && !FExited) {
      kill(FChild, SIGKILL);
      waitpid(FChild, nullptr, 0);
    }
    if (FMaster >= 0) close(FMaster);
  }
  TPtySession(const TPtySession&) = delete;
  TPtySession& operator=(const TPtySession&) = delete;

  bool Started() const { return FChild > 0; }
  void Type(const std::string& Keys) { ASSERT_EQ(write(FMaster, Keys.data(), Keys.size()), ssize_t(Keys.size())); }
  // Waits until the screen shows Text after what earlier waits found.
  bool Expect(const std::string& Text) {
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (true) {
      if (const std::size_t At = FScreen.find(Text, FMark); At != std::string::npos) {
        FMark = At + Text.size();
        return true;
      }
      if (std::chrono::steady_clock::now() > Deadline) return false;
      pollfd Poll{FMaster, POLLIN, 0};
      if (poll(&Poll, 1, 100) <= 0) continue;
      char Buffer[4096];
      const ssize_t N = read(FMaster, Buffer, sizeof Buffer);
      if (N <= 0) return false;  // the program ended and closed the terminal
      FScreen.append(Buffer, static_cast<std::size_t>(N));
    }
  }
  int Wait() {
    int Status = 0;
    waitpid(FChild, &Status, 0);
    FExited = true;
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }
  const std::string& Screen() const { return FScreen; }

 private:
  int FMaster = -1;
  pid_t FChild = -1;
  bool FExited = false;
  std::string FScreen;
  std::size_t FMark = 0;
};

std::string Left(int Times) {
  std::string Keys;
  for (int I = 0; I < Times; ++I) Keys += "\x1b[D";
  return Keys;
}

// vnide edit on a copy of the sample shop at a terminal, with the session's
// own settings: no init file of the person running the tests.
class TerminalSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    RunSQLiteScript(Dir.File("shop.db"), ReadFileText(VN_SOURCE_DIR "/examples/shop.sql"));
    std::filesystem::copy_file(VN_SOURCE_DIR "/examples/forms/shop.vfm", Dir.File("shop.vfm"));
    WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
  }
  std::vector<std::string> EditCommand(const std::vector<std::string>& Extra = {}, const std::string& Form = "shop.vfm",
                                       const std::string& Object = "OrdersUpdate") const {
    std::vector<std::string> Command = {vn_test::BinDir() + "/vnide", "edit", Form, Object};
    Command.insert(Command.end(), Extra.begin(), Extra.end());
    return Command;
  }

  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
  TScopedEnv InputRc{"INPUTRC", "/dev/null"};
  TScopedEnv Term{"TERM", "xterm"};
  TScopedEnv Home{"HOME", Dir.Path().string()};
};

TEST_F(TerminalSessionTest, APersonEditsWithArrowKeysCompletesNamesAndPressesAltKeys) {
  TPtySession Session(EditCommand(), Dir.Path().string(), Dir.File("out.txt"));
  ASSERT_TRUE(Session.Started());
  const std::string Prompt = "VNUpdateSQLEditForm> ";
  ASSERT_TRUE(Session.Expect("(help lists the commands, Tab completes them)")) << Session.Screen();
  ASSERT_TRUE(Session.Expect(Prompt)) << Session.Screen();
  // Alt+T: "Get &Table Fields" fills the field lists; what was typed so far
  // waits at the next prompt.
  Session.Type("click btSel");
  Session.Type("\x1bt");
  ASSERT_TRUE(Session.Expect("alt t")) << Session.Screen();
  ASSERT_TRUE(Session.Expect("lbKeyFields 7 items, 7 selected")) << Session.Screen();
  ASSERT_TRUE(Session.Expect(Prompt + "click btSel")) << Session.Screen();
  // Tab completes the button's name.
  Session.Type("ectP\t\r");
  ASSERT_TRUE(Session.Expect("rimKeys")) << Session.Screen();
  ASSERT_TRUE(Session.Expect("lbKeyFields 7 items, 2 selected")) << Session.Screen();
  ASSERT_TRUE(Session.Expect(Prompt)) << Session.Screen();
  // Up recalls the last command; Ctrl+U clears the line again.
  Session.Type("\x1b[A");
  ASSERT_TRUE(Session.Expect("click btSelectPrimKeys")) << Session.Screen();
  Session.Type("\x15");
  // A slip mended with the arrow keys: "lick btCancel" becomes "click btCancel".
  Session.Type("lick btCancel" + Left(13) + "c\r");
  ASSERT_TRUE(Session.Expect("[Form] VNUpdateSQLEditForm closed: mrCancel")) << Session.Screen();
  const int ExitCode = Session.Wait();
  EXPECT_TRUE(ExitCode == 0 || ExitCode == 3) << ExitCode << Session.Screen();  // ended by itself, cancelled

  // Standard output holds what the session did; prompts and summaries stayed
  // on the terminal, which showed the dialog's text as well.
  const std::string Output = ReadFileText(Dir.File("out.txt"));
  EXPECT_NE(Output.find("[Form] VNUpdateSQLEditForm \"OrdersUpdate (OrdersQuery)\" opened"), std::string::npos) << Output;
  EXPECT_NE(Output.find("[Form] VNUpdateSQLEditForm closed: mrCancel\nEditUpdateSQL(OrdersUpdate) returned false"),
            std::string::npos)
      << Output;
  EXPECT_EQ(Output.find(Prompt), std::string::npos) << Output;
  EXPECT_EQ(Output.find("changed:"), std::string::npos) << Output;
  EXPECT_NE(Session.Screen().find("form VNUpdateSQLEditForm"), std::string::npos) << Session.Screen();
}

// Accepted at the terminal, the statements are checked there and then: the
// person reads what fails and what to do before leaving the session.
TEST_F(TerminalSessionTest, AcceptedStatementsAreCheckedWhereThePersonIs) {
  TPtySession Session(EditCommand({"--check"}), Dir.Path().string(), Dir.File("out.txt"));
  ASSERT_TRUE(Session.Started());
  const std::string Prompt = "VNUpdateSQLEditForm> ";
  for (const char* Command : {"click btGetTableFields\r", "click btSelectPrimKeys\r", "click btGenerateSQL\r"}) {
    ASSERT_TRUE(Session.Expect(Prompt)) << Session.Screen();
    Session.Type(Command);
  }
  ASSERT_TRUE(Session.Expect(Prompt)) << Session.Screen();
  Session.Type("click btOk\r");
  EXPECT_EQ(Session.Wait(), 4) << Session.Screen();
  const std::string Output = ReadFileText(Dir.File("out.txt"));
  EXPECT_NE(Output.find("parameter :ref is filled by no field of OrdersQuery\n    what to do: clear the columns"),
            std::string::npos)
      << Output;
  EXPECT_NE(Output.find("Nothing was saved (--check)"), std::string::npos) << Output;
  EXPECT_EQ(ReadFileText(Dir.File("shop.vfm")), ReadFileText(VN_SOURCE_DIR "/examples/forms/shop.vfm"));
}

// Each natural path that gives failing statements, taken at the terminal: the
// person reads the findings after OK, and --check saves nothing.
TEST_F(TerminalSessionTest, EachPathThatFailsIsReportedAfterOk) {
  RunSQLiteScript(Dir.File("shop.db"), ReadFileText(VN_SOURCE_DIR "/tests/browser/fixtures/failing_paths.sql"));
  const std::string Form = ReadFileText(VN_SOURCE_DIR "/tests/browser/fixtures/failing_paths.vfm");
  WriteFileText(Dir.File("paths.vfm"), Form);
  struct TCase {
    const char* Object;
    std::vector<const char*> Commands;
    const char* Says;
  };
  const TCase Cases[] = {
      {"AliasesUpdate", {"click btSelectPrimKeys"},
       "writes the alias quantity (its column is qty) as a column"},
      {"CountsUpdate", {"click btGetTableFields", "select lbKeyFields order_no"}, "order_counts is a view"},
      {"LogUpdate", {"click btGetTableFields", "click btSelectPrimKeys", "select lbKeyFields logged_at"},
       "audit_log has no primary key or unique index"},
      {"TotalsUpdate", {"click btGetTableFields", "click btSelectPrimKeys"}, "column total cannot be written"},
      {"KeyAliasUpdate", {"click btSelectPrimKeys"}, "key (line_no) is not unique"},
  };
  const std::string Prompt = "VNUpdateSQLEditForm> ";
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Object);
    TPtySession Session(EditCommand({"--check"}, "paths.vfm", Case.Object), Dir.Path().string(), Dir.File("out.txt"));
    ASSERT_TRUE(Session.Started());
    std::vector<std::string> Commands(Case.Commands.begin(), Case.Commands.end());
    Commands.insert(Commands.end(), {"click btGenerateSQL", "click btOk"});
    for (const std::string& Command : Commands) {
      ASSERT_TRUE(Session.Expect(Prompt)) << Session.Screen();
      Session.Type(Command + "\r");
    }
    EXPECT_EQ(Session.Wait(), 4) << Session.Screen();
    const std::string Output = ReadFileText(Dir.File("out.txt"));
    EXPECT_NE(Output.find(Case.Says), std::string::npos) << Output;
    EXPECT_NE(Output.find("Nothing was saved (--check)"), std::string::npos) << Output;
  }
  EXPECT_EQ(ReadFileText(Dir.File("paths.vfm")), Form);
}

// A newcomer's first form at the terminal: vnide new on a fresh SQLite file,
// then the editor at its prompt, to statements that pass their check.
TEST_F(TerminalSessionTest, AFormFromVnideNewGetsItsStatementsAtThePrompt) {
  RunSQLiteScript(Dir.File("garage.db"), "CREATE TABLE cars (id INTEGER PRIMARY KEY, plate TEXT NOT NULL, model TEXT);");
  const TRun New = RunShell("cd " + Dir.Path().string() + " && " + VnideProgram() +
                            " new garage.vfm --database garage.db --table cars 2>&1");
  ASSERT_EQ(New.ExitCode, 0) << New.Output;
  TPtySession Session(EditCommand({}, "garage.vfm", "VNUpdateSQL1"), Dir.Path().string(), Dir.File("out.txt"));
  ASSERT_TRUE(Session.Started());
  for (const char* Command : {"click btGetTableFields\r", "click btSelectPrimKeys\r", "click btGenerateSQL\r",
                              "click btOk\r"}) {
    ASSERT_TRUE(Session.Expect("VNUpdateSQLEditForm> ")) << Session.Screen();
    Session.Type(Command);
  }
  EXPECT_EQ(Session.Wait(), 0) << Session.Screen();
  const std::string Output = ReadFileText(Dir.File("out.txt"));
  EXPECT_NE(Output.find("Check of VNUpdateSQL1's statements on their database: ok"), std::string::npos) << Output;
  EXPECT_NE(ReadFileText(Dir.File("garage.vfm")).find("'update cars'"), std::string::npos);
}

}  // namespace
