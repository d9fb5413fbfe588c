#include "varnel/Vncommon.h"

#include <array>

#include "rtl/SysUtils.h"

TVNServerType DefServerType = stSQLite;

namespace {
constexpr std::array<const char*, ServerTypeCount> ServerTypeNames = {"SQLite", "PostgreSQL"};
}

std::string GetServerTypeName(TVNServerType Value) {
  auto Index = static_cast<std::size_t>(Value);
  VN_ASSERT(Index < ServerTypeNames.size(), "server type out of range");
  return ServerTypeNames[Index];
}

TVNServerType StrToServerTypeDef(std::string_view S, TVNServerType Default) {
  const std::string Name = Trim(S);
  for (std::size_t I = 0; I < ServerTypeNames.size(); ++I)
    if (SameText(Name, ServerTypeNames[I])) return static_cast<TVNServerType>(I);
  return Default;
}
