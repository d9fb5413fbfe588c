#include "updatesql/update_sql_generator.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "rtl/SysUtils.h"
#include "varnel/Vncommon.h"

namespace VNUpdSEd {

namespace {

// Refills a statement list as one change for whoever watches it.
class TListRefill {
 public:
  explicit TListRefill(TStrings& List) : FList(List) {
    FList.BeginUpdate();
    FList.Clear();
  }
  ~TListRefill() { FList.EndUpdate(); }
  TListRefill(const TListRefill&) = delete;
  TListRefill& operator=(const TListRefill&) = delete;

 private:
  TStrings& FList;
};

// Where an origin value splits into table and column: the rightmost full stop
// with at least one character after it.
std::size_t OriginSplit(std::string_view Value) {
  for (std::size_t I = Value.size(); I-- > 1;)
    if (Value[I - 1] == '.') return I - 1;
  return std::string_view::npos;
}

bool IsPrintableAscii(std::string_view S) {
  return std::all_of(S.begin(), S.end(), [](char C) { return C >= ' ' && C <= '~'; });
}

// Well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsUtf8(std::string_view S) {
  std::size_t I = 0;
  while (I < S.size()) {
    const auto C = static_cast<unsigned char>(S[I]);
    std::size_t Length;
    unsigned char Low = 0x80, High = 0xBF;  // range of the first continuation byte
    if (C < 0x80) {
      ++I;
      continue;
    } else if (C >= 0xC2 && C <= 0xDF) {
      Length = 2;
    } else if (C >= 0xE0 && C <= 0xEF) {
      Length = 3;
      if (C == 0xE0) Low = 0xA0;
      if (C == 0xED) High = 0x9F;
    } else if (C >= 0xF0 && C <= 0xF4) {
      Length = 4;
      if (C == 0xF0) Low = 0x90;
      if (C == 0xF4) High = 0x8F;
    } else {
      return false;
    }
    if (S.size() - I < Length) return false;
    for (std::size_t K = 1; K < Length; ++K) {
      const auto Next = static_cast<unsigned char>(S[I + K]);
      if (K == 1 ? (Next < Low || Next > High) : (Next < 0x80 || Next > 0xBF)) return false;
    }
    I += Length;
  }
  return true;
}

// For every entry, the first entry whose name the string list's name look-up
// (AnsiSameText) holds for the same, found in one pass instead of an
// IndexOfName per entry. Names that are printable ASCII, or no UTF-8 at all,
// are the same to it exactly when they differ only in ASCII case, so they are
// hashed; once any other name appears, the UTF-8 names are sorted by that very
// comparison, the one way to agree with it on accents, expansions (ß is not
// SS to it) and ignorable characters.
std::vector<int> FirstOfNameClass(const std::vector<std::string_view>& Names) {
  const int N = static_cast<int>(Names.size());
  std::vector<int> First(static_cast<std::size_t>(N));
  std::unordered_map<std::string, int> PlainFirst, NonUtf8First;
  std::vector<int> Collated;
  bool NeedsCollation = false;
  for (int I = 0; I < N; ++I) {
    const std::string_view Name = Names[static_cast<std::size_t>(I)];
    if (!IsUtf8(Name)) {
      First[static_cast<std::size_t>(I)] = NonUtf8First.try_emplace(UpperCase(Name), I).first->second;
      continue;
    }
    Collated.push_back(I);
    if (!NeedsCollation && !IsPrintableAscii(Name)) NeedsCollation = true;
    if (!NeedsCollation)
      First[static_cast<std::size_t>(I)] = PlainFirst.try_emplace(UpperCase(Name), I).first->second;
  }
  if (!NeedsCollation) return First;

  // Equal names end up next to each other, each run in list order.
  const auto NameOf = [&Names](int I) { return Names[static_cast<std::size_t>(I)]; };
  std::stable_sort(Collated.begin(), Collated.end(),
                   [&](int A, int B) { return AnsiCompareText(NameOf(A), NameOf(B)) < 0; });
  int RunFirst = -1;
  for (std::size_t K = 0; K < Collated.size(); ++K) {
    const int I = Collated[K];
    if (K == 0 || AnsiCompareText(NameOf(Collated[K - 1]), NameOf(I)) != 0) RunFirst = I;
    First[static_cast<std::size_t>(I)] = RunFirst;
  }
  return First;
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

void TUpdateSQLGenerator::EnsureAliasIndex() const {
  // Inside a group of changes the list has not reported them yet.
  if (FAliasIndexStale || FFieldInfo.UpdateCount() > 0) BuildAliasIndex();
}

void TUpdateSQLGenerator::BuildAliasIndex() const {
  const int N = FFieldInfo.Count();
  std::vector<std::string_view> Names(static_cast<std::size_t>(N)), Values(static_cast<std::size_t>(N));
  std::vector<bool> Named(static_cast<std::size_t>(N));
  for (int I = 0; I < N; ++I) {
    const std::string_view Line = FFieldInfo.StringRef(I);
    const std::size_t Eq = Line.find('=');
    const auto K = static_cast<std::size_t>(I);
    Named[K] = Eq != std::string_view::npos;
    if (Named[K]) {
      Names[K] = Line.substr(0, Eq);
      Values[K] = Line.substr(Eq + 1);
    }
  }
  // An entry's value is the value of the first line its name looks up; a line
  // without "=" has the empty name and is never found by it.
  const std::vector<int> First = FirstOfNameClass(Names);
  std::vector<int> Lookup(static_cast<std::size_t>(N), -1);
  for (int I = 0; I < N; ++I) {
    int& Found = Lookup[static_cast<std::size_t>(First[static_cast<std::size_t>(I)])];
    if (Found < 0 && Named[static_cast<std::size_t>(I)]) Found = I;
  }

  FAliasIndex.clear();
  FAliasIndex.reserve(static_cast<std::size_t>(N));
  for (int I = 0; I < N; ++I) {
    const int Source = Lookup[static_cast<std::size_t>(First[static_cast<std::size_t>(I)])];
    if (Source < 0) continue;
    const std::string_view Value = Values[static_cast<std::size_t>(Source)];
    if (OriginSplit(Value) == std::string_view::npos) continue;
    FAliasIndex.try_emplace(std::string(Value), Names[static_cast<std::size_t>(I)]);
  }
  FAliasIndexStale = false;
}

std::string TUpdateSQLGenerator::FindFieldAlias(const std::string& TableText, const std::string& FieldName) const {
  EnsureAliasIndex();
  std::string Origin;
  Origin.reserve(TableText.size() + 1 + FieldName.size());
  Origin.append(TableText).append(1, '.').append(FieldName);
  // A field name with a full stop inside splits elsewhere and so is no column
  // of this table, even when the joined text is some entry's value.
  if (OriginSplit(Origin) != TableText.size()) return FieldName;
  const auto It = FAliasIndex.find(Origin);
  return It == FAliasIndex.end() ? FieldName : It->second;
}

void TUpdateSQLGenerator::AppendKeyConditions(TStrings& List) const {
  std::string Pending;
  for (const TFieldChoice& Key : FKeyFields) {
    if (!Key.Selected) continue;
    if (!Pending.empty()) List.Add(Pending + " and");
    Pending = "  " + QuoteName(Key.Name) + " = :" + QuoteName("OLD_" + FindFieldAlias(FTableText, Key.Name));
  }
  if (!Pending.empty()) List.Add(Pending);
}

void TUpdateSQLGenerator::GenerateModifySQL(TStrings& List) const {
  TListRefill Refill(List);
  List.Add("update " + TableReference());
  List.Add("set");
  std::string Pending;
  for (const TFieldChoice& Field : FUpdateFields) {
    if (!Field.Selected) continue;
    if (!Pending.empty()) List.Add(Pending + ",");
    Pending = "  " + QuoteName(Field.Name) + " = :" + QuoteName(FindFieldAlias(FTableText, Field.Name));
  }
  if (!Pending.empty()) List.Add(Pending);
  List.Add("where");
  AppendKeyConditions(List);
}

void TUpdateSQLGenerator::GenerateRefreshSQL(TStrings& List) const {
  TListRefill Refill(List);
  std::string Columns;
  for (const TFieldChoice& Field : FUpdateFields) {
    if (!Field.Selected) continue;
    if (!Columns.empty()) Columns += ", ";
    Columns += QuoteName(Field.Name);
    const std::string Alias = FindFieldAlias(FTableText, Field.Name);
    if (Alias != Field.Name) Columns += " as " + QuoteName(Alias);
  }
  // One entry holding both the select list and the from clause.
  List.Add("select " + Columns + "\r\nfrom " + TableReference());
  List.Add("where");
  AppendKeyConditions(List);
}

void TUpdateSQLGenerator::GenerateInsertSQL(TStrings& List) const {
  TListRefill Refill(List);
  std::string Columns, Params;
  for (const TFieldChoice& Field : FUpdateFields) {
    if (!Field.Selected) continue;
    if (!Columns.empty()) Columns += ", ";
    Columns += QuoteName(Field.Name);
    if (!Params.empty()) Params += ", ";
    Params += ":" + QuoteName(FindFieldAlias(FTableText, Field.Name));
  }
  List.Add("insert into " + TableReference());
  List.Add("  (" + Columns + ")");
  List.Add("values");
  List.Add("  (" + Params + ")");
}

void TUpdateSQLGenerator::GenerateDeleteSQL(TStrings& List) const {
  TListRefill Refill(List);
  List.Add("delete from " + TableReference());
  List.Add("where");
  AppendKeyConditions(List);
}

}  // namespace VNUpdSEd
