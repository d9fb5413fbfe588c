#include "editors/database_editor.h"

#include <memory>

#include "editors/code_editor_bridge.h"
#include "registration/vnreg.h"
#include "varnel/Vnconsts.h"
#include "vcl/Forms.h"

namespace VNReg {

VN_IMPLEMENT_CLASS(TVNDatabaseEditor, TVNDefaultEditor)

namespace {

// Clears the editor's reference to its dialog on every way out of
// EditDatabase, before the dialog itself goes.
class TEditDlgScope {
 public:
  TEditDlgScope(TVNDatabaseEditor& Editor, TVNDatabaseEditDlg& Dialog) : FEditor(Editor) { FEditor.EditDlg = &Dialog; }
  ~TEditDlgScope() { FEditor.EditDlg = nullptr; }
  TEditDlgScope(const TEditDlgScope&) = delete;
  TEditDlgScope& operator=(const TEditDlgScope&) = delete;

 private:
  TVNDatabaseEditor& FEditor;
};

TVNDesignDBOptions WithOption(TVNDesignDBOptions Options, TVNDesignDBOption Option, bool On) {
  return On ? Options.Include(Option) : Options.Exclude(Option);
}

}  // namespace

void TVNDatabaseEditor::Edit() { ExecuteVerb(TVNDefaultEditor::GetVerbCount() + 1); }

void TVNDatabaseEditor::ExecuteVerb(int Index) {
  const int D = TVNDefaultEditor::GetVerbCount();
  if (Index < D) {
    TVNDefaultEditor::ExecuteVerb(Index);
  } else if (Index == D + 1) {
    if (EditDatabase(As<TVNDatabase>(Component())))
      if (IDesigner* Designer = GetDesigner()) Designer->Modified();
  } else if (Index == D + 2) {
    if (!CloseStringsModule(GetDesigner(), &Component(), "Params")) return;
    TVNDatabase& Database = As<TVNDatabase>(Component());
    const bool Accepted = ShowDatabaseParamsEditor(
        Database.Params(), [this](TStrings& List, bool Mark) { ShowParamsCodeEditor(List, Mark); },
        [this](TStrings* List) { GetDefaultParams(List); });
    if (Accepted)
      if (IDesigner* Designer = GetDesigner()) Designer->Modified();
  }
}

std::string TVNDatabaseEditor::GetVerb(int Index) {
  const int D = TVNDefaultEditor::GetVerbCount();
  if (Index < D) return TVNDefaultEditor::GetVerb(Index);
  if (Index == D) return "-";
  if (Index == D + 1) return std::string(SEditDatabaseVerb);
  if (Index == D + 2) return std::string(SBindVerb);
  return "";
}

int TVNDatabaseEditor::GetVerbCount() { return TVNDefaultEditor::GetVerbCount() + 3; }

bool TVNDatabaseEditor::EditDatabase(TVNDatabase& Database) {
  auto Dialog = std::make_unique<TVNDatabaseEditDlg>(Application, 0);
  const TEditDlgScope Scope(*this, *Dialog);

  Dialog->LoadData(nullptr);
  Dialog->SetDatabaseName(Database.DatabaseName());
  Dialog->SetServerType(Database.ServerType());
  Dialog->SetRemoteDatabase(Database.RemoteDatabase());
  Dialog->SetRemoteDatabaseHistory(DesignSettings != nullptr ? &DesignSettings->RecentDatabases() : nullptr);
  Dialog->SetKeepConnection(Database.KeepConnection());
  Dialog->SetLoginPrompt(Database.LoginPrompt());
  Dialog->SetDefaultDatabase(Database.DesignOptions().Contains(ddoIsDefaultDatabase));
  Dialog->SetStoreConnected(Database.DesignOptions().Contains(ddoStoreConnected));
  Dialog->SetParams(Database.Params());

  Dialog->SetGetDefaultParams([this](TStrings* List) { GetDefaultParams(List); });
  Dialog->SetOnLoadDefaultParamsClick({"LoadDefaultParams", [this](TObject* Sender) { LoadDefaultParams(Sender); }});
  Dialog->SetOnSaveDefaultParamsClick({"SaveDefaultParams", [this](TObject* Sender) { SaveDefaultParams(Sender); }});
  Dialog->SetOnSaveDefaultSrvTypeClick(
      {"SaveDefaultSrvType", [this](TObject* Sender) { SaveDefaultSrvType(Sender); }});

  if (Dialog->ShowModal() != mrOk) return false;

  Database.SetParams(*Dialog->GetParams());
  Database.SetDatabaseName(Dialog->GetDatabaseName());
  Database.SetServerType(Dialog->GetServerType());
  Database.SetRemoteDatabase(Dialog->GetRemoteDatabase());
  Database.SetKeepConnection(Dialog->GetKeepConnection());
  Database.SetLoginPrompt(Dialog->GetLoginPrompt());
  Database.SetDesignOptions(WithOption(Database.DesignOptions(), ddoIsDefaultDatabase, Dialog->GetDefaultDatabase()));
  Database.SetDesignOptions(WithOption(Database.DesignOptions(), ddoStoreConnected, Dialog->GetStoreConnected()));
  return true;
}

void TVNDatabaseEditor::GetDefaultParams(TStrings* List) {
  if (List != nullptr && DesignSettings != nullptr) List->Assign(DesignSettings->DbParams());
}

void TVNDatabaseEditor::LoadDefaultParams(TObject*) {
  if (EditDlg != nullptr && DesignSettings != nullptr) EditDlg->SetParams(DesignSettings->DbParams());
}

void TVNDatabaseEditor::SaveDefaultParams(TObject*) {
  if (EditDlg != nullptr && DesignSettings != nullptr) DesignSettings->SaveDbParams(*EditDlg->GetParams());
}

void TVNDatabaseEditor::SaveDefaultSrvType(TObject*) {
  if (EditDlg != nullptr && DesignSettings != nullptr) DesignSettings->WriteDefaultServerType(EditDlg->GetServerType());
}

void TVNDatabaseEditor::ShowParamsCodeEditor(TStrings& List, bool MarkModified) {
  ShowStringsInCodeEditor(GetDesigner(), &Component(), "Params", List, MarkModified);
}

}  // namespace VNReg
