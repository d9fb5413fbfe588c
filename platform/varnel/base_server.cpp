#include "varnel/Vnengine.h"

#include "rtl/TypInfo.h"

VN_IMPLEMENT_PUBLISHED(TVNSQLBaseServer, TComponent)

const std::vector<TPropInfo>& TVNSQLBaseServer::PublishedProperties() {
  using S = TVNSQLBaseServer;
  static const auto List = [] {
    auto Props = TPublisher<S>()
                     .Enum("ServerType", &S::ServerType, &S::SetServerType, stSQLite)
                     .Owned<TStrings>("Params", &S::Params)
                     .List();
    // Written whatever its value: a reader starts from its own DefServerType.
    Props.front().Default.reset();
    return Props;
  }();
  return List;
}

TVNSQLBaseServer::TVNSQLBaseServer(TComponent* AOwner)
    : TComponent(AOwner), FServerType(DefServerType), FParams(std::make_unique<TStringList>()) {}

TVNSQLBaseServer::~TVNSQLBaseServer() = default;
