#include "select_parser.h"

#include <algorithm>

#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"

namespace {

// Words that cannot be a bare column name or an alias without AS, because they
// carry on the statement where they stand.
constexpr std::string_view ReservedWords[] = {
    "ALL",    "AND",     "AS",      "BETWEEN", "CASE",    "COLLATE", "CROSS",  "DISTINCT", "ELSE",
    "END",    "ESCAPE",  "EXCEPT",  "EXISTS",  "FROM",    "FULL",    "GLOB",   "GROUP",    "HAVING",
    "IN",     "INDEXED", "INNER",   "INTERSECT", "IS",    "ISNULL",  "JOIN",   "LEFT",     "LIKE",
    "LIMIT",  "MATCH",   "NATURAL", "NOT",     "NOTNULL", "NULL",    "ON",     "OR",       "ORDER",
    "OUTER",  "REGEXP",  "RIGHT",   "SELECT",  "THEN",    "UNION",   "USING",  "VALUES",   "WHEN",
    "WHERE",  "WITH"};

bool IsReserved(const TSQLToken& T) {
  return T.Kind == tokIdentifier &&
         std::any_of(std::begin(ReservedWords), std::end(ReservedWords),
                     [&](std::string_view W) { return SameText(T.Text, W); });
}

// Far deeper than any real statement, and safe on a 1 MB stack even with sanitizers.
constexpr int MaxDepth = 200;

struct TExpr {
  bool IsColumn = false;
  std::vector<std::string> Parts;  // [schema.][table.]column of a column reference
};

struct TFromItem {
  std::string Schema;
  std::string TableName;  // empty for a derived table
  std::string Alias;
  bool IsTable = false;

  const std::string& Name() const { return Alias.empty() ? TableName : Alias; }
};

struct TResultColumn {
  bool IsStar = false;  // * or t.*
  TExpr Expr;
  std::string Name;
};

class TParser {
 public:
  explicit TParser(std::string_view SQL) : FSQL(SQL), FTokens(TokenizeSQL(SQL)) {}

  TVNSelectInfo Run() {
    TVNSelectInfo Info;
    if (!AtSelectStart(0)) Expected("SELECT");
    ParseStatement(&Info);
    // Further semicolons are empty statements, which SQLite skips as well.
    while (AcceptOperator(";")) {
    }
    if (Peek().Kind != tokEnd) Expected("end of statement");
    return Info;
  }

 private:
  // Counts nesting for the life of one recursive call.
  class TDepthGuard {
   public:
    explicit TDepthGuard(TParser& P) : FParser(P) {
      if (++FParser.FDepth > MaxDepth) FParser.Fail("statement nested too deeply");
    }
    ~TDepthGuard() { --FParser.FDepth; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;

   private:
    TParser& FParser;
  };

  const TSQLToken& Peek(std::size_t Ahead = 0) const {
    return FTokens[std::min(FPos + Ahead, FTokens.size() - 1)];
  }
  const TSQLToken& Next() {
    const TSQLToken& T = Peek();
    if (T.Kind != tokEnd) ++FPos;
    return T;
  }
  bool AcceptKeyword(std::string_view Keyword) {
    if (!Peek().IsKeyword(Keyword)) return false;
    Next();
    return true;
  }
  bool AcceptOperator(std::string_view Op) {
    if (!Peek().IsOperator(Op)) return false;
    Next();
    return true;
  }
  void ExpectKeyword(std::string_view Keyword) {
    if (!AcceptKeyword(Keyword)) Expected(Keyword);
  }
  void ExpectOperator(std::string_view Op) {
    if (!AcceptOperator(Op)) Expected("\"" + std::string(Op) + "\"");
  }

  [[noreturn]] void Fail(std::string_view Message) const {
    throw EDatabaseError("SQL error at " + DescribeSQLPosition(FSQL, Peek().Offset) + ": " + std::string(Message));
  }
  [[noreturn]] void Expected(std::string_view What) const {
    Fail(std::string(What) + " expected, found " + DescribeSQLToken(FSQL, Peek()));
  }

