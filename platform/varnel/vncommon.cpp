#include "varnel/Vncommon.h"

#include <algorithm>
#include <array>

#include "rtl/SysUtils.h"

TVNServerType DefServerType = stSQLite;

namespace {
constexpr std::array<const char*, ServerTypeCount> ServerTypeNames = {"SQLite", "PostgreSQL", "MariaDB"};
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

namespace {

bool IsPlainName(std::string_view Part) {
  if (Part.empty() || (Part[0] >= '0' && Part[0] <= '9')) return false;
  return std::all_of(Part.begin(), Part.end(), [](char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' || C == '$' ||
           static_cast<unsigned char>(C) >= 0x80;
  });
}

std::string QuoteOne(std::string_view Name) { return "\"" + StringReplaceAll(Name, "\"", "\"\"") + "\""; }

}  // namespace

std::string QuoteIdentifier(const std::string& Name, bool Quote) {
  if (!Quote) return Name;
  // An owner-qualified name (schema.table) is two names: quoted whole, it would
  // name a table whose name holds a dot.
  if (const std::size_t Dot = Name.find('.'); Dot != std::string::npos && Name.find('.', Dot + 1) == std::string::npos) {
    const std::string_view Owner = std::string_view(Name).substr(0, Dot), Object = std::string_view(Name).substr(Dot + 1);
    if (IsPlainName(Owner) && IsPlainName(Object)) return QuoteOne(Owner) + "." + QuoteOne(Object);
  }
  return QuoteOne(Name);
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
