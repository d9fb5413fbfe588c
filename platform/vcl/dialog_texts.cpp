#include "dialog_texts.h"

#include <array>

#include "rtl/SysUtils.h"

namespace vn_vcl {

namespace {
constexpr std::array<const char*, 12> ButtonNames = {"Yes",    "No",  "OK",        "Cancel",     "Abort", "Retry",
                                                     "Ignore", "All", "No to All", "Yes to All", "Help",  "Close"};
constexpr std::array<TModalResult, 12> ButtonResults = {mrYes,    mrNo,  mrOk,      mrCancel,   mrAbort, mrRetry,
                                                        mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone,  mrClose};

std::string Squeezed(std::string_view S) {
  std::string Result;
  for (char C : S)
    if (C != ' ' && C != '_' && C != '-') Result += C;
  return Result;
}
}  // namespace

std::string MsgDlgTypeName(TMsgDlgType DlgType) {
  switch (DlgType) {
    case mtWarning:
      return "Warning";
    case mtError:
      return "Error";
    case mtInformation:
      return "Information";
    case mtConfirmation:
      return "Confirmation";
    case mtCustom:
      break;
  }
  return "Message";
}

std::string MsgDlgBtnName(TMsgDlgBtn Button) { return ButtonNames[static_cast<std::size_t>(Button)]; }

TModalResult MsgDlgBtnResult(TMsgDlgBtn Button) { return ButtonResults[static_cast<std::size_t>(Button)]; }

bool FindMsgDlgBtn(std::string_view Name, TMsgDlgBtn& Button) {
  const std::string Wanted = Squeezed(Name);
  for (std::size_t I = 0; I < ButtonNames.size(); ++I)
    if (SameText(Squeezed(ButtonNames[I]), Wanted) || SameText("mb" + Squeezed(ButtonNames[I]), Wanted)) {
      Button = static_cast<TMsgDlgBtn>(I);
      return true;
    }
  return false;
}

std::string DescribeMessage(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  std::string Names;
  for (std::size_t I = 0; I < ButtonNames.size(); ++I)
    if (Buttons.Contains(static_cast<TMsgDlgBtn>(I)))
      Names += (Names.empty() ? "" : ", ") + std::string(ButtonNames[I]);
  return "[" + MsgDlgTypeName(DlgType) + "] " + Msg + " (buttons: " + Names + ")";
}

TModalResult EscapeResult(TMsgDlgButtons Buttons) {
  for (TMsgDlgBtn B : {mbCancel, mbNo, mbOK})
    if (Buttons.Contains(B)) return MsgDlgBtnResult(B);
  for (std::size_t I = 0; I < ButtonNames.size(); ++I)
    if (Buttons.Contains(static_cast<TMsgDlgBtn>(I)) && ButtonResults[I] != mrNone) return ButtonResults[I];
  return mrCancel;
}

TModalResult EnterResult(TMsgDlgButtons Buttons) {
  for (TMsgDlgBtn B : {mbOK, mbYes})
    if (Buttons.Contains(B)) return MsgDlgBtnResult(B);
  for (std::size_t I = 0; I < ButtonNames.size(); ++I)
    if (Buttons.Contains(static_cast<TMsgDlgBtn>(I)) && ButtonResults[I] != mrNone) return ButtonResults[I];
  return mrOk;
}

std::string ModalResultName(TModalResult Result) {
  switch (Result) {
    case mrNone:
      return "mrNone";
    case mrOk:
      return "mrOk";
    case mrCancel:
      return "mrCancel";
    case mrAbort:
      return "mrAbort";
    case mrRetry:
      return "mrRetry";
    case mrIgnore:
      return "mrIgnore";
    case mrYes:
      return "mrYes";
    case mrNo:
      return "mrNo";
    case mrAll:
      return "mrAll";
    case mrNoToAll:
      return "mrNoToAll";
    case mrYesToAll:
      return "mrYesToAll";
    case mrClose:
      return "mrClose";
    default:
      return IntToStr(Result);
  }
}

}  // namespace vn_vcl
