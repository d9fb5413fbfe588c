// vnide serve: the served forms, one long-lived design session each, and what
// the page's actions do to them. Everything here runs on the design thread,
// except Bitmap, which reads what the constructor made.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "design_session.h"
#include "serve_channel.h"
#include "vcl/Forms.h"

namespace vnide {

class TWebDriver;

class TServeModel {
 public:
  // Opens each of Options.FormFiles in a design session of its own, with
  // Driver answering every dialog; makes the palette's bitmaps.
  TServeModel(TPackageHost& Host, const TOptions& Options, TWebDriver& Driver);
  ~TServeModel();
  TServeModel(const TServeModel&) = delete;
  TServeModel& operator=(const TServeModel&) = delete;

  // The state the page sees (docs/vnide-serve.md), without its version.
  TJson State();
  // Carries out one action on the form shown (CheckAction passed it). Errors
  // are raised; answers beyond ok go to the driver's Extra().
  void Perform(const TJson& Request);
  // The form files with changes that were not saved.
  std::vector<std::string> Unsaved() const;
  // Whether a served form's file changed on disk (another program wrote it)
  // since this was last asked: the page is then told.
  bool FilesChangedOnDisk();
  // OpenForm drawn as PNG, or without one the form shown as the designer
  // shows it (a data module: its components' palette bitmaps).
  std::string Picture(const TCustomForm* OpenForm);

  // The palette bitmap of Class as PNG data; null when there is none. Safe
  // from any thread.
  const std::string* Bitmap(const std::string& Class) const;

 private:
  // What a form file on disk is: told apart by its time, size and file, so
  // that a file replaced whole (as this host saves) counts as changed too.
  struct TDiskStamp {
    bool Exists = false;
    std::int64_t Time = 0;
    std::uintmax_t Size = 0;
    std::uintmax_t Inode = 0;
    bool operator==(const TDiskStamp&) const = default;
  };
  static TDiskStamp StampOf(const std::string& File);

  struct TServedForm {
    std::string Shown;  // the form file as named on the command line
    TDiskStamp Read;    // the file as this session read or last wrote it
    TDiskStamp Told;    // the file as the page was last told of it
    TOptions Options;   // its FormFile absolute
    std::unique_ptr<TDesignSession> Session;
    std::vector<std::string> Selection;
    // The statements an update object's dialog last accepted, with what
    // their check found; null before any.
    TJson Verification = nullptr;
  };
  TServedForm& ShownForm() { return *FForms[FShown]; }
  // (Re)opens Form's file in a new design session.
  void OpenSession(TServedForm& Form);
  bool ChangedOnDisk(const TServedForm& Form) const { return StampOf(Form.Options.FormFile) != Form.Read; }
  static TJson StatementsJson(const TComponent& UpdateObject);
  // Checks UpdateObject's statements, writes the block to Transcript and
  // returns what the page shows of it.
  TJson VerificationJson(TComponent& UpdateObject, std::ostream& Transcript);
  std::vector<TComponent*> Selected(TServedForm& Form) const;
  TComponent& Component(const TJson& Request, const char* Field);
  void Drop(const TJson& Request);
  // A code-editor command (ops module and moduleText) on a module left open.
  void ModuleCommand(const TJson& Request);

  TPackageHost& FHost;
  TWebDriver& FDriver;
  std::vector<std::unique_ptr<TServedForm>> FForms;
  std::size_t FShown = 0;
  std::map<std::string, std::string, std::less<>> FBitmaps;
  TJson FPalette = TJson::array();
};

}  // namespace vnide
