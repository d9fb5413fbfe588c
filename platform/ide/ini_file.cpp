#include "ide/IniFiles.h"

#include <deque>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "atomic_file.h"
#include "same_name.h"

VN_IMPLEMENT_CLASS(TIniFile, TObject)

using vn_ide::IsAsciiName;
using vn_ide::SameName;

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t NoLine = static_cast<std::size_t>(-1);

// What the platform trims from lines and names: tab to CR, Ctrl-Z and space.
constexpr bool IsBlank(char C) noexcept {
  const auto U = static_cast<unsigned char>(C);
  return (U >= 0x09 && U <= 0x0D) || U == 0x1A || U == 0x20;
}

std::string_view TrimBlanksLeft(std::string_view S) {
  while (!S.empty() && IsBlank(S.front())) S.remove_prefix(1);
  return S;
}

std::string_view TrimBlanksRight(std::string_view S) {
  while (!S.empty() && IsBlank(S.back())) S.remove_suffix(1);
  return S;
}

std::string_view TrimBlanks(std::string_view S) { return TrimBlanksLeft(TrimBlanksRight(S)); }

// One pair of matching quotes around a value is not part of it.
std::string_view Unquote(std::string_view Value) {
  if (Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') && Value.back() == Value.front())
    return Value.substr(1, Value.size() - 2);
  return Value;
}

// The text to write for Value so that reading it gives Value back: reading trims
// blanks and strips one pair of quotes, so such values get a protecting pair.
std::string EncodeValue(std::string_view Value) {
  if (!Value.empty() && (IsBlank(Value.front()) || IsBlank(Value.back()) || Unquote(Value) != Value))
    return "\"" + std::string(Value) + "\"";
  return std::string(Value);
}

// A plain loop: find_first_of searches the set once per character.
std::size_t FindLineBreak(std::string_view S) noexcept {
  for (std::size_t I = 0; I < S.size(); ++I)
    if (S[I] == '\n' || S[I] == '\r') return I;
  return std::string_view::npos;
}

enum TLineKind { lkBlank, lkComment, lkSection, lkKey, lkNoValue };

struct TLineInfo {
  TLineKind Kind = lkBlank;
  std::string_view Name;   // section or key name, trimmed
  std::string_view Value;  // key value, trimmed, quotes still on
};

TLineInfo ClassifyLine(std::string_view Text) {
  const std::string_view T = TrimBlanks(Text);
  if (T.empty()) return {};
  if (T.front() == ';') return {lkComment, {}, {}};
  if (T.front() == '[') {
    const auto Close = T.rfind(']');
    if (Close != std::string_view::npos) return {lkSection, TrimBlanks(T.substr(1, Close - 1)), {}};
  }
  const auto Equals = T.find('=');
  if (Equals == std::string_view::npos) return {lkNoValue, T, {}};
  return {lkKey, TrimBlanksRight(T.substr(0, Equals)), TrimBlanksLeft(T.substr(Equals + 1))};
}

// An ini file's text as lines that keep their own bytes and line ends, so that a
// change rewrites only the lines it concerns.
class TIniDocument {
 public:
  // Lines [Begin, End) of a section; Header is its header line, NoLine for the
  // lines before the first header (the section "").
  struct TSection {
    std::size_t Header, Begin, End;
  };

  explicit TIniDocument(std::string ASource) : FSource(std::move(ASource)) {
    std::string_view S = FSource;
    if (S.starts_with(Utf8Bom)) {
      FBom = true;
      S.remove_prefix(Utf8Bom.size());
    }
    FLines.reserve(S.size() / 32 + 1);  // a guess at typical line lengths
    while (!S.empty()) {
      const auto Break = FindLineBreak(S);
      if (Break == std::string_view::npos) {
        FLines.push_back({S, {}});
        break;
      }
      const std::size_t Length = S.substr(Break, 2) == "\r\n" ? 2 : 1;
      const std::string_view Eol = S.substr(Break, Length);
      if (FEol.empty()) FEol = Eol;
      FLines.push_back({S.substr(0, Break), Eol});
      S.remove_prefix(Break + Length);
    }
    if (FEol.empty()) FEol = "\n";
  }
  // Lines point into the document itself.
  TIniDocument(const TIniDocument&) = delete;
  TIniDocument& operator=(const TIniDocument&) = delete;

  std::size_t Count() const noexcept { return FLines.size(); }
  TLineInfo Info(std::size_t Index) const { return ClassifyLine(FLines[Index].Text); }
  bool Changed() const noexcept { return FChanged; }

  // The first section named Name (trimmed); the section "" always exists.
  std::optional<TSection> FindSection(std::string_view Name) const {
    std::size_t Header = NoLine;
    for (std::size_t I = 0; I < FLines.size(); ++I) {
      if (!TrimBlanksLeft(FLines[I].Text).starts_with('[')) continue;  // cheap test first
      const TLineInfo L = Info(I);
      if (L.Kind != lkSection) continue;
      if (Header != NoLine || Name.empty()) return TSection{Header, Header == NoLine ? 0 : Header + 1, I};
      if (SameName(L.Name, Name)) Header = I;
    }
    if (Header != NoLine || Name.empty())
      return TSection{Header, Header == NoLine ? 0 : Header + 1, FLines.size()};
    return std::nullopt;
  }

  // The first line of the section naming the key Ident (trimmed), with or without a value.
  std::size_t FindKey(const TSection& Section, std::string_view Ident) const {
    for (std::size_t I = Section.Begin; I < Section.End; ++I) {
      const TLineInfo L = Info(I);
      if ((L.Kind == lkKey || L.Kind == lkNoValue) && SameName(L.Name, Ident)) return I;
    }
    return NoLine;
  }

  // The value a lookup of the key on line Index finds (the first key of that name).
  std::string_view LookUp(const TSection& Section, std::size_t Index) const {
    const std::size_t First = FindKey(Section, Info(Index).Name);
    const TLineInfo L = Info(First);
    return L.Kind == lkKey ? Unquote(L.Value) : std::string_view();
  }

  // Section and Ident trimmed and valid; Value already encoded.
  void Write(std::string_view Section, std::string_view Ident, std::string_view Value) {
    const auto S = FindSection(Section);
    if (!S) {
      Insert(FLines.size(), "[" + std::string(Section) + "]");
      Insert(FLines.size(), std::string(Ident) + "=" + std::string(Value));
      return;
    }
    if (const std::size_t K = FindKey(*S, Ident); K != NoLine) {
      // Keep the line up to its value: indentation, the key as spelled, "=" and the blanks after it.
      const std::string_view Old = FLines[K].Text;
      const auto Equals = Old.find('=');
      std::string New;
      if (Equals == std::string_view::npos) {
        New = std::string(TrimBlanksRight(Old)) + "=";
      } else {
        std::size_t Start = Equals + 1;
        while (Start < Old.size() && (Old[Start] == ' ' || Old[Start] == '\t')) ++Start;
        New = std::string(Old.substr(0, Start));
      }
      New += Value;
      if (New != Old) {
        FLines[K].Text = Own(std::move(New));
        FChanged = true;
      }
      return;
    }
    // After the section's last line that is not blank, so that blank lines
    // separating it from the next section stay where they are.
    std::size_t At = S->Begin;
    for (std::size_t I = S->Begin; I < S->End; ++I)
      if (Info(I).Kind != lkBlank) At = I + 1;
    Insert(At, std::string(Ident) + "=" + std::string(Value));
  }

  void DeleteKey(std::string_view Section, std::string_view Ident) {
    const auto S = FindSection(Section);
    if (!S) return;
    if (const std::size_t K = FindKey(*S, Ident); K != NoLine) Erase(K, K + 1);
  }

  void EraseSection(std::string_view Section) {
    if (const auto S = FindSection(Section)) Erase(S->Header == NoLine ? 0 : S->Header, S->End);
  }

  // Every line ends with a line break, the last one too.
  std::string Text() const {
    std::string Result;
    Result.reserve(FSource.size() + 64);
    if (FBom) Result += Utf8Bom;
    for (const TLine& L : FLines) {
      Result += L.Text;
      Result += L.Eol.empty() ? FEol : L.Eol;
    }
    return Result;
  }

 private:
  struct TLine {
    std::string_view Text;
    std::string_view Eol;  // empty: the file's line-end style
  };

  std::string_view Own(std::string S) { return FAdded.emplace_back(std::move(S)); }

  void Insert(std::size_t At, std::string Text) {
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(At), TLine{Own(std::move(Text)), {}});
    FChanged = true;
  }

  void Erase(std::size_t Begin, std::size_t End) {
    if (Begin == End) return;
    FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(Begin),
                 FLines.begin() + static_cast<std::ptrdiff_t>(End));
    FChanged = true;
  }

  std::string FSource;
  std::deque<std::string> FAdded;  // a deque never moves its strings, so views stay valid
  std::vector<TLine> FLines;
  std::string_view FEol;
  bool FBom = false;
  bool FChanged = false;
};

