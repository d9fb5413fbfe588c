// vnide serve: the forms served to a browser. The main thread is the design
// thread: it loads the package, opens the forms and carries out what the page
// asks; the server's threads only queue actions and read the published state.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>

#include "commands.h"
#include "package_host.h"
#include "serve_driver.h"
#include "serve_http.h"
#include "serve_model.h"

namespace vnide {

namespace {

// The server's thread and the thread that waits for SIGINT and SIGTERM,
// stopped and joined on every way out.
class TServingThreads {
 public:
  TServingThreads(TServeHttp& Http, TServeChannel& Channel, const sigset_t& Signals)
      : FHttp(Http), FServer([this, &Http] {
          Http.Listen();
          FServerDone = true;
        }),
        FWatcher([this, &Channel, Signals] {
          const timespec Tick{0, 200'000'000};
          while (!FEnding)
            if (sigtimedwait(&Signals, nullptr, &Tick) > 0) {
              Channel.Close();
              return;
            }
        }) {}
  ~TServingThreads() {
    FEnding = true;
    // A stop that comes before the server listens does nothing: stop until
    // it returned.
    while (!FServerDone) {
      FHttp.Stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FServer.join();
    FWatcher.join();
  }
  TServingThreads(const TServingThreads&) = delete;
  TServingThreads& operator=(const TServingThreads&) = delete;

 private:
  TServeHttp& FHttp;
  std::atomic<bool> FEnding = false;
  std::atomic<bool> FServerDone = false;
  std::thread FServer;
  std::thread FWatcher;
};

}  // namespace

int RunServeCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  // The signals are taken by the watcher alone: blocked here before any
  // thread starts, so that every thread inherits the mask. They stay blocked
  // to the end, so that a second Ctrl-C cannot cut the shutdown short.
  sigset_t Signals;
  sigemptyset(&Signals);
  sigaddset(&Signals, SIGINT);
  sigaddset(&Signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &Signals, nullptr);
  // A page closed in the middle of an answer is no reason to end.
  signal(SIGPIPE, SIG_IGN);

  TServeChannel Channel;
  TWebDriver Driver(Channel);
  vn_vcl::TDriverInstallation Installed(Driver);
  TServeModel Model(Host, Options, Driver);
  Driver.SetStateOf([&Model]() -> TJson {
    try {
      return Model.State();
    } catch (const std::exception& E) {
      return {{"error", E.what()}};
    }
  });
  Driver.SetPictureOf([&Model](const TCustomForm* OpenForm) { return Model.Picture(OpenForm); });
  Driver.SetOutsideChange([&Model] { return Model.FilesChangedOnDisk(); });
  const std::string Token = NewToken();
  TServeHttp Http(Channel, Token, [&Model](const std::string& Class) { return Model.Bitmap(Class); });
  const int Port = Http.Bind(Options.Port);
  // A page that polls the port from an earlier run finds a state at once.
  Channel.Publish(Model.State());
  {
    TServingThreads Threads(Http, Channel, Signals);
    Out << "vnide serve: http://127.0.0.1:" << Port << "/?token=" << Token << std::endl;
    while (const std::shared_ptr<TServeAction> Action = Driver.NextFormAction()) {
      try {
        Model.Perform(Action->Request);
      } catch (const EHostError& E) {
        Driver.Fail(E.Message());
      } catch (const EPackageError& E) {
        Driver.Fail(E.Message());
      } catch (const Exception& E) {
        Driver.Fail(std::string(E.ClassName()) + ": " + E.Message());
      } catch (const std::exception& E) {
        Driver.Fail(E.what());
      }
    }
  }
  for (const std::string& File : Model.Unsaved())
    std::cerr << "vnide serve: warning: " << File << " has changes that were not saved\n";
  return ecSuccess;
}

}  // namespace vnide
