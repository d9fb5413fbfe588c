#include "serve_gate.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "rtl/SysUtils.h"

namespace vnide {

namespace {

// The gates of the process by listening socket, for the accept below.
std::mutex GatesMutex;
std::vector<std::pair<int, TServeGate*>>& Gates() {
  static std::vector<std::pair<int, TServeGate*>> List;
  return List;
}

TServeGate* GateOf(int ListenSocket) {
  std::lock_guard Lock(GatesMutex);
  for (const auto& [Socket, Gate] : Gates())
    if (Socket == ListenSocket) return Gate;
  return nullptr;
}

const char* ReasonOf(int Status) {
  switch (Status) {
    case 403: return "Forbidden";
    case 408: return "Request Timeout";
    case 431: return "Request Header Fields Too Large";
    default: return "Bad Request";
  }
}

// The value of the query parameter Name in Target ("/api/state?since=3&token=..."), if any.
std::string_view QueryParameter(std::string_view Target, std::string_view Name) {
  const std::size_t Query = Target.find('?');
  if (Query == std::string_view::npos) return {};
  std::string_view Rest = Target.substr(Query + 1);
  while (!Rest.empty()) {
    const std::size_t End = std::min(Rest.find('&'), Rest.size());
    const std::string_view Pair = Rest.substr(0, End);
    if (Pair.size() > Name.size() && Pair.substr(0, Name.size()) == Name && Pair[Name.size()] == '=')
      return Pair.substr(Name.size() + 1);
    Rest.remove_prefix(std::min(End + 1, Rest.size()));
  }
  return {};
}

}  // namespace

bool EqualInConstantTime(std::string_view A, std::string_view B) noexcept {
  if (A.size() != B.size()) return false;
  unsigned char Difference = 0;
  for (std::size_t I = 0; I < A.size(); ++I) Difference |= static_cast<unsigned char>(A[I] ^ B[I]);
  return Difference == 0;
}

TServeGate::TServeGate(int ListenSocket, std::string Token, TServeGateLimits Limits)
    : FListenSocket(ListenSocket), FToken(std::move(Token)), FLimits(Limits), FBuffer(Limits.MaxHeaderBytes + 1) {
  ::fcntl(FListenSocket, F_SETFL, ::fcntl(FListenSocket, F_GETFL) | O_NONBLOCK);
  std::lock_guard Lock(GatesMutex);
  Gates().emplace_back(FListenSocket, this);
}

TServeGate::~TServeGate() {
  {
    std::lock_guard Lock(GatesMutex);
    std::erase_if(Gates(), [this](const auto& Entry) { return Entry.second == this; });
  }
  for (const TWaiting& W : FWaiting) ::close(W.Socket);
  for (const int Socket : FReady) ::close(Socket);
}

void TServeGate::Stop() { FStopping = true; }

int TServeGate::Accept() {
  constexpr auto Tick = std::chrono::milliseconds(100);
  std::vector<pollfd> Polled;
  for (;;) {
    if (FStopping) {
      errno = EINVAL;
      return -1;
    }
    if (!FReady.empty()) {
      const int Socket = FReady.front();
      FReady.pop_front();
      ::fcntl(Socket, F_SETFL, ::fcntl(Socket, F_GETFL) & ~O_NONBLOCK);
      return Socket;
    }
    Polled.assign(1, pollfd{FListenSocket, POLLIN, 0});
    for (const TWaiting& W : FWaiting) Polled.push_back(pollfd{W.Socket, POLLIN, 0});
    auto Wait = Tick;
    if (!FWaiting.empty()) {
      const auto Soonest = std::min_element(FWaiting.begin(), FWaiting.end(), [](const TWaiting& A, const TWaiting& B) {
                             return A.Deadline < B.Deadline;
                           })->Deadline;
      Wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(Soonest - std::chrono::steady_clock::now()),
                        std::chrono::milliseconds(0), Tick);
    }
    if (::poll(Polled.data(), Polled.size(), static_cast<int>(Wait.count())) < 0 && errno != EINTR) {
      errno = EINVAL;
      return -1;
    }
    const auto Now = std::chrono::steady_clock::now();
    // The connections polled are the first Polled.size() - 1 of FWaiting;
    // each is judged once, new ones go to the back.
    std::deque<TWaiting> Still;
    for (std::size_t I = 0; I < FWaiting.size(); ++I) {
      const TWaiting& W = FWaiting[I];
      const bool Readable = I + 1 < Polled.size() && Polled[I + 1].revents != 0;
      const TVerdict Verdict = Readable ? Examine(W.Socket) : vdWait;
      if (Verdict == vdPass) {
        FReady.push_back(W.Socket);
      } else if (Verdict == vdWait && W.Deadline <= Now) {
        Refuse(W.Socket, 408, "the request's headers did not come in time", 0);
      } else if (Verdict == vdWait) {
        Still.push_back(W);
      }
    }
    FWaiting = std::move(Still);
    if (Polled[0].revents != 0) TakeNewConnections(Now);
  }
}