  bool AtSelectStart(std::size_t Ahead) const {
    const TSQLToken& T = Peek(Ahead);
    return T.IsKeyword("SELECT") || T.IsKeyword("VALUES") || T.IsKeyword("WITH");
  }
  bool AtName(std::size_t Ahead = 0) const {
    const TSQLToken& T = Peek(Ahead);
    return T.Kind == tokQuotedIdentifier || (T.Kind == tokIdentifier && !IsReserved(T));
  }
  std::string ExpectName(std::string_view What) {
    if (!AtName()) Expected(What);
    return Next().Text;
  }
  // SQLite takes a string literal for a table name or an alias as well.
  bool AtNameOrString() const { return AtName() || Peek().Kind == tokString; }
  std::string ExpectNameOrString(std::string_view What) {
    if (!AtNameOrString()) Expected(What);
    return Next().Text;
  }

  std::string OptionalAlias() {
    if (AcceptKeyword("AS")) return ExpectNameOrString("alias");
    return AtNameOrString() && !AtWindowClause() ? Next().Text : std::string();
  }

  // WINDOW starts a clause only as "WINDOW name AS"; elsewhere it is a name,
  // as SQLite reads it.
  bool AtWindowClause() const { return Peek().IsKeyword("WINDOW") && AtName(1) && Peek(2).IsKeyword("AS"); }

  bool IsCommonTableExpression(const std::string& Name) const {
    return std::any_of(FCteNames.begin(), FCteNames.end(),
                       [&](const std::string& N) { return AnsiSameText(N, Name); });
  }

  // ---- statements ---------------------------------------------------------

  // [WITH ...] core {compound-operator core} [ORDER BY ...] [LIMIT ...]
  void ParseStatement(TVNSelectInfo* Out) {
    TDepthGuard Guard(*this);
    const std::size_t CteMark = FCteNames.size();
    if (AcceptKeyword("WITH")) {
      AcceptKeyword("RECURSIVE");
      do ParseCommonTableExpression();
      while (AcceptOperator(","));
    }
    ParseCore(Out);
    for (;;) {
      if (AcceptKeyword("UNION")) {
        AcceptKeyword("ALL");
      } else if (!AcceptKeyword("INTERSECT") && !AcceptKeyword("EXCEPT")) {
        break;
      }
      ParseCore(nullptr);
    }
    if (AcceptKeyword("ORDER")) {
      ExpectKeyword("BY");
      ParseOrderingTerms();
    }
    if (AcceptKeyword("LIMIT")) {
      ParseExpr();
      if (AcceptKeyword("OFFSET") || AcceptOperator(",")) ParseExpr();
    }
    FCteNames.resize(CteMark);  // the names are visible inside this statement only
  }

  void ParseCommonTableExpression() {
    // Added before the body, which may refer to itself (WITH RECURSIVE).
    FCteNames.push_back(ExpectName("common table expression name"));
    if (AcceptOperator("(")) {
      do ExpectName("column name");
      while (AcceptOperator(","));
      ExpectOperator(")");
    }
    ExpectKeyword("AS");
    if (AcceptKeyword("NOT")) {
      ExpectKeyword("MATERIALIZED");
    } else {
      AcceptKeyword("MATERIALIZED");
    }
    ExpectOperator("(");
    if (!AtSelectStart(0)) Expected("SELECT");
    ParseStatement(nullptr);
    ExpectOperator(")");
  }

