// Unit VNReg: the Object Inspector editors that open something: the collection
// editor for parameters, the file-open dialog for a database's parameter file,
// and the runtime library's parameter and SQL dialogs for string lists, with
// the IDE code editor as the alternative (the Alt key, or from the dialogs).
#pragma once

#include <string>

#include "ide/PropEdits.h"

namespace VNReg {

// The filter of the parameter-file dialog: ini files first, so chosen first.
inline constexpr const char* SParamsFileFilter =
    "Ini-files (*.ini)|*.INI|Text files (*.txt)|*.TXT|All files (*.*)|*.*";

// A parameter collection, shown as "(TParams)" whatever it holds.
class TVNParamsProperty : public TPropertyEditor {
  VN_DECLARE_CLASS(TVNParamsProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  std::string GetValue() override;
};

// A query's parameters in the host's collection editor.
class TVNQueryParamsProperty : public TVNParamsProperty {
  VN_DECLARE_CLASS(TVNQueryParamsProperty)
 public:
  void Edit() override;
};

// A stored procedure's parameters in the host's collection editor.
class TVNStoredProcParamsProperty : public TVNParamsProperty {
  VN_DECLARE_CLASS(TVNStoredProcParamsProperty)
 public:
  void Edit() override;
};

// A database's parameter file, chosen in the file-open dialog.
class TVNFileNameProperty : public TStringProperty {
  VN_DECLARE_CLASS(TVNFileNameProperty)
 public:
  void Edit() override;
  TPropertyAttributes GetAttributes() override;
};

// A string list edited in a dialog: not unfolded, an ellipsis button instead.
class TVNStringListEditDlgProperty : public TClassProperty {
  VN_DECLARE_CLASS(TVNStringListEditDlgProperty)
 public:
  TPropertyAttributes GetAttributes() override;

 protected:
  // The component's own list, and writing a list through the property.
  TStrings& GetStrings() const;
  void SetStrings(TStrings& Strings);
  // Opens Strings as a text module in the IDE code editor.
  void ShowCodeEditor(TStrings& Strings, bool MarkModified);
};

// A database's connection parameters in the runtime library's dialog.
class TVNDatabaseParamsProperty : public TVNStringListEditDlgProperty {
  VN_DECLARE_CLASS(TVNDatabaseParamsProperty)
 public:
  void Edit() override;

 private:
  // Replaces List (when not null) by the stored default parameters.
  void GetDefaultParams(TStrings* List);
};

// A query's SQL in the runtime library's SQL dialog; registered only while the
// settings' SQL-editor switch is on.
class TVNQuerySQLProperty : public TVNStringListEditDlgProperty {
  VN_DECLARE_CLASS(TVNQuerySQLProperty)
 public:
  void Edit() override;
};

}  // namespace VNReg