// Names in messages, with control characters made visible.
std::string Printable(std::string_view S) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string Result;
  for (char C : S) {
    const auto U = static_cast<unsigned char>(C);
    if (U >= 0x20 && U != 0x7F) {
      Result += C;
    } else if (C == '\r') {
      Result += "\\r";
    } else if (C == '\n') {
      Result += "\\n";
    } else if (C == '\t') {
      Result += "\\t";
    } else {
      Result += "\\x";
      Result += Hex[U >> 4];
      Result += Hex[U & 15];
    }
  }
  return Result;
}

bool HasAnyOf(std::string_view S, std::string_view Chars) { return S.find_first_of(Chars) != std::string_view::npos; }

constexpr std::string_view LineBreakOrNul("\r\n\0", 3);

// Names are checked as given for line breaks and NULs, even where trimming would
// drop them, and trimmed for the rest.
bool IsStorableSection(std::string_view Section) {
  return !HasAnyOf(Section, LineBreakOrNul) && TrimBlanks(Section).find(']') == std::string_view::npos;
}

bool IsStorableKey(std::string_view Ident) {
  const std::string_view Name = TrimBlanks(Ident);
  return !HasAnyOf(Ident, LineBreakOrNul) && Name.find('=') == std::string_view::npos && !Name.starts_with('[') &&
         !Name.starts_with(';');
}

