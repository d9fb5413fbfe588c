// Rows the engine reports about a database's catalog and about SELECT statements.
#pragma once

#include <optional>
#include <string>

// Where one result column of a SELECT comes from. TableName and ColumnName are
// empty when the column is computed (an expression, a subquery, a literal).
struct TVNFieldOrigin {
  std::string Name;  // the result name: the alias where one is given
  std::string TableName;
  std::string ColumnName;

  bool operator==(const TVNFieldOrigin&) const = default;
};

// Bits of TVNIndexSchemaRow::IndexType.
inline constexpr int itUnique = 2;
inline constexpr int itPrimary = 4;

// One column of one index of a table.
struct TVNIndexSchemaRow {
  std::string IndexName;
  std::string ColumnName;  // empty for an expression column
  std::optional<int> IndexType;  // itPrimary | itUnique for the primary key, itUnique, or 0

  bool operator==(const TVNIndexSchemaRow&) const = default;
};

// Whether a list of tables includes the database's own catalog tables.
enum TVNTableScope { tsUserTables, tsWithSystemTables };
