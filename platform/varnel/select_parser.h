// Reads a SELECT statement without a database: which table and column each
// result column comes from, and which tables the statement reads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalog_types.h"

// A table of the top-level FROM clause.
struct TVNSelectTable {
  std::string Name;       // the alias, or the table name when it has none
  std::string TableName;

  bool operator==(const TVNSelectTable&) const = default;
};

struct TVNSelectInfo {
  // One per select-list item of the first SELECT, in order; "*" and "t.*" give
  // none, as they cannot be expanded without the catalog.
  std::vector<TVNFieldOrigin> Fields;
  // The real tables of the first SELECT's FROM clause (no subqueries, common
  // table expressions or table-valued functions), in order.
  std::vector<TVNSelectTable> Tables;
};

// Parses a SELECT (WITH ... SELECT, compound selects and VALUES included).
// Raises EDatabaseError naming the line, column and what was expected when SQL
// is not one.
TVNSelectInfo ParseSelect(std::string_view SQL);
