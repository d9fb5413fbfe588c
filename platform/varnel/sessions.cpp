#include "varnel/Vnengine.h"

#include <algorithm>

#include "library_state.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "reserve_room.h"

VN_IMPLEMENT_PUBLISHED(TVNSession, TComponent)

namespace {

constexpr const char* DefaultSessionName = "Default";

bool IsBlank(std::string_view Name) { return Trim(Name).empty(); }

}  // namespace

TVNLibraryState& LibraryState() {
  static TVNLibraryState State;
  return State;
}

void ShutDownSessions() noexcept {
  TVNLibraryState& State = LibraryState();
  // Those made on demand first, the default session last.
  while (!State.OwnedSessions.empty()) {
    std::unique_ptr<TVNSession> Last = std::move(State.OwnedSessions.back());
    State.OwnedSessions.pop_back();
  }
  State.DefaultSession = nullptr;
}

// ---------------------------------------------------------------------------
// TVNSessionList

int TVNSessionList::GetCount() const { return static_cast<int>(LibraryState().Sessions.size()); }

TVNSession* TVNSessionList::GetSession(int Index) const {
  const auto& List = LibraryState().Sessions;
  if (Index < 0 || Index >= static_cast<int>(List.size()))
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return List[static_cast<std::size_t>(Index)];
}

TVNSession* TVNSessionList::FindSession(std::string_view SessionName) const {
  if (IsBlank(SessionName)) return &Session();
  for (TVNSession* Candidate : LibraryState().Sessions)
    if (!Candidate->SessionName().empty() && AnsiSameText(Candidate->SessionName(), SessionName)) return Candidate;
  return nullptr;
}

TVNSession& TVNSessionList::GetSessionByName(std::string_view SessionName) {
  if (TVNSession* Found = FindSession(SessionName)) return *Found;
  auto Made = std::make_unique<TVNSession>(nullptr);
  Made->SetSessionName(std::string(SessionName));
  TVNLibraryState& State = LibraryState();
  ReserveOneMore(State.OwnedSessions);
  State.OwnedSessions.push_back(std::move(Made));
  return *State.OwnedSessions.back();
}

TVNSessionList& Sessions() {
  static TVNSessionList List;
  return List;
}

TVNSession& Session() {
  TVNLibraryState& State = LibraryState();
  if (State.DefaultSession == nullptr) {
    auto Default = std::make_unique<TVNSession>(nullptr);
    Default->SetSessionName(DefaultSessionName);
    ReserveOneMore(State.OwnedSessions);
    State.DefaultSession = Default.get();
    State.OwnedSessions.insert(State.OwnedSessions.begin(), std::move(Default));
  }
  return *State.DefaultSession;
}

// ---------------------------------------------------------------------------
// TVNSession

const std::vector<TPropInfo>& TVNSession::PublishedProperties() {
  static const auto List =
      TPublisher<TVNSession>()
          .String("SessionName", &TVNSession::SessionName, &TVNSession::SetSessionName)
          .Boolean("KeepConnections", &TVNSession::KeepConnections, &TVNSession::SetKeepConnections, true)
          .List();
  return List;
}

TVNSession::TVNSession(TComponent* AOwner) : TComponent(AOwner) { LibraryState().Sessions.push_back(this); }

TVNSession::~TVNSession() {
  // Datasets attached to a temporary database close as it goes.
  while (!FTempDatabases.empty()) {
    std::unique_ptr<TVNDatabase> Last = std::move(FTempDatabases.back());
    FTempDatabases.pop_back();
  }
  TVNLibraryState& State = LibraryState();
  std::erase(State.Sessions, this);
  if (State.DefaultSession == this) State.DefaultSession = nullptr;
}

void TVNSession::SetSessionName(const std::string& Value) {
  if (Value == FSessionName) return;
  if (!IsBlank(Value))
    for (const TVNSession* Other : LibraryState().Sessions)
      if (Other != this && AnsiSameText(Other->FSessionName, Value))
        throw EDatabaseError(Format("A session named '%s' already exists", {Value}));
  // Its connected databases would end up in no session at all; temporary ones
  // stay with the session whatever its name.
  for (const TVNDatabase* Database : Databases())
    if (!Database->Temporary() && Database->Connected())
      throw EDatabaseError(Format("Cannot rename session '%s' while its database '%s' is connected",
                                  {FSessionName, Database->DatabaseName()}));
  FSessionName = Value;
}

