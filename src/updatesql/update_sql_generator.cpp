#include "updatesql/update_sql_generator.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "rtl/SysUtils.h"
#include "varnel/Vncommon.h"

namespace VNUpdSEd {

namespace {

constexpr std::string_view KwSet = "set", KwWhere = "where", KwValues = "values";

std::uint64_t Load64(const char* P) {
  std::uint64_t Word;
  std::memcpy(&Word, P, 8);
  return Word;
}

std::uint64_t Load32(const char* P) {
  std::uint32_t Word;
  std::memcpy(&Word, P, 4);
  return Word;
}

// QuoteName appended to Out. QuoteIdentifier gives a name unchanged when it is
// not to be quoted: such a name is appended as it is, without a copy.
[[gnu::always_inline]] inline void AppendQuoted(std::string& Out, std::string_view Name, bool Quote) {
  if (!Quote)
    Out += Name;
  else
    Out += QuoteIdentifier(std::string(Name), true);
}

// Short names compare faster in a few loads than through a call of memcmp.
[[gnu::always_inline]] inline bool SameBytes(std::string_view A, std::string_view B) {
  const std::size_t N = A.size();
  if (N != B.size()) return false;
  const char *P = A.data(), *Q = B.data();
  if (N >= 8) {
    for (std::size_t I = 0; I + 8 < N; I += 8)
      if (Load64(P + I) != Load64(Q + I)) return false;
    return Load64(P + N - 8) == Load64(Q + N - 8);
  }
  if (N >= 4) return Load32(P) == Load32(Q) && Load32(P + N - 4) == Load32(Q + N - 4);
  for (std::size_t I = 0; I < N; ++I)
    if (P[I] != Q[I]) return false;
  return true;
}

// Where an origin value splits into table and column: the rightmost full stop
// with at least one character after it.
std::size_t OriginSplit(std::string_view Value) {
  for (std::size_t I = Value.size(); I-- > 1;)
    if (Value[I - 1] == '.') return I - 1;
  return std::string_view::npos;
}

std::uint64_t Mix(std::uint64_t H) {
  H ^= H >> 32;
  H *= 0xD6E8FEB86659FD93ULL;
  H ^= H >> 32;
  return H;
}

// Names are short: eight bytes at a time, and the last up to eight bytes in
// two loads that may overlap.
std::uint64_t HashBytes(std::string_view S) {
  const char* P = S.data();
  std::size_t N = S.size();
  std::uint64_t H = 0x9E3779B97F4A7C15ULL ^ N;
  for (; N > 8; P += 8, N -= 8) H = Mix(H ^ Load64(P));
  std::uint64_t Tail;
  if (N >= 4)
    Tail = Load32(P) << 32 | Load32(P + N - 4);
  else if (N > 0)
    Tail = std::uint64_t{static_cast<unsigned char>(P[0])} << 16 |
           std::uint64_t{static_cast<unsigned char>(P[N / 2])} << 8 | static_cast<unsigned char>(P[N - 1]);
  else
    Tail = 0;
  return Mix(H ^ Tail);
}

// An origin hashes by its table part and its column part, so that the table
// text of a generation is hashed once for all its fields.
std::uint64_t OriginHash(std::uint64_t TableHash, std::string_view Column) {
  return Mix(TableHash * 0x9E3779B97F4A7C15ULL + HashBytes(Column));
}

char FoldAscii(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }

std::uint64_t HashNoCase(std::string_view S) {
  std::uint64_t H = 0xCBF29CE484222325ULL;
  for (char C : S) H = (H ^ static_cast<unsigned char>(FoldAscii(C))) * 0x100000001B3ULL;
  return Mix(H);
}

bool SameAsciiNoCase(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (FoldAscii(A[I]) != FoldAscii(B[I])) return false;
  return true;
}

// Open addressing over the items of an array, at most half full: a slot holds
// the item's index plus one in its low half (0: empty) and the high half of
// its hash.
class TSlots {
 public:
  explicit TSlots(std::size_t Count) : FSlots(std::bit_ceil(std::max<std::size_t>(2 * Count, 8))) {}
  // The first item added for which Same(index) holds, probing from Hash; when
  // there is none, Index is added and returned.
  template <class F>
  std::size_t FindOrAdd(std::uint64_t Hash, std::size_t Index, F&& Same) {
    const std::size_t Mask = FSlots.size() - 1;
    const std::uint64_t Tag = Hash >> 32;
    for (std::size_t P = Hash & Mask;; P = (P + 1) & Mask) {
      const std::uint64_t Slot = FSlots[P];
      if (Slot == 0) {
        FSlots[P] = Tag << 32 | (Index + 1);
        return Index;
      }
      if ((Slot >> 32) == Tag && Same(static_cast<std::size_t>((Slot & 0xFFFFFFFFULL) - 1)))
        return static_cast<std::size_t>((Slot & 0xFFFFFFFFULL) - 1);
    }
  }

