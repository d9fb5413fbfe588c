// Unit Vndlgs: the database component's dialog, described by its resource
// TVNDATABASEEDITDLG.
#include "varnel/Vndlgs.h"

#include "rtl/SysUtils.h"
#include "vcl/Dialogs.h"

VN_IMPLEMENT_CLASS(TVNDatabaseEditDlg, TForm)

const TFormBindings& TVNDatabaseEditDlg::Bindings() {
  using D = TVNDatabaseEditDlg;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("lblDatabaseName", &D::lblDatabaseName)
                                     .Field("cbDatabaseName", &D::cbDatabaseName)
                                     .Field("lblServerType", &D::lblServerType)
                                     .Field("cbServerType", &D::cbServerType)
                                     .Field("btSaveDefaultSrvType", &D::btSaveDefaultSrvType)
                                     .Field("lblRemoteDatabase", &D::lblRemoteDatabase)
                                     .Field("cbRemoteDatabase", &D::cbRemoteDatabase)
                                     .Field("btRemoteDatabase", &D::btRemoteDatabase)
                                     .Field("gbxOptions", &D::gbxOptions)
                                     .Field("cbKeepConnection", &D::cbKeepConnection)
                                     .Field("cbLoginPrompt", &D::cbLoginPrompt)
                                     .Field("cbDefaultDatabase", &D::cbDefaultDatabase)
                                     .Field("cbStoreConnected", &D::cbStoreConnected)
                                     .Field("lblParams", &D::lblParams)
                                     .Field("meParams", &D::meParams)
                                     .Field("btEditParams", &D::btEditParams)
                                     .Field("btLoadDefaultParams", &D::btLoadDefaultParams)
                                     .Field("btSaveDefaultParams", &D::btSaveDefaultParams)
                                     .Field("btOk", &D::btOk)
                                     .Field("btCancel", &D::btCancel)
                                     .Handler("FormCloseQuery", &D::FormCloseQuery)
                                     .Handler("btRemoteDatabaseClick", &D::btRemoteDatabaseClick)
                                     .Handler("btEditParamsClick", &D::btEditParamsClick)
                                     .Handler("btLoadDefaultParamsClick", &D::btLoadDefaultParamsClick)
                                     .Handler("btSaveDefaultParamsClick", &D::btSaveDefaultParamsClick)
                                     .Handler("btSaveDefaultSrvTypeClick", &D::btSaveDefaultSrvTypeClick)
                                     .Done();
  return B;
}

TVNDatabaseEditDlg::TVNDatabaseEditDlg(TComponent* AOwner, int) : TForm(AOwner) {
  InitInheritedComponent(Bindings());
  for (int Type = 0; Type < ServerTypeCount; ++Type)
    cbServerType->Items().Add(GetServerTypeName(static_cast<TVNServerType>(Type)));
  cbServerType->SetItemIndex(DefServerType);
  // Until the caller binds them, the default buttons have nothing to do.
  btLoadDefaultParams->SetEnabled(false);
  btSaveDefaultParams->SetEnabled(false);
  btSaveDefaultSrvType->SetEnabled(false);
}

TVNDatabaseEditDlg::~TVNDatabaseEditDlg() { DoDestroy(); }

void TVNDatabaseEditDlg::LoadData(TStrings* DatabaseNames) {
  const std::string Text = cbDatabaseName->Text();
  if (DatabaseNames != nullptr)
    cbDatabaseName->Items().Assign(*DatabaseNames);
  else
    cbDatabaseName->Items().Clear();
  cbDatabaseName->SetText(Text);
}

void TVNDatabaseEditDlg::SetDatabaseName(const std::string& Value) { cbDatabaseName->SetText(Value); }

void TVNDatabaseEditDlg::SetServerType(TVNServerType Value) { cbServerType->SetItemIndex(Value); }

void TVNDatabaseEditDlg::SetRemoteDatabase(const std::string& Value) { cbRemoteDatabase->SetText(Value); }

void TVNDatabaseEditDlg::SetRemoteDatabaseHistory(TStrings* History) {
  const std::string Text = cbRemoteDatabase->Text();
  if (History != nullptr)
    cbRemoteDatabase->Items().Assign(*History);
  else
    cbRemoteDatabase->Items().Clear();
  cbRemoteDatabase->SetText(Text);
}

