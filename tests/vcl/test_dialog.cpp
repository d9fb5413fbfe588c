#include "test_dialog.h"

#include "rtl/SysUtils.h"

std::vector<std::string>& DialogLog() {
  static std::vector<std::string> Log;
  return Log;
}

namespace {
void Log(std::string Entry) { DialogLog().push_back(std::move(Entry)); }
std::string NameOf(TObject* Sender) { return As<TComponent>(Sender)->Name(); }
}  // namespace

VN_IMPLEMENT_CLASS(TTestDialog, TForm)
VN_IMPLEMENT_CLASS(TMissingFieldDialog, TForm)
VN_IMPLEMENT_CLASS(TWrongClassDialog, TForm)
VN_IMPLEMENT_CLASS(TUnknownHandlerDialog, TForm)
VN_IMPLEMENT_CLASS(TNoResourceDialog, TForm)

const TFormBindings& TTestDialog::Bindings() {
  using D = TTestDialog;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("pcMain", &D::pcMain)
                                     .Field("tsFirst", &D::tsFirst)
                                     .Field("tsSecond", &D::tsSecond)
                                     .Field("lblName", &D::lblName)
                                     .Field("cbName", &D::cbName)
                                     .Field("lbFields", &D::lbFields)
                                     .Field("cbQuoted", &D::cbQuoted)
                                     .Field("btAction", &D::btAction)
                                     .Field("btAsk", &D::btAsk)
                                     .Field("rgrKind", &D::rgrKind)
                                     .Field("meText", &D::meText)
                                     .Field("pnlButtons", &D::pnlButtons)
                                     .Field("btOk", &D::btOk)
                                     .Field("btCancel", &D::btCancel)
                                     .Field("pmFields", &D::pmFields)
                                     .Field("miSelectAll", &D::miSelectAll)
                                     .Field("miClearAll", &D::miClearAll)
                                     .Handler("FormCreate", &D::FormCreate)
                                     .Handler("FormDestroy", &D::FormDestroy)
                                     .Handler("FormCloseQuery", &D::FormCloseQuery)
                                     .Handler("cbNameChange", &D::cbNameChange)
                                     .Handler("ControlExit", &D::ControlExit)
                                     .Handler("meTextExit", &D::meTextExit)
                                     .Handler("rgrKindClick", &D::rgrKindClick)
                                     .Handler("pcMainChange", &D::pcMainChange)
                                     .Handler("cbQuotedClick", &D::cbQuotedClick)
                                     .Handler("btActionClick", &D::btActionClick)
                                     .Handler("btAskClick", &D::btAskClick)
                                     .Handler("SelectAllClick", &D::SelectAllClick)
                                     .Handler("ClearAllClick", &D::ClearAllClick)
                                     .Handler("lblNameMouseDown", &D::lblNameMouseDown)
                                     .Done();
  return B;
}

void TTestDialog::FormCreate(TObject*) {
  // The fields are bound before OnCreate runs.
  Log("create " + cbName->Name());
  meText->Lines().SetText(Statements[0]);
}

void TTestDialog::FormDestroy(TObject*) { Log("destroy " + Name()); }

void TTestDialog::FormCloseQuery(TObject*, bool& CanClose) {
  Log("closequery " + IntToStr(ModalResult()));
  if (ModalResult() != mrOk || !Trim(Statements[1]).empty()) return;
  CanClose = ::MessageDlg("The second statement is empty. Close anyway?", mtConfirmation, mbYesNoCancel, 0) == mrYes;
}

void TTestDialog::cbNameChange(TObject*) {
  Log("change " + cbName->Text());
  btAction->SetEnabled(!Trim(cbName->Text()).empty());
}

void TTestDialog::ControlExit(TObject* Sender) { Log("exit " + NameOf(Sender)); }

void TTestDialog::meTextExit(TObject*) {
  Log("exit meText");
  const int Index = rgrKind->ItemIndex();
  if (Index >= 0 && Index < static_cast<int>(Statements.size()))
    Statements[static_cast<std::size_t>(Index)] = Trim(meText->Lines().Text());
}

void TTestDialog::rgrKindClick(TObject*) {
  Log("radio " + IntToStr(rgrKind->ItemIndex()));
  const int Index = rgrKind->ItemIndex();
  if (Index >= 0 && Index < static_cast<int>(Statements.size()))
    meText->Lines().SetText(Statements[static_cast<std::size_t>(Index)]);
}

void TTestDialog::pcMainChange(TObject*) { Log("page " + pcMain->ActivePage()->Name()); }

void TTestDialog::cbQuotedClick(TObject*) { Log(std::string("quoted ") + (cbQuoted->Checked() ? "on" : "off")); }

void TTestDialog::btActionClick(TObject*) {
  if (!ActionFails.empty()) throw EConvertError(ActionFails);
  Log("action " + cbName->Text());
}

void TTestDialog::btAskClick(TObject*) {
  Log("asked " + IntToStr(::MessageDlg("Proceed?", mtConfirmation, mbYesNoCancel, 0)));
}

void TTestDialog::SelectAllClick(TObject*) {
  Log("select all on " + (pmFields->PopupComponent() ? pmFields->PopupComponent()->Name() : std::string("-")));
  if (pmFields->PopupComponent() == lbFields)
    for (int I = 0; I < lbFields->Items().Count(); ++I) lbFields->SetSelected(I, true);
}

void TTestDialog::ClearAllClick(TObject*) {
  Log("clear all on " + (pmFields->PopupComponent() ? pmFields->PopupComponent()->Name() : std::string("-")));
  if (pmFields->PopupComponent() == lbFields)
    for (int I = 0; I < lbFields->Items().Count(); ++I) lbFields->SetSelected(I, false);
}

void TTestDialog::lblNameMouseDown(TObject* Sender, TMouseButton Button, TShiftState, int, int) {
  Log("mousedown " + NameOf(Sender) + (Button == mbLeft ? " left" : Button == mbRight ? " right" : " middle"));
}

const TFormBindings& TMissingFieldDialog::Bindings() {
  static const TFormBindings B = TFormBinder<TMissingFieldDialog>()
                                     .Field("btOk", &TMissingFieldDialog::btOk)
                                     .Field("btCancel", &TMissingFieldDialog::btCancel)
                                     .Done();
  return B;
}

const TFormBindings& TWrongClassDialog::Bindings() {
  static const TFormBindings B = TFormBinder<TWrongClassDialog>().Field("btOk", &TWrongClassDialog::btOk).Done();
  return B;
}

const TFormBindings& TUnknownHandlerDialog::Bindings() {
  static const TFormBindings B = TFormBinder<TUnknownHandlerDialog>().Done();
  return B;
}

const TFormBindings& TNoResourceDialog::Bindings() {
  static const TFormBindings B = TFormBinder<TNoResourceDialog>().Done();
  return B;
}