// Validates before anything is written: a change the format cannot hold must not
// reach the file, where it could inject keys or sections on the next read.
void Validate(const TIniChanges::TChange& C, const std::string& FileName) {
  const std::string_view Section = TrimBlanks(C.Section);
  if (!IsStorableSection(C.Section))
    throw EIniFileException(Format("Invalid section name '%s' for %s: a section name cannot hold a line "
                                   "break, a NUL character or ']'",
                                   {Printable(Section), FileName}));
  if (C.Kind == TIniChanges::ckEraseSection) return;
  const std::string_view Ident = TrimBlanks(C.Ident);
  if (!IsStorableKey(C.Ident))
    throw EIniFileException(Format("Invalid key name '%s' in section '%s' of %s: a key name cannot hold a "
                                   "line break, a NUL character or '=', nor start with '[' or ';'",
                                   {Printable(Ident), Printable(Section), FileName}));
  if (C.Kind == TIniChanges::ckWrite && !TIniFile::CanStoreValue(C.Value))
    throw EIniFileException(Format("Cannot store the value of '%s' in section '%s' of %s: a value cannot "
                                   "hold a line break or a NUL character",
                                   {Printable(Ident), Printable(Section), FileName}));
}

// Strings takes many lines at once without a change notification for each.
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TStrings& AStrings) : FStrings(AStrings) { FStrings.BeginUpdate(); }
  ~TUpdateGuard() { FStrings.EndUpdate(); }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TStrings& FStrings;
};

std::optional<TIniDocument> LoadDocument(const std::string& FileName) {
  std::optional<std::string> Content = vn_ide::ReadWholeFile(NativeFileName(FileName));
  if (!Content) return std::nullopt;
  return std::optional<TIniDocument>(std::in_place, std::move(*Content));
}

}  // namespace

// ---------------------------------------------------------------------------
// TIniChanges

TIniChanges& TIniChanges::WriteString(std::string Section, std::string Ident, std::string Value) {
  FChanges.push_back({ckWrite, std::move(Section), std::move(Ident), std::move(Value)});
  return *this;
}

TIniChanges& TIniChanges::WriteInteger(std::string Section, std::string Ident, int Value) {
  return WriteString(std::move(Section), std::move(Ident), IntToStr(Value));
}

TIniChanges& TIniChanges::WriteBool(std::string Section, std::string Ident, bool Value) {
  return WriteString(std::move(Section), std::move(Ident), Value ? "1" : "0");
}

TIniChanges& TIniChanges::DeleteKey(std::string Section, std::string Ident) {
  FChanges.push_back({ckDeleteKey, std::move(Section), std::move(Ident), {}});
  return *this;
}

TIniChanges& TIniChanges::EraseSection(std::string Section) {
  FChanges.push_back({ckEraseSection, std::move(Section), {}, {}});
  return *this;
}

// ---------------------------------------------------------------------------
// TIniFile: reading

TIniFile::TIniFile(std::string AFileName) : FFileName(std::move(AFileName)) {}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
  const auto Doc = LoadDocument(FFileName);
  if (!Doc) return Default;
  const auto S = Doc->FindSection(TrimBlanks(Section));
  if (!S) return Default;
  const std::size_t K = Doc->FindKey(*S, TrimBlanks(Ident));
  if (K == NoLine) return Default;
  const TLineInfo L = Doc->Info(K);
  return L.Kind == lkKey ? std::string(Unquote(L.Value)) : Default;
}

int TIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) const {
  std::string S = ReadString(Section, Ident, "");
  if (S.size() > 2 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) S.replace(0, 2, "$");
  return StrToIntDef(S, Default);
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TIniFile::ReadSection(const std::string& Section, TStrings& Strings) const {
  TUpdateGuard Update(Strings);
  Strings.Clear();
  const auto Doc = LoadDocument(FFileName);
  if (!Doc) return;
  const auto S = Doc->FindSection(TrimBlanks(Section));
  if (!S) return;
  for (std::size_t I = S->Begin; I < S->End; ++I)
    if (const TLineInfo L = Doc->Info(I); L.Kind == lkKey) Strings.Add(std::string(L.Name));
}

void TIniFile::ReadSections(TStrings& Strings) const {
  TUpdateGuard Update(Strings);
  Strings.Clear();
  const auto Doc = LoadDocument(FFileName);
  if (!Doc) return;
  // Only the first of several sections with one name can be read, so it is listed once.
  std::vector<std::string_view> Listed;
  for (std::size_t I = 0; I < Doc->Count(); ++I) {
    const TLineInfo L = Doc->Info(I);
    if (L.Kind != lkSection || L.Name.empty()) continue;
    bool Seen = false;
    for (std::string_view Name : Listed) Seen = Seen || SameName(Name, L.Name);
    if (Seen) continue;
    Listed.push_back(L.Name);
    Strings.Add(std::string(L.Name));
  }
}

void TIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) const {
  TUpdateGuard Update(Strings);
  Strings.Clear();
  const auto Doc = LoadDocument(FFileName);
  if (!Doc) return;
  const auto S = Doc->FindSection(TrimBlanks(Section));
  if (!S) return;
  // A repeated key shows the first one's value. With ASCII names only, the first
  // values are remembered by lower-case name, so a long section costs one pass.
  bool AllAscii = true;
  for (std::size_t I = S->Begin; I < S->End && AllAscii; ++I) AllAscii = IsAsciiName(Doc->Info(I).Name);
  std::unordered_map<std::string, std::string_view> FirstValues;
  for (std::size_t I = S->Begin; I < S->End; ++I) {
    const TLineInfo L = Doc->Info(I);
    if (L.Kind != lkKey && L.Kind != lkNoValue) continue;
    std::string_view Value;
    if (AllAscii)
      Value = FirstValues.try_emplace(LowerCase(L.Name), L.Kind == lkKey ? Unquote(L.Value) : "").first->second;
    else if (L.Kind == lkKey)
      Value = Doc->LookUp(*S, I);
    if (L.Kind == lkKey) Strings.Add(std::string(L.Name) + "=" + std::string(Value));
  }
}

bool TIniFile::SectionExists(const std::string& Section) const {
  const auto Doc = LoadDocument(FFileName);
  if (!Doc) return false;
  const auto S = Doc->FindSection(TrimBlanks(Section));
  if (!S) return false;
  for (std::size_t I = S->Begin; I < S->End; ++I)
    if (Doc->Info(I).Kind == lkKey) return true;
  return false;
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
  const auto Doc = LoadDocument(FFileName);
  if (!Doc) return false;
  const auto S = Doc->FindSection(TrimBlanks(Section));
  if (!S) return false;
  const std::string_view Name = TrimBlanks(Ident);
  for (std::size_t I = S->Begin; I < S->End; ++I)
    if (const TLineInfo L = Doc->Info(I); L.Kind == lkKey && SameName(L.Name, Name)) return true;
  return false;
}

// ---------------------------------------------------------------------------
// TIniFile: changing

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  Apply(TIniChanges().WriteString(Section, Ident, Value));
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  Apply(TIniChanges().WriteInteger(Section, Ident, Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  Apply(TIniChanges().WriteBool(Section, Ident, Value));
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  Apply(TIniChanges().DeleteKey(Section, Ident));
}

void TIniFile::EraseSection(const std::string& Section) { Apply(TIniChanges().EraseSection(Section)); }

void TIniFile::Apply(const TIniChanges& Changes) {
  if (Changes.Empty()) return;
  for (const TIniChanges::TChange& C : Changes.Changes()) Validate(C, FFileName);
  // Applied to what is in the file under the lock, so that changes another
  // process made since our last read are kept.
  const auto Change = [&Changes](const std::string& Current) -> std::optional<std::string> {
    TIniDocument Doc(Current);
    for (const TIniChanges::TChange& C : Changes.Changes()) {
      const std::string_view Section = TrimBlanks(C.Section);
      switch (C.Kind) {
        case TIniChanges::ckWrite:
          Doc.Write(Section, TrimBlanks(C.Ident), EncodeValue(C.Value));
          break;
        case TIniChanges::ckDeleteKey:
          Doc.DeleteKey(Section, TrimBlanks(C.Ident));
          break;
        case TIniChanges::ckEraseSection:
          Doc.EraseSection(Section);
          break;
      }
    }
    if (!Doc.Changed()) return std::nullopt;
    return Doc.Text();
  };
  if (!vn_ide::ReplaceFile(NativeFileName(FFileName), Change))
    throw EIniFileException(Format("Unable to write to %s", {FFileName}));
}

bool TIniFile::CanStoreValue(std::string_view Value) noexcept { return !HasAnyOf(Value, LineBreakOrNul); }
