// vnide serve's gate: connections wait here, off the request threads, until
// their first request's headers have come whole and carry the access token.
//
// cpp-httplib (0.11, as Debian 12 ships it) gives each connection a request
// thread at once and reads its headers with a time limit per read only: no
// limit on the whole, none on the number of header lines. A client that sends
// a byte now and then, or nothing, or endless header lines, holds a thread (or
// memory) as long as it likes. The gate stands in front of the library's
// accept: the library only ever sees connections of clients who know the
// token and sent a whole request; the others are answered here and closed.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vnide {

// Compares a token given with the run's in a time that does not tell how much
// of it was right.
bool EqualInConstantTime(std::string_view A, std::string_view B) noexcept;

struct TServeGateLimits {
  std::chrono::milliseconds HeaderTimeout{5000};  // from connecting to the end of the headers
  std::size_t MaxHeaderBytes = 16 * 1024;         // request line and headers
  std::size_t MaxHeaderLines = 100;
  std::size_t MaxWaiting = 256;  // connections still sending headers; the oldest goes first
};

class TServeGate {
 public:
  // Takes the connections of ListenSocket (a listening socket) from now on.
  TServeGate(int ListenSocket, std::string Token, TServeGateLimits Limits = {});
  ~TServeGate();
  TServeGate(const TServeGate&) = delete;
  TServeGate& operator=(const TServeGate&) = delete;

  // Called for the library's accept: the next connection whose first request
  // came whole with the token (blocking again, as the library expects); -1
  // with errno EINVAL once Stop was called.
  int Accept();
  // Any thread: Accept returns within a tenth of a second.
  void Stop();

 private:
  struct TWaiting {
    int Socket;
    std::chrono::steady_clock::time_point Deadline;
  };
  enum TVerdict { vdWait, vdPass, vdRefused };

  void TakeNewConnections(std::chrono::steady_clock::time_point Now);
  // Reads what Waiting sent so far without taking it from the socket.
  TVerdict Examine(int Socket);
  // Answers Status with a JSON error and closes the connection.
  void Refuse(int Socket, int Status, const std::string& Why, std::size_t HeaderBytes);
  struct THeaderFacts {
    bool Token = false;  // in the query (token=) or in X-VN-Token
    int Hosts = 0, Origins = 0;
    bool EmptyOrigin = false;
  };
  THeaderFacts ReadHeaders(std::string_view Headers) const;

  int FListenSocket;
  std::string FToken;
  TServeGateLimits FLimits;
  std::atomic<bool> FStopping{false};
  std::deque<TWaiting> FWaiting;  // oldest first
  std::deque<int> FReady;
  std::vector<char> FBuffer;
};

}  // namespace vnide
