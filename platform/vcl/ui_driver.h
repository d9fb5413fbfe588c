// The user-interface driver: every place where a person would act on the
// headless visual component library goes through it. Modal forms, message
// dialogs, context menus, the key state and the shell ask the driver in use.
#pragma once

#include <string>

#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"

namespace vn_vcl {

class TUserInterfaceDriver {
 public:
  virtual ~TUserInterfaceDriver() = default;

  // Called by ShowModal once Form is shown and has its focus, and after it
  // closed with Result.
  virtual void FormShown(TCustomForm& Form) = 0;
  virtual void FormClosed(TCustomForm& Form, TModalResult Result) = 0;
  // Called by ShowModal again and again while Form is open: carry out the next
  // thing a person does on it (through the controls' user operations), then
  // return true. Return false when no one will act any more: the form then
  // closes with mrCancel without asking OnCloseQuery, as when the application
  // ends.
  virtual bool HandleMessage(TCustomForm& Form) = 0;
  // Called by MessageDlg: show the message and return the modal result of the
  // button the person chose (see MessageDlg for closing without a button).
  virtual int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) = 0;
  // Called by TPopupMenu::Popup after OnPopup: return the enabled, visible
  // item the person picked, or null when the menu was dismissed.
  virtual TMenuItem* TrackPopupMenu(TPopupMenu& Menu) = 0;
  // Called by GetAsyncKeyState: whether the key is held down now.
  virtual bool IsKeyDown(int VirtualKey) = 0;
  // Called by ShellExecuteW: open File with Verb ("open"); false when it
  // cannot be opened.
  virtual bool ShellExecute(const std::string& Verb, const std::string& File) = 0;
  // Called by Application->HandleException: tell the person about an
  // exception that an event handler raised while they acted.
  virtual void ShowException(const std::string& ClassName, const std::string& Message) = 0;
  // Called by TOpenDialog::Execute while its dialog is open (again after the
  // dialog refused a name): show Dialog, starting from FileName, and return
  // true with the name the person accepted in FileName, or false when they
  // cancel. The default cancels, as a driver without files to offer must.
  virtual bool FileDialog(TOpenDialog& Dialog, std::string& FileName);
};

// Passes every call on to another driver; a derived one watches what goes
// by (a form shown, a form closed) without changing who answers.
class TForwardingDriver : public TUserInterfaceDriver {
 public:
  explicit TForwardingDriver(TUserInterfaceDriver& Inner) noexcept : FInner(Inner) {}

  void FormShown(TCustomForm& Form) override { FInner.FormShown(Form); }
  void FormClosed(TCustomForm& Form, TModalResult Result) override { FInner.FormClosed(Form, Result); }
  bool HandleMessage(TCustomForm& Form) override { return FInner.HandleMessage(Form); }
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) override {
    return FInner.MessageDlg(Msg, DlgType, Buttons, HelpCtx);
  }
  TMenuItem* TrackPopupMenu(TPopupMenu& Menu) override { return FInner.TrackPopupMenu(Menu); }
  bool IsKeyDown(int VirtualKey) override { return FInner.IsKeyDown(VirtualKey); }
  bool ShellExecute(const std::string& Verb, const std::string& File) override {
    return FInner.ShellExecute(Verb, File);
  }
  void ShowException(const std::string& ClassName, const std::string& Message) override {
    FInner.ShowException(ClassName, Message);
  }
  bool FileDialog(TOpenDialog& Dialog, std::string& FileName) override { return FInner.FileDialog(Dialog, FileName); }

 private:
  TUserInterfaceDriver& FInner;
};

// The driver in use: the one installed last, else one that acts for no one:
// modal forms close with mrCancel, messages are written to standard error and
// answered as their cancel button, no key is down, nothing opens.
TUserInterfaceDriver& UserInterfaceDriver();

// Installs Driver for the lifetime of the installation; the driver installed
// before comes back afterwards. Driver must outlive the installation.
class TDriverInstallation {
 public:
  explicit TDriverInstallation(TUserInterfaceDriver& Driver) noexcept;
  ~TDriverInstallation();
  TDriverInstallation(const TDriverInstallation&) = delete;
  TDriverInstallation& operator=(const TDriverInstallation&) = delete;

 private:
  TUserInterfaceDriver* FPrevious;
};

}  // namespace vn_vcl
