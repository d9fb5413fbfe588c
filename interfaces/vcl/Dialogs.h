// Unit Dialogs: message dialogs. The host's user-interface driver shows them
// and brings back the person's answer.
#pragma once

#include <string>

#include "vcl/Controls.h"
#include "rtl/System.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp,
  mbClose
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

inline constexpr TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
inline constexpr TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// Shows Msg as a dialog of kind DlgType with Buttons and returns the modal
// result of the button chosen (mrYes for mbYes ...). Closing it without a
// button answers as its cancel button would: mbCancel, else mbNo, else mbOK.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// An information without a kind, with the single button OK.
void ShowMessage(const std::string& Msg);

// ---------------------------------------------------------------------------
// File dialogs

enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
  ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
  ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
  ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent, ofForceShowHidden
};
using TOpenOptions = TSet<TOpenOption>;

// The file-open dialog. The driver shows it and brings back the name the
// person chose; the dialog itself refuses, with a message, a name whose
// folder does not exist (ofPathMustExist) or a file that does not exist
// (ofFileMustExist), and asks again.
class TOpenDialog : public TComponent {
  VN_DECLARE_CLASS(TOpenDialog)
 public:
  explicit TOpenDialog(TComponent* AOwner);

  // The name shown when the dialog opens; after Execute, the chosen file with
  // its folder.
  const std::string& FileName() const noexcept { return FFileName; }
  void SetFileName(const std::string& Value) { FFileName = Value; }
  // "Description|pattern|Description|pattern...", patterns separated by ";".
  const std::string& Filter() const noexcept { return FFilter; }
  void SetFilter(const std::string& Value) { FFilter = Value; }
  // The filter entry shown first, from 1.
  int FilterIndex() const noexcept { return FFilterIndex; }
  void SetFilterIndex(int Value) noexcept { FFilterIndex = Value; }
  // Where relative names are taken from; "" for the current folder.
  const std::string& InitialDir() const noexcept { return FInitialDir; }
  void SetInitialDir(const std::string& Value) { FInitialDir = Value; }
  const std::string& Title() const noexcept { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  // Added, after a full stop, to a chosen name without an extension.
  const std::string& DefaultExt() const noexcept { return FDefaultExt; }
  void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }
  TOpenOptions Options() const noexcept { return FOptions; }
  void SetOptions(TOpenOptions Value) noexcept { FOptions = Value; }

  // Shows the dialog modally; true when a file name was accepted.
  virtual bool Execute();

 private:
  std::string FFileName;
  std::string FFilter;
  int FFilterIndex = 1;
  std::string FInitialDir;
  std::string FTitle;
  std::string FDefaultExt;
  TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Dialogs_Initialization();
void Dialogs_Finalization();