void TVNDatabaseEditDlg::SetKeepConnection(bool Value) { cbKeepConnection->SetChecked(Value); }
void TVNDatabaseEditDlg::SetLoginPrompt(bool Value) { cbLoginPrompt->SetChecked(Value); }
void TVNDatabaseEditDlg::SetDefaultDatabase(bool Value) { cbDefaultDatabase->SetChecked(Value); }
void TVNDatabaseEditDlg::SetStoreConnected(bool Value) { cbStoreConnected->SetChecked(Value); }

void TVNDatabaseEditDlg::SetParams(const TStrings& Value) { meParams->Lines().Assign(Value); }

void TVNDatabaseEditDlg::SetGetDefaultParams(TGetDefaultParamsEvent Value) { FGetDefaultParams = std::move(Value); }

void TVNDatabaseEditDlg::SetOnLoadDefaultParamsClick(TNotifyEvent Value) {
  FOnLoadDefaultParamsClick = std::move(Value);
  btLoadDefaultParams->SetEnabled(static_cast<bool>(FOnLoadDefaultParamsClick));
}

void TVNDatabaseEditDlg::SetOnSaveDefaultParamsClick(TNotifyEvent Value) {
  FOnSaveDefaultParamsClick = std::move(Value);
  btSaveDefaultParams->SetEnabled(static_cast<bool>(FOnSaveDefaultParamsClick));
}

void TVNDatabaseEditDlg::SetOnSaveDefaultSrvTypeClick(TNotifyEvent Value) {
  FOnSaveDefaultSrvTypeClick = std::move(Value);
  btSaveDefaultSrvType->SetEnabled(static_cast<bool>(FOnSaveDefaultSrvTypeClick));
}

std::unique_ptr<TStringList> TVNDatabaseEditDlg::GetParams() const {
  auto Params = std::make_unique<TStringList>();
  const TStrings& Lines = meParams->Lines();
  for (int I = 0; I < Lines.Count(); ++I)
    if (!Trim(Lines.Strings(I)).empty()) Params->Add(Lines.Strings(I));
  return Params;
}

std::string TVNDatabaseEditDlg::GetDatabaseName() const { return Trim(cbDatabaseName->Text()); }

TVNServerType TVNDatabaseEditDlg::GetServerType() const {
  const int Index = cbServerType->ItemIndex();
  return Index >= 0 && Index < ServerTypeCount ? static_cast<TVNServerType>(Index) : DefServerType;
}

std::string TVNDatabaseEditDlg::GetRemoteDatabase() const { return cbRemoteDatabase->Text(); }
bool TVNDatabaseEditDlg::GetKeepConnection() const { return cbKeepConnection->Checked(); }
bool TVNDatabaseEditDlg::GetLoginPrompt() const { return cbLoginPrompt->Checked(); }
bool TVNDatabaseEditDlg::GetDefaultDatabase() const { return cbDefaultDatabase->Checked(); }
bool TVNDatabaseEditDlg::GetStoreConnected() const { return cbStoreConnected->Checked(); }

void TVNDatabaseEditDlg::FormCloseQuery(TObject*, bool& CanClose) {
  if (ModalResult() != mrOk || !GetDatabaseName().empty()) return;
  CanClose = false;
  MessageDlg("Enter a database name: datasets find the database by it.", mtError, {mbOK}, 0);
  SetActiveControl(cbDatabaseName);
}

void TVNDatabaseEditDlg::btRemoteDatabaseClick(TObject*) {
  const std::string Value = InputRemoteDatabaseValue(GetServerType(), cbRemoteDatabase->Text());
  if (!Value.empty()) cbRemoteDatabase->SetText(Value);
}

void TVNDatabaseEditDlg::btEditParamsClick(TObject*) {
  // The list is the dialog's until it is accepted: no code editor from here.
  const std::unique_ptr<TStringList> Params = GetParams();
  if (ShowDatabaseParamsEditor(*Params, nullptr, FGetDefaultParams)) SetParams(*Params);
}

void TVNDatabaseEditDlg::btLoadDefaultParamsClick(TObject*) {
  if (FOnLoadDefaultParamsClick) FOnLoadDefaultParamsClick(this);
}

void TVNDatabaseEditDlg::btSaveDefaultParamsClick(TObject*) {
  if (FOnSaveDefaultParamsClick) FOnSaveDefaultParamsClick(this);
}

void TVNDatabaseEditDlg::btSaveDefaultSrvTypeClick(TObject*) {
  if (FOnSaveDefaultSrvTypeClick) FOnSaveDefaultSrvTypeClick(this);
}
