// vnide check: every update object of each form proven on its live database by
// the runtime library's checker. The forms are opened as the designer opens
// them, in their own folders, and never saved. Folders stand for every form
// file below them; with several jobs, each form is checked in a process of
// its own, so that sessions never share the runtime library's state.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

#include "check_fix.h"
#include "check_report.h"
#include "commands.h"
#include "design_session.h"
#include "package_host.h"
#include "statement_check.h"

namespace vnide {

namespace {

constexpr std::string_view FormExtension = ".vfm";

// The form files the paths name: a file as given, a folder as every form
// file below it, in name order.
std::vector<std::string> FormFilesOf(const std::vector<std::string>& Paths) {
  std::vector<std::string> Files;
  for (const std::string& Path : Paths) {
    std::error_code Error;
    if (!std::filesystem::is_directory(NativeFileName(Path), Error)) {
      Files.push_back(Path);
      continue;
    }
    std::vector<std::string> Below;
    for (auto It = std::filesystem::recursive_directory_iterator(
             NativeFileName(Path), std::filesystem::directory_options::skip_permission_denied, Error);
         !Error && It != std::filesystem::recursive_directory_iterator(); It.increment(Error))
      if (It->is_regular_file() && SameText(It->path().extension().string(), FormExtension))
        Below.push_back(It->path().string());
    if (Error) throw EHostError("Cannot read the folder " + Path + ": " + Error.message());
    std::sort(Below.begin(), Below.end());
    Files.insert(Files.end(), Below.begin(), Below.end());
  }
  return Files;
}

TCheckedForm CheckForm(TPackageHost& Host, const TOptions& Options, const std::string& File, std::ostream& Out) {
  TCheckedForm Form{File, {}, ""};
  TVNUpdateCheckOptions CheckOptions;
  CheckOptions.Mode = Options.DryRun ? cmDryRun : cmPrepare;
  CheckOptions.TimeoutSeconds = Options.TimeoutSeconds;
  CheckOptions.AllowSuperuser = Options.AllowSuperuser;
  try {
    TOptions One = Options;
    One.FormFile = File;
    One.ScriptFile.clear();
    // No dialog runs and Finish is never called: nothing is saved.
    TDesignSession Session(Host, One, Out);
    for (int I = 0; I < Session.Root().ComponentCount(); ++I) {
      TComponent& Component = *Session.Root().Components(I);
      if (!IsUpdateObject(Component)) continue;
      TCheckedObject Object{Component.Name(), {}};
      try {
        Object.Result = CheckUpdateObject(Host, Component, CheckOptions);
      } catch (const EVNCheckRefused& E) {
        throw EHostError(Component.Name() + ": " + E.Message() + " (--allow-superuser runs them anyway)");
      }
      // Findings first, then what was not checked, then notes: the order of every report.
      std::stable_sort(Object.Result.Findings.begin(), Object.Result.Findings.end(),
                       [](const TVNUpdateCheckFinding& A, const TVNUpdateCheckFinding& B) { return A.Kind < B.Kind; });
      Form.Objects.push_back(std::move(Object));
    }
  } catch (const Exception& E) {
    Form.Error = (E.ClassName() == "EHostError" ? "" : std::string(E.ClassName()) + ": ") + E.Message();
  }
  return Form;
}

// A form checked in a child process, whose JSON comes back through a pipe.
struct TChild {
  pid_t Pid = -1;
  int Pipe = -1;
  std::string File, Output;
  std::size_t Index = 0;
};

TChild StartChild(TPackageHost& Host, const TOptions& Options, const std::string& File, std::size_t Index) {
  int Ends[2];
  if (::pipe(Ends) != 0) throw EHostError("Cannot start a check job: no pipe");
  std::cout.flush();
  const pid_t Pid = ::fork();
  if (Pid < 0) throw EHostError("Cannot start a check job: fork failed");
  if (Pid == 0) {
    ::close(Ends[0]);
    std::ostringstream Ignored;
    const std::string Text = JsonText(FormAsJson(CheckForm(Host, Options, File, Ignored)));
    for (std::size_t Done = 0; Done < Text.size();) {
      const ssize_t N = ::write(Ends[1], Text.data() + Done, Text.size() - Done);
      if (N <= 0) ::_exit(1);
      Done += static_cast<std::size_t>(N);
    }
    ::_exit(0);
  }
  ::close(Ends[1]);
  return {Pid, Ends[0], File, "", Index};
}

// Checks Files with up to Jobs child processes at once; the results in the
// order of Files.
std::vector<TCheckedForm> CheckInChildren(TPackageHost& Host, const TOptions& Options,
                                          const std::vector<std::string>& Files, std::size_t Jobs) {
  std::vector<TCheckedForm> Forms(Files.size());
  std::vector<TChild> Running;
  std::size_t Next = 0;
  while (Next < Files.size() || !Running.empty()) {
    while (Next < Files.size() && Running.size() < Jobs) {
      Running.push_back(StartChild(Host, Options, Files[Next], Next));
      ++Next;
    }
    std::vector<pollfd> Polled;
    for (const TChild& Child : Running) Polled.push_back({Child.Pipe, POLLIN, 0});
    if (::poll(Polled.data(), Polled.size(), -1) < 0 && errno != EINTR) throw EHostError("Check jobs: poll failed");
    for (std::size_t I = Running.size(); I-- > 0;) {
      if (Polled[I].revents == 0) continue;
      TChild& Child = Running[I];
      char Buffer[65536];
      const ssize_t N = ::read(Child.Pipe, Buffer, sizeof Buffer);
      if (N > 0) {
        Child.Output.append(Buffer, static_cast<std::size_t>(N));
        continue;
      }
      ::close(Child.Pipe);
      int Status = 0;
      ::waitpid(Child.Pid, &Status, 0);
      const auto Json = nlohmann::ordered_json::parse(Child.Output, nullptr, false);
      if (!Json.is_discarded() && WIFEXITED(Status) && WEXITSTATUS(Status) == 0)
        Forms[Child.Index] = FormFromJson(Json);
      else
        Forms[Child.Index] = {Child.File, {}, "the check of this form ended without a result"};
      Running.erase(Running.begin() + static_cast<std::ptrdiff_t>(I));
    }
  }
  return Forms;
}

TCheckFormat FormatOf(const TOptions& Options) {
  if (Options.Output == ofJson || Options.CheckFormat == "json") return cfJson;
  if (Options.CheckFormat == "junit") return cfJUnit;
  if (Options.CheckFormat == "sarif") return cfSarif;
  return cfText;
}

}  // namespace

int RunCheckCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  const std::vector<std::string> Files = FormFilesOf(Options.FormFiles);
  if (Options.Fix != fxNone) {
    if (FormatOf(Options) != cfText) throw EHostError("--fix reports as text only: its diffs are for a person");
    return RunCheckFix(Host, Options, Files, Out);
  }
  const std::size_t Jobs = Options.Jobs > 0 ? static_cast<std::size_t>(Options.Jobs)
                                            : std::max(1u, std::thread::hardware_concurrency());
  std::vector<TCheckedForm> Forms;
  if (Jobs > 1 && Files.size() > 1) {
    // The package is loaded before the jobs part, so that each starts with it.
    Host.Load(Options.PackageFile);
    Forms = CheckInChildren(Host, Options, Files, Jobs);
  } else {
    for (const std::string& File : Files) Forms.push_back(CheckForm(Host, Options, File, Out));
  }
  WriteCheckReport(Forms, FormatOf(Options), Options.DryRun, Out);
  const TCheckTotals Totals = TotalsOf(Forms);
  if (Totals.Errors > 0) {
    // Every error also on standard error, where scripts look for them.
    for (const TCheckedForm& Form : Forms)
      if (!Form.Error.empty()) std::cerr << "vnide: " << Form.File << ": " << Form.Error << '\n';
    return ecError;
  }
  const bool Unchecked = Totals.NotChecked > 0 && !Options.AllowUnchecked;
  return Totals.Findings > 0 || Unchecked ? ecFindings : ecSuccess;
}

}  // namespace vnide
