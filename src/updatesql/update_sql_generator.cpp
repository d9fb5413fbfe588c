#include "updatesql/update_sql_generator.h"

#include <cstdint>

#include "rtl/SysUtils.h"
#include "varnel/Vncommon.h"

namespace VNUpdSEd {

namespace {

constexpr std::string_view KwSet = "set", KwWhere = "where", KwValues = "values";

// QuoteName appended to Out. QuoteIdentifier gives a name unchanged when it is
// not to be quoted: such a name is appended as it is, without a copy.
[[gnu::always_inline]] inline void AppendQuoted(std::string& Out, std::string_view Name, bool Quote) {
  if (!Quote)
    Out += Name;
  else
    Out += QuoteIdentifier(std::string(Name), true);
}

// A table name part that is one identifier in quotes already: "...", [...] or
// `...`, with the closing quote doubled wherever it stands inside.
bool IsQuotedPart(std::string_view Part) {
  if (Part.size() < 2) return false;
  const char Open = Part.front();
  const char Close = Open == '[' ? ']' : Open;
  if ((Open != '"' && Open != '`' && Open != '[') || Part.back() != Close) return false;
  const std::string_view Inner = Part.substr(1, Part.size() - 2);
  for (std::size_t I = 0; I < Inner.size(); ++I)
    if (Inner[I] == Close && (++I == Inner.size() || Inner[I] != Close)) return false;
  return true;
}

}  // namespace

TUpdateSQLGenerator::~TUpdateSQLGenerator() = default;

TUpdateSQLGenerator::TUpdateSQLGenerator() {
  FFieldInfo.OnChange = [this](TObject*) { FAliasIndexStale = true; };
}

std::string TUpdateSQLGenerator::QuoteName(const std::string& Name) const { return QuoteIdentifier(Name, FQuoteFields); }

std::string TUpdateSQLGenerator::TableReference() const {
  const std::string Name = GetValidObjName(FTableText, !FObjOwnerSupported);
  if (!FQuoteFields) return QuoteName(Name);
  // Quoted as a whole, "owner.table" would name one object with a full stop in
  // its name, and a name typed in quotes would get its quotes doubled: each
  // part is quoted on its own, unless it is quoted already.
  std::vector<std::string> Parts;
  std::string Rest = Name;
  for (;;) {
    std::string Part = GetValidObjName(Rest, true);
    // The name part is what follows the owner's full stop, blanks trimmed.
    if (!Rest.ends_with(Part)) return QuoteName(Name);
    std::size_t Dot = Rest.size() - Part.size();
    while (Dot > 0 && static_cast<unsigned char>(Rest[Dot - 1]) <= ' ') --Dot;
    Parts.push_back(std::move(Part));
    if (Dot == 0) break;
    if (Rest[Dot - 1] != '.') return QuoteName(Name);
    Rest = Trim(std::string_view(Rest).substr(0, Dot - 1));
  }
  std::string Result;
  for (auto It = Parts.rbegin(); It != Parts.rend(); ++It) {
    if (!Result.empty()) Result += '.';
    Result += IsQuotedPart(*It) ? *It : QuoteName(*It);
  }
  return Result;
}

const TOriginIndex& TUpdateSQLGenerator::EnsureAliasIndex() const {
  // Inside a group of changes the list has not reported them yet.
  if (FAliasIndexStale || FFieldInfo.UpdateCount() > 0 || !FIndex) {
    FIndex = std::make_unique<TOriginIndex>(FFieldInfo);
    FAliasIndexStale = false;
  }
  return *FIndex;
}

std::string TUpdateSQLGenerator::FindFieldAlias(const std::string& TableText, const std::string& FieldName) const {
  const TOriginIndex& Index = EnsureAliasIndex();
  const std::uint32_t Key = Index.TableKey(TableText);
  return std::string(Key == 0 ? std::string_view(FieldName) : Index.Alias(Key, FieldName));
}

TUpdateSQLGenerator::TResolvedFields TUpdateSQLGenerator::Resolve(const TFieldChoices& Fields) const {
  TResolvedFields Result;
  Result.reserve(Fields.size());
  for (const TFieldChoice& Field : Fields)
    if (Field.Selected) Result.push_back({Field.Name, Field.Name});
  if (const std::uint32_t Key = FIndex->TableKey(FTableText); Key != 0) FIndex->FillAliases(Key, Result);
  return Result;
}

// ---------------------------------------------------------------------------
// Statements: each line is written straight into the list's own line.

// Writes a statement into a list as one change for whoever watches it. An
// unsorted string list has its lines rewritten in place, so that their storage
// takes the new lines without a copy and writing a statement again allocates
// nothing per line; any other list is emptied and refilled through a scratch
// line. Either way the list ends up holding the statement's lines alone,
// without objects.
class TUpdateSQLGenerator::TWriter {
 public:
  TWriter(TStrings& List, std::string& Scratch) : FList(List), FScratch(Scratch) {
    FList.BeginUpdate();
    FPlain = dynamic_cast<TStringList*>(&List);
    FReusable = FPlain != nullptr && !FPlain->Sorted() ? FPlain->Count() : 0;
    if (FReusable == 0) FList.Clear();
  }
  ~TWriter() {
    while (FList.Count() > FCount) FList.Delete(FList.Count() - 1);
    FList.EndUpdate();
  }
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  // One line, which Write(std::string&) appends to an empty string.
  template <class F>
  void Add(F&& Write) {
    if (FCount < FReusable) {
      FPlain->EditString(FCount, [&Write](std::string& Line) {
        Line.clear();
        Write(Line);
      });
      if (FPlain->Objects(FCount) != nullptr) FPlain->PutObject(FCount, nullptr);
    } else {
      FScratch.clear();
      Write(FScratch);
      FList.Add(FScratch);
    }
    ++FCount;
  }
  void Add(std::string_view Text) {
    Add([Text](std::string& Line) { Line += Text; });
  }

