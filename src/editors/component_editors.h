// Unit VNReg: the component editors of the palette's components (the database
// editor is database_editor.h) and the small routines they share with the
// property editors.
#pragma once

#include <string>

#include "ide/DSDesign.h"
#include "ide/DesignEditors.h"
#include "varnel/Vnengine.h"

namespace VNReg {

// Sessions, monitors, SQL base servers and scripts: the product caption,
// which opens the About dialog, after the host's own verbs.
class TVNDefaultEditor : public TComponentEditor {
  VN_DECLARE_CLASS(TVNDefaultEditor)
 public:
  // The About dialog.
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// Every dataset: the product caption, a separator and the fields editor, which
// a double click opens too. The host dataset editor's own verbs are not offered.
class TVNDataSetEditor : public TDataSetEditor {
  VN_DECLARE_CLASS(TVNDataSetEditor)
 public:
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// Queries: the parameters and, when the SQL-editor switch is on, the SQL dialog.
class TVNQueryEditor : public TVNDataSetEditor {
  VN_DECLARE_CLASS(TVNQueryEditor)
 public:
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;

  // Called by the SQL dialog to move the query's SQL into the code editor.
  void ShowCodeEditor(TStrings& List, bool MarkModified);
};

// Macro queries: the query's verbs and the macros.
class TVNMacroQueryEditor : public TVNQueryEditor {
  VN_DECLARE_CLASS(TVNMacroQueryEditor)
 public:
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// Stored procedures: the dataset's verbs and the parameters.
class TVNStoredProcEditor : public TVNDataSetEditor {
  VN_DECLARE_CLASS(TVNStoredProcEditor)
 public:
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// Update objects: the default editor's verbs, a separator and the UpdateSQL
// editor, which a double click opens too.
class TVNUpdateSQLEditor : public TVNDefaultEditor {
  VN_DECLARE_CLASS(TVNUpdateSQLEditor)
 public:
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// Scripts: exactly the default editor.
class TVNScriptEditor : public TVNDefaultEditor {
  VN_DECLARE_CLASS(TVNScriptEditor)
};

// Whether the Alt key is down at the moment of the call.
bool IsAltKeyDown();
// The Name of the designer's root; "" without a designer.
std::string GetDesignerRootName(IDesigner* Designer);
// The database of StoredProc's DatabaseName in the session of its SessionName
// (made when there is none); null when the session has no such database.
TVNDatabase* FindStoredProcDatabase(const TVNStoredProc& StoredProc);
// True only when DataSet's session exists and has its database, connected.
bool IsDataSetDatabaseConnected(const TVNDataSet& DataSet);
// The collection editor on the query's parameters, nothing added, deleted or
// moved. Answers false: the editor marks the designer itself.
bool EditQueryParams(IDesigner* Designer, TVNQuery& Query);
// The same on a macro query's macros.
bool EditMacroQueryMacros(IDesigner* Designer, TVNMacroQuery& Query);
// The collection editor on the procedure's parameters, prepared for it when it
// has none: adding and deleting allowed unless its connected database
// described them. The procedure is unprepared afterwards. Answers false.
bool EditStoredProcParams(IDesigner* Designer, TVNStoredProc& StoredProc);
// The UpdateSQL editor on UpdateObject; true, with the designer marked
// modified, when it was accepted.
bool EditUpdateSQLObject(IDesigner* Designer, TVNUpdateSQL& UpdateObject);

}  // namespace VNReg
