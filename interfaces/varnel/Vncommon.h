// Unit Vncommon: types and routines shared by every Varnel component.
#pragma once

#include <string>
#include <string_view>

// The kinds of database server the library connects to.
enum TVNServerType { stSQLite, stPostgreSQL };
inline constexpr int ServerTypeCount = 2;

// Three-state switch: off, on, or not decided yet.
enum TBool3State { b3False = 0, b3True = 1, b3Unknown = 2 };

// The server type new database components start with. Writable.
extern TVNServerType DefServerType;

// The name of a server type ("SQLite", "PostgreSQL").
std::string GetServerTypeName(TVNServerType Value);
// The server type named S (compared without regard to case, blanks around it
// ignored), else Default.
TVNServerType StrToServerTypeDef(std::string_view S, TVNServerType Default);

// Name in double quotes, embedded double quotes doubled, when Quote; otherwise
// Name unchanged.
std::string QuoteIdentifier(const std::string& Name, bool Quote);
// Name without the blanks around it. With RemoveOwner, the owner qualifier is
// dropped too: everything up to the last "." that is not inside "...", [...]
// or `...` quotes ("dbo"."a.b" gives "a.b"). Quotes are kept.
std::string GetValidObjName(const std::string& Name, bool RemoveOwner);
