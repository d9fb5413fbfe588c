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