  void ParseCore(TVNSelectInfo* Out) {
    if (AcceptKeyword("VALUES")) {
      const std::size_t Count = ParseValuesRow();
      while (AcceptOperator(",")) ParseValuesRow();
      // SQLite names the columns of VALUES column1, column2...
      if (Out)
        for (std::size_t I = 1; I <= Count; ++I) Out->Fields.push_back({"column" + std::to_string(I), "", ""});
      return;
    }
    ExpectKeyword("SELECT");
    if (!AcceptKeyword("DISTINCT")) AcceptKeyword("ALL");
    std::vector<TResultColumn> Columns;
    do Columns.push_back(ParseResultColumn());
    while (AcceptOperator(","));

    std::vector<TFromItem> From;
    if (AcceptKeyword("FROM")) ParseJoinClause(From);
    if (AcceptKeyword("WHERE")) ParseExpr();
    if (AcceptKeyword("GROUP")) {
      ExpectKeyword("BY");
      ParseExprList();
    }
    if (AcceptKeyword("HAVING")) ParseExpr();
    if (AtWindowClause()) {
      Next();
      do {
        ExpectName("window name");
        ExpectKeyword("AS");
        SkipParenthesized();
      } while (AcceptOperator(","));
    }
    if (Out) Resolve(Columns, From, *Out);
  }

  std::size_t ParseValuesRow() {
    ExpectOperator("(");
    std::size_t Count = ParseExprList();
    ExpectOperator(")");
    return Count;
  }

  TResultColumn ParseResultColumn() {
    TResultColumn Column;
    if (AcceptOperator("*")) {
      Column.IsStar = true;
      return Column;
    }
    if (AtName() && Peek(1).IsOperator(".") && Peek(2).IsOperator("*")) {
      FPos += 3;
      Column.IsStar = true;
      return Column;
    }
    const std::size_t Start = Peek().Offset;
    Column.Expr = ParseExpr();
    const std::size_t End = FTokens[FPos - 1].EndOffset();
    Column.Name = OptionalAlias();
    if (Column.Name.empty())
      Column.Name = Column.Expr.IsColumn ? Column.Expr.Parts.back() : std::string(FSQL.substr(Start, End - Start));
    return Column;
  }

  // ---- FROM ---------------------------------------------------------------

  void ParseJoinClause(std::vector<TFromItem>& From) {
    TDepthGuard Guard(*this);
    ParseTableOrSubquery(From);
    for (;;) {
      if (!AcceptOperator(",") && !ParseJoinOperator()) return;
      ParseTableOrSubquery(From);
      // SQLite takes ON/USING after a comma join too.
      if (AcceptKeyword("ON")) {
        ParseExpr();
      } else if (AcceptKeyword("USING")) {
        ExpectOperator("(");
        do ExpectName("column name");
        while (AcceptOperator(","));
        ExpectOperator(")");
      }
    }
  }

  // [NATURAL] [LEFT|RIGHT|FULL [OUTER] | INNER | CROSS] JOIN
  bool ParseJoinOperator() {
    bool Started = AcceptKeyword("NATURAL");
    if (AcceptKeyword("LEFT") || AcceptKeyword("RIGHT") || AcceptKeyword("FULL")) {
      AcceptKeyword("OUTER");
      Started = true;
    } else if (AcceptKeyword("INNER") || AcceptKeyword("CROSS")) {
      Started = true;
    }
    if (AcceptKeyword("JOIN")) return true;
    if (Started) Expected("JOIN");
    return false;
  }

  void ParseTableOrSubquery(std::vector<TFromItem>& From) {
    if (Peek().IsOperator("(")) {
      Next();
      if (AtSelectStart(0)) {
        ParseStatement(nullptr);
        ExpectOperator(")");
        TFromItem Derived;
        Derived.Alias = OptionalAlias();
        From.push_back(std::move(Derived));
      } else {
        ParseJoinClause(From);
        ExpectOperator(")");
        OptionalAlias();
      }
      return;
    }
    TFromItem Item;
    Item.TableName = ExpectNameOrString("table name");
    if (AcceptOperator(".")) {
      Item.Schema = std::move(Item.TableName);
      Item.TableName = ExpectNameOrString("table name");
    }
    if (AcceptOperator("(")) {  // a table-valued function: rows, but no table
      if (!AcceptOperator(")")) {
        ParseExprList();
        ExpectOperator(")");
      }
      Item.TableName.clear();
    } else {
      Item.IsTable = !(Item.Schema.empty() && IsCommonTableExpression(Item.TableName));
    }
    Item.Alias = OptionalAlias();
    if (AcceptKeyword("INDEXED")) {
      ExpectKeyword("BY");
      ExpectName("index name");
    } else if (Peek().IsKeyword("NOT") && Peek(1).IsKeyword("INDEXED")) {
      FPos += 2;
    }
    From.push_back(std::move(Item));
  }

