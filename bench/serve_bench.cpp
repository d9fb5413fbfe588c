// vnide serve as the page meets it: requests on a connection the client keeps,
// as a browser does. The server runs as a child process on a copy of the
// sample shop; each iteration is one whole request and answer.
//
//   vn_serve_bench [benchmark options]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>

#include "package_host.h"

namespace {

std::string ReadText(const std::filesystem::path& File) {
  std::ifstream In(File, std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

// vnide serve on the sample shop in a folder of its own, stopped at the end.
class TServer {
 public:
  TServer() : FFolder(std::filesystem::temp_directory_path() / ("vn-serve-bench-" + std::to_string(getpid()))) {
    const std::filesystem::path Examples = std::filesystem::path(VN_SOURCE_DIR) / "examples";
    std::filesystem::create_directories(FFolder);
    std::filesystem::copy_file(Examples / "forms" / "shop.vfm", FFolder / "shop.vfm",
                               std::filesystem::copy_options::overwrite_existing);
    sqlite3* Db = nullptr;
    sqlite3_open((FFolder / "shop.db").c_str(), &Db);
    sqlite3_exec(Db, ReadText(Examples / "shop.sql").c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(Db);
    int Pipe[2];
    if (pipe(Pipe) != 0) throw std::runtime_error("pipe failed");
    const std::string Program = vnide::HostDirectory() + "/vnide";
    const std::string Registry = (FFolder / "registry.reg").string();
    FPid = fork();
    if (FPid == 0) {
      dup2(Pipe[1], STDOUT_FILENO);
      const int Null = open("/dev/null", O_RDWR);
      dup2(Null, STDIN_FILENO);
      dup2(Null, STDERR_FILENO);
      setenv("VNIDE_REGISTRY", Registry.c_str(), 1);
      if (chdir(FFolder.c_str()) != 0) _exit(126);
      execl(Program.c_str(), Program.c_str(), "serve", "shop.vfm", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(Pipe[1]);
    std::string Line;
    char C = 0;
    while (read(Pipe[0], &C, 1) == 1 && C != '\n') Line += C;
    close(Pipe[0]);
    std::smatch Match;
    if (!std::regex_match(Line, Match, std::regex(R"(vnide serve: http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{32}))")))
      throw std::runtime_error("vnide serve did not start: " + Line);
    Port = std::stoi(Match[1]);
    Token = Match[2];
  }
  ~TServer() {
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
    std::filesystem::remove_all(FFolder);
  }

  int Port = 0;
  std::string Token;

 private:
  std::filesystem::path FFolder;
  pid_t FPid = -1;
};

TServer& Server() {
  static TServer Instance;
  return Instance;
}

// A state read on a kept connection: each answer must go out at once (no
// write held back by Nagle's algorithm for the acknowledgement of another).
void BM_KeptConnectionStateRead(benchmark::State& State) {
  httplib::Client Client("127.0.0.1", Server().Port);
  Client.set_keep_alive(true);
  Client.set_tcp_nodelay(true);  // as browsers do
  const std::string Path = "/api/state?token=" + Server().Token;
  for (auto _ : State) {
    const httplib::Result Result = Client.Get(Path);
    if (!Result || Result->status != 200) State.SkipWithError("the state read failed");
    benchmark::DoNotOptimize(Result);
  }
}
BENCHMARK(BM_KeptConnectionStateRead)->Unit(benchmark::kMicrosecond)->Iterations(50)->Repetitions(5);

// An action on a kept connection: through the design thread and back.
void BM_KeptConnectionAction(benchmark::State& State) {
  httplib::Client Client("127.0.0.1", Server().Port);
  Client.set_keep_alive(true);
  Client.set_tcp_nodelay(true);  // as browsers do
  const std::string Path = "/api/action?token=" + Server().Token;
  const std::string Body = R"({"op": "select", "names": ["ShopDb"]})";
  for (auto _ : State) {
    const httplib::Result Result = Client.Post(Path, Body, "application/json");
    if (!Result || Result->status != 200) State.SkipWithError("the action failed");
    benchmark::DoNotOptimize(Result);
  }
}
BENCHMARK(BM_KeptConnectionAction)->Unit(benchmark::kMicrosecond)->Iterations(50)->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();
