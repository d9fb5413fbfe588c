#include "vcl/Dialogs.h"

#include <filesystem>

#include "rtl/SysUtils.h"
#include "ui_driver.h"

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  // A dialog without buttons could never be answered.
  if (Buttons.Empty()) Buttons = {mbOK};
  return vn_vcl::UserInterfaceDriver().MessageDlg(Msg, DlgType, Buttons, HelpCtx);
}

void ShowMessage(const std::string& Msg) { MessageDlg(Msg, mtCustom, {mbOK}, 0); }

// ---------------------------------------------------------------------------
// TOpenDialog

VN_IMPLEMENT_CLASS(TOpenDialog, TComponent)

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TOpenDialog::Execute() {
  namespace fs = std::filesystem;
  std::string Chosen = FFileName;
  while (vn_vcl::UserInterfaceDriver().FileDialog(*this, Chosen)) {
    if (Trim(Chosen).empty()) continue;  // OK on an empty name does nothing
    fs::path Path(NativeFileName(Chosen));
    if (Path.is_relative()) {
      const std::string Base = FInitialDir.empty() ? GetCurrentDir() : NativeFileName(FInitialDir);
      Path = fs::path(Base) / Path;
    }
    Path = Path.lexically_normal();
    if (!FDefaultExt.empty() && !Path.has_extension()) Path += "." + FDefaultExt;
    std::error_code Error;
    const fs::path Folder = Path.parent_path();
    if (FOptions.Contains(ofPathMustExist) && !fs::is_directory(Folder, Error)) {
      MessageDlg(Folder.string() + "\nPath does not exist.\nCheck the path and try again.", mtWarning, {mbOK}, 0);
      continue;
    }
    if (FOptions.Contains(ofFileMustExist) && !fs::is_regular_file(Path, Error)) {
      MessageDlg(Path.filename().string() + "\nFile not found.\nCheck the file name and try again.", mtWarning,
                 {mbOK}, 0);
      continue;
    }
    FFileName = Path.string();
    return true;
  }
  return false;
}