std::vector<TVNDatabase*> TVNSession::Databases() const {
  std::vector<TVNDatabase*> Result;
  for (TVNDatabase* Database : LibraryState().Databases) {
    const bool Belongs = Database->Temporary() ? Database->FTempSession == this
                                               : Sessions().FindSession(Database->SessionName()) == this;
    if (Belongs) Result.push_back(Database);
  }
  return Result;
}

TVNDatabase* TVNSession::FindDatabase(std::string_view DatabaseName) const {
  if (IsBlank(DatabaseName)) return nullptr;
  const std::vector<TVNDatabase*> List = Databases();
  // A component of a form wins over a temporary database of the same name.
  for (const bool Temporary : {false, true})
    for (TVNDatabase* Database : List)
      if (Database->Temporary() == Temporary && AnsiSameText(Database->DatabaseName(), DatabaseName)) return Database;
  return nullptr;
}

TVNDatabase* TVNSession::FindCatalogDatabase(std::string_view DatabaseName) const {
  if (!IsBlank(DatabaseName)) return FindDatabase(DatabaseName);
  for (TVNDatabase* Database : Databases())
    if (Database->DesignOptions().Contains(ddoIsDefaultDatabase)) return Database;
  throw EDatabaseError(Format("No database name given, and session '%s' has no default database", {FSessionName}));
}

TVNDatabase& TVNSession::OpenDatabase(std::string_view DatabaseName) {
  if (TVNDatabase* Found = FindCatalogDatabase(DatabaseName)) {
    Found->Connect();
    return *Found;
  }
  auto Made = std::make_unique<TVNDatabase>(nullptr);
  Made->FTemporary = true;
  Made->FTempSession = this;
  Made->FDatabaseName = std::string(DatabaseName);
  Made->FRemoteDatabase = std::string(DatabaseName);
  Made->FKeepConnection = FKeepConnections;
  // One that cannot connect is not kept: the next attempt starts afresh.
  Made->Connect();
  ReserveOneMore(FTempDatabases);
  FTempDatabases.push_back(std::move(Made));
  return *FTempDatabases.back();
}

void TVNSession::GetDatabaseNames(TStrings& List) const {
  std::vector<std::string> Seen;
  for (const TVNDatabase* Database : Databases()) {
    const std::string& Name = Database->DatabaseName();
    if (IsBlank(Name)) continue;
    if (std::any_of(Seen.begin(), Seen.end(), [&](const std::string& S) { return AnsiSameText(S, Name); })) continue;
    Seen.push_back(Name);
    List.Add(Name);
  }
}

template <class FAsk>
void TVNSession::AskCatalog(std::string_view DatabaseName, FAsk&& Ask) {
  if (TVNDatabase* Found = FindCatalogDatabase(DatabaseName)) {
    Ask(*Found);
    return;
  }
  // Kept by no one: a database file opened for one question is not found by
  // later ones, and is closed once it has answered.
  TVNDatabase Temporary(nullptr);
  Temporary.FTemporary = true;
  Temporary.FTempSession = this;
  Temporary.FDatabaseName = std::string(DatabaseName);
  Temporary.FRemoteDatabase = std::string(DatabaseName);
  Ask(Temporary);
}

void TVNSession::GetTableNames(const std::string& DatabaseName, const std::string& Pattern, bool SystemTables,
                               TStrings& List) {
  AskCatalog(DatabaseName, [&](TVNDatabase& Database) { Database.GetTableNames(Pattern, SystemTables, List); });
}

void TVNSession::GetFieldNames(const std::string& DatabaseName, const std::string& TableName, TStrings& List) {
  AskCatalog(DatabaseName, [&](TVNDatabase& Database) { Database.GetFieldNames(TableName, List); });
}

void TVNSession::GetStoredProcNames(const std::string& DatabaseName, TStrings& List) {
  AskCatalog(DatabaseName, [&](TVNDatabase& Database) { Database.GetStoredProcNames(List); });
}
