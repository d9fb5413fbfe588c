// vnide serve: the HTTP side. Listens on 127.0.0.1 only; every request needs
// the run's token and may come from the page's own origin only; the page's
// files come from a table built into the program (docs/vnide-serve.md).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "serve_channel.h"

namespace vnide {

// 32 hexadecimal digits from the system's random source.
std::string NewToken();

class TServeHttp {
 public:
  // Bitmap gives a palette class's PNG data, or null; it must be safe to call
  // from any thread.
  TServeHttp(TServeChannel& Channel, std::string Token,
             std::function<const std::string*(const std::string&)> Bitmap);
  ~TServeHttp();
  TServeHttp(const TServeHttp&) = delete;
  TServeHttp& operator=(const TServeHttp&) = delete;

  // Binds 127.0.0.1:Port (0: a port the system chooses); EHostError when it
  // cannot. Returns the port.
  int Bind(int Port);
  // Serves until Stop (on a thread of its own).
  void Listen();
  void Stop();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace vnide