  // ---- expressions --------------------------------------------------------

  std::size_t ParseExprList() {
    std::size_t Count = 0;
    do {
      ParseExpr();
      ++Count;
    } while (AcceptOperator(","));
    return Count;
  }

  void ParseOrderingTerms() {
    do {
      ParseExpr();
      if (!AcceptKeyword("ASC")) AcceptKeyword("DESC");
      if (AcceptKeyword("NULLS") && !AcceptKeyword("FIRST")) ExpectKeyword("LAST");
    } while (AcceptOperator(","));
  }

  // Window definitions only shape the rows; their contents need no reading,
  // only a correct end.
  void SkipParenthesized() {
    ExpectOperator("(");
    int Depth = 1;
    while (Depth > 0) {
      const TSQLToken& T = Next();
      if (T.Kind == tokEnd) Expected("\")\"");
      if (T.IsOperator("(")) ++Depth;
      if (T.IsOperator(")")) --Depth;
    }
  }

  TExpr ParseExpr() {
    TDepthGuard Guard(*this);
    return ParseBinary(pOr);
  }

  // Binding strength of the binary and postfix operators, weakest first.
  enum TPrecedence {
    pNone, pOr, pAnd, pNot, pEquality, pComparison, pBitwise, pAdditive, pMultiplicative, pConcat, pUnary
  };

  TPrecedence PeekPrecedence() const {
    const TSQLToken& T = Peek();
    if (T.Kind == tokOperator) {
      for (std::string_view Op : {"=", "==", "!=", "<>"})
        if (T.Text == Op) return pEquality;
      for (std::string_view Op : {"<", "<=", ">", ">="})
        if (T.Text == Op) return pComparison;
      for (std::string_view Op : {"&", "|", "<<", ">>"})
        if (T.Text == Op) return pBitwise;
      if (T.Text == "+" || T.Text == "-") return pAdditive;
      if (T.Text == "*" || T.Text == "/" || T.Text == "%") return pMultiplicative;
      if (T.Text == "||" || T.Text == "->" || T.Text == "->>") return pConcat;
      return pNone;
    }
    if (T.IsKeyword("OR")) return pOr;
    if (T.IsKeyword("AND")) return pAnd;
    auto IsEqualityWord = [](const TSQLToken& W) {
      for (std::string_view Word : {"IN", "LIKE", "GLOB", "MATCH", "REGEXP", "BETWEEN"})
        if (W.IsKeyword(Word)) return true;
      return false;
    };
    // NOT after an operand only as NOT IN, NOT LIKE ..., NOT BETWEEN, NOT NULL.
    if (T.IsKeyword("NOT")) return IsEqualityWord(Peek(1)) || Peek(1).IsKeyword("NULL") ? pEquality : pNone;
    if (IsEqualityWord(T) || T.IsKeyword("IS") || T.IsKeyword("ISNULL") || T.IsKeyword("NOTNULL")) return pEquality;
    return pNone;
  }

