#include "sql_tokenizer.h"

#include "rtl/DB.h"
#include "rtl/SysUtils.h"

namespace {

bool IsBlank(char C) noexcept { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f' || C == '\v'; }
bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }
bool IsHexDigit(char C) noexcept {
  return IsDigit(C) || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}
// SQLite lets every non-ASCII byte into a name, so names in any script work.
bool IsIdentStart(char C) noexcept {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_' || static_cast<unsigned char>(C) >= 0x80;
}
bool IsIdentChar(char C) noexcept { return IsIdentStart(C) || IsDigit(C) || C == '$'; }

class TTokenizer {
 public:
  explicit TTokenizer(std::string_view SQL) : FSQL(SQL) {}

  std::vector<TSQLToken> Run() {
    std::vector<TSQLToken> Tokens;
    while (SkipBlanksAndComments()) Tokens.push_back(Next());
    TSQLToken End;
    End.Offset = FSQL.size();
    Tokens.push_back(std::move(End));
    return Tokens;
  }

 private:
  char At(std::size_t I) const noexcept { return I < FSQL.size() ? FSQL[I] : '\0'; }

  // False at the end of the text.
  bool SkipBlanksAndComments() {
    while (FPos < FSQL.size()) {
      char C = FSQL[FPos];
      if (IsBlank(C)) {
        ++FPos;
      } else if (C == '-' && At(FPos + 1) == '-') {
        while (FPos < FSQL.size() && FSQL[FPos] != '\n') ++FPos;
      } else if (C == '/' && At(FPos + 1) == '*') {
        // An unterminated comment runs to the end, as SQLite reads it.
        std::size_t Close = FSQL.find("*/", FPos + 2);
        FPos = Close == std::string_view::npos ? FSQL.size() : Close + 2;
      } else {
        return true;
      }
    }
    return false;
  }

  [[noreturn]] void Fail(std::size_t Offset, std::string_view What) const {
    throw EDatabaseError("SQL error at " + DescribeSQLPosition(FSQL, Offset) + ": " + std::string(What));
  }

  TSQLToken Make(TSQLTokenKind Kind, std::size_t Start, std::string Text) {
    TSQLToken T;
    T.Kind = Kind;
    T.Text = std::move(Text);
    T.Offset = Start;
    T.Length = FPos - Start;
    return T;
  }

  // Text between Open at FPos and its Close; a doubled Close stands for one
  // (unless Close cannot be doubled, as in [x]).
  std::string ReadQuoted(char Close, bool Doubling, std::string_view What) {
    std::size_t Start = FPos++;
    std::string Value;
    for (;;) {
      if (FPos >= FSQL.size()) Fail(Start, "unterminated " + std::string(What));
      char C = FSQL[FPos++];
      if (C != Close) {
        Value += C;
      } else if (Doubling && At(FPos) == Close) {
        Value += C;
        ++FPos;
      } else {
        return Value;
      }
    }
  }

  void ReadIdentChars() {
    while (FPos < FSQL.size() && IsIdentChar(FSQL[FPos])) ++FPos;
  }

  TSQLToken ReadNumber(std::size_t Start) {
    auto Digits = [&](auto Pred) {
      while (FPos < FSQL.size() && (Pred(FSQL[FPos]) || (FSQL[FPos] == '_' && Pred(At(FPos + 1))))) ++FPos;
    };
    if (FSQL[FPos] == '0' && (At(FPos + 1) == 'x' || At(FPos + 1) == 'X') && IsHexDigit(At(FPos + 2))) {
      FPos += 2;
      Digits(IsHexDigit);
    } else {
      Digits(IsDigit);
      if (At(FPos) == '.') {
        ++FPos;
        Digits(IsDigit);
      }
      if ((At(FPos) == 'e' || At(FPos) == 'E') &&
          (IsDigit(At(FPos + 1)) || ((At(FPos + 1) == '+' || At(FPos + 1) == '-') && IsDigit(At(FPos + 2))))) {
        FPos += 2;
        Digits(IsDigit);
      }
    }
    if (FPos < FSQL.size() && IsIdentChar(FSQL[FPos])) {
      ReadIdentChars();
      Fail(Start, "malformed number \"" + std::string(FSQL.substr(Start, FPos - Start)) + "\"");
    }
    return Make(tokNumber, Start, std::string(FSQL.substr(Start, FPos - Start)));
  }

