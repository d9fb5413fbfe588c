// Unit VNReg: the structure-view nodes of sessions, databases, datasets and
// update objects. The tree follows the runtime model: sessions at the top,
// their databases below, the databases' datasets below those, with transient
// nodes for the default session and for databases no component defines.
#pragma once

#include <memory>
#include <string>

#include "ide/DSSprigs.h"
#include "ide/TreeIntf.h"

class TVNSession;
class TVNDatabase;
class TVNDataSet;

namespace VNReg {

// The name of the session node that a component with this SessionName goes
// under: "<DefaultSession>" for an empty name or the default session's own
// (compared without regard to case), else SessionName itself.
std::string GetSessionSprigName(const std::string& SessionName);
// "<ImpliedDatabase>.DatabaseName".
std::string GetImpliedDatabaseSprigName(const std::string& DatabaseName);

class TVNSessionSprig : public TComponentSprig {
  VN_DECLARE_CLASS(TVNSessionSprig)
 public:
  explicit TVNSessionSprig(TComponent* AItem) : TComponentSprig(AItem) {}
  bool AnyProblems() const override;
  std::string Name() const override;
  std::string Caption() const override;

  TVNSession& Session() const;
};

// The runtime library's default session, when a component uses it.
class TVNDefaultSessionSprig : public TTransientSprig {
  VN_DECLARE_CLASS(TVNDefaultSessionSprig)
 public:
  explicit TVNDefaultSessionSprig(TComponent* AItem) : TTransientSprig(AItem) {}
  std::string UniqueName() const override;
  bool Transient() const override;
  TClass ItemClass() const override;
  std::string Caption() const override;
};

class TVNDatabaseSprig : public TComponentSprig {
  VN_DECLARE_CLASS(TVNDatabaseSprig)
 public:
  explicit TVNDatabaseSprig(TComponent* AItem) : TComponentSprig(AItem) {}
  bool AnyProblems() const override;
  std::string Name() const override;
  std::string Caption() const override;
  bool DragOverTo(TSprig* AItem) override;
  bool DragDropTo(TSprig* AItem) override;
  bool PaletteOverTo(TSprig* AParent, TClass AClass) override;
  void FigureParent() override;

  TVNDatabase& Database() const;
};

// A database that datasets of one session name but no component defines.
class TVNImpliedDatabaseSprig : public TComponentSprig {
  VN_DECLARE_CLASS(TVNImpliedDatabaseSprig)
 public:
  std::string UniqueName() const override;
  explicit TVNImpliedDatabaseSprig(TComponent* AItem);
  bool Transient() const override;
  bool AnyProblems() const override;
  TClass ItemClass() const override;
  std::string Caption() const override;
  bool DragOverTo(TSprig* AItem) override;
  bool DragDropTo(TSprig* AItem) override;
  void FigureParent() override;

  // The session name as the dataset that made the node spelled it.
  const std::string& SessionName() const noexcept { return FSessionName; }
  const std::string& DatabaseName() const noexcept { return FDatabaseName; }

 private:
  friend class TVNDataSetSprig;
  std::string FSessionName;
  std::string FDatabaseName;
};

class TVNDataSetSprig : public TDataSetSprig {
  VN_DECLARE_CLASS(TVNDataSetSprig)
 public:
  explicit TVNDataSetSprig(TComponent* AItem) : TDataSetSprig(AItem) {}
  bool AnyProblems() const override;
  bool DragOverTo(TSprig* AItem) override;
  bool DragDropTo(TSprig* AItem) override;
  bool PaletteOverTo(TSprig* AParent, TClass AClass) override;
  void Reparent() override;
  void FigureParent() override;

  TVNDataSet& DataSet() const;
};

class TVNTableSprig : public TVNDataSetSprig {
  VN_DECLARE_CLASS(TVNTableSprig)
 public:
  explicit TVNTableSprig(TComponent* AItem) : TVNDataSetSprig(AItem) {}
  bool AnyProblems() const override;
  std::string Caption() const override;
};

class TVNQuerySprig : public TVNDataSetSprig {
  VN_DECLARE_CLASS(TVNQuerySprig)
 public:
  explicit TVNQuerySprig(TComponent* AItem) : TVNDataSetSprig(AItem) {}
  bool AnyProblems() const override;
  std::string Caption() const override;
};

class TVNStoredProcSprig : public TVNDataSetSprig {
  VN_DECLARE_CLASS(TVNStoredProcSprig)
 public:
  explicit TVNStoredProcSprig(TComponent* AItem) : TVNDataSetSprig(AItem) {}
  bool AnyProblems() const override;
  std::string Caption() const override;
};

class TVNUpdateSQLSprig : public TComponentSprig {
  VN_DECLARE_CLASS(TVNUpdateSQLSprig)
 public:
  explicit TVNUpdateSQLSprig(TComponent* AItem) : TComponentSprig(AItem) {}
  bool AnyProblems() const override;
};

}  // namespace VNReg
