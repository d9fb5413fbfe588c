#include "rtl/Classes.h"

#include <algorithm>
#include <exception>
#include <numeric>

#include "rtl/SysUtils.h"
#include "rtl_consts.h"

VN_IMPLEMENT_CLASS(TStrings, TPersistent)
VN_IMPLEMENT_CLASS(TStringList, TStrings)

namespace {

// One group of changes: a single OnChange at the end, also when the group ends
// with an exception (a handler that throws then is not allowed to hide it).
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TStrings& AList) : FList(AList), FExceptions(std::uncaught_exceptions()) {
    FList.BeginUpdate();
  }
  ~TUpdateGuard() noexcept(false) {
    if (std::uncaught_exceptions() == FExceptions) {
      FList.EndUpdate();
      return;
    }
    try {
      FList.EndUpdate();
    } catch (...) {
    }
  }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TStrings& FList;
  int FExceptions;
};

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

}  // namespace

// ---------------------------------------------------------------------------
// TStrings

void TStrings::Put(int Index, const std::string& S) {
  std::string Line = S;  // S may be the line being replaced
  TObject* Object = Objects(Index);
  // The new line goes in before the old one goes, so a refused insert loses nothing.
  TUpdateGuard Update(*this);
  InsertObject(Index, Line, Object);
  Delete(Index + 1);
}

TObject* TStrings::Objects(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const std::string& S) {
  const int Result = Count();
  Insert(Result, S);
  return Result;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  TUpdateGuard Update(*this);
  const int Result = Add(S);
  PutObject(Result, AObject);
  return Result;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  TUpdateGuard Update(*this);
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  // Both indexes are checked before anything changes, and the line is inserted
  // before the old one is deleted: a failing move loses no line.
  const int N = Count();
  if (CurIndex < 0 || CurIndex >= N) Error(rtl_consts::SListIndexError, CurIndex);
  if (NewIndex < 0 || NewIndex >= N) Error(rtl_consts::SListIndexError, NewIndex);
  const std::string S = Strings(CurIndex);
  TObject* Object = Objects(CurIndex);
  TUpdateGuard Update(*this);
  if (NewIndex > CurIndex) {
    InsertObject(NewIndex + 1, S, Object);
    Delete(CurIndex);
  } else {
    InsertObject(NewIndex, S, Object);
    Delete(CurIndex + 1);
  }
}

void TStrings::Exchange(int Index1, int Index2) {
  const std::string S1 = Strings(Index1);
  const std::string S2 = Strings(Index2);
  TObject* Object1 = Objects(Index1);
  TObject* Object2 = Objects(Index2);
  TUpdateGuard Update(*this);
  Put(Index1, S2);
  PutObject(Index1, Object2);
  Put(Index2, S1);
  PutObject(Index2, Object1);
}

