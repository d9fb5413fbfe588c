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

std::string QuoteIdentifier(const std::string& Name, bool Quote) {
  if (!Quote) return Name;
  return "\"" + StringReplaceAll(Name, "\"", "\"\"") + "\"";
}

std::string GetValidObjName(const std::string& Name, bool RemoveOwner) {
  std::string Result = Trim(Name);
  if (!RemoveOwner) return Result;
  std::size_t LastDot = std::string::npos;
  char Closing = 0;  // the quote that ends the quoted part we are in, if any
  for (std::size_t I = 0; I < Result.size(); ++I) {
    const char C = Result[I];
    if (Closing != 0) {
      if (C == Closing) Closing = 0;  // a doubled quote closes and reopens: same effect
    } else if (C == '"' || C == '`') {
      Closing = C;
    } else if (C == '[') {
      Closing = ']';
    } else if (C == '.') {
      LastDot = I;
    }
  }
  if (LastDot == std::string::npos) return Result;
  return Trim(std::string_view(Result).substr(LastDot + 1));
}
