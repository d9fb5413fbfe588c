// Unit VNReg: the component editor of databases, which binds the runtime
// library's database dialog and parameter dialog to the component and to the
// settings store.
#pragma once

#include <string>

#include "editors/component_editors.h"
#include "varnel/Vndlgs.h"

namespace VNReg {

class TVNDatabaseEditor : public TVNDefaultEditor {
  VN_DECLARE_CLASS(TVNDatabaseEditor)
 public:
  // The database dialog.
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;

  // Runs the database dialog on Database; true when it was accepted and the
  // values were written back.
  bool EditDatabase(TVNDatabase& Database);

  // The dialog's callbacks. The three events act only while the dialog is open.
  void GetDefaultParams(TStrings* List);
  void LoadDefaultParams(TObject* Sender);
  void SaveDefaultParams(TObject* Sender);
  void SaveDefaultSrvType(TObject* Sender);
  void ShowParamsCodeEditor(TStrings& List, bool MarkModified);

  // The dialog while EditDatabase runs; null at all other times.
  TVNDatabaseEditDlg* EditDlg = nullptr;
};

}  // namespace VNReg
