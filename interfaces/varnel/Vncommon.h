// Unit Vncommon: types and routines shared by every Varnel component.
#pragma once

#include <string>
#include <string_view>

#include "rtl/Resources.h"

// The kinds of database server the library connects to.
enum TVNServerType { stSQLite, stPostgreSQL, stMariaDB };
inline constexpr int ServerTypeCount = 3;

// Three-state switch: off, on, or not decided yet.
enum TBool3State { b3False = 0, b3True = 1, b3Unknown = 2 };

// The server type new database components start with. Writable.
extern TVNServerType DefServerType;

// The name of a server type ("SQLite", "PostgreSQL", "MariaDB").
std::string GetServerTypeName(TVNServerType Value);
// The server type named S (compared without regard to case, blanks around it
// ignored), else Default.
TVNServerType StrToServerTypeDef(std::string_view S, TVNServerType Default);

// Name in double quotes, embedded double quotes doubled, when Quote; otherwise
// Name unchanged. An owner-qualified name of two plain names ("shop.orders")
// has each part quoted ("shop"."orders").
std::string QuoteIdentifier(const std::string& Name, bool Quote);
// Name without the blanks around it. With RemoveOwner, the owner qualifier is
// dropped too: everything up to the last "." that is not inside "...", [...]
// or `...` quotes ("dbo"."a.b" gives "a.b"). Quotes are kept.
std::string GetValidObjName(const std::string& Name, bool RemoveOwner);

// The full file name of the loaded module Instance; "" when it is unknown.
std::string GetModuleFileNameStr(HINSTANCE Instance);
// Reads the version information of FileName: ProductName from the string table
// of its first translation, Version from the fixed product version ("6.5.3.0").
// Each is set only when the file holds it. False, with both unchanged, when the
// file has no version information or cannot be read.
bool ReadFileVersInfo(const std::string& FileName, std::string& ProductName, std::string& Version);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Vncommon_Initialization();
void Vncommon_Finalization();
