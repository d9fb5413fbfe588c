// vnide serve as a person's browser meets it: the program started on a copy
// of the sample shop, spoken to over HTTP, and stopped with SIGTERM.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "sqlite_fixture.h"
#include "support/registry_store.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "vnide_process.h"

using namespace vn_test;
using nlohmann::json;

namespace {

// vnide serve FORMS as a child process working in Folder: its address read
// from the one line it prints, standard error kept in a file; killed if a test
// leaves it running.
class TServeProcess {
 public:
  TServeProcess(const std::vector<std::string>& Forms, const std::string& Folder, const std::string& ErrorFile) {
    int Pipe[2];
    if (pipe(Pipe) != 0) throw std::runtime_error("pipe failed");
    FPid = fork();
    if (FPid == 0) {
      dup2(Pipe[1], STDOUT_FILENO);
      const int Error = open(ErrorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(Error, STDERR_FILENO);
      const int Null = open("/dev/null", O_RDONLY);
      dup2(Null, STDIN_FILENO);
      close(Pipe[0]);
      const std::string Program = VnideProgram();
      std::vector<const char*> Args = {Program.c_str(), "serve"};
      for (const std::string& Form : Forms) Args.push_back(Form.c_str());
      Args.push_back(nullptr);
      if (chdir(Folder.c_str()) != 0) _exit(126);
      execv(Program.c_str(), const_cast<char* const*>(Args.data()));
      _exit(127);
    }
    close(Pipe[1]);
    FOut = Pipe[0];
    const std::string Line = ReadLine(std::chrono::seconds(60));
    std::smatch Match;
    if (!std::regex_match(Line, Match, std::regex(R"(vnide serve: http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{32}))")))
      throw std::runtime_error("unexpected first line: " + Line);
    Port = std::stoi(Match[1]);
    Token = Match[2];
  }
  ~TServeProcess() {
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      waitpid(FPid, nullptr, 0);
    }
    close(FOut);
  }
  TServeProcess(const TServeProcess&) = delete;
  TServeProcess& operator=(const TServeProcess&) = delete;

  // Sends Signal and waits for the exit: its exit code, or -1 (killed after
  // a minute, or ended by a signal).
  int Stop(int Signal = SIGTERM) {
    kill(FPid, Signal);
    int Status = 0;
    for (int Tick = 0; Tick < 600; ++Tick) {
      if (waitpid(FPid, &Status, WNOHANG) == FPid) {
        FPid = -1;
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }

  int Port = 0;
  std::string Token;
  // The server's resident memory in MiB, from /proc.
  long ResidentMiB() const {
    const std::string Status = ReadFileText("/proc/" + std::to_string(FPid) + "/status");
    const std::size_t At = Status.find("VmRSS:");
    return At == std::string::npos ? -1 : std::stol(Status.substr(At + 6)) / 1024;
  }

 private:
  std::string ReadLine(std::chrono::seconds Timeout) {
    std::string Line;
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    char C = 0;
    while (std::chrono::steady_clock::now() < Deadline) {
      pollfd P{FOut, POLLIN, 0};
      if (poll(&P, 1, 100) <= 0) continue;
      if (read(FOut, &C, 1) != 1 || C == '\n') break;
      Line += C;
    }
    return Line;
  }

  pid_t FPid = -1;
  int FOut = -1;
};

// The sample shop as ./vn demo builds it: the form, its database from
// examples/shop.sql and the bundled settings named by a registry store.
class VnideServe : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path Examples = std::filesystem::path(VN_SOURCE_DIR) / "examples";
    std::filesystem::create_directory(Dir.Path() / "settings");
    std::filesystem::copy_file(Examples / "settings" / "varlib.ini", Dir.Path() / "settings" / "varlib.ini");
    WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.File("settings")));
    RunSQLiteScript(Dir.File("shop.db"), ReadFileText((Examples / "shop.sql").string()));
    std::filesystem::copy_file(Examples / "forms" / "shop.vfm", Form);
    Server = std::make_unique<TServeProcess>(std::vector<std::string>{Form}, Dir.File("."), Dir.File("stderr.txt"));
  }
  void TearDown() override { Server.reset(); }

  httplib::Client Client() const {
    httplib::Client C("127.0.0.1", Server->Port);
    C.set_read_timeout(std::chrono::seconds(60));
    return C;
  }
  std::string Tokened(const std::string& Path) const { return Path + "?token=" + Server->Token; }
  // POST /api/action: the HTTP status and the answer.
  std::pair<int, json> Act(const json& Body) {
    httplib::Result Result = Client().Post(Tokened("/api/action"), Body.dump(), "application/json");
    if (!Result) return {-1, json()};
    return {Result->status, json::parse(Result->body, nullptr, false)};
  }

  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
  std::string Form = Dir.File("shop.vfm");
  std::unique_ptr<TServeProcess> Server;
};

