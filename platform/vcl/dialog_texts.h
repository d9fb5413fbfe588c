// How message dialogs and modal results read in the drivers' text.
#pragma once

#include <string>
#include <string_view>

#include "vcl/Dialogs.h"

namespace vn_vcl {

// "Error", "Warning", "Information", "Confirmation"; "Message" for mtCustom.
std::string MsgDlgTypeName(TMsgDlgType DlgType);
// "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "No to All",
// "Yes to All", "Help", "Close".
std::string MsgDlgBtnName(TMsgDlgBtn Button);
TModalResult MsgDlgBtnResult(TMsgDlgBtn Button);
// The button a name stands for (without regard to case and blanks: "notoall"
// is "No to All"); false when it names none.
bool FindMsgDlgBtn(std::string_view Name, TMsgDlgBtn& Button);
// "[Error] text (buttons: Yes, No, Cancel)"
std::string DescribeMessage(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// The answer of a dialog closed without a button: its cancel button's, which
// is mbCancel, else mbNo, else mbOK; with none of them, its first button's.
TModalResult EscapeResult(TMsgDlgButtons Buttons);
// The button that Enter presses: mbOK, else mbYes, else the first.
TModalResult EnterResult(TMsgDlgButtons Buttons);
// "mrOk", "mrCancel" ... or the number.
std::string ModalResultName(TModalResult Result);

}  // namespace vn_vcl
