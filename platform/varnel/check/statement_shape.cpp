#include "statement_shape.h"

#include "rtl/DB.h"

std::optional<TStatementShape> ReadShape(std::string_view SQL, TVNUpdateKind Kind) {
  std::vector<TSQLToken> T;
  try {
    T = TokenizeSQL(SQL);
  } catch (const EDatabaseError&) {
    return std::nullopt;
  }
  TStatementShape Shape;
  for (const TSQLToken& Token : T)
    if (Token.Kind == tokIdentifier) Shape.BareNames.push_back(Token);
  const char* Before = Kind == ukModify ? "UPDATE" : Kind == ukInsert ? "INTO" : "FROM";
  std::size_t I = 0;
  for (int Depth = 0; I < T.size(); ++I) {
    if (T[I].IsOperator("(")) ++Depth;
    if (T[I].IsOperator(")")) --Depth;
    if (Depth == 0 && T[I].IsKeyword(Before)) break;
  }
  if (I + 1 >= T.size()) return Shape;
  ++I;
  if (Kind == ukModify && T[I].IsKeyword("OR") && I + 2 < T.size()) I += 2;  // UPDATE OR REPLACE
  if (!T[I].IsName()) return Shape;
  std::size_t End = I + 1;
  if (End + 1 < T.size() && T[End].IsOperator(".") && T[End + 1].IsName()) End += 2;
  Shape.TableText = std::string(SQL.substr(T[I].Offset, T[End - 1].EndOffset() - T[I].Offset));

  int Depth = 0;
  bool InWhere = false, InSet = false;
  for (std::size_t J = End; J < T.size(); ++J) {
    const TSQLToken& Token = T[J];
    if (Kind == ukInsert && J == End && Token.IsOperator("(")) {
      for (++J; J < T.size() && !T[J].IsOperator(")"); ++J)
        if (T[J].IsName()) Shape.Written.push_back(T[J].Text);
      continue;
    }
    if (Token.IsOperator("(")) ++Depth;
    if (Token.IsOperator(")")) --Depth;
    if (Depth != 0) continue;
    if (Token.IsKeyword("SET")) InSet = true;
    if (Token.IsKeyword("WHERE")) InSet = false, InWhere = true;
    const bool Assigns = J + 1 < T.size() && T[J + 1].IsOperator("=") && Token.IsName();
    if (InSet && Assigns && (T[J - 1].IsKeyword("SET") || T[J - 1].IsOperator(",")))
      Shape.Written.push_back(Token.Text);
    if (InWhere && Assigns && J + 2 < T.size() && T[J + 2].Kind == tokVariable) Shape.KeyColumns.push_back(Token.Text);
  }
  return Shape;
}
