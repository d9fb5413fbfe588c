#include "updatesql/origin_index.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "rtl/SysUtils.h"

namespace VNUpdSEd {

namespace {

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

// An origin hashes by the number its table has in the index and its column,
// so that the table text of a generation is looked up once for all its fields.
std::uint64_t OriginHash(std::uint32_t TableKey, std::string_view Column) {
  return Mix(TableKey * 0x9E3779B97F4A7C15ULL + HashBytes(Column));
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

// What a look-up that finds nothing gives instead of an index.
constexpr std::size_t NotFound = ~std::size_t{0};

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
  // The first item added for which Same(index) holds, else NotFound.
  template <class F>
  std::size_t Find(std::uint64_t Hash, F&& Same) const {
    const std::size_t Mask = FSlots.size() - 1;
    const std::uint64_t Tag = Hash >> 32;
    for (std::size_t P = Hash & Mask;; P = (P + 1) & Mask) {
      const std::uint64_t Slot = FSlots[P];
      if (Slot == 0) return NotFound;
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

}  // namespace

// The origins by table and column, in open addressing with a control byte per
// slot (empty, or seven bits of the slot's hash) read eight at a time: a probe
// picks the candidates among eight slots at once, without a branch per slot,
// so that a fuller table costs hardly more than an emptier one. A slot holds
// its column and the name it gives in itself when both are short, as they
// nearly always are, so that a look-up reads one line of slots: with
// thousands of fields the look-ups are what waits for memory. Tables are
// numbered, each distinct table text once, so that a generation compares its
// table text once for all its fields.
struct TOriginIndex::TTable {
  static constexpr std::size_t InlineRoom = 26;
  static constexpr std::uint8_t Outside = 0xFF;       // ColumnSize: the texts are in Long
  static constexpr std::uint8_t SameAsColumn = 0xFF;  // NameSize: the name is the column itself
  static constexpr std::uint8_t Empty = 0x80;         // control byte of an empty slot
  static constexpr std::size_t Group = 8;             // control bytes read at once
  static constexpr std::uint64_t Ones = 0x0101010101010101ULL, Highs = 0x8080808080808080ULL;
  struct TSlot {
    std::uint32_t TableKey = 0;  // the table's index plus one
    std::uint8_t ColumnSize = 0;
    std::uint8_t NameSize = 0;
    char Text[InlineRoom] = {};  // the column, then the name; or the index into Long
  };
  static_assert(sizeof(TSlot) == 32, "two slots to a cache line");
  struct TLong {
    std::string_view Column, Name;
  };

  // At most two thirds full. Control has a byte per slot and then the first
  // Group bytes again, so that a group read near the end wraps around.
  std::vector<TSlot> Slots;
  std::vector<std::uint8_t> Control;
  std::vector<TLong> Long;
  // The distinct table parts, viewing the origin list, and their hash index.
  std::vector<std::string_view> Tables;
  TSlots TableIndex;

  explicit TTable(std::size_t Origins)
      : Slots(std::bit_ceil(Origins + Origins / 2 + 2 * Group)), Control(Slots.size() + Group, Empty),
        TableIndex(Origins) {}

  // The key of an origin's table part, numbering it if it is new.
  std::uint32_t AddTable(std::string_view Table) {
    const auto Same = [&](std::size_t I) { return SameBytes(Tables[I], Table); };
    const std::size_t I = TableIndex.FindOrAdd(HashBytes(Table), Tables.size(), Same);
    if (I == Tables.size()) Tables.push_back(Table);
    return static_cast<std::uint32_t>(I + 1);
  }
  // The key of a table text, 0 when no origin names that table.
  std::uint32_t TableKey(std::string_view Table) const {
    const auto Same = [&](std::size_t I) { return SameBytes(Tables[I], Table); };
    const std::size_t I = TableIndex.Find(HashBytes(Table), Same);
    return I == NotFound ? 0 : static_cast<std::uint32_t>(I + 1);
  }

  static std::uint8_t ControlOf(std::uint64_t Hash) { return static_cast<std::uint8_t>(Hash >> 57); }
  // The control bytes of slots P to P + 7, slot P's in the lowest byte.
  std::uint64_t GroupAt(std::size_t P) const {
    const std::uint64_t Word = Load64(reinterpret_cast<const char*>(Control.data() + P));
    return std::endian::native == std::endian::little ? Word : __builtin_bswap64(Word);
  }
  // The high bit of each byte of Word equal to Byte; maybe also of a byte just
  // above one that is, a false candidate that its slot rules out.
  static std::uint64_t Matching(std::uint64_t Word, std::uint8_t Byte) {
    const std::uint64_t X = Word ^ (Ones * Byte);
    return (X - Ones) & ~X & Highs;
  }
  static std::size_t ByteOf(std::uint64_t Bits) { return static_cast<std::size_t>(std::countr_zero(Bits)) / 8; }

  const TLong& LongOf(const TSlot& S) const {
    std::uint32_t At;
    std::memcpy(&At, S.Text, sizeof At);
    return Long[At];
  }
  std::string_view ColumnOf(const TSlot& S) const {
    return S.ColumnSize == Outside ? LongOf(S).Column : std::string_view(S.Text, S.ColumnSize);
  }

  // The slot of the origin Column of table Key, Hash being OriginHash(Key,
  // Column); NotFound when there is none. Probing stops at the first group with
  // an empty slot: an origin takes the first empty slot along its probe.
  std::size_t Find(std::uint32_t Key, std::string_view Column, std::uint64_t Hash) const {
    const std::size_t Mask = Slots.size() - 1;
    const std::uint8_t Byte = ControlOf(Hash);
    for (std::size_t P = Hash & Mask;; P = (P + Group) & Mask) {
      const std::uint64_t Word = GroupAt(P);
      for (std::uint64_t Bits = Matching(Word, Byte); Bits != 0; Bits &= Bits - 1) {
        const std::size_t At = (P + ByteOf(Bits)) & Mask;
        if (Slots[At].TableKey == Key && SameBytes(ColumnOf(Slots[At]), Column)) return At;
      }
      if ((Word & Highs) != 0) return NotFound;
    }
  }

  // Adds the origin unless one of the same table and column came first.
  void Add(std::uint32_t Key, std::string_view Column, std::string_view Name) {
    const std::uint64_t Hash = OriginHash(Key, Column);
    if (Find(Key, Column, Hash) != NotFound) return;
    const std::size_t Mask = Slots.size() - 1;
    std::size_t At = 0;
    for (std::size_t P = Hash & Mask;; P = (P + Group) & Mask)
      if (const std::uint64_t Free = GroupAt(P) & Highs; Free != 0) {
        At = (P + ByteOf(Free)) & Mask;
        break;
      }
    Control[At] = ControlOf(Hash);
    if (At < Group) Control[Slots.size() + At] = ControlOf(Hash);
    TSlot& S = Slots[At];
    S.TableKey = Key;
    const bool Same = SameBytes(Name, Column);
    const std::size_t Room = Column.size() + (Same ? 0 : Name.size());
    if (Room <= InlineRoom && Column.size() < Outside && Name.size() < SameAsColumn) {
      S.ColumnSize = static_cast<std::uint8_t>(Column.size());
      S.NameSize = Same ? SameAsColumn : static_cast<std::uint8_t>(Name.size());
      std::memcpy(S.Text, Column.data(), Column.size());  // a column is never empty
      if (!Same) Name.copy(S.Text + Column.size(), Name.size());
    } else {
      S.ColumnSize = Outside;
      const auto Index = static_cast<std::uint32_t>(Long.size());
      std::memcpy(S.Text, &Index, sizeof Index);
      Long.push_back({Column, Name});
    }
  }

  void Prefetch(std::uint64_t Hash) const { __builtin_prefetch(&Slots[Hash & (Slots.size() - 1)]); }

  // The name the origin Field of table Key gives, Hash being OriginHash(Key,
  // Field); Field itself when there is no such origin.
  std::string_view Alias(std::uint32_t Key, std::string_view Field, std::uint64_t Hash) const {
    const std::size_t At = Find(Key, Field, Hash);
    if (At == NotFound) return Field;
    const TSlot& S = Slots[At];
    if (S.ColumnSize == Outside) return LongOf(S).Name;
    return S.NameSize == SameAsColumn ? Field : std::string_view(S.Text + S.ColumnSize, S.NameSize);
  }
};

TOriginIndex::TOriginIndex(const TStringList& FieldInfo) {
  const int N = FieldInfo.Count();
  std::vector<std::string_view> Names(static_cast<std::size_t>(N)), Values(static_cast<std::size_t>(N));
  std::vector<bool> Named(static_cast<std::size_t>(N));
  for (int I = 0; I < N; ++I) {
    const std::string_view Line = FieldInfo.StringRef(I);
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
  FTable = std::make_unique<TTable>(static_cast<std::size_t>(N));
  TTable& Index = *FTable;
  for (int I = 0; I < N; ++I) {
    const int Source = Lookup[static_cast<std::size_t>(First[static_cast<std::size_t>(I)])];
    if (Source < 0) continue;
    const std::string_view Value = Values[static_cast<std::size_t>(Source)];
    const std::size_t Split = OriginSplit(Value);
    if (Split == std::string_view::npos) continue;
    Index.Add(Index.AddTable(Value.substr(0, Split)), Value.substr(Split + 1), Names[static_cast<std::size_t>(I)]);
  }
}

TOriginIndex::~TOriginIndex() = default;

std::uint32_t TOriginIndex::TableKey(std::string_view Table) const { return FTable->TableKey(Table); }

std::string_view TOriginIndex::Alias(std::uint32_t Key, std::string_view Column) const {
  return FTable->Alias(Key, Column, OriginHash(Key, Column));
}

void TOriginIndex::FillAliases(std::uint32_t Key, std::span<TFieldAlias> Fields) const {
  // A block at a time: the block's slots are fetched while its hashes are
  // computed and read after, while the block's own data is still at hand.
  constexpr std::size_t Block = 64;
  std::uint64_t Hashes[Block];
  for (std::size_t First = 0; First < Fields.size(); First += Block) {
    const std::size_t Count = std::min(Block, Fields.size() - First);
    for (std::size_t I = 0; I < Count; ++I) {
      Hashes[I] = OriginHash(Key, Fields[First + I].Name);
      FTable->Prefetch(Hashes[I]);
    }
    for (std::size_t I = 0; I < Count; ++I) {
      TFieldAlias& Field = Fields[First + I];
      Field.Alias = FTable->Alias(Key, Field.Name, Hashes[I]);
    }
  }
}

}  // namespace VNUpdSEd
