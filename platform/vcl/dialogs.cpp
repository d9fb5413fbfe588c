#include "vcl/Dialogs.h"

#include "ui_driver.h"

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  // A dialog without buttons could never be answered.
  if (Buttons.Empty()) Buttons = {mbOK};
  return vn_vcl::UserInterfaceDriver().MessageDlg(Msg, DlgType, Buttons, HelpCtx);
}

void ShowMessage(const std::string& Msg) { MessageDlg(Msg, mtCustom, {mbOK}, 0); }