void TServeGate::TakeNewConnections(std::chrono::steady_clock::time_point Now) {
  for (;;) {
    const int Socket = ::accept4(FListenSocket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (Socket < 0) {
      // Out of descriptors: the oldest waiting connection makes room.
      if ((errno == EMFILE || errno == ENFILE) && !FWaiting.empty()) {
        ::close(FWaiting.front().Socket);
        FWaiting.pop_front();
        continue;
      }
      return;  // nothing more to take now (EAGAIN), or an error of one connection
    }
    // Each answer goes out at once, not held back for the next write.
    const int Yes = 1;
    ::setsockopt(Socket, IPPROTO_TCP, TCP_NODELAY, &Yes, sizeof Yes);
    if (FWaiting.size() >= FLimits.MaxWaiting) {
      ::close(FWaiting.front().Socket);
      FWaiting.pop_front();
    }
    FWaiting.push_back({Socket, Now + FLimits.HeaderTimeout});
  }
}

TServeGate::TVerdict TServeGate::Examine(int Socket) {
  const ssize_t Got = ::recv(Socket, FBuffer.data(), FBuffer.size(), MSG_PEEK);
  if (Got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return vdWait;
  if (Got <= 0) {
    ::close(Socket);  // the client went away
    return vdRefused;
  }
  const std::string_view Sent(FBuffer.data(), static_cast<std::size_t>(Got));
  const std::size_t End = Sent.find("\r\n\r\n");
  const std::size_t HeaderBytes = End == std::string_view::npos ? Sent.size() : End + 4;
  const std::string_view Headers = Sent.substr(0, HeaderBytes);
  std::size_t Lines = 0;
  for (std::size_t At = Headers.find("\r\n"); At != std::string_view::npos; At = Headers.find("\r\n", At + 2)) ++Lines;
  if (HeaderBytes > FLimits.MaxHeaderBytes || Lines > FLimits.MaxHeaderLines + 1) {
    Refuse(Socket, 431, "the request's headers are too large", 0);
    return vdRefused;
  }
  if (End == std::string_view::npos) return vdWait;
  const THeaderFacts Facts = ReadHeaders(Headers);
  if (!Facts.Token) {
    Refuse(Socket, 403, "the access token is missing or wrong", HeaderBytes);
    return vdRefused;
  }
  // One Host and at most one Origin: with two, a check of the first could let
  // the second through to whatever reads the other.
  if (Facts.Hosts != 1 || Facts.Origins > 1) {
    Refuse(Socket, 400, "a request has one Host header and at most one Origin header", HeaderBytes);
    return vdRefused;
  }
  if (Facts.EmptyOrigin) {
    Refuse(Socket, 403, "requests from other pages are refused", HeaderBytes);
    return vdRefused;
  }
  return vdPass;
}

TServeGate::THeaderFacts TServeGate::ReadHeaders(std::string_view Headers) const {
  THeaderFacts Facts;
  const std::size_t LineEnd = Headers.find("\r\n");
  const std::string_view RequestLine = Headers.substr(0, LineEnd);
  const std::size_t First = RequestLine.find(' ');
  const std::size_t Last = RequestLine.rfind(' ');
  if (First != std::string_view::npos && Last > First &&
      EqualInConstantTime(QueryParameter(RequestLine.substr(First + 1, Last - First - 1), "token"), FToken))
    Facts.Token = true;
  for (std::size_t At = LineEnd; At != std::string_view::npos && At + 2 < Headers.size();) {
    const std::size_t Next = Headers.find("\r\n", At + 2);
    const std::string_view Line = Headers.substr(At + 2, Next - At - 2);
    At = Next;
    const std::size_t Colon = Line.find(':');
    if (Colon == std::string_view::npos) continue;
    const std::string_view Name = Line.substr(0, Colon);
    std::string_view Value = Line.substr(Colon + 1);
    while (!Value.empty() && (Value.front() == ' ' || Value.front() == '\t')) Value.remove_prefix(1);
    while (!Value.empty() && (Value.back() == ' ' || Value.back() == '\t')) Value.remove_suffix(1);
    if (SameText(Name, "X-VN-Token") && EqualInConstantTime(Value, FToken)) Facts.Token = true;
    if (SameText(Name, "Host")) ++Facts.Hosts;
    if (SameText(Name, "Origin")) {
      ++Facts.Origins;
      Facts.EmptyOrigin = Facts.EmptyOrigin || Value.empty();
    }
  }
  return Facts;
}

void TServeGate::Refuse(int Socket, int Status, const std::string& Why, std::size_t HeaderBytes) {
  // The headers are taken from the socket first: closing a socket with unread
  // data resets the connection, and the client would not see the answer.
  for (std::size_t Left = HeaderBytes; Left > 0;) {
    const ssize_t Got = ::recv(Socket, FBuffer.data(), std::min(Left, FBuffer.size()), MSG_DONTWAIT);
    if (Got <= 0) break;
    Left -= static_cast<std::size_t>(Got);
  }
  const std::string Body = "{\"ok\":false,\"error\":\"" + Why + "\"}";
  const std::string Answer = "HTTP/1.1 " + std::to_string(Status) + " " + ReasonOf(Status) +
                             "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(Body.size()) +
                             "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + Body;
  [[maybe_unused]] const ssize_t Sent = ::send(Socket, Answer.data(), Answer.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  ::shutdown(Socket, SHUT_WR);
  ::close(Socket);
}

}  // namespace vnide

// The library's accept, routed through the gate of its listening socket. Any
// other socket of the process is accepted as the system would.
extern "C" int accept(int Socket, sockaddr* Address, socklen_t* Length) {
  vnide::TServeGate* Gate = vnide::GateOf(Socket);
  if (Gate == nullptr) return ::accept4(Socket, Address, Length, 0);
  const int Accepted = Gate->Accept();
  if (Accepted >= 0 && Address != nullptr && Length != nullptr) ::getpeername(Accepted, Address, Length);
  return Accepted;
}