  // Operators as strong as MinPrecedence or stronger, left to right.
  TExpr ParseBinary(TPrecedence MinPrecedence) {
    TExpr E;
    if (AcceptKeyword("NOT")) {  // NOT a = b is NOT (a = b)
      TDepthGuard Guard(*this);
      ParseBinary(pNot);
    } else {
      E = ParseUnary();
    }
    for (TPrecedence P = PeekPrecedence(); P != pNone && P >= MinPrecedence; P = PeekPrecedence()) {
      E = TExpr{};
      const TPrecedence Operand = static_cast<TPrecedence>(P + 1);
      if (P != pEquality || Peek().Kind == tokOperator) {
        Next();
        ParseBinary(Operand);
      } else if (AcceptKeyword("IS")) {
        AcceptKeyword("NOT");
        if (AcceptKeyword("DISTINCT")) ExpectKeyword("FROM");
        ParseBinary(Operand);
      } else if (AcceptKeyword("ISNULL") || AcceptKeyword("NOTNULL")) {
        // postfix: no operand
      } else {
        AcceptKeyword("NOT");
        if (AcceptKeyword("NULL")) {
          // NOT NULL, postfix
        } else if (AcceptKeyword("IN")) {
          ParseInTarget();
        } else if (AcceptKeyword("BETWEEN")) {
          ParseBinary(Operand);
          ExpectKeyword("AND");
          ParseBinary(Operand);
        } else {
          Next();  // LIKE, GLOB, MATCH or REGEXP
          ParseBinary(Operand);
          if (AcceptKeyword("ESCAPE")) ParseBinary(Operand);
        }
      }
    }
    return E;
  }

  void ParseInTarget() {
    if (AcceptOperator("(")) {
      if (AcceptOperator(")")) return;
      if (AtSelectStart(0))
        ParseStatement(nullptr);
      else
        ParseExprList();
      ExpectOperator(")");
      return;
    }
    ExpectNameOrString("table name or \"(\"");
    if (AcceptOperator(".")) ExpectNameOrString("table name");
    if (AcceptOperator("(") && !AcceptOperator(")")) {
      ParseExprList();
      ExpectOperator(")");
    }
  }

  TExpr ParseUnary() {
    if (AcceptOperator("-") || AcceptOperator("+") || AcceptOperator("~")) {
      TDepthGuard Guard(*this);
      // SQLite reads -NOT a = b as -(NOT (a = b)).
      if (AcceptKeyword("NOT"))
        ParseBinary(pNot);
      else
        ParseUnary();
      return TExpr{};
    }
    TExpr E = ParsePrimary();
    while (AcceptKeyword("COLLATE")) {
      ExpectName("collation name");
      E = TExpr{};
    }
    return E;
  }