TEST_F(VnideServe, RefusesRequestsWithoutTheTokenFromOtherPagesAndWithClimbingPaths) {
  const std::string Port = std::to_string(Server->Port);
  struct TCase {
    std::string Path;
    httplib::Headers Headers;
    int Status;
  };
  const TCase Cases[] = {
      {"/", {}, 403},
      {"/?token=" + std::string(32, '0'), {}, 403},
      {"/", {{"X-VN-Token", Server->Token}}, 200},
      {Tokened("/app.js"), {}, 200},
      {Tokened("/api/state"), {{"Origin", "http://evil.example"}}, 403},
      {Tokened("/api/state"), {{"Origin", "http://127.0.0.1:" + Port}}, 200},
      {Tokened("/api/state"), {{"Host", "evil.example:" + Port}}, 403},
      {Tokened("/api/state"), {{"Origin", ""}}, 403},
      {Tokened("/api/state"), {{"Origin", "http://127.0.0.1:" + Port}, {"Origin", "http://evil.example"}}, 400},
      {Tokened("/api/state"), {{"Host", "127.0.0.1:" + Port}, {"Host", "evil.example"}}, 400},
      {Tokened("/../etc/passwd"), {}, 400},
      {Tokened("/%2e%2e/etc/passwd"), {}, 400},
      {Tokened("/api/bitmap/%2E%2E%2fx.png"), {}, 400},
      {Tokened("/etc/passwd"), {}, 404},
      {Tokened("/api/bitmap/TVNQuery.png"), {}, 200},
  };
  for (const TCase& C : Cases) {
    const httplib::Result Result = Client().Get(C.Path, C.Headers);
    ASSERT_TRUE(Result) << C.Path;
    EXPECT_EQ(Result->status, C.Status) << C.Path;
  }
  // The page carries the token, so that it can send it.
  const httplib::Result Page = Client().Get(Tokened("/"));
  ASSERT_TRUE(Page);
  EXPECT_NE(Page->body.find(Server->Token), std::string::npos);
  EXPECT_EQ(Page->body.find("__VN_TOKEN__"), std::string::npos);
  // Its icon is its own: the browser asks for no /favicon.ico, which would be refused.
  EXPECT_NE(Page->body.find("<link rel=\"icon\" href=\"data:,\">"), std::string::npos);
}

// A plain TCP connection to the server, non-blocking, closed with the object.
class TRawClient {
 public:
  explicit TRawClient(int Port) : FSocket(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
    sockaddr_in Address{};
    Address.sin_family = AF_INET;
    Address.sin_port = htons(static_cast<std::uint16_t>(Port));
    Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(FSocket, reinterpret_cast<sockaddr*>(&Address), sizeof Address);
  }
  ~TRawClient() { close(FSocket); }
  TRawClient(const TRawClient&) = delete;
  TRawClient& operator=(const TRawClient&) = delete;
  // Sends what the socket takes now; false once the server closed it.
  bool Send(const std::string& Text) {
    const ssize_t Sent = send(FSocket, Text.data(), Text.size(), MSG_NOSIGNAL);
    return Sent >= 0 || errno == EAGAIN || errno == EINPROGRESS || errno == ENOTCONN;
  }

 private:
  int FSocket;
};

