#include "sprigs/vn_sprigs.h"

#include "rtl/SysUtils.h"
#include "varnel/Vnengine.h"

namespace VNReg {

// Inside the unit's namespace: the class registry knows them by their plain names.
VN_IMPLEMENT_CLASS(TVNSessionSprig, TComponentSprig)
VN_IMPLEMENT_CLASS(TVNDefaultSessionSprig, TTransientSprig)
VN_IMPLEMENT_CLASS(TVNDatabaseSprig, TComponentSprig)
VN_IMPLEMENT_CLASS(TVNImpliedDatabaseSprig, TComponentSprig)
VN_IMPLEMENT_CLASS(TVNDataSetSprig, TDataSetSprig)
VN_IMPLEMENT_CLASS(TVNTableSprig, TVNDataSetSprig)
VN_IMPLEMENT_CLASS(TVNQuerySprig, TVNDataSetSprig)
VN_IMPLEMENT_CLASS(TVNStoredProcSprig, TVNDataSetSprig)
VN_IMPLEMENT_CLASS(TVNUpdateSQLSprig, TComponentSprig)

namespace {

const std::string DefaultSessionSprigName = "<DefaultSession>";
const std::string ImpliedDatabasePrefix = "<ImpliedDatabase>";
const std::string UnknownDatabase = "<UnknownDatabase>";
const std::string UnknownLabel = "Unknown";

// The root's session node of key K; the default-session node is made when K
// names it and the root has none yet. Null for a named session without a node.
TSprig* SessionNodeFor(TSprig& Root, const std::string& K) {
  TSprig* Node = Root.Find(K, fsChildren);
  if (Node == nullptr && K == DefaultSessionSprigName)
    Node = &Root.Add(std::make_unique<TVNDefaultSessionSprig>(nullptr));
  return Node;
}

// May a database node go under AItem: a session with a name, or the default one.
bool IsNamedOrDefaultSession(const TSprig* AItem) {
  if (const auto* SessionNode = dynamic_cast<const TVNSessionSprig*>(AItem))
    return !SessionNode->Session().SessionName().empty();
  return dynamic_cast<const TVNDefaultSessionSprig*>(AItem) != nullptr;
}

// The session name a drop on AItem gives, and whether it differs from Current.
// False when AItem is no session node. On the default session's node the name
// becomes '', the one spelling that follows the default session whatever it is
// called: a drop changes every other name, the default session's own in any
// letter case too.
bool SessionDropChanges(const TSprig* AItem, const std::string& Current, std::string& NewName) {
  if (const auto* SessionNode = dynamic_cast<const TVNSessionSprig*>(AItem)) {
    NewName = SessionNode->Session().SessionName();
    return !AnsiSameText(Current, NewName);
  }
  if (dynamic_cast<const TVNDefaultSessionSprig*>(AItem) != nullptr) {
    NewName.clear();
    return !Current.empty();
  }
  return false;
}

}  // namespace

std::string GetSessionSprigName(const std::string& SessionName) {
  if (SessionName.empty() || AnsiSameText(SessionName, Session().SessionName())) return DefaultSessionSprigName;
  return SessionName;
}

std::string GetImpliedDatabaseSprigName(const std::string& DatabaseName) {
  return Format("%s.%s", {ImpliedDatabasePrefix, DatabaseName});
}

// ---------------------------------------------------------------------------
// Sessions

TVNSession& TVNSessionSprig::Session() const { return As<TVNSession>(*Item()); }

bool TVNSessionSprig::AnyProblems() const { return Session().SessionName().empty(); }

std::string TVNSessionSprig::Name() const { return Session().SessionName(); }

std::string TVNSessionSprig::Caption() const { return CaptionFor(Name(), UniqueName(), Item()->ClassName()); }

std::string TVNDefaultSessionSprig::UniqueName() const { return DefaultSessionSprigName; }

bool TVNDefaultSessionSprig::Transient() const { return true; }

TClass TVNDefaultSessionSprig::ItemClass() const { return &TVNSession::StaticClass(); }

std::string TVNDefaultSessionSprig::Caption() const {
  const TVNSession& Default = ::Session();
  const std::string C = Default.ClassName();
  const std::string L = C.size() > 1 ? C.substr(1, 255) : std::string();
  return CaptionFor(Default.SessionName(), L, C);
}

// ---------------------------------------------------------------------------
// Databases

TVNDatabase& TVNDatabaseSprig::Database() const { return As<TVNDatabase>(*Item()); }

bool TVNDatabaseSprig::AnyProblems() const { return Database().DatabaseName().empty(); }

std::string TVNDatabaseSprig::Name() const { return Database().DatabaseName(); }

std::string TVNDatabaseSprig::Caption() const {
  const TVNDatabase& DB = Database();
  const std::string R = DB.RemoteDatabase().empty() ? UnknownDatabase : DB.RemoteDatabase();
  const std::string T = Format("%s | %s", {GetServerTypeName(DB.ServerType()), R});
  return CaptionFor(T, UniqueName(), DB.ClassName());
}

bool TVNDatabaseSprig::DragOverTo(TSprig* AItem) { return IsNamedOrDefaultSession(AItem); }

bool TVNDatabaseSprig::DragDropTo(TSprig* AItem) {
  std::string NewName;
  const bool Changed = SessionDropChanges(AItem, Database().SessionName(), NewName);
  if (Changed) Database().SetSessionName(NewName);
  ReparentChildren();
  return Changed;
}

bool TVNDatabaseSprig::PaletteOverTo(TSprig* AParent, TClass) { return IsNamedOrDefaultSession(AParent); }

void TVNDatabaseSprig::FigureParent() {
  if (TSprig* Parent = SessionNodeFor(*Root(), GetSessionSprigName(Database().SessionName()))) Parent->Add(*this);
}

TVNImpliedDatabaseSprig::TVNImpliedDatabaseSprig(TComponent* AItem) : TComponentSprig(AItem) {}

std::string TVNImpliedDatabaseSprig::UniqueName() const { return GetImpliedDatabaseSprigName(FDatabaseName); }

bool TVNImpliedDatabaseSprig::Transient() const { return true; }

bool TVNImpliedDatabaseSprig::AnyProblems() const { return FDatabaseName.empty(); }

TClass TVNImpliedDatabaseSprig::ItemClass() const { return &TVNDatabase::StaticClass(); }

std::string TVNImpliedDatabaseSprig::Caption() const { return CaptionFor(FDatabaseName, UnknownLabel, ""); }

bool TVNImpliedDatabaseSprig::DragOverTo(TSprig* AItem) {
  return dynamic_cast<const TVNSessionSprig*>(AItem) != nullptr ||
         dynamic_cast<const TVNDefaultSessionSprig*>(AItem) != nullptr;
}

bool TVNImpliedDatabaseSprig::DragDropTo(TSprig* AItem) {
  std::string NewName;
  const bool Changed = SessionDropChanges(AItem, FSessionName, NewName);
  if (Changed) FSessionName = NewName;
  ReparentChildren();
  return Changed;
}

void TVNImpliedDatabaseSprig::FigureParent() {
  if (TSprig* Parent = SessionNodeFor(*Root(), GetSessionSprigName(FSessionName))) Parent->Add(*this);
}

// ---------------------------------------------------------------------------
// Datasets

TVNDataSet& TVNDataSetSprig::DataSet() const { return As<TVNDataSet>(*Item()); }

bool TVNDataSetSprig::AnyProblems() const { return TSprig::AnyProblems() || DataSet().DatabaseName().empty(); }

namespace {
bool IsDatabaseTarget(const TSprig* AItem) {
  if (const auto* DatabaseNode = dynamic_cast<const TVNDatabaseSprig*>(AItem))
    return !DatabaseNode->Database().DatabaseName().empty();
  return dynamic_cast<const TVNImpliedDatabaseSprig*>(AItem) != nullptr;
}
}  // namespace

bool TVNDataSetSprig::DragOverTo(TSprig* AItem) { return IsDatabaseTarget(AItem); }

bool TVNDataSetSprig::DragDropTo(TSprig* AItem) {
  std::string DatabaseName, SessionName;
  if (const auto* Implied = dynamic_cast<const TVNImpliedDatabaseSprig*>(AItem)) {
    DatabaseName = Implied->DatabaseName();
    SessionName = Implied->SessionName();
  } else if (const auto* DatabaseNode = dynamic_cast<const TVNDatabaseSprig*>(AItem)) {
    DatabaseName = DatabaseNode->Database().DatabaseName();
    SessionName = DatabaseNode->Database().SessionName();
  } else {
    return false;
  }
  TVNDataSet& DS = DataSet();
  const bool Changed = !AnsiSameText(DS.DatabaseName(), DatabaseName) || !AnsiSameText(DS.SessionName(), SessionName);
  if (Changed) {
    DS.SetDatabaseName(DatabaseName);
    DS.SetSessionName(SessionName);
  }
  return Changed;
}

bool TVNDataSetSprig::PaletteOverTo(TSprig* AParent, TClass) { return IsDatabaseTarget(AParent); }

void TVNDataSetSprig::Reparent() {
  if (const auto* DatabaseNode = dynamic_cast<const TVNDatabaseSprig*>(Parent()))
    DataSet().SetSessionName(DatabaseNode->Database().SessionName());
  else if (const auto* Implied = dynamic_cast<const TVNImpliedDatabaseSprig*>(Parent()))
    DataSet().SetSessionName(Implied->SessionName());
}

void TVNDataSetSprig::FigureParent() {
  const TVNDataSet& DS = DataSet();
  TSprig* S = SessionNodeFor(*Root(), GetSessionSprigName(DS.SessionName()));
  if (S == nullptr) return;
  TSprig* D = S->Find(DS.DatabaseName(), fsChildren);
  if (D == nullptr) D = S->Find(GetImpliedDatabaseSprigName(DS.DatabaseName()), fsChildren);
  if (D == nullptr) {
    auto& Implied = S->Add(std::make_unique<TVNImpliedDatabaseSprig>(nullptr));
    Implied.FDatabaseName = DS.DatabaseName();
    Implied.FSessionName = DS.SessionName();
    D = &Implied;
  }
  D->Add(*this);
}

bool TVNTableSprig::AnyProblems() const {
  return TVNDataSetSprig::AnyProblems() || As<TVNTable>(*Item()).TableName().empty();
}

std::string TVNTableSprig::Caption() const { return CaptionFor(As<TVNTable>(*Item()).TableName(), UniqueName(), ""); }

bool TVNQuerySprig::AnyProblems() const {
  return TVNDataSetSprig::AnyProblems() || As<TVNQuery>(*Item()).SQL().Count() == 0;
}

std::string TVNQuerySprig::Caption() const {
  const TStrings& SQL = As<TVNQuery>(*Item()).SQL();
  std::string T;
  if (SQL.Count() > 0) {
    T = SQL.Strings(0);
    if (SQL.Count() > 1) T += "...";
  }
  return CaptionFor(T, UniqueName(), "");
}

bool TVNStoredProcSprig::AnyProblems() const {
  return TVNDataSetSprig::AnyProblems() || As<TVNStoredProc>(*Item()).StoredProcName().empty();
}

std::string TVNStoredProcSprig::Caption() const {
  return CaptionFor(As<TVNStoredProc>(*Item()).StoredProcName(), UniqueName(), "");
}

bool TVNUpdateSQLSprig::AnyProblems() const {
  // The refresh statement alone updates nothing.
  const auto& UpdateObject = As<TVNUpdateSQL>(*Item());
  for (const int Index : {ukModify, ukInsert, ukDelete})
    if (UpdateObject.GetSQLIndex(Index).Count() != 0) return false;
  return true;
}

}  // namespace VNReg
