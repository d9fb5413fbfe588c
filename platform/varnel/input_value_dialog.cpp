// Unit Vninputdlg: a form of the runtime library's own, described by its
// resource TVNINPUTVALUEDLG in the library file.
#include <memory>

#include "varnel/Vninputdlg.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

namespace {

class TVNInputValueDlg : public TForm {
  VN_DECLARE_FORM(TVNInputValueDlg, TForm)
 public:
  TLabel* lblPrompt = nullptr;
  TEdit* edValue = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;
};

}  // namespace

VN_IMPLEMENT_CLASS(TVNInputValueDlg, TForm)

const TFormBindings& TVNInputValueDlg::Bindings() {
  using D = TVNInputValueDlg;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("lblPrompt", &D::lblPrompt)
                                     .Field("edValue", &D::edValue)
                                     .Field("btOk", &D::btOk)
                                     .Field("btCancel", &D::btCancel)
                                     .Done();
  return B;
}

bool InputValue(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  auto Dialog = std::make_unique<TVNInputValueDlg>(Application);
  Dialog->SetCaption(Caption);
  Dialog->lblPrompt->SetCaption(Prompt);
  Dialog->edValue->SetText(Value);
  if (Dialog->ShowModal() != mrOk) return false;
  Value = Dialog->edValue->Text();
  return true;
}

extern "C" bool Vninputdlg_InputValue(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  return InputValue(Caption, Prompt, Value);
}