// Local clients that hold connections without finishing a request, or send
// endless headers, cannot keep the person's requests from being answered.
TEST_F(VnideServe, SlowSilentAndFloodingClientsDoNotStarveThePerson) {
  const std::string Start = "GET /api/state HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(Server->Port) + "\r\n";
  std::vector<std::unique_ptr<TRawClient>> Slow, Silent, Flood;
  for (int I = 0; I < 300; ++I) Silent.push_back(std::make_unique<TRawClient>(Server->Port));
  for (int I = 0; I < 200; ++I) Slow.push_back(std::make_unique<TRawClient>(Server->Port));
  for (int I = 0; I < 8; ++I) Flood.push_back(std::make_unique<TRawClient>(Server->Port));
  const long Before = Server->ResidentMiB();
  std::atomic<bool> Done = false;
  std::thread Attack([&] {
    const std::string Line = "X-Filler: " + std::string(200, 'a') + "\r\n";
    std::string Lines;
    for (int I = 0; I < 50; ++I) Lines += Line;
    for (auto& C : Slow) C->Send(Start);
    for (auto& C : Flood) C->Send(Start);
    for (int Round = 0; !Done; ++Round) {
      for (auto& C : Flood)
        for (int I = 0; I < 20; ++I) C->Send(Lines);  // 50,000 header lines and more
      if (Round % 20 == 0)
        for (auto& C : Slow) C->Send("X-Slow: 1\r\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (int I = 0; I < 5; ++I) {
    httplib::Client C("127.0.0.1", Server->Port);
    C.set_read_timeout(std::chrono::seconds(2));
    C.set_connection_timeout(std::chrono::seconds(2));
    const auto Began = std::chrono::steady_clock::now();
    const httplib::Result Result = C.Get(Tokened("/api/state"));
    EXPECT_TRUE(Result && Result->status == 200) << "read " << I;
    EXPECT_LT(std::chrono::steady_clock::now() - Began, std::chrono::seconds(2)) << "read " << I;
  }
  // What the attack costs the server, and (without a sanitizer's own
  // memory) what it holds in all.
  EXPECT_LT(Server->ResidentMiB() - Before, 32);
  if (std::getenv("ASAN_OPTIONS") == nullptr) {
    EXPECT_LT(Server->ResidentMiB(), 100);
  }
  Done = true;
  Attack.join();
}

// Many tabs waiting for a change hold no more request threads than the
// channel allows: an action is still answered at once.
TEST_F(VnideServe, WaitingLongPollsLeaveRoomForActions) {
  const long long Version = json::parse(Client().Get(Tokened("/api/state"))->body)["version"];
  std::vector<std::thread> Polls;
  for (int I = 0; I < 100; ++I)
    Polls.emplace_back([&] { Client().Get(Tokened("/api/state") + "&since=" + std::to_string(Version)); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto Began = std::chrono::steady_clock::now();
  const auto [Status, Answer] = Act({{"op", "select"}, {"names", {"ShopDb"}}});
  EXPECT_EQ(Status, 200) << Answer;
  EXPECT_LT(std::chrono::steady_clock::now() - Began, std::chrono::seconds(1));
  for (std::thread& T : Polls) T.join();
}

TEST_F(VnideServe, RefusesMalformedActions) {
  const json Cases[] = {json("not an object"), json{{"op", "frobnicate"}}, json{{"op", "select"}},
                        json{{"op", "move"}, {"component", "ShopDb"}, {"left", "x"}, {"top", 1}}};
  for (const json& Body : Cases) EXPECT_EQ(Act(Body).first, 400) << Body;
  const httplib::Result Result = Client().Post(Tokened("/api/action"), "{", "application/json");
  ASSERT_TRUE(Result);
  EXPECT_EQ(Result->status, 400);
}

TEST_F(VnideServe, ServesOneHundredPageLoadsAtOnce) {
  std::atomic<int> Served = 0;
  std::vector<std::thread> Threads;
  for (int I = 0; I < 100; ++I)
    Threads.emplace_back([&] {
      const httplib::Result Result = Client().Get(Tokened("/"));
      if (Result && Result->status == 200) ++Served;
    });
  for (std::thread& T : Threads) T.join();
  EXPECT_EQ(Served, 100);
}

// Text that is no UTF-8 (a table an older tool named in its code page) in a
// dialog: the dialog is shown and answered, never a frozen page.
TEST_F(VnideServe, ADialogShowingTextThatIsNotUtf8IsShownAndAnswered) {
  RunSQLiteScript(Dir.File("shop.db"), "ALTER TABLE orders ADD COLUMN \"Gr\xF6\xDF" "e\" INTEGER");
  auto [Status, Answer] = Act({{"op", "dblclick"}, {"component", "OrdersUpdate"}});
  ASSERT_EQ(Status, 200) << Answer;
  ASSERT_EQ(Answer["state"]["modal"]["kind"], "form") << Answer;
  std::tie(Status, Answer) = Act({{"op", "dialog"}, {"command", "click btGetTableFields"}});
  ASSERT_EQ(Status, 200) << Answer;
  EXPECT_NE(Answer.dump().find("Gr\uFFFD\uFFFDe"), std::string::npos) << "shown with replacement characters";
  std::tie(Status, Answer) = Act({{"op", "dialog"}, {"command", "click btCancel"}});
  EXPECT_EQ(Status, 200);
  EXPECT_TRUE(Answer["state"]["modal"].is_null()) << Answer;
}

TEST_F(VnideServe, UpdateSqlEditorRoundTripThroughTheDialogOpsAndSave) {
  auto [Status, Answer] = Act({{"op", "dblclick"}, {"component", "OrdersUpdate"}});
  ASSERT_EQ(Status, 200) << Answer;
  ASSERT_EQ(Answer["state"]["modal"]["kind"], "form") << Answer;
  EXPECT_EQ(Answer["state"]["modal"]["layout"]["name"], "VNUpdateSQLEditForm");
  EXPECT_FALSE(Answer["state"]["modal"]["layout"]["controls"].empty());
  // The form waits for the dialog: an op on the form is refused meanwhile.
  EXPECT_EQ(Act({{"op", "select"}, {"names", {"ShopDb"}}}).first, 409);
  // OK before anything was generated asks first, over the editor.
  json Modal = Act({{"op", "dialog"}, {"command", "click btOk"}}).second["state"]["modal"];
  EXPECT_EQ(Modal["kind"], "message");
  EXPECT_EQ(Modal["buttons"], json({"Yes", "No", "Cancel"}));
  EXPECT_EQ(Modal["under"]["name"], "VNUpdateSQLEditForm");
  EXPECT_EQ(Act({{"op", "dialog"}, {"command", "answer No"}}).second["state"]["modal"]["kind"], "form");
  for (const char* Command : {"click btGetTableFields", "click btSelectPrimKeys", "click btGenerateSQL"}) {
    std::tie(Status, Answer) = Act({{"op", "dialog"}, {"command", Command}});
    ASSERT_EQ(Status, 200);
    EXPECT_EQ(Answer["ok"], true) << Command << "\n" << Answer["state"]["transcript"];
  }
  std::tie(Status, Answer) = Act({{"op", "dialog"}, {"command", "click btNoSuchButton"}});
  EXPECT_EQ(Answer["ok"], false);
  EXPECT_NE(Answer["error"].get<std::string>().find("btNoSuchButton"), std::string::npos) << Answer["error"];
  std::tie(Status, Answer) = Act({{"op", "dialog"}, {"command", "click btOk"}});
  EXPECT_EQ(Answer["ok"], true) << Answer["state"]["transcript"];
  EXPECT_TRUE(Answer["state"]["modal"].is_null());
  EXPECT_EQ(Answer["state"]["forms"][0]["modified"], true);
  // Nothing reaches the file before the save.
  EXPECT_EQ(ReadFileText(Form).find("ModifySQL"), std::string::npos);

  std::tie(Status, Answer) = Act({{"op", "save"}});
  EXPECT_EQ(Answer["saved"], true) << Answer;
  EXPECT_EQ(Answer["state"]["forms"][0]["modified"], false);
  const std::string Saved = ReadFileText(Form);
  EXPECT_NE(Saved.find("ModifySQL.Strings"), std::string::npos) << Saved;
  EXPECT_NE(Saved.find("update orders"), std::string::npos) << Saved;
  EXPECT_EQ(Server->Stop(), 0);
  EXPECT_EQ(ReadFileText(Dir.File("stderr.txt")).find("not saved"), std::string::npos);
}

// Width and height from a PNG's header; {0, 0} for anything else.
std::pair<int, int> PngSize(const std::string& Data) {
  if (Data.size() < 24 || Data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  const auto Word = [&](std::size_t At) {
    int Value = 0;
    for (std::size_t I = 0; I < 4; ++I) Value = Value << 8 | static_cast<unsigned char>(Data[At + I]);
    return Value;
  };
  return {Word(16), Word(20)};
}

TEST_F(VnideServe, PictureDrawsTheOpenDialogElseTheDesignedForm) {
  httplib::Result Picture = Client().Get(Tokened("/api/picture.png"));
  ASSERT_TRUE(Picture);
  EXPECT_EQ(Picture->get_header_value("Content-Type"), "image/png");
  const std::pair<int, int> Module = PngSize(Picture->body);
  EXPECT_GT(Module.first, 0);

  const json Modal = Act({{"op", "dblclick"}, {"component", "OrdersUpdate"}}).second["state"]["modal"];
  ASSERT_EQ(Modal["kind"], "form");
  Picture = Client().Get(Tokened("/api/picture.png"));
  ASSERT_TRUE(Picture);
  EXPECT_EQ(PngSize(Picture->body), std::make_pair(Modal["layout"]["width"].get<int>(), Modal["layout"]["height"].get<int>()));
}

// A dataset's persistent fields are drawn nowhere on the surface, and a form
// that has them is pictured like any other, by snapshot and by the page.
TEST_F(VnideServe, PersistentFieldsAreNoIconsAndTheirFormIsPictured) {
  const std::string Fields = Dir.File("fields.vfm");
  WriteFileText(Fields, "object ShopModule: TShopModule\n  object ShopDb: TVNDatabase\n    DatabaseName = 'shop'\n"
                        "    RemoteDatabase = 'shop.db'\n  end\n  object OrdersQuery: TVNQuery\n"
                        "    DatabaseName = 'shop'\n    SQL.Strings = (\n      'select order_no, qty from orders')\n"
                        "    object OrdersQueryorder_no: TIntegerField\n      FieldName = 'order_no'\n    end\n"
                        "  end\nend\n");
  const TRun Snapshot = RunVnideGuarded("snapshot " + Fields + " " + Dir.File("pictures"));
  EXPECT_EQ(Snapshot.ExitCode, 0) << Snapshot.Output;
  EXPECT_TRUE(std::filesystem::exists(Dir.File("pictures/ShopModule.png")));

  Server = std::make_unique<TServeProcess>(std::vector<std::string>{Fields}, Dir.File("."), Dir.File("stderr.txt"));
  const httplib::Result Picture = Client().Get(Tokened("/api/picture.png"));
  ASSERT_TRUE(Picture);
  EXPECT_EQ(Picture->status, 200);
  const json State = json::parse(Client().Get(Tokened("/api/state"))->body);
  std::map<std::string, bool> OnSurface;
  for (const json& C : State["components"]) OnSurface[C["name"]] = C["onSurface"];
  EXPECT_EQ(OnSurface, (std::map<std::string, bool>{{"ShopDb", true}, {"OrdersQuery", true}, {"OrdersQueryorder_no", false}}));
}

TEST_F(VnideServe, SetChangesTheInspectorRow) {
  EXPECT_EQ(Act({{"op", "select"}, {"names", {"OrdersQuery"}}}).second["ok"], true);
  const auto [Status, Answer] = Act({{"op", "set"}, {"property", "Tag"}, {"value", "7"}});
  ASSERT_EQ(Status, 200);
  EXPECT_EQ(Answer["ok"], true) << Answer;
  bool Found = false;
  for (const json& Row : Answer["state"]["inspector"])
    if (Row["name"] == "Tag") Found = Row["value"] == "7";
  EXPECT_TRUE(Found) << Answer["state"]["inspector"];

  // Names follow the builder's rules here too.
  for (const char* Name : {"", "1abc", "ShopDb"}) {
    const auto [NameStatus, Refused] = Act({{"op", "set"}, {"property", "Name"}, {"value", Name}});
    EXPECT_EQ(Refused["ok"], false) << Name << ": " << Refused;
  }
  EXPECT_EQ(Act({{"op", "select"}, {"names", {"OrdersQuery"}}}).second["ok"], true) << "still named OrdersQuery";
}

// The code editor's modules stay open between actions, as in the builder:
// opening the same property again finds its module, and the module ops edit,
// save and close it.
TEST_F(VnideServe, CodeEditorModulesStayOpenBetweenActionsAndAreFoundAgain) {
  ASSERT_EQ(Act({{"op", "select"}, {"names", {"OrdersQuery"}}}).second["ok"], true);
  json Dialog = Act({{"op", "ellipsis"}, {"property", "SQL"}}).second;
  ASSERT_EQ(Dialog["state"]["modal"]["kind"], "form") << Dialog["state"]["transcript"];
  json State = Act({{"op", "dialog"}, {"command", "click btCodeEditor"}}).second["state"];
  EXPECT_TRUE(State["modal"].is_null()) << "the action ended with the module open: " << State["modal"];
  ASSERT_EQ(State["modules"].size(), 1u) << State["modules"];
  // The property's editor finds its module open and shows it instead.
  State = Act({{"op", "ellipsis"}, {"property", "SQL"}}).second["state"];
  EXPECT_TRUE(State["modal"].is_null()) << State["modal"];
  ASSERT_EQ(State["modules"].size(), 1u) << State["modules"];
  const json Module = State["modules"][0];
  EXPECT_EQ(Module["property"], "OrdersQuery.SQL");
  const std::string Name = Module["name"];
  std::size_t Opened = 0;
  for (const json& Line : State["transcript"]) Opened += Line.get<std::string>().ends_with(Name + " opened");
  EXPECT_EQ(Opened, 1u) << "opened again instead of found: " << State["transcript"];

  State = Act({{"op", "moduleText"}, {"name", Name}, {"lines", {"select * from orders", ".dot"}}}).second["state"];
  EXPECT_EQ(State["modules"][0]["modified"], true);
  EXPECT_EQ(State["modules"][0]["text"], "select * from orders\r\n.dot\r\n");
  State = Act({{"op", "module"}, {"command", "save"}, {"name", Name}}).second["state"];
  EXPECT_EQ(State["forms"][0]["modified"], true);
  EXPECT_EQ(Act({{"op", "module"}, {"command", "close"}, {"name", Name}}).second["state"]["modules"], json::array());
  const auto [Status, Refused] = Act({{"op", "module"}, {"command", "show"}, {"name", Name}});
  EXPECT_EQ(Refused["ok"], false);
  EXPECT_NE(Refused["error"].get<std::string>().find("no module"), std::string::npos) << Refused;
  EXPECT_EQ(Act({{"op", "module"}, {"command", "delete"}, {"name", Name}}).second["ok"], false);
}

// A form file another program changes while it is served: the page is told,
// a save does not overwrite the other change unless forced, and a reload takes it.
TEST_F(VnideServe, AFormChangedOnDiskIsReportedNotOverwrittenAndReloaded) {
  const json First = json::parse(Client().Get(Tokened("/api/state"))->body);
  EXPECT_EQ(First["forms"][0]["changedOnDisk"], false);
  std::string Other = ReadFileText(Form);
  const std::size_t At = Other.find("DatabaseName = 'shop'");
  ASSERT_NE(At, std::string::npos);
  Other.replace(At, 21, "DatabaseName = 'other'");
  WriteFileText(Form, Other);
  // Told without any request of the page's own.
  const httplib::Result Told =
      Client().Get(Tokened("/api/state") + "&since=" + std::to_string(First["version"].get<std::int64_t>()));
  ASSERT_TRUE(Told);
  EXPECT_EQ(json::parse(Told->body)["forms"][0]["changedOnDisk"], true);

  ASSERT_EQ(Act({{"op", "move"}, {"component", "ShopDb"}, {"left", 40}, {"top", 16}}).second["ok"], true);
  auto [Status, Refused] = Act({{"op", "save"}});
  EXPECT_EQ(Refused["ok"], false);
  EXPECT_NE(Refused["error"].get<std::string>().find("changed on disk by another program"), std::string::npos)
      << Refused["error"];
  EXPECT_EQ(ReadFileText(Form), Other);

  // Reload takes the other program's form; a save after it is a plain save.
  json State = Act({{"op", "reload"}}).second["state"];
  EXPECT_EQ(State["forms"][0]["changedOnDisk"], false);
  EXPECT_EQ(State["forms"][0]["modified"], false);
  ASSERT_EQ(Act({{"op", "select"}, {"names", {"ShopDb"}}}).second["ok"], true);
  ASSERT_EQ(Act({{"op", "set"}, {"property", "DatabaseName"}, {"value", "mine"}}).second["ok"], true);
  EXPECT_EQ(Act({{"op", "save"}}).second["ok"], true);
  EXPECT_NE(ReadFileText(Form).find("DatabaseName = 'mine'"), std::string::npos);

  // Save anyway writes over another change.
  WriteFileText(Form, Other);
  ASSERT_EQ(Act({{"op", "move"}, {"component", "ShopDb"}, {"left", 48}, {"top", 16}}).second["ok"], true);
  EXPECT_EQ(Act({{"op", "save"}}).second["ok"], false);
  EXPECT_EQ(Act({{"op", "save"}, {"force", true}}).second["ok"], true);
  EXPECT_NE(ReadFileText(Form).find("DatabaseName = 'mine'"), std::string::npos);
}

TEST_F(VnideServe, LongPollReturnsWhenAnotherRequestChangedTheState) {
  const httplib::Result First = Client().Get(Tokened("/api/state"));
  ASSERT_TRUE(First);
  const long long Version = json::parse(First->body)["version"];
  std::thread Other([&] { Act({{"op", "select"}, {"names", {"ShopDb"}}}); });
  const httplib::Result Next = Client().Get(Tokened("/api/state") + "&since=" + std::to_string(Version));
  Other.join();
  ASSERT_TRUE(Next);
  const json State = json::parse(Next->body);
  EXPECT_GT(State["version"], Version);
  EXPECT_EQ(State["selection"], json({"ShopDb"}));
}

TEST_F(VnideServe, ServesSeveralFormsEachFromItsOwnFolderAndEachOnce) {
  Server.reset();
  const std::filesystem::path Other = Dir.Path() / "other";
  std::filesystem::create_directory(Other);
  std::filesystem::copy_file(std::filesystem::path(VN_SOURCE_DIR) / "examples" / "forms" / "reports.vfm",
                             Other / "reports.vfm");
  // Relative names: the second is found although the first session works in its own folder.
  Server = std::make_unique<TServeProcess>(std::vector<std::string>{"shop.vfm", "other/reports.vfm"}, Dir.File("."),
                                           Dir.File("stderr.txt"));
  const json State = Act({{"op", "form"}, {"index", 1}}).second["state"];
  EXPECT_EQ(State["forms"], json::parse(R"([{"file": "shop.vfm", "name": "ShopModule", "modified": false,
                                             "changedOnDisk": false},
                                            {"file": "other/reports.vfm", "name": "ReportsModule", "modified": false,
                                             "changedOnDisk": false}])"));
  EXPECT_EQ(State["form"], 1);
  EXPECT_EQ(State["components"][0], json::parse(R"({"name": "ShopDb", "class": "TVNDatabase", "left": 32, "top": 16, "onSurface": true})"));
  EXPECT_EQ(Act({{"op", "form"}, {"index", 2}}).second["ok"], false);

  const TRun Twice = RunShell("cd " + Dir.Path().string() + " && timeout 60 " + VnideProgram() +
                              " serve shop.vfm ./other/../shop.vfm 2>&1 </dev/null");
  EXPECT_EQ(Twice.ExitCode, 1);
  EXPECT_NE(Twice.Output.find("./other/../shop.vfm is named twice"), std::string::npos) << Twice.Output;
}

// A form an older tool wrote in Windows-1252 is served with its characters.
TEST_F(VnideServe, AFormInTheSystemCodePageIsServedAsItsCharacters) {
  const std::string Latin = Dir.File("latin.vfm");
  WriteFileText(Latin, "object M: TM\n  object S: TVNSession\n    SessionName = 'M\xFCnchen'\n  end\nend\n");
  TServeProcess Other({Latin}, Dir.File("."), Dir.File("latin-stderr.txt"));
  httplib::Client C("127.0.0.1", Other.Port);
  const httplib::Result State = C.Get("/api/state?token=" + Other.Token);
  ASSERT_TRUE(State);
  EXPECT_EQ(State->status, 200);
  EXPECT_NE(State->body.find("M\u00FCnchen"), std::string::npos) << State->body.substr(0, 2000);
  EXPECT_EQ(Other.Stop(), 0);
}

TEST_F(VnideServe, SigtermEndsTheServerAndSavesNothing) {
  const std::string Before = ReadFileText(Form);
  EXPECT_EQ(Act({{"op", "move"}, {"component", "ShopDb"}, {"left", 40}, {"top", 16}}).second["ok"], true);
  // A dialog left open closes as cancelled.
  EXPECT_EQ(Act({{"op", "dblclick"}, {"component", "OrdersUpdate"}}).second["state"]["modal"]["kind"], "form");
  EXPECT_EQ(Server->Stop(), 0);
  EXPECT_EQ(ReadFileText(Form), Before);
  EXPECT_NE(ReadFileText(Dir.File("stderr.txt")).find("shop.vfm has changes that were not saved"), std::string::npos)
      << ReadFileText(Dir.File("stderr.txt"));
}

}  // namespace