  TSQLToken Next() {
    const std::size_t Start = FPos;
    const char C = FSQL[FPos];
    switch (C) {
      case '\'':
        return Make(tokString, Start, ReadQuoted('\'', true, "string"));
      case '"':
        return Make(tokQuotedIdentifier, Start, ReadQuoted('"', true, "quoted name"));
      case '`':
        return Make(tokQuotedIdentifier, Start, ReadQuoted('`', true, "quoted name"));
      case '[':
        return Make(tokQuotedIdentifier, Start, ReadQuoted(']', false, "quoted name"));
      case '?':
        ++FPos;
        while (FPos < FSQL.size() && IsDigit(FSQL[FPos])) ++FPos;
        return Make(tokVariable, Start, std::string(FSQL.substr(Start, FPos - Start)));
      case ':':
      case '@':
      case '$':
        ++FPos;
        // A name may carry ::suffixes, as SQLite's TCL-style parameters do.
        for (;;) {
          ReadIdentChars();
          if (At(FPos) == ':' && At(FPos + 1) == ':') {
            FPos += 2;
            continue;
          }
          break;
        }
        if (FPos == Start + 1) Fail(Start, "parameter name expected after \"" + std::string(1, C) + "\"");
        return Make(tokVariable, Start, std::string(FSQL.substr(Start, FPos - Start)));
      default:
        break;
    }
    if ((C == 'x' || C == 'X') && At(FPos + 1) == '\'') {
      ++FPos;
      std::string Hex = ReadQuoted('\'', false, "blob literal");
      for (char H : Hex)
        if (!IsHexDigit(H)) Fail(Start, "malformed blob literal");
      if (Hex.size() % 2 != 0) Fail(Start, "malformed blob literal");
      return Make(tokBlob, Start, std::string(FSQL.substr(Start, FPos - Start)));
    }
    if (IsIdentStart(C)) {
      ReadIdentChars();
      return Make(tokIdentifier, Start, std::string(FSQL.substr(Start, FPos - Start)));
    }
    if (IsDigit(C) || (C == '.' && IsDigit(At(FPos + 1)))) return ReadNumber(Start);

    static constexpr std::string_view Operators[] = {
        "->>", "||", "->", "<<", ">>", "<=", ">=", "==", "!=", "<>", "<", ">", "=", "+", "-",
        "*",   "/",  "%",  "&",  "|",  "~",  ",",  "(",  ")",  ".",  ";"};
    for (std::string_view Op : Operators) {
      if (FSQL.substr(FPos, Op.size()) == Op) {
        FPos += Op.size();
        return Make(tokOperator, Start, std::string(Op));
      }
    }
    Fail(Start, "unexpected character \"" + std::string(1, C) + "\"");
  }

  std::string_view FSQL;
  std::size_t FPos = 0;
};

}  // namespace

bool TSQLToken::IsKeyword(std::string_view Keyword) const noexcept {
  return Kind == tokIdentifier && SameText(Text, Keyword);
}

std::vector<TSQLToken> TokenizeSQL(std::string_view SQL) { return TTokenizer(SQL).Run(); }

bool HoldsNoStatement(std::string_view SQL) {
  std::vector<TSQLToken> Tokens;
  try {
    Tokens = TokenizeSQL(SQL);
  } catch (const EDatabaseError&) {
    return false;
  }
  for (const TSQLToken& Token : Tokens)
    if (Token.Kind != tokEnd && !Token.IsOperator(";")) return false;
  return true;
}

std::pair<std::string, std::string> LeadingWords(std::string_view Statement) {
  std::vector<TSQLToken> Tokens;
  try {
    Tokens = TokenizeSQL(Statement);
  } catch (const EDatabaseError&) {
    return {};
  }
  const auto Word = [&](std::size_t I) {
    return I < Tokens.size() && Tokens[I].Kind == tokIdentifier ? UpperCase(Tokens[I].Text) : std::string();
  };
  return {Word(0), Word(1)};
}

