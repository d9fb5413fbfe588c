// Unit VNReg: the Object Inspector editors of the components' name-valued
// properties: drop-down lists of sessions, databases, stored procedures and
// tables, the remote-database history, and the history update on connecting.
#pragma once

#include <string>

#include "ide/PropEdits.h"

namespace VNReg {

// The text offered while the remote-database history is empty; picking it
// changes nothing.
inline constexpr const char* SHistoryPlaceholder = "<history list>";

// A string property with a sorted, multi-select drop-down list that a
// descendant fills.
class TVNStringProperty : public TStringProperty {
  VN_DECLARE_CLASS(TVNStringProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  void GetValues(const TGetStrProc& Proc) override;
  // Called by GetValues with an empty list: append the candidate values, in
  // the order the runtime library gives them (the host sorts). Abstract here.
  virtual void GetValueList(TStrings& List);
};

// Every session of the process.
class TVNSessionNameProperty : public TVNStringProperty {
  VN_DECLARE_CLASS(TVNSessionNameProperty)
 public:
  void GetValueList(TStrings& List) override;
};

// The databases of the component's own session.
class TVNDatabaseNameProperty : public TVNStringProperty {
  VN_DECLARE_CLASS(TVNDatabaseNameProperty)
 public:
  void GetValueList(TStrings& List) override;
};

// The stored procedures of the procedure's database.
class TVNStoredProcNameProperty : public TVNStringProperty {
  VN_DECLARE_CLASS(TVNStoredProcNameProperty)
 public:
  void GetValueList(TStrings& List) override;
};

// The tables of the table's database, system tables left out.
class TVNTableNameProperty : public TVNStringProperty {
  VN_DECLARE_CLASS(TVNTableNameProperty)
 public:
  // Typed text is completed from the list only while the database is open.
  bool AutoFill() override;
  void GetValueList(TStrings& List) override;
};

// A database's remote database: the history of recent ones and an input
// dialog behind the ellipsis button.
class TVNDatabaseProperty : public TVNStringProperty {
  VN_DECLARE_CLASS(TVNDatabaseProperty)
 public:
  void Edit() override;
  TPropertyAttributes GetAttributes() override;
  // The placeholder of an empty history is ignored.
  void SetValue(const std::string& Value) override;
  void GetValueList(TStrings& List) override;
};

// A database's Connected: after switching to true, its remote database goes
// to the front of the history.
class TVNDatabaseConnectedProperty : public TEnumProperty {
  VN_DECLARE_CLASS(TVNDatabaseConnectedProperty)
 public:
  void SetValue(const std::string& Value) override;
};

}  // namespace VNReg
