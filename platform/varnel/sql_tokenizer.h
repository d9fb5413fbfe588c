// Splits SQL text into tokens as SQLite reads it, for the SELECT parser and for
// resolving table names that users type.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum TSQLTokenKind {
  tokEnd,               // after the last token
  tokIdentifier,        // a bare word: a name or a keyword
  tokQuotedIdentifier,  // "x", [x] or `x`; never a keyword
  tokString,            // 'x'
  tokBlob,              // X'0A'
  tokNumber,
  tokVariable,          // ?, ?1, :name, @name, $name
  tokOperator           // punctuation and operators: ( ) , . ; * || <= ...
};

struct TSQLToken {
  TSQLTokenKind Kind = tokEnd;
  // Identifiers and strings: the value with quotes removed and doubled quotes
  // made single; everything else: the text as written.
  std::string Text;
  std::size_t Offset = 0;  // byte offset in the statement
  std::size_t Length = 0;  // bytes as written

  std::size_t EndOffset() const noexcept { return Offset + Length; }
  // A bare word equal to Keyword (given in upper case), compared in ASCII.
  bool IsKeyword(std::string_view Keyword) const noexcept;
  bool IsOperator(std::string_view Op) const noexcept { return Kind == tokOperator && Text == Op; }
  bool IsName() const noexcept { return Kind == tokIdentifier || Kind == tokQuotedIdentifier; }
};

// The tokens of SQL, comments and blanks dropped, ending with one tokEnd token.
// An unterminated string or quoted name and a character SQL does not use raise
// EDatabaseError naming the position.
std::vector<TSQLToken> TokenizeSQL(std::string_view SQL);

// True when SQL holds no statement: only blanks, comments and semicolons. Text
// that does not tokenize holds something.
bool HoldsNoStatement(std::string_view SQL);

// The first two words of Statement in upper case, "" for a token that is no
// bare word or for none; both "" when Statement does not tokenize. For telling
// what a statement is by its opening words ("SET AUTOCOMMIT").
std::pair<std::string, std::string> LeadingWords(std::string_view Statement);

// "line L, column C" (both from 1; columns count characters) of a byte offset.
std::string DescribeSQLPosition(std::string_view SQL, std::size_t Offset);

// Token as written in SQL, quoted, or "end of statement": for error messages.
std::string DescribeSQLToken(std::string_view SQL, const TSQLToken& Token);

// A table name as a user may type it: name or schema.name, each part bare or
// quoted. nullopt when Text is anything else.
struct TSQLObjectName {
  std::string Schema;  // empty when not qualified
  std::string Name;
};
std::optional<TSQLObjectName> SplitObjectName(std::string_view Text);

// Past the literal or quoted name that starts at Start (its quote character
// there; a doubled quote stays inside, as does a character after a backslash
// with Backslashes); the end of SQL when it is never closed.
std::size_t QuotedEnd(std::string_view SQL, std::size_t Start, bool Backslashes = false);

// SQL with each ? placeholder outside literals, quoted names and comments
// turned into $1, $2 ...; Count receives how many there were.
std::string NumberPgPlaceholders(std::string_view SQL, int& Count);
