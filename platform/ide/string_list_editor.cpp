// The IDE's string-list editor: the dialog behind every string-list property
// that has no editor of its own, and the code editor instead with Alt held.
#include <memory>

#include "code_editor.h"
#include "ide/PropEdits.h"
#include "ide/StFilSys.h"
#include "rtl/SysUtils.h"
#include "rtl/Windows.h"
#include "strings_file_system.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

VN_IMPLEMENT_CLASS(TStringListProperty, TClassProperty)

namespace {

class TStrEditDlg : public TForm {
  VN_DECLARE_FORM(TStrEditDlg, TForm)
 public:
  TLabel* LineCount = nullptr;
  TMemo* Memo = nullptr;
  TButton* CodeWndBtn = nullptr;
  TButton* OKButton = nullptr;
  TButton* CancelButton = nullptr;

  // "1 line", "2 lines": the count shown above the memo.
  void MemoChange(TObject*) {
    const int Count = Memo->Lines().Count();
    LineCount->SetCaption(Format(Count == 1 ? "%d line" : "%d lines", {Count}));
  }
};

VN_IMPLEMENT_CLASS(TStrEditDlg, TForm)

const TFormBindings& TStrEditDlg::Bindings() {
  using D = TStrEditDlg;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("LineCount", &D::LineCount)
                                     .Field("Memo", &D::Memo)
                                     .Field("CodeWndBtn", &D::CodeWndBtn)
                                     .Field("OKButton", &D::OKButton)
                                     .Field("CancelButton", &D::CancelButton)
                                     .Handler("MemoChange", &D::MemoChange)
                                     .Done();
  return B;
}

bool AltKeyDown() { return (static_cast<std::uint16_t>(GetAsyncKeyState(VK_MENU)) & 0x8000u) != 0; }

}  // namespace

TPropertyAttributes TStringListProperty::GetAttributes() { return {paDialog, paReadOnly}; }

TStrings& TStringListProperty::Strings(int Index) const {
  return dynamic_cast<TStrings&>(*GetObjectProp(*GetComponent(Index), GetPropInfo()));
}

void TStringListProperty::Edit() {
  if (AltKeyDown()) {
    ShowCodeEditor(Strings(0).Text(), false);
    return;
  }
  auto Dialog = std::make_unique<TStrEditDlg>(Application);
  Dialog->SetCaption(Dialog->Caption() + " - " + GetName());
  Dialog->Memo->Lines().Assign(Strings(0));
  Dialog->MemoChange(nullptr);
  const TModalResult Result = Dialog->ShowModal();
  if (Result == mrYes) {
    // The person moved on to the code editor with what the dialog holds.
    ShowCodeEditor(Dialog->Memo->Lines().Text(), true);
    return;
  }
  if (Result != mrOk) return;
  for (int I = 0; I < PropCount(); ++I) Strings(I).Assign(Dialog->Memo->Lines());
  Modified();
}

void TStringListProperty::ShowCodeEditor(const std::string& Text, bool MarkModified) {
  // A module of the strings file system stands for the first component's
  // property, named as the designer names it: "dfm.Root.Component.Property".
  auto* Component = dynamic_cast<TComponent*>(GetComponent(0));
  TComponent* Root = Designer() != nullptr ? Designer()->GetRoot() : nullptr;
  if (Component == nullptr || Root == nullptr || Component->Owner() != Root || Root->Name().empty())
    throw EPropertyError(GetName() + " can be opened in the code editor only on a named component of a named root");
  StFilSys::Register();
  const std::string Ident =
      Designer()->GetDesignerExtension() + "." + Root->Name() + "." + Component->Name() + "." + GetName();
  const auto Module = vn_ide::IDEServices().OpenText(Ident, std::string(StFilSys::sTStringsFileSystem), Text, true);
  StFilSys::StringsFileSystem().GetTStringsProperty(Ident, Component, GetName()).SetFileDate(DateTimeToFileDate(Now()));
  if (MarkModified) Module->MarkModified();
  Module->Show();
}
