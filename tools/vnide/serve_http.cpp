#include "serve_http.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "commands.h"
#include "serve_gate.h"
#include "serve_web_files.h"

namespace vnide {

namespace {

constexpr const char* TokenPlaceholder = "__VN_TOKEN__";
// How long GET /api/state?since= waits for a change.
constexpr std::chrono::seconds LongPoll{25};
// Request threads. Only clients that know the token reach them (the gate
// answers the others), and at most TServeChannel's cap of them wait in long
// polls, so the actions always find one.
constexpr std::size_t RequestThreads = 64;
constexpr std::size_t MaxBody = 1u << 20;
// A request's body comes at the pace of its reads: each may wait this long.
constexpr std::chrono::seconds ReadTimeout{5};

// ".." in the path as sent, raw or percent-encoded, or in the decoded path.
bool ClimbsUp(const httplib::Request& Request) {
  std::string Raw = Request.target.substr(0, Request.target.find('?'));
  std::string Decoded;
  for (std::size_t I = 0; I < Raw.size(); ++I) {
    if (Raw[I] == '%' && I + 2 < Raw.size() && Raw[I + 1] == '2' && (Raw[I + 2] == 'e' || Raw[I + 2] == 'E')) {
      Decoded += '.';
      I += 2;
    } else {
      Decoded += Raw[I];
    }
  }
  return Decoded.find("..") != std::string::npos || Request.path.find("..") != std::string::npos;
}

void Refuse(httplib::Response& Response, int Status, const std::string& Why) {
  Response.status = Status;
  Response.set_content(JsonText(TJson({{"ok", false}, {"error", Why}})), "application/json");
}

std::string WithToken(std::string_view Page, const std::string& Token) {
  std::string Text(Page);
  const std::string Placeholder = TokenPlaceholder;
  for (std::size_t At = Text.find(Placeholder); At != std::string::npos; At = Text.find(Placeholder, At + Token.size()))
    Text.replace(At, Placeholder.size(), Token);
  return Text;
}

}  // namespace

std::string NewToken() {
  std::array<unsigned char, 16> Bytes{};
  const int File = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  std::size_t Got = 0;
  while (File >= 0 && Got < Bytes.size()) {
    const ssize_t N = ::read(File, Bytes.data() + Got, Bytes.size() - Got);
    if (N <= 0 && errno != EINTR) break;
    if (N > 0) Got += static_cast<std::size_t>(N);
  }
  if (File >= 0) ::close(File);
  if (Got < Bytes.size()) throw EHostError("Cannot read random bytes for the access token from /dev/urandom");
  constexpr const char* Hex = "0123456789abcdef";
  std::string Token;
  for (const unsigned char B : Bytes) Token += {Hex[B >> 4], Hex[B & 0xf]};
  return Token;
}

struct TServeHttp::TImpl {
  TImpl(TServeChannel& AChannel, std::string AToken, std::function<const std::string*(const std::string&)> ABitmap)
      : Channel(AChannel), Token(std::move(AToken)), Bitmap(std::move(ABitmap)) {}

