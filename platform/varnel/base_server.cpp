#include "varnel/Vnengine.h"

#include "rtl/TypInfo.h"

VN_IMPLEMENT_PUBLISHED(TVNSQLBaseServer, TComponent)

const std::vector<TPropInfo>& TVNSQLBaseServer::PublishedProperties() {
  using S = TVNSQLBaseServer;
  static const auto List = TPublisher<S>()
                               .Enum("ServerType", &S::ServerType, &S::SetServerType, stSQLite)
                               .Owned<TStrings>("Params", &S::Params)
                               .List();
  return List;
}

void TVNSQLBaseServer::SetServerType(TVNServerType Value) noexcept {
  if (ComponentState().Contains(csLoading)) FServerTypeRead = true;
  FServerType = Value;
}

void TVNSQLBaseServer::Loaded() {
  TComponent::Loaded();
  // A file leaves out the default value, not the one this process starts with.
  if (!FServerTypeRead) FServerType = stSQLite;
  FServerTypeRead = false;
}

TVNSQLBaseServer::TVNSQLBaseServer(TComponent* AOwner)
    : TComponent(AOwner), FServerType(DefServerType), FParams(std::make_unique<TStringList>()) {}

TVNSQLBaseServer::~TVNSQLBaseServer() = default;
