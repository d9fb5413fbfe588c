#include "varnel/Vnengine.h"

#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "server_connection.h"

VN_IMPLEMENT_PUBLISHED(TVNStoredProc, TVNDataSet)

namespace {

// Running procedures needs a server that has them, and none of those is
// supported yet.
std::string CannotRun(TVNDatabase& Database) {
  const std::string Server = GetServerTypeName(Database.ServerType());
  if (!Database.Connection().HasStoredProcs())
    return Format("%s databases have no stored procedures (database '%s')", {Server, Database.DatabaseName()});
  return Format("Running stored procedures on %s servers is not supported yet", {Server});
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

void TVNStoredProc::ExecProc() {
  const std::string Message = CannotRun(AttachDatabase());
  if (!FPrepared && !Active()) DetachDatabase();
  throw EDatabaseError(Message);
}

void TVNStoredProc::InternalOpen() { throw EDatabaseError(CannotRun(AttachDatabase())); }

void TVNStoredProc::InternalClose() {
  if (!FPrepared) TVNDataSet::InternalClose();
}

void TVNStoredProc::DatabaseDisconnected() noexcept {
  FPrepared = false;
  TVNDataSet::DatabaseDisconnected();
}
