#include "registry_store.h"

#include <unicode/ustring.h>

#include <utility>

#include "same_name.h"

namespace vn_rtl {
namespace {

constexpr std::string_view Version5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view Version4 = "REGEDIT4";
// Put before a line that could not be read when it is written back.
constexpr std::string_view UnreadableMark = "; unreadable: ";

bool HasLineBreakOrNul(std::string_view S) {
  return S.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string_view TrimSpaces(std::string_view S) {
  while (!S.empty() && (S.front() == ' ' || S.front() == '\t')) S.remove_prefix(1);
  while (!S.empty() && (S.back() == ' ' || S.back() == '\t')) S.remove_suffix(1);
  return S;
}

std::string_view WithoutTrailingCr(std::string_view S) {
  while (S.ends_with('\r')) S.remove_suffix(1);
  return S;
}

// ---------------------------------------------------------------------------
// Text conversion. Registry strings are UTF-16LE with a terminating NUL.

std::optional<std::u16string> Utf8ToUtf16(std::string_view S) {
  UErrorCode Error = U_ZERO_ERROR;
  int32_t Length = 0;
  u_strFromUTF8(nullptr, 0, &Length, S.data(), static_cast<int32_t>(S.size()), &Error);
  if (Error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(Error)) return std::nullopt;
  std::u16string Result(static_cast<std::size_t>(Length), u'\0');
  Error = U_ZERO_ERROR;
  u_strFromUTF8(Result.data(), Length, nullptr, S.data(), static_cast<int32_t>(S.size()), &Error);
  if (U_FAILURE(Error)) return std::nullopt;
  return Result;
}

// Unpaired surrogates become U+FFFD unless Strict, which refuses them.
std::optional<std::string> Utf16ToUtf8(std::u16string_view S, bool Strict) {
  UErrorCode Error = U_ZERO_ERROR;
  int32_t Length = 0;
  const UChar32 Substitute = Strict ? U_SENTINEL : 0xFFFD;
  u_strToUTF8WithSub(nullptr, 0, &Length, S.data(), static_cast<int32_t>(S.size()), Substitute, nullptr,
                     &Error);
  if (Error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(Error)) return std::nullopt;
  std::string Result(static_cast<std::size_t>(Length), '\0');
  Error = U_ZERO_ERROR;
  u_strToUTF8WithSub(Result.data(), Length, nullptr, S.data(), static_cast<int32_t>(S.size()), Substitute,
                     nullptr, &Error);
  if (U_FAILURE(Error)) return std::nullopt;
  return Result;
}

std::u16string BytesToUtf16(const std::uint8_t* Data, std::size_t Size) {
  std::u16string Result(Size / 2, u'\0');
  for (std::size_t I = 0; I < Result.size(); ++I)
    Result[I] = static_cast<char16_t>(Data[2 * I] | (Data[2 * I + 1] << 8));
  return Result;
}

TRegBytes StringData(std::u16string_view S) {
  TRegBytes Result;
  Result.reserve(2 * S.size() + 2);
  for (char16_t C : S) {
    Result.push_back(static_cast<std::uint8_t>(C & 0xFF));
    Result.push_back(static_cast<std::uint8_t>(C >> 8));
  }
  Result.push_back(0);
  Result.push_back(0);
  return Result;
}

// The text when Data can be written as a quoted string and read back identically:
// exactly one terminating NUL, well-formed, no line break.
std::optional<std::string> PlainStringFromData(const TRegBytes& Data) {
  if (Data.size() < 2 || Data.size() % 2 != 0) return std::nullopt;
  const std::u16string Units = BytesToUtf16(Data.data(), Data.size());
  if (Units.find(u'\0') != Units.size() - 1) return std::nullopt;
  auto Text = Utf16ToUtf8(std::u16string_view(Units).substr(0, Units.size() - 1), true);
  if (!Text || HasLineBreakOrNul(*Text)) return std::nullopt;
  return Text;
}

std::string HexText(std::uint32_t N, int Digits) {
  static constexpr char Hex[] = "0123456789abcdef";
  std::string Result;
  do {
    Result.insert(Result.begin(), Hex[N & 15]);
    N >>= 4;
  } while (N != 0 || static_cast<int>(Result.size()) < Digits);
  return Result;
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view S) {
  S = TrimSpaces(S);
  if (S.empty() || S.size() > 8) return std::nullopt;
  std::uint32_t Result = 0;
  for (char C : S) {
    const int D = HexDigit(C);
    if (D < 0) return std::nullopt;
    Result = Result << 4 | static_cast<std::uint32_t>(D);
  }
  return Result;
}

// "01,02,ff": comma-separated bytes, blanks allowed around them.
std::optional<TRegBytes> ParseHexBytes(std::string_view S) {
  TRegBytes Result;
  S = TrimSpaces(S);
  if (S.empty()) return Result;
  for (;;) {
    const auto Comma = S.find(',');
    const std::string_view Item = TrimSpaces(S.substr(0, Comma));
    if (Item.empty() || Item.size() > 2) return std::nullopt;
    const auto Byte = ParseHexNumber(Item);
    if (!Byte) return std::nullopt;
    Result.push_back(static_cast<std::uint8_t>(*Byte));
    if (Comma == std::string_view::npos) return Result;
    S.remove_prefix(Comma + 1);
    if (TrimSpaces(S).empty()) return Result;  // a trailing comma
  }
}

// A quoted name or string at the start of S, with \\ and \" escaped; S moves past it.
std::optional<std::string> ParseQuoted(std::string_view& S) {
  if (!S.starts_with('"')) return std::nullopt;
  std::string Result;
  for (std::size_t I = 1; I < S.size(); ++I) {
    const char C = S[I];
    if (C == '"') {
      S.remove_prefix(I + 1);
      return Result;
    }
    if (C == '\\' && I + 1 < S.size() && (S[I + 1] == '\\' || S[I + 1] == '"')) ++I;
    Result += S[I];
  }
  return std::nullopt;
}

std::string Quote(std::string_view S) {
  std::string Result = "\"";
  for (char C : S) {
    if (C == '\\' || C == '"') Result += '\\';
    Result += C;
  }
  return Result + "\"";
}

struct TParsedValue {
  std::string Name;
  bool Delete = false;
  std::uint32_t Type = REG_NONE;
  TRegBytes Data;
};

// The value on a line such as "Name"=dword:0000002a, with hex data continued on
// the lines after it; Index moves to the last line used, also when the continued
// data cannot be read. nullopt when not a value.
std::optional<TParsedValue> ParseValue(const std::vector<std::string_view>& Lines, std::size_t& Index) {
  std::string_view S = TrimSpaces(Lines[Index]);
  TParsedValue Result;
  if (S.starts_with('@')) {
    S.remove_prefix(1);
  } else if (auto Name = ParseQuoted(S)) {
    Result.Name = std::move(*Name);
  } else {
    return std::nullopt;
  }
  S = TrimSpaces(S);
  if (!S.starts_with('=')) return std::nullopt;
  S = TrimSpaces(S.substr(1));

  if (S == "-") {
    Result.Delete = true;
    return Result;
  }
  if (S.starts_with('"')) {
    auto Text = ParseQuoted(S);
    if (!Text || !TrimSpaces(S).empty()) return std::nullopt;
    auto Units = Utf8ToUtf16(*Text);
    if (!Units) return std::nullopt;
    Result.Type = REG_SZ;
    Result.Data = StringData(*Units);
    return Result;
  }
  const auto Colon = S.find(':');
  if (Colon == std::string_view::npos) return std::nullopt;
  const std::string_view Kind = TrimSpaces(S.substr(0, Colon));
  std::string Data(S.substr(Colon + 1));
  if (SameText(Kind, "dword")) {
    const auto Number = ParseHexNumber(Data);
    if (!Number) return std::nullopt;
    Result.Type = REG_DWORD;
    for (int Shift = 0; Shift < 32; Shift += 8) Result.Data.push_back(static_cast<std::uint8_t>(*Number >> Shift));
    return Result;
  }
  if (SameText(Kind, "hex")) {
    Result.Type = REG_BINARY;
  } else if (Kind.size() > 5 && SameText(Kind.substr(0, 4), "hex(") && Kind.back() == ')') {
    const auto Type = ParseHexNumber(Kind.substr(4, Kind.size() - 5));
    if (!Type) return std::nullopt;
    Result.Type = *Type;
  } else {
    return std::nullopt;
  }
  // A trailing backslash continues the bytes on the next line. The lines of a
  // continuation belong to the value even when it cannot be read: Index moves
  // past them either way, so each line is looked at once. A key header or the
  // end of the file cannot continue a value.
  bool Readable = true;
  for (;;) {
    const std::string_view Tail = TrimSpaces(Data);
    if (!Tail.ends_with('\\')) break;
    if (Index + 1 >= Lines.size() || TrimSpaces(Lines[Index + 1]).starts_with('[')) {
      Readable = false;
      break;
    }
    Data.resize(static_cast<std::size_t>(Tail.data() - Data.data()) + Tail.size() - 1);
    Data += TrimSpaces(Lines[++Index]);
  }
  auto Bytes = Readable ? ParseHexBytes(Data) : std::nullopt;
  if (!Bytes) return std::nullopt;
  Result.Data = std::move(*Bytes);
  return Result;
}

std::optional<std::string> DecodeFileText(std::string_view Text) {
  if (Text.starts_with("\xEF\xBB\xBF")) return std::string(Text.substr(3));
  // Files exported by the platform's own editor are UTF-16LE.
  if (Text.starts_with("\xFF\xFE")) {
    Text.remove_prefix(2);
    return Utf16ToUtf8(BytesToUtf16(reinterpret_cast<const std::uint8_t*>(Text.data()), Text.size()), false);
  }
  return std::string(Text);
}

void AppendHexValue(std::string& Out, std::string Line, const TRegBytes& Data, std::string_view Eol) {
  static constexpr char Hex[] = "0123456789abcdef";
  for (std::size_t I = 0; I < Data.size(); ++I) {
    std::string Item{Hex[Data[I] >> 4], Hex[Data[I] & 15]};
    if (I + 1 < Data.size()) Item += ',';
    // Lines wrap as the registry editor wraps them, after a comma.
    if (I > 0 && Line.size() + Item.size() > 78) {
      Out += Line;
      Out += '\\';
      Out += Eol;
      Line = "  ";
    }
    Line += Item;
  }
  Out += Line;
  Out += Eol;
}

void AppendValue(std::string& Out, const TRegValue& V, std::string_view Eol) {
  const std::string Name = (V.Name.empty() ? std::string("@") : Quote(V.Name)) + "=";
  if (V.Type == REG_SZ) {
    // Strings with line breaks or NULs go as bytes, so that every value stays on its lines.
    if (auto Text = PlainStringFromData(V.Data)) {
      Out += Name + Quote(*Text);
      Out += Eol;
      return;
    }
  } else if (V.Type == REG_DWORD && V.Data.size() == 4) {
    const std::uint32_t N = V.Data[0] | V.Data[1] << 8 | V.Data[2] << 16 | static_cast<std::uint32_t>(V.Data[3]) << 24;
    Out += Name + "dword:" + HexText(N, 8);
    Out += Eol;
    return;
  } else if (V.Type == REG_BINARY) {
    AppendHexValue(Out, Name + "hex:", V.Data, Eol);
    return;
  }
  AppendHexValue(Out, Name + "hex(" + HexText(V.Type, 1) + "):", V.Data, Eol);
}

}  // namespace

bool IsUnder(const TKeyPath& Path, const TKeyPath& Ancestor) {
  if (Path.size() < Ancestor.size()) return false;
  for (std::size_t I = 0; I < Ancestor.size(); ++I)
    if (!SameName(Path[I], Ancestor[I])) return false;
  return true;
}

TKeyPath SplitKeyPath(std::string_view S) {
  TKeyPath Result;
  while (!S.empty()) {
    const auto Slash = S.find('\\');
    const std::string_view Part = S.substr(0, Slash);
    if (!Part.empty()) Result.emplace_back(Part);
    if (Slash == std::string_view::npos) break;
    S.remove_prefix(Slash + 1);
  }
  return Result;
}

std::string JoinKeyPath(const TKeyPath& Path, std::size_t From) {
  std::string Result;
  for (std::size_t I = From; I < Path.size(); ++I) {
    if (I > From) Result += '\\';
    Result += Path[I];
  }
  return Result;
}

std::optional<TRegBytes> StringToData(std::string_view Text) {
  const auto Units = Utf8ToUtf16(Text);
  if (!Units) return std::nullopt;
  return StringData(*Units);
}

std::string StringFromData(const TRegBytes& Data) {
  std::u16string Units = BytesToUtf16(Data.data(), Data.size());
  if (const auto Nul = Units.find(u'\0'); Nul != std::u16string::npos) Units.resize(Nul);
  return Utf16ToUtf8(Units, false).value_or(std::string());
}

namespace {
std::string FoldAscii(std::string_view S) {
  std::string Result(S);
  for (char& C : Result)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return Result;
}
}  // namespace

std::optional<std::size_t> TRegKey::Find(std::string_view Name) const {
  if (FAsciiNames && IsAsciiName(Name)) {
    const auto It = FByName.find(FoldAscii(Name));
    if (It == FByName.end()) return std::nullopt;
    return It->second;
  }
  for (std::size_t I = 0; I < Entries.size(); ++I)
    if (Entries[I].Raw.empty() && SameName(Entries[I].Value.Name, Name)) return I;
  return std::nullopt;
}

void TRegKey::Reindex() {
  FByName.clear();
  FAsciiNames = true;
  for (std::size_t I = 0; I < Entries.size() && FAsciiNames; ++I) {
    if (!Entries[I].Raw.empty()) continue;
    FAsciiNames = IsAsciiName(Entries[I].Value.Name);
    FByName.try_emplace(FoldAscii(Entries[I].Value.Name), I);
  }
  if (!FAsciiNames) FByName.clear();
}

TRegValue* TRegKey::FindValue(std::string_view Name) {
  const auto I = Find(Name);
  return I ? &Entries[*I].Value : nullptr;
}

const TRegValue* TRegKey::FindValue(std::string_view Name) const {
  const auto I = Find(Name);
  return I ? &Entries[*I].Value : nullptr;
}

bool TRegKey::SetValue(std::string_view Name, std::uint32_t Type, TRegBytes Data) {
  if (TRegValue* Existing = FindValue(Name)) {
    if (Existing->Type == Type && Existing->Data == Data) return false;
    Existing->Type = Type;
    Existing->Data = std::move(Data);
    return true;
  }
  Entries.push_back({{}, {std::string(Name), Type, std::move(Data)}});
  if (FAsciiNames && !IsAsciiName(Name)) {
    FAsciiNames = false;
    FByName.clear();
  }
  if (FAsciiNames) FByName.emplace(FoldAscii(Name), Entries.size() - 1);
  return true;
}

// Parse skips blank lines, so Raw is never empty: empty marks a value.
void TRegKey::AddRaw(std::string_view Line) {
  // A line that could not be read must not become readable when written back,
  // next to other lines or with its stray characters cut: it goes as a comment.
  // Stray carriage returns at its end cannot be written back as they were (the
  // next read would take them for a line end), and a blank line carries
  // nothing: neither is kept, so that what is written reads back the same.
  Line = WithoutTrailingCr(Line);
  const std::string_view Trimmed = TrimSpaces(Line);
  if (Trimmed.empty()) return;
  std::string Raw;
  if (!Trimmed.empty() && !Trimmed.starts_with(';')) Raw = UnreadableMark;
  Raw += Line;
  Entries.push_back({std::move(Raw), {}});
}

bool TRegKey::DeleteValue(std::string_view Name) {
  const auto I = Find(Name);
  if (!I) return false;
  Entries.erase(Entries.begin() + static_cast<std::ptrdiff_t>(*I));
  Reindex();
  return true;
}

std::optional<std::size_t> TRegStore::Find(const TKeyPath& Path) const {
  const std::string Joined = JoinKeyPath(Path);
  if (FAsciiPaths && IsAsciiName(Joined)) {
    const auto It = FByPath.find(FoldAscii(Joined));
    if (It == FByPath.end()) return std::nullopt;
    return It->second;
  }
  for (std::size_t I = 0; I < FKeys.size(); ++I)
    if (FKeys[I].Path.size() == Path.size() && IsUnder(FKeys[I].Path, Path)) return I;
  return std::nullopt;
}

void TRegStore::Reindex() {
  FByPath.clear();
  FAsciiPaths = true;
  for (std::size_t I = 0; I < FKeys.size() && FAsciiPaths; ++I) {
    const std::string Joined = JoinKeyPath(FKeys[I].Path);
    FAsciiPaths = IsAsciiName(Joined);
    FByPath.emplace(FoldAscii(Joined), I);
  }
  if (!FAsciiPaths) FByPath.clear();
}

TRegKey* TRegStore::FindKey(const TKeyPath& Path) {
  const auto I = Find(Path);
  return I ? &FKeys[*I] : nullptr;
}

const TRegKey* TRegStore::FindKey(const TKeyPath& Path) const {
  const auto I = Find(Path);
  return I ? &FKeys[*I] : nullptr;
}

TRegKey& TRegStore::CreateKey(const TKeyPath& Path) {
  TRegKey* Key = nullptr;
  TKeyPath Prefix(Path.begin(), Path.begin() + (Path.size() == 1 ? 0 : 1));
  for (std::size_t Depth = Prefix.size() + 1; Depth <= Path.size(); ++Depth) {
    Prefix.push_back(Path[Depth - 1]);
    Key = FindKey(Prefix);
    if (Key != nullptr) continue;
    Key = &FKeys.emplace_back(Prefix);
    const std::string Joined = JoinKeyPath(Prefix);
    if (FAsciiPaths && !IsAsciiName(Joined)) {
      FAsciiPaths = false;
      FByPath.clear();
    }
    if (FAsciiPaths) FByPath.emplace(FoldAscii(Joined), FKeys.size() - 1);
  }
  return *Key;
}

bool TRegStore::DeleteKey(const TKeyPath& Path) {
  if (std::erase_if(FKeys, [&](const TRegKey& K) { return IsUnder(K.Path, Path); }) == 0) return false;
  Reindex();
  return true;
}

TRegStore TRegStore::Parse(std::string_view Bytes) {
  TRegStore Store;
  const std::optional<std::string> Decoded = DecodeFileText(Bytes);
  if (!Decoded) {
    Store.FValid = false;
    return Store;
  }
  std::vector<std::string_view> Lines;
  for (std::string_view S = *Decoded; !S.empty();) {
    const auto Lf = S.find('\n');
    std::string_view Line = S.substr(0, Lf);
    if (Line.ends_with('\r')) {
      Line.remove_suffix(1);
      if (Lines.empty()) Store.FEol = "\r\n";
    }
    Lines.push_back(Line);
    if (Lf == std::string_view::npos) break;
    S.remove_prefix(Lf + 1);
  }

  std::size_t I = 0;
  while (I < Lines.size() && TrimSpaces(Lines[I]).empty()) ++I;
  if (I == Lines.size()) return Store;
  const std::string_view Header = TrimSpaces(Lines[I]);
  if (Header != Version5 && Header != Version4) {
    Store.FValid = false;
    return Store;
  }

  TRegKey* Current = nullptr;  // none yet, or one just deleted
  bool SeenKey = false;
  for (++I; I < Lines.size(); ++I) {
    const std::string_view Line = TrimSpaces(Lines[I]);
    if (Line.empty()) continue;
    if (Line.starts_with('[')) {
      const auto Close = Line.rfind(']');
      const std::string_view Inner = Line.substr(1, Close == std::string_view::npos ? 0 : Close - 1);
      const bool Deletion = Inner.starts_with('-');
      TKeyPath Path = SplitKeyPath(Deletion ? Inner.substr(1) : Inner);
      if (!Path.empty()) {
        SeenKey = true;
        if (Deletion) {
          Store.DeleteKey(Path);
          Current = nullptr;
        } else {
          Current = &Store.CreateKey(Path);
        }
        continue;
      }
    }
    if (Current == nullptr) {
      // Lines after a deleted key belong to nothing; those before the first key stay.
      if (!SeenKey && !TrimSpaces(WithoutTrailingCr(Lines[I])).empty())
        Store.FPreamble.emplace_back(WithoutTrailingCr(Lines[I]));
      continue;
    }
    TRegKey& Key = *Current;
    std::size_t Next = I;
    if (auto Value = ParseValue(Lines, Next)) {
      I = Next;
      if (Value->Delete)
        Key.DeleteValue(Value->Name);
      else
        Key.SetValue(Value->Name, Value->Type, std::move(Value->Data));
    } else {
      // The continuation lines of a value that cannot be read go with it.
      for (; I <= Next; ++I) Key.AddRaw(Lines[I]);
      --I;
    }
  }
  return Store;
}

std::string TRegStore::Text() const {
  std::string Out(Version5);
  Out += FEol;
  Out += FEol;
  for (const std::string& Line : FPreamble) {
    Out += Line;
    Out += FEol;
  }
  for (const TRegKey& Key : FKeys) {
    Out += "[" + JoinKeyPath(Key.Path) + "]";
    Out += FEol;
    for (const TRegEntry& E : Key.Entries) {
      if (E.Raw.empty()) {
        AppendValue(Out, E.Value, FEol);
        continue;
      }
      Out += E.Raw;
      Out += FEol;
    }
    Out += FEol;
  }
  return Out;
}

}  // namespace vn_rtl
