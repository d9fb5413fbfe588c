// What an update statement says about the table it writes, read from its
// tokens once the server's grammar has said what kind of statement it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sql_tokenizer.h"
#include "varnel/Vnengine.h"

// Names come unquoted, so "orders" and orders read alike.
struct TStatementShape {
  std::string TableText;                // as written
  std::vector<std::string> Written;     // SET targets, or the insert's column list
  std::vector<std::string> KeyColumns;  // WHERE column = ?
  std::vector<TSQLToken> BareNames;     // every unquoted word, for the quoting check
};

// Reads SQL, a statement of the kind Kind stands for, with its parameters made
// ? placeholders (a quoted parameter name does not tokenize as one). nullopt
// when it does not tokenize; an empty TableText when no table could be read.
std::optional<TStatementShape> ReadShape(std::string_view SQL, TVNUpdateKind Kind);