  TExpr ParsePrimary() {
    const TSQLToken& T = Peek();
    switch (T.Kind) {
      case tokNumber:
      case tokString:
      case tokBlob:
      case tokVariable:
        Next();
        return TExpr{};
      case tokOperator:
        if (T.IsOperator("(")) return ParseParenthesized();
        Expected("expression");
      case tokEnd:
        Expected("expression");
      case tokIdentifier:
      case tokQuotedIdentifier:
        break;
    }
    if (T.Kind == tokIdentifier) {
      for (std::string_view Literal : {"NULL", "TRUE", "FALSE", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP"})
        if (T.IsKeyword(Literal)) {
          Next();
          return TExpr{};
        }
      if (AcceptKeyword("CASE")) return ParseCase();
      if (T.IsKeyword("CAST") && Peek(1).IsOperator("(")) {  // elsewhere "cast" is a name
        Next();
        return ParseCast();
      }
      if (AcceptKeyword("EXISTS")) {
        ExpectOperator("(");
        if (!AtSelectStart(0)) Expected("SELECT");
        ParseStatement(nullptr);
        ExpectOperator(")");
        return TExpr{};
      }
      if (T.IsKeyword("RAISE") && Peek(1).IsOperator("(")) {
        Next();
        SkipParenthesized();
        return TExpr{};
      }
    }
    if (Peek(1).IsOperator("(") && (AtName() || T.IsKeyword("LIKE") || T.IsKeyword("GLOB") ||
                                    T.IsKeyword("MATCH") || T.IsKeyword("REGEXP"))) {
      Next();
      return ParseFunctionCall();
    }
    TExpr E;
    E.IsColumn = true;
    E.Parts.push_back(ExpectName("expression"));
    while (E.Parts.size() < 3 && Peek().IsOperator(".") && AtName(1)) {
      Next();
      E.Parts.push_back(Next().Text);
    }
    return E;
  }

  // ( select ) | ( expr ) | ( expr, expr ... )
  TExpr ParseParenthesized() {
    ExpectOperator("(");
    if (AtSelectStart(0)) {
      ParseStatement(nullptr);
      ExpectOperator(")");
      return TExpr{};
    }
    // A lone column in parentheses is still that column, as SQLite sees it.
    TExpr E = ParseExpr();
    if (AcceptOperator(",")) {
      ParseExprList();
      E = TExpr{};
    }
    ExpectOperator(")");
    return E;
  }

  TExpr ParseFunctionCall() {
    ExpectOperator("(");
    if (!AcceptOperator(")")) {
      if (!AcceptOperator("*")) {
        if (!AcceptKeyword("DISTINCT")) AcceptKeyword("ALL");
        ParseExprList();
        if (AcceptKeyword("ORDER")) {
          ExpectKeyword("BY");
          ParseOrderingTerms();
        }
      }
      ExpectOperator(")");
    }
    if (Peek().IsKeyword("FILTER") && Peek(1).IsOperator("(")) {
      Next();
      Next();
      ExpectKeyword("WHERE");
      ParseExpr();
      ExpectOperator(")");
    }
    if (AcceptKeyword("OVER")) {
      if (Peek().IsOperator("("))
        SkipParenthesized();
      else
        ExpectName("window name");
    }
    return TExpr{};
  }

  TExpr ParseCase() {
    if (!Peek().IsKeyword("WHEN")) ParseExpr();
    do {
      ExpectKeyword("WHEN");
      ParseExpr();
      ExpectKeyword("THEN");
      ParseExpr();
    } while (Peek().IsKeyword("WHEN"));
    if (AcceptKeyword("ELSE")) ParseExpr();
    ExpectKeyword("END");
    return TExpr{};
  }

  TExpr ParseCast() {
    ExpectOperator("(");
    ParseExpr();
    ExpectKeyword("AS");
    ExpectName("type name");
    while (AtName()) Next();
    if (AcceptOperator("(")) {
      ParseExprList();
      ExpectOperator(")");
    }
    ExpectOperator(")");
    return TExpr{};
  }

  // ---- origins ------------------------------------------------------------

  static const TFromItem* FindItem(const std::vector<TFromItem>& From, const std::vector<std::string>& Parts) {
    for (const TFromItem& Item : From) {
      if (Parts.size() == 2 && !Item.Name().empty() && AnsiSameText(Item.Name(), Parts[0])) return &Item;
      // schema.table.column names a table that has no alias.
      if (Parts.size() == 3 && Item.IsTable && Item.Alias.empty() && AnsiSameText(Item.TableName, Parts[1]) &&
          (Item.Schema.empty() || AnsiSameText(Item.Schema, Parts[0])))
        return &Item;
    }
    return nullptr;
  }

  static void Resolve(const std::vector<TResultColumn>& Columns, const std::vector<TFromItem>& From,
                      TVNSelectInfo& Out) {
    for (const TResultColumn& Column : Columns) {
      if (Column.IsStar) continue;
      TVNFieldOrigin Field{Column.Name, "", ""};
      if (Column.Expr.IsColumn) {
        const auto& Parts = Column.Expr.Parts;
        const TFromItem* Item = Parts.size() == 1 ? (From.size() == 1 ? &From.front() : nullptr)
                                                  : FindItem(From, Parts);
        if (Item && Item->IsTable) {
          Field.TableName = Item->TableName;
          Field.ColumnName = Parts.back();
        }
      }
      Out.Fields.push_back(std::move(Field));
    }
    for (const TFromItem& Item : From)
      if (Item.IsTable) Out.Tables.push_back({Item.Name(), Item.TableName});
  }

  std::string_view FSQL;
  std::vector<TSQLToken> FTokens;
  std::size_t FPos = 0;
  int FDepth = 0;
  std::vector<std::string> FCteNames;
};

}  // namespace

TVNSelectInfo ParseSelect(std::string_view SQL) { return TParser(SQL).Run(); }
