#include "varnel/Vnengine.h"

#include "dataset_loading.h"
#include "monitor_hook.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "server_connection.h"

VN_IMPLEMENT_PUBLISHED(TVNStoredProc, TVNDataSet)

namespace {

std::string CannotRun(TVNDatabase& Database) {
  return Format("%s databases have no stored procedures (database '%s')",
                {GetServerTypeName(Database.ServerType()), Database.DatabaseName()});
}

std::string NameForMessages(const TComponent& Component) {
  return Component.Name().empty() ? Component.ClassName() : Component.Name();
}

}  // namespace

const std::vector<TPropInfo>& TVNStoredProc::PublishedProperties() {
  static const auto List =
      TPublisher<TVNStoredProc>()
          .String("StoredProcName", &TVNStoredProc::StoredProcName, &TVNStoredProc::SetStoredProcName)
          .Owned<TParams>("Params", &TVNStoredProc::Params)
          .Reference<TVNDataSetUpdateObject>("UpdateObject", &TVNStoredProc::UpdateObject,
                                             &TVNStoredProc::SetUpdateObject)
          .List();
  return List;
}

TVNStoredProc::TVNStoredProc(TComponent* AOwner) : TVNDataSet(AOwner), FParams(std::make_unique<TParams>(this)) {}

TVNStoredProc::~TVNStoredProc() {
  Close();
  UnPrepare();
}

void TVNStoredProc::SetStoredProcName(const std::string& Value) {
  if (Value == FStoredProcName) return;
  CheckInactive("StoredProcName");
  UnPrepare();
  FStoredProcName = Value;
}

void TVNStoredProc::SetParams(const TParams& Value) { FParams->Assign(Value); }

int TVNStoredProc::ParamsCount() const { return FParams->Count(); }

void TVNStoredProc::Prepare() {
  if (FPrepared) return;
  TVNDatabase& Database = AttachDatabase();
  TVNServerConnection& Connection = Database.Connection();
  FDescriptionsAvailable = false;
  if (Connection.HasStoredProcs()) {
    if (Trim(FStoredProcName).empty())
      throw EDatabaseError(Format("%s: no StoredProcName given", {Name().empty() ? ClassName() : Name()}));
    if (auto Described = Connection.ProcParams(FStoredProcName)) {
      // The server's description wins; values the user gave are kept by name.
      TParams Fresh(nullptr);
      for (const TVNProcParamInfo& Info : *Described) {
        TParam& Param = Fresh.CreateParam(Info.DataType, Info.Name, Info.ParamType);
        if (const TParam* Old = FParams->FindParam(Info.Name); Old != nullptr && !Old->Value().IsEmpty())
          Param.SetValue(Old->Value());
      }
      FParams->Assign(Fresh);
      FDescriptionsAvailable = true;
    }
  }
  FPrepared = true;
}

void TVNStoredProc::UnPrepare() {
  FPrepared = false;
  if (!Active()) DetachDatabase();
}

TVNResultSet TVNStoredProc::Run() {
  TVNDatabase& Database = AttachDatabase();
  TVNServerConnection& Connection = Database.Connection();
  if (!Connection.HasStoredProcs()) throw EDatabaseError(CannotRun(Database));
  if (Trim(FStoredProcName).empty()) throw EDatabaseError(Format("%s: no StoredProcName given", {NameForMessages(*this)}));
  if (!FPrepared) Prepare();
  // The server's order of parameters: the values of the input ones by name.
  const auto Described = Connection.ProcParams(FStoredProcName);
  if (!Described) throw EDatabaseError(Format("%s: no stored procedure '%s' in database '%s'",
                                              {NameForMessages(*this), FStoredProcName, Database.DatabaseName()}));
  std::vector<Variant> Values;
  for (const TVNProcParamInfo& Info : *Described) {
    if (Info.ParamType != ptInput && Info.ParamType != ptInputOutput) continue;
    const TParam* Param = FParams->FindParam(Info.Name);
    Values.push_back(Param != nullptr && !Param->Value().IsEmpty() ? Param->Value() : Variant::Null());
  }
  const std::string Statement = Connection.ProcCallStatement(FStoredProcName);
  NotifyMonitors(Statement);
  if (Statement.rfind("CALL ", 0) == 0 &&
      std::none_of(Described->begin(), Described->end(), [](const TVNProcParamInfo& P) { return P.ParamType != ptInput; })) {
    Connection.ExecuteStatement(Statement, Values);
    return {};
  }
  return Connection.OpenQuery(Statement, Values);
}

void TVNStoredProc::ExecProc() {
  struct TRelease {
    TVNStoredProc& Self;
    ~TRelease() {
      if (!Self.FPrepared && !Self.Active()) Self.DetachDatabase();
    }
  } Release{*this};
  const TVNResultSet Result = Run();
  if (Result.Rows.empty()) return;
  // Output parameters take the first row: by column name, a function's single
  // value as its result.
  for (int I = 0; I < FParams->Count(); ++I) {
    TParam& Param = *FParams->Items(I);
    if (Param.ParamType() == ptInput) continue;
    for (std::size_t C = 0; C < Result.Columns.size(); ++C)
      if (AnsiSameText(Result.Columns[C].Name, Param.Name()) || (Param.ParamType() == ptResult && Result.Columns.size() == 1))
        Param.SetValue(Result.Rows.front()[C]);
  }
}

void TVNStoredProc::InternalOpen() { SetRecords(DefineFields(FieldDefs(), Run())); }

void TVNStoredProc::InternalClose() {
  if (!FPrepared) TVNDataSet::InternalClose();
}

void TVNStoredProc::DatabaseDisconnected() noexcept {
  FPrepared = false;
  TVNDataSet::DatabaseDisconnected();
}
