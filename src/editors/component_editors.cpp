#include "editors/component_editors.h"

#include <cstdint>

#include "about/about_dlg.h"
#include "editors/code_editor_bridge.h"
#include "editors/product_caption.h"
#include "ide/ColnEdit.h"
#include "registration/vnreg.h"
#include "rtl/SysUtils.h"
#include "rtl/Windows.h"
#include "updatesql/update_sql_edit_form.h"
#include "varnel/Vnconsts.h"
#include "varnel/Vndlgs.h"

namespace VNReg {

VN_IMPLEMENT_CLASS(TVNDefaultEditor, TComponentEditor)
VN_IMPLEMENT_CLASS(TVNDataSetEditor, TDataSetEditor)
VN_IMPLEMENT_CLASS(TVNQueryEditor, TVNDataSetEditor)
VN_IMPLEMENT_CLASS(TVNMacroQueryEditor, TVNQueryEditor)
VN_IMPLEMENT_CLASS(TVNStoredProcEditor, TVNDataSetEditor)
VN_IMPLEMENT_CLASS(TVNUpdateSQLEditor, TVNDefaultEditor)
VN_IMPLEMENT_CLASS(TVNScriptEditor, TVNDefaultEditor)

namespace {

// Each override passes the indexes it does not claim to its base class's own
// implementation, called directly: a descendant's override must not see them
// again.

void MarkModified(const TComponentEditor& Editor) {
  if (IDesigner* Designer = Editor.GetDesigner()) Designer->Modified();
}

bool SQLEditorSwitch() { return DesignSettings != nullptr && DesignSettings->SQLEditor(); }

constexpr int DataSetVerbCount = 3;

}  // namespace

// ---------------------------------------------------------------------------
// TVNDefaultEditor

void TVNDefaultEditor::Edit() { TVNDefaultEditor::ExecuteVerb(TComponentEditor::GetVerbCount()); }

void TVNDefaultEditor::ExecuteVerb(int Index) {
  const int B = TComponentEditor::GetVerbCount();
  if (Index == B) VNAbout::ShowAboutBox();
  else if (Index < B) TComponentEditor::ExecuteVerb(Index);
}

std::string TVNDefaultEditor::GetVerb(int Index) {
  const int B = TComponentEditor::GetVerbCount();
  if (Index == B) return GetProductCaption();
  if (Index < B) return TComponentEditor::GetVerb(Index);
  return "";
}

int TVNDefaultEditor::GetVerbCount() { return TComponentEditor::GetVerbCount() + 1; }

// ---------------------------------------------------------------------------
// TVNDataSetEditor

void TVNDataSetEditor::Edit() { ExecuteVerb(2); }

void TVNDataSetEditor::ExecuteVerb(int Index) {
  switch (Index) {
    case 0:
      VNAbout::ShowAboutBox();
      break;
    case 2:
      ShowFieldsEditor(GetDesigner(), As<TDataSet>(Component()), GetDSDesignerClass());
      break;
    default:
      break;
  }
}

std::string TVNDataSetEditor::GetVerb(int Index) {
  switch (Index) {
    case 0:
      return GetProductCaption();
    case 1:
      return "-";
    case 2:
      return std::string(SDatasetDesignerVerb);
    default:
      return "";
  }
}

int TVNDataSetEditor::GetVerbCount() { return DataSetVerbCount; }

// ---------------------------------------------------------------------------
// TVNQueryEditor

void TVNQueryEditor::ExecuteVerb(int Index) {
  TVNQuery& Query = As<TVNQuery>(Component());
  if (Index == 3) {
    if (EditQueryParams(GetDesigner(), Query)) MarkModified(*this);
  } else if (Index == 4) {
    // Index 4 runs the SQL dialog whether or not the menu lists it.
    if (!CloseStringsModule(GetDesigner(), &Query, "SQL")) return;
    const std::string Caption = GetDesignerRootName(GetDesigner()) + "." + Query.Name() + ".SQL";
    if (ShowSQLEditor(Caption, Query, [this](TStrings& List, bool Mark) { ShowCodeEditor(List, Mark); }))
      MarkModified(*this);
  } else {
    TVNDataSetEditor::ExecuteVerb(Index);
  }
}

std::string TVNQueryEditor::GetVerb(int Index) {
  if (Index == 3) return std::string(SBindVerb);
  if (Index == 4) return std::string(SEditSQLVerb);
  return TVNDataSetEditor::GetVerb(Index);
}

int TVNQueryEditor::GetVerbCount() { return TVNDataSetEditor::GetVerbCount() + 1 + (SQLEditorSwitch() ? 1 : 0); }

void TVNQueryEditor::ShowCodeEditor(TStrings& List, bool MarkModified) {
  ShowStringsInCodeEditor(GetDesigner(), &Component(), "SQL", List, MarkModified);
}

// ---------------------------------------------------------------------------
// TVNMacroQueryEditor

void TVNMacroQueryEditor::ExecuteVerb(int Index) {
  if (Index == TVNQueryEditor::GetVerbCount()) {
    if (EditMacroQueryMacros(GetDesigner(), As<TVNMacroQuery>(Component()))) MarkModified(*this);
  } else {
    TVNQueryEditor::ExecuteVerb(Index);
  }
}

std::string TVNMacroQueryEditor::GetVerb(int Index) {
  if (Index == TVNQueryEditor::GetVerbCount()) return std::string(SBindMacrosVerb);
  return TVNQueryEditor::GetVerb(Index);
}

int TVNMacroQueryEditor::GetVerbCount() { return TVNQueryEditor::GetVerbCount() + 1; }

// ---------------------------------------------------------------------------
// TVNStoredProcEditor

void TVNStoredProcEditor::ExecuteVerb(int Index) {
  TVNStoredProc& StoredProc = As<TVNStoredProc>(Component());
  if (Index == 3) {
    if (EditStoredProcParams(GetDesigner(), StoredProc)) MarkModified(*this);
  } else {
    TVNDataSetEditor::ExecuteVerb(Index);
  }
}

std::string TVNStoredProcEditor::GetVerb(int Index) {
  if (Index == 3) return std::string(SBindVerb);
  return TVNDataSetEditor::GetVerb(Index);
}

int TVNStoredProcEditor::GetVerbCount() { return TVNDataSetEditor::GetVerbCount() + 1; }

// ---------------------------------------------------------------------------
// TVNUpdateSQLEditor

void TVNUpdateSQLEditor::Edit() { ExecuteVerb(TVNDefaultEditor::GetVerbCount() + 1); }

void TVNUpdateSQLEditor::ExecuteVerb(int Index) {
  const int D = TVNDefaultEditor::GetVerbCount();
  if (Index == D + 1) EditUpdateSQLObject(GetDesigner(), As<TVNUpdateSQL>(Component()));
  else if (Index != D) TVNDefaultEditor::ExecuteVerb(Index);
}

std::string TVNUpdateSQLEditor::GetVerb(int Index) {
  const int D = TVNDefaultEditor::GetVerbCount();
  if (Index == D) return "-";
  if (Index == D + 1) return std::string(SUpdateSQLEditor);
  return TVNDefaultEditor::GetVerb(Index);
}

int TVNUpdateSQLEditor::GetVerbCount() { return TVNDefaultEditor::GetVerbCount() + 2; }

// ---------------------------------------------------------------------------
// Shared routines

bool IsAltKeyDown() { return (static_cast<std::uint16_t>(GetAsyncKeyState(VK_MENU)) & 0x8000u) != 0; }

std::string GetDesignerRootName(IDesigner* Designer) {
  TComponent* Root = Designer != nullptr ? Designer->GetRoot() : nullptr;
  return Root != nullptr ? Root->Name() : "";
}

TVNDatabase* FindStoredProcDatabase(const TVNStoredProc& StoredProc) {
  return Sessions().GetSessionByName(StoredProc.SessionName()).FindDatabase(StoredProc.DatabaseName());
}

bool IsDataSetDatabaseConnected(const TVNDataSet& DataSet) {
  TVNSession* Session = Sessions().FindSession(DataSet.SessionName());
  if (Session == nullptr) return false;
  TVNDatabase* Database = Session->FindDatabase(DataSet.DatabaseName());
  return Database != nullptr && Database->Connected();
}

bool EditQueryParams(IDesigner* Designer, TVNQuery& Query) {
  ShowCollectionEditorClass(Designer, TCollectionEditor::StaticClass(), Query, Query.Params(), "Params", {});
  return false;
}

bool EditMacroQueryMacros(IDesigner* Designer, TVNMacroQuery& Query) {
  ShowCollectionEditorClass(Designer, TCollectionEditor::StaticClass(), Query, Query.Macros(), "Macros", {});
  return false;
}

bool EditStoredProcParams(IDesigner* Designer, TVNStoredProc& StoredProc) {
  if (StoredProc.ParamsCount() == 0 && !StoredProc.Prepared()) StoredProc.Prepare();
  TVNDatabase* Database = StoredProc.Database();
  if (Database == nullptr && !Trim(StoredProc.DatabaseName()).empty()) Database = FindStoredProcDatabase(StoredProc);
  // Parameters the server described are the procedure's own: they are not
  // the developer's to add or delete.
  const bool Described = Database != nullptr && Database->Connected() && StoredProc.DescriptionsAvailable();
  const TColOptions Options = Described ? TColOptions{} : TColOptions{coAdd, coDelete};
  ShowCollectionEditorClass(Designer, TCollectionEditor::StaticClass(), StoredProc, StoredProc.Params(), "Params",
                            Options);
  if (StoredProc.Prepared()) StoredProc.UnPrepare();
  return false;
}

bool EditUpdateSQLObject(IDesigner* Designer, TVNUpdateSQL& UpdateObject) {
  if (!VNUpdSEd::EditUpdateSQL(UpdateObject)) return false;
  if (Designer != nullptr) Designer->Modified();
  return true;
}

}  // namespace VNReg
