// What a dataset learns about its SELECT: where each field comes from and
// which tables it reads.
#pragma once

#include <string>

class TStrings;
class TVNServerConnection;

// Fills Fields with one "name=table.column" line per select-list field, in
// order ("name=" for a computed field), and Tables with one "name=table" line
// per table of the FROM clause (name: the alias, else the table name). Both
// lists are cleared first; either may be null. With a connected Connection the
// field lines come from the database, which also expands "*"; otherwise, and
// for the table lines always, from parsing SQL. Raises EDatabaseError when SQL
// does not compile or parse; the lists are then left as they were.
void ParseFieldInfo(TVNServerConnection* Connection, const std::string& SQL, TStrings* Fields, TStrings* Tables);
