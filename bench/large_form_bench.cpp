// vnide on forms of 1,000 to 100,000 components: open, tree --json,
// inspect --json and a scripted edit, each a whole process as a person runs
// it, timed in processor time (the process's user and system time, which a
// busy machine does not inflate) with its peak memory. The growth column is
// the time per component at this size over the time per component at the
// size before: 1.0 is linear. Then a form past 20 MB goes round: open, save,
// open again, the two saves compared byte for byte.
//
//   vn_large_form_bench [RUNS]     default 3 runs of each, the fastest kept
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "package_host.h"

namespace {

namespace fs = std::filesystem;

// A data module of one database and Components / 2 query and update object
// pairs, each query linked to its update object.
std::string FormText(int Components) {
  std::string Text = "object BigModule: TBigModule\n  object ShopDb: TVNDatabase\n    DatabaseName = 'shop'\n"
                     "    RemoteDatabase = 'shop.db'\n  end\n";
  for (int I = 0; I < Components / 2; ++I) {
    const std::string N = std::to_string(I);
    Text += "  object Q" + N + ": TVNQuery\n    DatabaseName = 'shop'\n    SQL.Strings = (\n"
            "      'select o.order_no, o.line_no, o.qty as quantity from orders o')\n    UpdateObject = U" + N +
            "\n  end\n  object U" + N + ": TVNUpdateSQL\n    ModifySQL.Strings = (\n"
            "      'update orders set qty = :quantity where order_no = :OLD_order_no')\n  end\n";
  }
  return Text + "end\n";
}

void WriteText(const fs::path& File, const std::string& Text) {
  std::ofstream Out(File, std::ios::binary);
  Out << Text;
}

std::string ReadText(const fs::path& File) {
  std::ifstream In(File, std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

struct TCost {
  double Seconds = 0;  // user + system
  long PeakKiB = 0;
  int ExitCode = 0;
};

// Runs vnide with Args in Folder, its output dropped.
TCost RunVnide(const fs::path& Folder, const std::vector<std::string>& Args) {
  const std::string Program = vnide::HostDirectory() + "/vnide";
  std::fflush(stdout);
  const pid_t Pid = fork();
  if (Pid == 0) {
    const int Null = open("/dev/null", O_WRONLY);
    if (chdir(Folder.c_str()) != 0 || Null < 0 || dup2(Null, STDOUT_FILENO) < 0 || dup2(Null, STDERR_FILENO) < 0)
      _exit(126);
    std::vector<char*> Argv{const_cast<char*>(Program.c_str())};
    for (const std::string& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    execv(Program.c_str(), Argv.data());
    _exit(127);
  }
  int Status = 0;
  rusage Usage{};
  wait4(Pid, &Status, 0, &Usage);
  TCost Cost;
  Cost.Seconds = static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
                 static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
  Cost.PeakKiB = Usage.ru_maxrss;
  Cost.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128;
  return Cost;
}

}  // namespace

int main(int Argc, char** Argv) {
  const int Runs = Argc > 1 ? std::max(1, std::atoi(Argv[1])) : 3;
  const fs::path Folder = fs::temp_directory_path() / ("vn-large-form-bench-" + std::to_string(getpid()));
  fs::create_directories(Folder);
  setenv("VNIDE_REGISTRY", (Folder / "registry.reg").c_str(), 1);
  sqlite3* Db = nullptr;
  sqlite3_open((Folder / "shop.db").c_str(), &Db);
  sqlite3_exec(Db, ReadText(fs::path(VN_SOURCE_DIR) / "examples" / "shop.sql").c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(Db);
  WriteText(Folder / "session.vns", "click btGetTableFields\nclick btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n");

  struct TCommand {
    const char* Name;
    std::vector<std::string> Args;
  };
  const std::vector<TCommand> Commands = {
      {"open", {"open", "form.vfm"}},
      {"tree --json", {"tree", "form.vfm", "--json"}},
      {"inspect --json", {"inspect", "form.vfm", "U7", "--json"}},
      {"edit (script)", {"edit", "form.vfm", "U7", "--script", "session.vns", "--save", "edited.vfm"}},
  };
  std::printf("vnide on forms of N components, fastest of %d runs (processor seconds, peak MiB, growth per component)\n",
              Runs);
  std::printf("%-16s %9s %9s %9s %8s\n", "", "N", "seconds", "peak MiB", "growth");
  int Failures = 0;
  for (const TCommand& Command : Commands) {
    double Before = 0;
    int BeforeN = 0;
    for (const int N : {1000, 10000, 100000}) {
      WriteText(Folder / "form.vfm", FormText(N));
      TCost Best;
      for (int Run = 0; Run < Runs; ++Run) {
        const TCost Cost = RunVnide(Folder, Command.Args);
        if (Cost.ExitCode != 0) {
          std::printf("%s on %d components exited with %d\n", Command.Name, N, Cost.ExitCode);
          ++Failures;
        }
        if (Run == 0 || Cost.Seconds < Best.Seconds) Best = Cost;
      }
      std::printf("%-16s %9d %9.3f %9.1f", Command.Name, N, Best.Seconds, static_cast<double>(Best.PeakKiB) / 1024);
      if (Before > 0) std::printf(" %8.2f", (Best.Seconds / N) / (Before / BeforeN));
      std::printf("\n");
      Before = Best.Seconds;
      BeforeN = N;
    }
  }

  // Past 20 MB: read, written, read again, written again: the same bytes.
  const std::string Large = FormText(130000);
  WriteText(Folder / "form.vfm", Large);
  const TCost First = RunVnide(Folder, {"open", "form.vfm", "--save", "saved.vfm"});
  const TCost Second = RunVnide(Folder, {"open", "saved.vfm", "--save", "again.vfm"});
  const std::string Saved = ReadText(Folder / "saved.vfm");
  const bool Same = First.ExitCode == 0 && Second.ExitCode == 0 && !Saved.empty() && Saved == ReadText(Folder / "again.vfm");
  std::printf("round trip of a %.1f MB form (saved as %.1f MB): %s, %.3f s + %.3f s\n",
              static_cast<double>(Large.size()) / 1e6, static_cast<double>(Saved.size()) / 1e6,
              Same ? "the same bytes" : "FAILED", First.Seconds, Second.Seconds);
  fs::remove_all(Folder);
  if (Failures > 0) std::printf("%d run(s) failed\n", Failures);
  return Same && Failures == 0 ? 0 : 1;
}