int TStrings::IndexOf(const std::string& S) const {
  for (int I = 0, N = Count(); I < N; ++I)
    if (CompareStrings(Strings(I), S) == 0) return I;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  std::string Line;
  for (int I = 0, N = Count(); I < N; ++I) {
    Line = Strings(I);
    const auto P = Line.find('=');
    if (P == std::string::npos) continue;
    Line.resize(P);
    if (CompareStrings(Line, Name) == 0) return I;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  for (int I = 0, N = Count(); I < N; ++I)
    if (Objects(I) == AObject) return I;
  return -1;
}

std::string TStrings::Names(int Index) const {
  std::string Line = Strings(Index);
  const auto P = Line.find('=');
  if (P == std::string::npos) return {};
  Line.resize(P);
  return Line;
}

std::string TStrings::Values(const std::string& Name) const {
  const int I = IndexOfName(Name);
  if (I < 0) return {};
  // After the line's own "=": a name that matched without regard to case may
  // differ in length from the one asked for.
  const std::string Line = Strings(I);
  return Line.substr(Line.find('=') + 1);
}

void TStrings::SetValue(const std::string& Name, const std::string& Value) {
  const int I = IndexOfName(Name);
  if (Value.empty()) {
    if (I >= 0) Delete(I);
    return;
  }
  std::string Line = Name + "=" + Value;
  if (I < 0)
    Add(Line);
  else
    Put(I, Line);
}

std::string TStrings::ValueFromIndex(int Index) const {
  if (Index < 0) return {};
  const std::string Line = Strings(Index);
  const auto P = Line.find('=');
  return P == std::string::npos ? std::string() : Line.substr(P + 1);
}

std::string TStrings::Text() const {
  std::string Result;
  for (int I = 0, N = Count(); I < N; ++I) {
    Result += Strings(I);
    Result += sLineBreak;
  }
  return Result;
}

void TStrings::SetText(std::string_view Value) {
  const std::string Copy(Value);  // Value may point into this list
  TUpdateGuard Update(*this);
  Clear();
  std::size_t I = 0;
  while (I < Copy.size()) {
    const std::size_t Start = I;
    while (I < Copy.size() && Copy[I] != '\r' && Copy[I] != '\n') ++I;
    Add(Copy.substr(Start, I - Start));
    if (I < Copy.size() && Copy[I] == '\r') ++I;
    if (I < Copy.size() && Copy[I] == '\n') ++I;
  }
}

std::string TStrings::CommaText() const {
  const int N = Count();
  if (N == 1 && Strings(0).empty()) return "\"\"";
  std::string Result;
  for (int I = 0; I < N; ++I) {
    const std::string S = Strings(I);
    const bool Quote = std::any_of(S.begin(), S.end(), [](char C) {
      return static_cast<unsigned char>(C) <= ' ' || C == ',' || C == '"';
    });
    if (I > 0) Result.push_back(',');
    if (!Quote) {
      Result += S;
      continue;
    }
    Result.push_back('"');
    for (char C : S) {
      Result.push_back(C);
      if (C == '"') Result.push_back(C);
    }
    Result.push_back('"');
  }
  return Result;
}

void TStrings::Assign(const TPersistent& Source) {
  const auto* Strings = dynamic_cast<const TStrings*>(&Source);
  if (Strings == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  // Clearing first would leave nothing to copy from.
  if (Strings == this) return;
  TUpdateGuard Update(*this);
  Clear();
  AddStrings(*Strings);
}

void TStrings::AddStrings(const TStrings& Strings) {
  TUpdateGuard Update(*this);
  // Counted once, so that adding a list to itself doubles it and stops.
  for (int I = 0, N = Strings.Count(); I < N; ++I) AddObject(Strings.Strings(I), Strings.Objects(I));
}

bool TStrings::Equals(const TStrings& Strings) const {
  const int N = Count();
  if (N != Strings.Count()) return false;
  for (int I = 0; I < N; ++I)
    if (this->Strings(I) != Strings.Strings(I)) return false;
  return true;
}

void TStrings::SaveToStream(TStream& Stream) const {
  const std::string Data = Text();
  Stream.WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
}

void TStrings::LoadFromStream(TStream& Stream) {
  std::string Data;
  char Buffer[8192];
  for (std::int64_t N; (N = Stream.Read(Buffer, sizeof Buffer)) > 0;) Data.append(Buffer, static_cast<std::size_t>(N));
  std::string_view View(Data);
  if (View.starts_with(Utf8Bom)) View.remove_prefix(Utf8Bom.size());
  SetText(View);
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;  // unbalanced: nothing to end
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const { return AnsiCompareText(S1, S2); }

void TStrings::SetUpdateState(bool) {}

void TStrings::Error(std::string_view Msg, int Data) const { throw EListError(Format(Msg, {Data})); }

// ---------------------------------------------------------------------------
// TStringList

void TStringList::IndexError(int Index) const { Error(rtl_consts::SListIndexError, Index); }

void TStringList::SortedError() const { Error(rtl_consts::SSortedListError, 0); }

std::string TStringList::Strings(int Index) const { return StringRef(Index); }

const std::string& TStringList::StringRef(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].FString;
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) Error(rtl_consts::SSortedListError, 0);
  CheckIndex(Index);
  FList[static_cast<std::size_t>(Index)].FString = S;
  Changed();
}

void TStringList::ChangedAfterFailure() noexcept {
  try {
    Changed();
  } catch (...) {
  }
}

TObject* TStringList::Objects(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  FList[static_cast<std::size_t>(Index)].FObject = AObject;
  Changed();
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int Index = Count();
  if (FSorted && Find(S, Index)) {
    if (FDuplicates == dupIgnore) return Index;
    if (FDuplicates == dupError) Error(rtl_consts::SDuplicateString, 0);
  }
  InsertItem(Index, S, AObject);
  return Index;
}

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (FSorted) Error(rtl_consts::SSortedListError, 0);
  if (Index < 0 || Index > Count()) Error(rtl_consts::SListIndexError, Index);
  InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  // The item is built before the vector moves, so S may be one of its lines.
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  FList.clear();
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  // Exchanging lines would break the order that Find relies on.
  if (FSorted) Error(rtl_consts::SSortedListError, 0);
  std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
  Changed();
}

int TStringList::IndexOf(const std::string& S) const {
  if (FSorted) {
    int Index;
    return Find(S, Index) ? Index : -1;
  }
  for (std::size_t I = 0; I < FList.size(); ++I)
    if (CompareStrings(FList[I].FString, S) == 0) return static_cast<int>(I);
  return -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
  bool Result = false;
  int L = 0;
  int H = Count() - 1;
  while (L <= H) {
    const int I = L + (H - L) / 2;
    const int C = CompareStrings(FList[static_cast<std::size_t>(I)].FString, S);
    if (C < 0) {
      L = I + 1;
    } else {
      H = I - 1;
      if (C == 0) {
        Result = true;
        // With duplicates the first of the equal lines is the one found.
        if (FDuplicates != dupAccept) L = I;
      }
    }
  }
  Index = L;
  return Result;
}

void TStringList::Sort() {
  if (FSorted || FList.size() < 2) return;
  std::stable_sort(FList.begin(), FList.end(), [this](const TStringItem& A, const TStringItem& B) {
    return CompareStrings(A.FString, B.FString) < 0;
  });
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || FList.size() < 2) return;
  // Compare looks at the list by index, so the lines stay put while an order
  // of their indexes is sorted; the lines move once at the end.
  std::vector<int> Order(FList.size());
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) { return Compare(*this, A, B) < 0; });
  std::vector<TStringItem> Sorted;
  Sorted.reserve(FList.size());
  for (int I : Order) Sorted.push_back(std::move(FList[static_cast<std::size_t>(I)]));
  FList = std::move(Sorted);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  // The order changes with the comparison.
  if (FSorted) {
    FSorted = false;
    SetSorted(true);
  }
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

void TStringList::SetUpdateState(bool Updating) {
  if (!Updating) Changed();
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}
