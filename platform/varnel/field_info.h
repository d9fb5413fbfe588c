// What a dataset learns about its SELECT: where each field comes from and
// which tables it reads.
#pragma once

#include <optional>
#include <string>

#include "select_parser.h"

#include "varnel/Vncommon.h"

class TStrings;
class TVNServerConnection;

// Fills Fields with one "name=table.column" line per field of SQL's result,
// in order ("name=" for a computed field), and Tables with one "name=table"
// line per table of the FROM clause (name: the alias, else the table name).
// Both lists are cleared first; either may be null.
//
// Catalog is a connection to the dataset's database, or null when it cannot be
// reached. With one, the server compiles SQL (without running it) and names
// the fields and their origins, "*" expanded; without one, a parser of SQL
// does, which cannot expand "*". Tables always come from the parser, and a
// field's table is spelt as the FROM clause spells it, so that the two lists
// agree.
//
// Field names are those the dataset gives its fields (a repeated name gets
// "_1" ...). A field whose name holds "=" is left out: its line would read as
// another name with another origin.
//
// Never raises for the text of SQL: whatever cannot be read (no SELECT, a
// dialect the parser does not know, a table that no longer exists) gives fewer
// or no lines.
//
// Dialect is the grammar of the parser: the server type of the database (a
// connected Catalog's own type wins).
void ParseFieldInfo(TVNServerConnection* Catalog, const std::string& SQL, TStrings* Fields, TStrings* Tables,
                    TVNServerType Dialect = stSQLite);

// SQL read without the server in Dialect's grammar (a PostgreSQL statement as
// the server receives it, :name parameters as $n); nullopt when it does not
// read as a SELECT.
std::optional<TVNSelectInfo> ReadSelectOffline(const std::string& SQL, TVNServerType Dialect);
