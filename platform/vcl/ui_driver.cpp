#include "ui_driver.h"

#include <iostream>

#include "dialog_texts.h"

namespace vn_vcl {

namespace {

// No one is there: forms close at once, messages go to standard error.
class TNobodyDriver : public TUserInterfaceDriver {
 public:
  void FormShown(TCustomForm&) override {}
  void FormClosed(TCustomForm&, TModalResult) override {}
  bool HandleMessage(TCustomForm&) override { return false; }
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) override {
    std::cerr << DescribeMessage(Msg, DlgType, Buttons) << '\n';
    return EscapeResult(Buttons);
  }
  TMenuItem* TrackPopupMenu(TPopupMenu&) override { return nullptr; }
  bool IsKeyDown(int) override { return false; }
  bool ShellExecute(const std::string&, const std::string&) override { return false; }
  void ShowException(const std::string& ClassName, const std::string& Message) override {
    std::cerr << "[Exception] " << ClassName << ": " << Message << '\n';
  }
};

TUserInterfaceDriver* Current = nullptr;

}  // namespace

bool TUserInterfaceDriver::FileDialog(TOpenDialog&, std::string&) { return false; }

TUserInterfaceDriver& UserInterfaceDriver() {
  static TNobodyDriver Nobody;
  return Current != nullptr ? *Current : Nobody;
}

TDriverInstallation::TDriverInstallation(TUserInterfaceDriver& Driver) noexcept : FPrevious(Current) {
  Current = &Driver;
}

TDriverInstallation::~TDriverInstallation() { Current = FPrevious; }

}  // namespace vn_vcl