 private:
  std::vector<std::uint64_t> FSlots;
};

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
  // Plain and non-UTF-8 names never match each other, so one table holds both.
  TSlots Hashed(Names.size());
  std::vector<int> Collated;
  bool NeedsCollation = false;
  for (int I = 0; I < N; ++I) {
    const std::string_view Name = Names[static_cast<std::size_t>(I)];
    const bool Utf8 = IsUtf8(Name);
    if (Utf8) {
      Collated.push_back(I);
      if (!NeedsCollation && !IsPrintableAscii(Name)) NeedsCollation = true;
      if (NeedsCollation) continue;
    }
    const auto Same = [&](std::size_t J) { return SameAsciiNoCase(Names[J], Name); };
    First[static_cast<std::size_t>(I)] =
        static_cast<int>(Hashed.FindOrAdd(HashNoCase(Name), static_cast<std::size_t>(I), Same));
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

  // Of the entries with one origin, the first one names it.
  // At most two thirds full: short probe runs in a table small enough to stay in the cache.
  const auto Entries = static_cast<std::size_t>(N);
  FOrigins.assign(std::bit_ceil(Entries + Entries / 2 + 8), TOrigin());
  const std::size_t Mask = FOrigins.size() - 1;
  for (int I = 0; I < N; ++I) {
    const int Source = Lookup[static_cast<std::size_t>(First[static_cast<std::size_t>(I)])];
    if (Source < 0) continue;
    const std::string_view Value = Values[static_cast<std::size_t>(Source)];
    const std::size_t Split = OriginSplit(Value);
    // Slots hold 32-bit sizes: an origin or a name of 4 GiB is no column's.
    const std::string_view Name = Names[static_cast<std::size_t>(I)];
    if (Split == std::string_view::npos || Value.size() > UINT32_MAX || Name.size() > UINT32_MAX) continue;
    const std::uint64_t Hash = OriginHash(HashBytes(Value.substr(0, Split)), Value.substr(Split + 1));
    for (std::size_t P = Hash & Mask;; P = (P + 1) & Mask) {
      TOrigin& O = FOrigins[P];
      if (O.Value == nullptr) {
        O = {Value.data(), Name.data(), static_cast<std::uint32_t>(Value.size()),
             static_cast<std::uint32_t>(Name.size()), static_cast<std::uint32_t>(Split),
             static_cast<std::uint32_t>(Hash >> 32)};
        break;
      }
      if (SameBytes({O.Value, O.ValueSize}, Value)) break;
    }
  }
  FAliasIndexStale = false;
}

inline std::string_view TUpdateSQLGenerator::Alias(std::string_view Table, std::string_view Field,
                                                   std::uint64_t Hash) const {
  const std::size_t Mask = FOrigins.size() - 1;
  const auto Tag = static_cast<std::uint32_t>(Hash >> 32);
  for (std::size_t P = Hash & Mask;; P = (P + 1) & Mask) {
    const TOrigin& O = FOrigins[P];
    if (O.Value == nullptr) return Field;
    // The origin must split where the table text ends: a field name with a
    // full stop inside splits elsewhere and so is no column of this table.
    if (O.Tag == Tag && O.Split == Table.size() &&
        SameBytes({O.Value + O.Split + 1, O.ValueSize - O.Split - 1}, Field) && SameBytes({O.Value, O.Split}, Table))
      return {O.Name, O.NameSize};
  }
}

std::string TUpdateSQLGenerator::FindFieldAlias(const std::string& TableText, const std::string& FieldName) const {
  EnsureAliasIndex();
  return std::string(Alias(TableText, FieldName, OriginHash(HashBytes(TableText), FieldName)));
}

inline TUpdateSQLGenerator::TResolvedFields TUpdateSQLGenerator::Resolve(const TFieldChoices& Fields) const {
  TResolvedFields Result;
  std::vector<std::uint64_t> Hashes;
  Result.reserve(Fields.size());
  Hashes.reserve(Fields.size());
  const std::uint64_t TableHash = HashBytes(FTableText);
  for (const TFieldChoice& Field : Fields) {
    if (!Field.Selected) continue;
    Result.push_back({Field.Name, {}});
    Hashes.push_back(OriginHash(TableHash, Field.Name));
  }
  // Look-ups of many fields wait mostly for memory: a slot is fetched some
  // fields ahead, the origin text it views a few fields ahead.
  constexpr std::size_t Far = 32, Near = 16;
  const std::size_t Mask = FOrigins.size() - 1;
  for (std::size_t I = 0; I < Result.size(); ++I) {
    if (I + Far < Result.size()) __builtin_prefetch(&FOrigins[Hashes[I + Far] & Mask]);
    if (I + Near < Result.size())
      if (const char* Text = FOrigins[Hashes[I + Near] & Mask].Value) __builtin_prefetch(Text);
    Result[I].Alias = Alias(FTableText, Result[I].Name, Hashes[I]);
  }
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
      if (Field.Alias.data() != Field.Name.data() && !SameBytes(Field.Alias, Field.Name)) {
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

// The alias views point into the origin list: a statement meant for that very
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
