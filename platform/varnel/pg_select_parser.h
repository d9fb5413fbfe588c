// Reads a SELECT in PostgreSQL's own grammar (libpg_query), for field origins
// asked without a connection to the server.
#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

#include "select_parser.h"

// The parse tree of SQL (one or more statements) as the server's parser gives
// it. Raises EDatabaseError with the parser's message and position when SQL
// does not parse.
nlohmann::json ParsePgTree(std::string_view SQL);

// As ParseSelect, in PostgreSQL's dialect: names as the server reads them
// (bare ones folded to lower case), a table named with its schema as
// "schema.table". Raises EDatabaseError naming the position when SQL is not
// one statement that returns rows.
TVNSelectInfo ParsePgSelect(std::string_view SQL);