std::string DescribeSQLPosition(std::string_view SQL, std::size_t Offset) {
  int Line = 1;
  int Column = 1;
  for (std::size_t I = 0; I < Offset && I < SQL.size(); ++I) {
    unsigned char C = static_cast<unsigned char>(SQL[I]);
    if (C == '\n') {
      ++Line;
      Column = 1;
    } else if ((C & 0xC0) != 0x80) {  // UTF-8 continuation bytes do not start a character
      ++Column;
    }
  }
  return "line " + std::to_string(Line) + ", column " + std::to_string(Column);
}

std::string DescribeSQLToken(std::string_view SQL, const TSQLToken& Token) {
  if (Token.Kind == tokEnd) return "end of statement";
  return "\"" + std::string(SQL.substr(Token.Offset, Token.Length)) + "\"";
}

std::optional<TSQLObjectName> SplitObjectName(std::string_view Text) {
  std::vector<TSQLToken> Tokens;
  try {
    Tokens = TokenizeSQL(Text);
  } catch (const EDatabaseError&) {
    return std::nullopt;
  }
  // SQLite accepts a string literal where it expects a table name.
  auto IsPart = [](const TSQLToken& T) { return T.IsName() || T.Kind == tokString; };
  if (Tokens.size() == 2 && IsPart(Tokens[0])) return TSQLObjectName{"", Tokens[0].Text};
  if (Tokens.size() == 4 && IsPart(Tokens[0]) && Tokens[1].IsOperator(".") && IsPart(Tokens[2]))
    return TSQLObjectName{Tokens[0].Text, Tokens[2].Text};
  return std::nullopt;
}

std::size_t QuotedEnd(std::string_view SQL, std::size_t Start, bool Backslashes) {
  const char Quote = SQL[Start];
  std::size_t I = Start + 1;
  while (I < SQL.size()) {
    if (Backslashes && SQL[I] == '\\') {
      I += 2;
    } else if (SQL[I] != Quote) {
      ++I;
    } else if (I + 1 < SQL.size() && SQL[I + 1] == Quote) {
      I += 2;
    } else {
      return I + 1;
    }
  }
  return SQL.size();
}

namespace {

bool IsTagChar(char C) noexcept {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' ||
         static_cast<unsigned char>(C) >= 0x80;
}

}  // namespace

std::string NumberPgPlaceholders(std::string_view SQL, int& Count) {
  std::string Result;
  Result.reserve(SQL.size() + 8);
  Count = 0;
  std::size_t I = 0;
  auto CopyTo = [&](std::size_t End) {
    Result.append(SQL.substr(I, End - I));
    I = End;
  };
  while (I < SQL.size()) {
    const char C = SQL[I];
    const char Next = I + 1 < SQL.size() ? SQL[I + 1] : '\0';
    if (C == '\'') {
      const bool Escapes = I > 0 && (SQL[I - 1] == 'E' || SQL[I - 1] == 'e') && (I < 2 || !IsTagChar(SQL[I - 2]));
      CopyTo(QuotedEnd(SQL, I, Escapes));
    } else if (C == '"') {
      CopyTo(QuotedEnd(SQL, I));
    } else if (C == '-' && Next == '-') {
      const std::size_t End = SQL.find('\n', I);
      CopyTo(End == std::string_view::npos ? SQL.size() : End);
    } else if (C == '/' && Next == '*') {
      const std::size_t End = SQL.find("*/", I + 2);
      CopyTo(End == std::string_view::npos ? SQL.size() : End + 2);
    } else if (C == '$' && (I == 0 || !IsTagChar(SQL[I - 1])) && (Next == '$' || (IsTagChar(Next) && !(Next >= '0' && Next <= '9')))) {
      // A dollar-quoted string: $tag$ ... $tag$.
      std::size_t TagEnd = I + 1;
      while (TagEnd < SQL.size() && IsTagChar(SQL[TagEnd])) ++TagEnd;
      if (TagEnd < SQL.size() && SQL[TagEnd] == '$') {
        const std::string_view Tag = SQL.substr(I, TagEnd - I + 1);
        const std::size_t Close = SQL.find(Tag, TagEnd + 1);
        CopyTo(Close == std::string_view::npos ? SQL.size() : Close + Tag.size());
      } else {
        CopyTo(TagEnd);
      }
    } else if (C == '?') {
      Result += "$" + std::to_string(++Count);
      ++I;
    } else {
      CopyTo(I + 1);
    }
  }
  return Result;
}