  // The checks every request passes first: the page's own host and origin,
  // no climbing up, the token.
  httplib::Server::HandlerResponse Check(const httplib::Request& Request, httplib::Response& Response) const {
    const std::string Port = std::to_string(BoundPort);
    const std::string Host = Request.get_header_value("Host");
    // One Host and at most one Origin: with two, a check of the first could
    // let the second through to a component that reads the other.
    if (Request.get_header_value_count("Host") != 1 || Request.get_header_value_count("Origin") > 1) {
      Refuse(Response, 400, "a request has one Host header and at most one Origin header");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (Host != "127.0.0.1:" + Port && !AnsiSameText(Host, "localhost:" + Port)) {
      Refuse(Response, 403, "this server answers for 127.0.0.1:" + Port + " only");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (Request.has_header("Origin")) {
      const std::string Origin = Request.get_header_value("Origin");
      if (Origin != "http://127.0.0.1:" + Port && !AnsiSameText(Origin, "http://localhost:" + Port)) {
        Refuse(Response, 403, "requests from other pages are refused");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    if (ClimbsUp(Request)) {
      Refuse(Response, 400, "a path with .. is refused");
      return httplib::Server::HandlerResponse::Handled;
    }
    const std::string Given =
        Request.has_param("token") ? Request.get_param_value("token") : Request.get_header_value("X-VN-Token");
    if (!EqualInConstantTime(Given, Token)) {
      Refuse(Response, 403, "the access token is missing or wrong");
      return httplib::Server::HandlerResponse::Handled;
    }
    // The token is in the page's address: it goes to no other site.
    Response.set_header("Cache-Control", "no-store");
    Response.set_header("Referrer-Policy", "no-referrer");
    Response.set_header("X-Content-Type-Options", "nosniff");
    Response.set_header("X-Frame-Options", "DENY");
    return httplib::Server::HandlerResponse::Unhandled;
  }

  void Routes() {
    Server.set_pre_routing_handler(
        [this](const httplib::Request& Request, httplib::Response& Response) { return Check(Request, Response); });
    for (const TWebFile& File : WebFiles()) {
      const bool IsIndex = File.Path == "/index.html";
      const auto Serve = [this, &File, IsIndex](const httplib::Request&, httplib::Response& Response) {
        Response.set_content(IsIndex ? WithToken(File.Data, Token) : std::string(File.Data),
                             std::string(File.ContentType));
      };
      Server.Get(std::string(File.Path), Serve);
      if (IsIndex) Server.Get("/", Serve);
    }
    Server.Get("/api/state", [this](const httplib::Request& Request, httplib::Response& Response) {
      std::int64_t Since = -1;
      if (Request.has_param("since")) {
        const std::string Text = Request.get_param_value("since");
        const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Since);
        if (Error != std::errc() || End != Text.data() + Text.size() || Since < 0)
          return Refuse(Response, 400, "since must be a version number");
      }
      const std::string State = Channel.State(Since, Since < 0 ? std::chrono::milliseconds(0) : LongPoll);
      Response.set_content(State, "application/json");
    });
    Server.Post("/api/action", [this](const httplib::Request& Request, httplib::Response& Response) {
      auto Action = std::make_shared<TServeAction>();
      Action->Request = TJson::parse(Request.body, nullptr, false);
      if (Action->Request.is_discarded()) return Refuse(Response, 400, "the body is no JSON");
      if (const std::string Wrong = CheckAction(Action->Request); !Wrong.empty()) return Refuse(Response, 400, Wrong);
      Channel.Act(Action);
      Response.status = Action->Status;
      Response.set_content(JsonText(Action->Answer), "application/json");
    });
    Server.Get("/api/picture.png", [this](const httplib::Request&, httplib::Response& Response) {
      auto Action = std::make_shared<TServeAction>();
      Action->Request = {{"op", "picture"}};
      Channel.Act(Action);
      if (Action->Status != 200) {
        Response.status = Action->Status;
        return Response.set_content(JsonText(Action->Answer), "application/json");
      }
      Response.set_content(Action->Picture, "image/png");
    });
    Server.Get(R"(/api/bitmap/([A-Za-z0-9_]+)\.png)", [this](const httplib::Request& Request, httplib::Response& Response) {
      const std::string* Png = Bitmap(Request.matches[1].str());
      if (Png == nullptr) return Refuse(Response, 404, "no palette bitmap " + std::string(Request.matches[1]));
      Response.set_content(*Png, "image/png");
    });
  }

  httplib::Server Server;
  TServeChannel& Channel;
  std::string Token;
  std::function<const std::string*(const std::string&)> Bitmap;
  int BoundPort = 0;
  int ListenSocket = -1;
  std::unique_ptr<TServeGate> Gate;
};

TServeHttp::TServeHttp(TServeChannel& Channel, std::string Token,
                       std::function<const std::string*(const std::string&)> Bitmap)
    : FImpl(std::make_unique<TImpl>(Channel, std::move(Token), std::move(Bitmap))) {
  FImpl->Server.new_task_queue = [] { return new httplib::ThreadPool(RequestThreads); };
  FImpl->Server.set_payload_max_length(MaxBody);
  FImpl->Server.set_read_timeout(ReadTimeout);
  FImpl->Server.set_tcp_nodelay(true);
  // The library's own options would let another program bind the same port
  // (SO_REUSEPORT); only a quick restart on the same port is wanted.
  FImpl->Server.set_socket_options([Impl = FImpl.get()](socket_t Socket) {
    const int Yes = 1;
    setsockopt(Socket, SOL_SOCKET, SO_REUSEADDR, &Yes, sizeof Yes);
    Impl->ListenSocket = Socket;
  });
  FImpl->Routes();
}

TServeHttp::~TServeHttp() = default;

int TServeHttp::Bind(int Port) {
  constexpr const char* Loopback = "127.0.0.1";
  const int Bound = Port == 0 ? FImpl->Server.bind_to_any_port(Loopback)
                              : (FImpl->Server.bind_to_port(Loopback, Port) ? Port : -1);
  if (Bound <= 0) throw EHostError(Format("Cannot listen on 127.0.0.1:%d: %s", {Port, std::strerror(errno)}));
  // The library listens with a backlog of 5: a page that loads its files and
  // several tabs at once would see connections dropped and retried.
  ::listen(FImpl->ListenSocket, SOMAXCONN);
  FImpl->BoundPort = Bound;
  FImpl->Gate = std::make_unique<TServeGate>(FImpl->ListenSocket, FImpl->Token);
  return Bound;
}

void TServeHttp::Listen() { FImpl->Server.listen_after_bind(); }

void TServeHttp::Stop() {
  if (FImpl->Gate) FImpl->Gate->Stop();
  FImpl->Server.stop();
}

}  // namespace vnide
