#include "about/about_dlg.h"

#include <memory>
#include <string>

#include "about/product_info.h"
#include "vcl/Dialogs.h"
#include "rtl/SysUtils.h"
#include "rtl/Windows.h"

namespace VNAbout {

namespace {

// The shell is asked to open the address as a document of its own, hidden;
// a result of 32 or less is the shell's failure range.
void OpenAddress(std::string_view Address) {
  // The addresses are ASCII, so each character is one wide character.
  const std::wstring Wide(Address.begin(), Address.end());
  if (ShellExecuteW(0, L"open", Wide.c_str(), nullptr, nullptr, SW_HIDE) <= 32)
    MessageDlg(Format("Error opening following address: %s", {std::string(Address)}), mtError, {mbOK}, 0);
}

}  // namespace

VN_IMPLEMENT_CLASS(TVNAboutDlg, TForm)

const TFormBindings& TVNAboutDlg::Bindings() {
  using F = TVNAboutDlg;
  static const TFormBindings B = TFormBinder<F>()
                                     .Field("imgLogo", &F::imgLogo)
                                     .Field("lblCopyright", &F::lblCopyright)
                                     .Field("bvCopyright", &F::bvCopyright)
                                     .Field("btOk", &F::btOk)
                                     .Field("lblHome", &F::lblHome)
                                     .Field("lblOrder", &F::lblOrder)
                                     .Field("lblProductName", &F::lblProductName)
                                     .Field("lblVersion", &F::lblVersion)
                                     .Field("lblSupport", &F::lblSupport)
                                     .Field("lblLinks", &F::lblLinks)
                                     .Field("lblOrderVarnelStd", &F::lblOrderVarnelStd)
                                     .Field("lblOrderVarnelPro", &F::lblOrderVarnelPro)
                                     .Handler("lblHomeMouseDown", &F::lblHomeMouseDown)
                                     .Handler("FormCreate", &F::FormCreate)
                                     .Handler("lblOrderMouseDown", &F::lblOrderMouseDown)
                                     .Handler("lblSupportMouseDown", &F::lblSupportMouseDown)
                                     .Done();
  return B;
}

void TVNAboutDlg::FormCreate(TObject*) {
  const TProductInfo Info = ReadPackageProductInfo();
  lblCopyright->SetCaption(std::string(CopyrightLine));
  lblProductName->SetCaption(Info.ProductName);
  lblVersion->SetCaption(Format("Version %s", {Info.Version}));
}

void TVNAboutDlg::lblHomeMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button == mbLeft) OpenAddress(HomePageAddress);
}

void TVNAboutDlg::lblOrderMouseDown(TObject* Sender, TMouseButton Button, TShiftState, int, int) {
  if (Button != mbLeft) return;
  OpenAddress(Sender == lblOrderVarnelStd ? OrderStdAddress : OrderProAddress);
}

void TVNAboutDlg::lblSupportMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button == mbLeft) OpenAddress(SupportAddress);
}

void ShowAboutBox() {
  TVNAboutDlg* Created = nullptr;
  Application->CreateForm(Created);
  const std::unique_ptr<TVNAboutDlg> Dialog(Created);
  Dialog->ShowModal();
}

}  // namespace VNAbout

extern "C" void VNAbout_ShowAboutBox() { VNAbout::ShowAboutBox(); }