 private:
  TStrings& FList;
  TStringList* FPlain = nullptr;
  std::string& FScratch;
  int FReusable = 0;
  int FCount = 0;
};

void TUpdateSQLGenerator::WriteKeys(TWriter& W, const TResolvedFields& Keys) const {
  for (std::size_t I = 0; I < Keys.size(); ++I)
    W.Add([&](std::string& Line) {
      Line += "  ";
      AppendQuoted(Line, Keys[I].Name, FQuoteFields);
      Line += " = :";
      // The prefix belongs to the parameter name, inside its quotes.
      if (FQuoteFields)
        Line += QuoteIdentifier("OLD_" + std::string(Keys[I].Alias), true);
      else
        Line.append("OLD_").append(Keys[I].Alias);
      if (I + 1 < Keys.size()) Line += " and";
    });
}

void TUpdateSQLGenerator::WriteModify(TStrings& List, const std::string& Table, const TResolvedFields& Updates,
                                      const TResolvedFields& Keys) const {
  TWriter W(List, FLine);
  W.Add([&](std::string& Line) { Line.append("update ").append(Table); });
  W.Add(KwSet);
  for (std::size_t I = 0; I < Updates.size(); ++I)
    W.Add([&](std::string& Line) {
      Line += "  ";
      AppendQuoted(Line, Updates[I].Name, FQuoteFields);
      Line += " = :";
      AppendQuoted(Line, Updates[I].Alias, FQuoteFields);
      if (I + 1 < Updates.size()) Line += ',';
    });
  W.Add(KwWhere);
  WriteKeys(W, Keys);
}

void TUpdateSQLGenerator::WriteRefresh(TStrings& List, const std::string& Table, const TResolvedFields& Updates,
                                       const TResolvedFields& Keys) const {
  TWriter W(List, FLine);
  // One line holding both the select list and the from clause.
  constexpr std::string_view Select = "select ";
  W.Add([&](std::string& Line) {
    Line += Select;
    for (const TResolved& Field : Updates) {
      if (Line.size() > Select.size()) Line += ", ";
      AppendQuoted(Line, Field.Name, FQuoteFields);
      if (Field.Alias != Field.Name) {
        Line += " as ";
        AppendQuoted(Line, Field.Alias, FQuoteFields);
      }
    }
    Line.append("\r\nfrom ").append(Table);
  });
  W.Add(KwWhere);
  WriteKeys(W, Keys);
}

void TUpdateSQLGenerator::WriteInsert(TStrings& List, const std::string& Table, const TResolvedFields& Updates) const {
  TWriter W(List, FLine);
  W.Add([&](std::string& Line) { Line.append("insert into ").append(Table); });
  constexpr std::string_view Open = "  (";
  W.Add([&](std::string& Line) {
    Line += Open;
    for (const TResolved& Field : Updates) {
      if (Line.size() > Open.size()) Line += ", ";
      AppendQuoted(Line, Field.Name, FQuoteFields);
    }
    Line += ')';
  });
  W.Add(KwValues);
  W.Add([&](std::string& Line) {
    Line += Open;
    for (const TResolved& Field : Updates) {
      Line += Line.size() > Open.size() ? std::string_view(", :") : std::string_view(":");
      AppendQuoted(Line, Field.Alias, FQuoteFields);
    }
    Line += ')';
  });
}

void TUpdateSQLGenerator::WriteDelete(TStrings& List, const std::string& Table, const TResolvedFields& Keys) const {
  TWriter W(List, FLine);
  W.Add([&](std::string& Line) { Line.append("delete from ").append(Table); });
  W.Add(KwWhere);
  WriteKeys(W, Keys);
}

// Alias views may point into the origin list: a statement meant for that very
// list is written aside first.
template <class F>
void TUpdateSQLGenerator::Into(TStrings& List, F&& Write) const {
  if (&List != &FFieldInfo) return Write(List);
  TStringList Aside;
  Write(Aside);
  List.Assign(Aside);
}

void TUpdateSQLGenerator::GenerateModifySQL(TStrings& List) const {
  EnsureAliasIndex();
  const TResolvedFields Updates = Resolve(FUpdateFields), Keys = Resolve(FKeyFields);
  Into(List, [&](TStrings& L) { WriteModify(L, TableReference(), Updates, Keys); });
}

void TUpdateSQLGenerator::GenerateRefreshSQL(TStrings& List) const {
  EnsureAliasIndex();
  const TResolvedFields Updates = Resolve(FUpdateFields), Keys = Resolve(FKeyFields);
  Into(List, [&](TStrings& L) { WriteRefresh(L, TableReference(), Updates, Keys); });
}

void TUpdateSQLGenerator::GenerateInsertSQL(TStrings& List) const {
  EnsureAliasIndex();
  const TResolvedFields Updates = Resolve(FUpdateFields);
  Into(List, [&](TStrings& L) { WriteInsert(L, TableReference(), Updates); });
}

void TUpdateSQLGenerator::GenerateDeleteSQL(TStrings& List) const {
  EnsureAliasIndex();
  const TResolvedFields Keys = Resolve(FKeyFields);
  Into(List, [&](TStrings& L) { WriteDelete(L, TableReference(), Keys); });
}

void TUpdateSQLGenerator::GenerateAllSQL(TStrings& ModifySQL, TStrings& InsertSQL, TStrings& DeleteSQL,
                                         TStrings& RefreshSQL) const {
  // Writing into the origin list itself would change the aliases under the
  // statements that follow: each then looks them up anew.
  if (&ModifySQL == &FFieldInfo || &InsertSQL == &FFieldInfo || &DeleteSQL == &FFieldInfo ||
      &RefreshSQL == &FFieldInfo) {
    GenerateModifySQL(ModifySQL);
    GenerateInsertSQL(InsertSQL);
    GenerateDeleteSQL(DeleteSQL);
    GenerateRefreshSQL(RefreshSQL);
    return;
  }
  EnsureAliasIndex();
  const TResolvedFields Updates = Resolve(FUpdateFields), Keys = Resolve(FKeyFields);
  const std::string Table = TableReference();
  WriteModify(ModifySQL, Table, Updates, Keys);
  WriteInsert(InsertSQL, Table, Updates);
  WriteDelete(DeleteSQL, Table, Keys);
  WriteRefresh(RefreshSQL, Table, Updates, Keys);
}

}  // namespace VNUpdSEd
