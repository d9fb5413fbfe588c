// Unit Vndlgs: the connection-parameter list editor, a form of the runtime
// library's own described by its resource TVNPARAMSEDITDLG.
#include "varnel/Vndlgs.h"

#include <memory>

#include "rtl/SysUtils.h"

namespace {

class TVNParamsEditDlg : public TForm {
  VN_DECLARE_FORM(TVNParamsEditDlg, TForm)
 public:
  TLabel* lblParams = nullptr;
  TMemo* meParams = nullptr;
  TButton* btDefaults = nullptr;
  TButton* btCodeEditor = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;

  void btDefaultsClick(TObject* Sender);
  void btCodeEditorClick(TObject* Sender);

  TGetDefaultParamsEvent FGetDefaultParams;
  // Set by the code-editor button: the list goes there once the dialog is
  // closed, so the code editor never opens under a modal dialog.
  bool FCodeEditorChosen = false;
};

// Lines without the blank ones, which name no parameter.
void AssignNonBlankLines(TStrings& Target, const TStrings& Source) {
  TStringList Lines;
  for (int I = 0; I < Source.Count(); ++I)
    if (!Trim(Source.Strings(I)).empty()) Lines.Add(Source.Strings(I));
  Target.Assign(Lines);
}

}  // namespace

VN_IMPLEMENT_CLASS(TVNParamsEditDlg, TForm)

const TFormBindings& TVNParamsEditDlg::Bindings() {
  using D = TVNParamsEditDlg;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("lblParams", &D::lblParams)
                                     .Field("meParams", &D::meParams)
                                     .Field("btDefaults", &D::btDefaults)
                                     .Field("btCodeEditor", &D::btCodeEditor)
                                     .Field("btOk", &D::btOk)
                                     .Field("btCancel", &D::btCancel)
                                     .Handler("btDefaultsClick", &D::btDefaultsClick)
                                     .Handler("btCodeEditorClick", &D::btCodeEditorClick)
                                     .Done();
  return B;
}

void TVNParamsEditDlg::btDefaultsClick(TObject*) {
  if (!FGetDefaultParams) return;
  TStringList Defaults;
  FGetDefaultParams(&Defaults);
  meParams->Lines().Assign(Defaults);
}

void TVNParamsEditDlg::btCodeEditorClick(TObject*) {
  FCodeEditorChosen = true;
  SetModalResult(mrCancel);
}

bool ShowDatabaseParamsEditor(TStrings& Params, const TShowCodeEditorEvent& ShowCodeEditor,
                              const TGetDefaultParamsEvent& GetDefaultParams) {
  auto Dialog = std::make_unique<TVNParamsEditDlg>(Application);
  Dialog->meParams->Lines().Assign(Params);
  Dialog->FGetDefaultParams = GetDefaultParams;
  Dialog->btDefaults->SetEnabled(static_cast<bool>(GetDefaultParams));
  Dialog->btCodeEditor->SetEnabled(static_cast<bool>(ShowCodeEditor));
  const TModalResult Result = Dialog->ShowModal();
  if (Dialog->FCodeEditorChosen && ShowCodeEditor) {
    TStringList Text;
    Text.Assign(Dialog->meParams->Lines());
    Dialog.reset();
    ShowCodeEditor(Text, !Text.Equals(Params));
    return false;
  }
  if (Result != mrOk) return false;
  AssignNonBlankLines(Params, Dialog->meParams->Lines());
  return true;
}

extern "C" bool Vndlgs_ShowDatabaseParamsEditor(TStrings& Params, const TShowCodeEditorEvent& ShowCodeEditor,
                                                const TGetDefaultParamsEvent& GetDefaultParams) {
  return ShowDatabaseParamsEditor(Params, ShowCodeEditor, GetDefaultParams);
}
