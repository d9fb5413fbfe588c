#include "rtl/IniFiles.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "atomic_file.h"
#include "same_name.h"

VN_IMPLEMENT_CLASS(TIniFile, TObject)

using vn_rtl::IsAsciiName;
using vn_rtl::TFileCache;
using vn_rtl::SameName;

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

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

// The line breaks of a text in order. Each kind is searched with memchr from
// just past the last one found, so that the whole text is searched once per
// kind, whatever mix of CR, LF and CR LF it has.
class TLineBreaks {
 public:
  explicit TLineBreaks(std::string_view S) : FText(S), FLf(Find('\n', 0)), FCr(Find('\r', 0)) {}
  // The first CR or LF at or after From; the text's size when there is none.
  std::size_t Next(std::size_t From) {
    if (FLf < From) FLf = Find('\n', From);
    if (FCr < From) FCr = Find('\r', From);
    return std::min(FLf, FCr);
  }

 private:
  std::size_t Find(char C, std::size_t From) const {
    const void* P = From < FText.size() ? std::memchr(FText.data() + From, C, FText.size() - From) : nullptr;
    return P == nullptr ? FText.size() : static_cast<std::size_t>(static_cast<const char*>(P) - FText.data());
  }
  std::string_view FText;
  std::size_t FLf, FCr;
};

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

std::string FoldAscii(std::string_view S) {
  std::string Result(S);
  for (char& C : Result)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return Result;
}

// ASCII names without regard to case, as SameName compares two ASCII names.
struct TAsciiNoCaseHash {
  std::size_t operator()(std::string_view S) const noexcept {
    std::size_t H = 14695981039346656037ULL;
    for (char C : S) H = (H ^ static_cast<unsigned char>(C >= 'A' && C <= 'Z' ? C - 'A' + 'a' : C)) * 1099511628211ULL;
    return H;
  }
};
struct TAsciiNoCaseEqual {
  bool operator()(std::string_view A, std::string_view B) const noexcept { return A.size() == B.size() && SameText(A, B); }
};

// Lookups in a section before its keys are indexed: a change of a few keys
// costs no index, many lookups cost one.
constexpr std::size_t LinearLookups = 8;

// An ini file's text as sections of lines that keep their own bytes and line
// ends, so that a change rewrites only the lines it concerns. Sections and keys
// are indexed by name, so that a lookup or a change costs no search through the
// file; names that are not plain ASCII compare by collation and are searched.
class TIniDocument {
 public:
  // A section and a line in it.
  struct TPos {
    std::size_t Section, Line;
  };

  explicit TIniDocument(std::string ASource) : FSource(std::move(ASource)) {
    std::string_view S = FSource;
    if (S.starts_with(Utf8Bom)) {
      FBom = true;
      S.remove_prefix(Utf8Bom.size());
    }
    FSections.emplace_back();  // the lines before the first header: the section ""
    TLineBreaks Breaks(S);
    for (std::size_t Pos = 0; Pos < S.size();) {
      const std::size_t Break = Breaks.Next(Pos);
      if (Break == S.size()) {
        AddLine(S.substr(Pos), {});
        break;
      }
      const std::size_t Length = S.substr(Break, 2) == "\r\n" ? 2 : 1;
      const std::string_view Eol = S.substr(Break, Length);
      if (FEol.empty()) FEol = Eol;
      AddLine(S.substr(Pos, Break - Pos), Eol);
      Pos = Break + Length;
    }
    if (FEol.empty()) FEol = "\n";
  }
  // Lines point into the document itself.
  TIniDocument(const TIniDocument&) = delete;
  TIniDocument& operator=(const TIniDocument&) = delete;

  bool Changed() const noexcept { return FChanged; }
  std::size_t SectionCount() const noexcept { return FSections.size(); }
  bool Live(std::size_t Section) const { return !FSections[Section].Erased; }
  // The section's name, trimmed; empty for the section "" (and for "[]").
  std::string_view SectionName(std::size_t Section) const {
    const TSectionData& S = FSections[Section];
    return S.Lines.empty() || Section == 0 ? std::string_view() : S.Lines.front().Name;
  }

  // Calls F(Kind, Name, Value) for each key line of the section in file order.
  template <class F>
  void ForEachKey(std::size_t Section, F&& Each) const {
    for (const TLine& L : FSections[Section].Lines)
      if (!L.Gone && (L.Kind == lkKey || L.Kind == lkNoValue)) Each(L.Kind, L.Name, L.Value);
  }

  // The first live section named Name (trimmed); the section "" always exists.
  std::optional<std::size_t> FindSection(std::string_view Name) const {
    if (Name.empty()) return 0;
    if (FAsciiSections && IsAsciiName(Name)) {
      const auto It = FSectionsByName.find(FoldAscii(Name));
      if (It == FSectionsByName.end()) return std::nullopt;
      for (std::size_t Id : It->second)
        if (Live(Id)) return Id;
      return std::nullopt;
    }
    for (std::size_t Id = 1; Id < FSections.size(); ++Id)
      if (Live(Id) && SameName(SectionName(Id), Name)) return Id;
    return std::nullopt;
  }

  // The first live line of the section naming the key Ident, with or without a
  // value; Valued: the first one with a value.
  std::optional<std::size_t> FindKey(std::size_t Section, std::string_view Ident, bool Valued = false) const {
    const TSectionData& S = FSections[Section];
    const auto Matches = [&](std::size_t I) {
      const TLine& L = S.Lines[I];
      return !L.Gone && (L.Kind == lkKey || (!Valued && L.Kind == lkNoValue));
    };
    if (!S.Indexed && ++S.Lookups > LinearLookups) IndexKeys(S);
    std::size_t Start = 0;
    if (S.Indexed && S.AsciiKeys && IsAsciiName(Ident)) {
      const auto It = S.FirstKey.find(Ident);
      if (It == S.FirstKey.end()) return std::nullopt;
      if (Matches(It->second)) return It->second;
      Start = It->second + 1;  // a key with a value may follow the first one without
    }
    for (std::size_t I = Start; I < S.Lines.size(); ++I)
      if (Matches(I) && SameName(S.Lines[I].Name, Ident)) return I;
    return std::nullopt;
  }

  bool HasValue(std::size_t Section, std::size_t Line) const { return FSections[Section].Lines[Line].Kind == lkKey; }

  // The value of key line Line (empty for a key without value), quotes removed.
  std::string_view ValueAt(std::size_t Section, std::size_t Line) const {
    const TLine& L = FSections[Section].Lines[Line];
    return L.Kind == lkKey ? Unquote(L.Value) : std::string_view();
  }

  // Section and Ident trimmed and valid; Value already encoded.
  void Write(std::string_view Section, std::string_view Ident, std::string_view Value) {
    const auto Id = FindSection(Section);
    if (!Id) {
      AddSection(Own("[" + std::string(Section) + "]"));
      Append(FSections.size() - 1, std::string(Ident) + "=" + std::string(Value));
      return;
    }
    if (const auto K = FindKey(*Id, Ident)) {
      // Keep the line up to its value: indentation, the key as spelled, "=" and the blanks after it.
      TLine& Line = FSections[*Id].Lines[*K];
      const std::string_view Old = Line.Text;
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
        SetText(Line, Own(std::move(New)));
        FChanged = true;
      }
      return;
    }
    Append(*Id, std::string(Ident) + "=" + std::string(Value));
  }

  void DeleteKey(std::string_view Section, std::string_view Ident) {
    const auto Id = FindSection(Section);
    if (!Id) return;
    if (const auto K = FindKey(*Id, Ident)) {
      TSectionData& S = FSections[*Id];
      S.Lines[*K].Gone = true;
      // Gone lines leave the index (a later key may be inserted before them);
      // the next key of that name, if any, takes their place.
      if (S.Indexed && S.AsciiKeys) {
        const std::string_view Name = S.Lines[*K].Name;
        S.FirstKey.erase(Name);
        for (std::size_t I = *K + 1; I < S.Lines.size(); ++I) {
          const TLine& L = S.Lines[I];
          if (!L.Gone && (L.Kind == lkKey || L.Kind == lkNoValue) && TAsciiNoCaseEqual()(L.Name, Name)) {
            S.FirstKey.emplace(L.Name, I);
            break;
          }
        }
      }
      if (*K + 1 == S.End) S.End = LastUsed(S, *K);
      FChanged = true;
    }
  }

  void EraseSection(std::string_view Section) {
    const auto Id = FindSection(Section);
    if (!Id) return;
    TSectionData& S = FSections[*Id];
    if (*Id == 0) {
      // The section "" has no header to lose: its lines go, the section stays.
      if (S.Lines.empty()) return;
      S = TSectionData();
    } else {
      S.Erased = true;
    }
    FChanged = true;
  }

  // Every line ends with a line break, the last one too.
  std::string Text() const {
    std::string Result;
    Result.reserve(FSource.size() + 64);
    if (FBom) Result += Utf8Bom;
    for (const TSectionData& S : FSections) {
      if (S.Erased) continue;
      for (const TLine& L : S.Lines) {
        if (L.Gone) continue;
        Result += L.Text;
        Result += L.Eol.empty() ? FEol : L.Eol;
      }
    }
    return Result;
  }

 private:
  struct TLine {
    std::string_view Text;
    std::string_view Eol;  // empty: the file's line-end style
    TLineKind Kind = lkBlank;
    std::string_view Name, Value;  // see TLineInfo
    bool Gone = false;             // deleted: kept so that positions stay valid
  };
  struct TSectionData {
    std::vector<TLine> Lines;  // the header first, except in the section ""
    // Lines at End and after are blank or gone: new keys go there, so that
    // blank lines separating sections stay where they are.
    std::size_t End = 0;
    bool Erased = false;
    // The first live key line of each name, once the section has been looked
    // up often enough (Lookups), and while all its key names are ASCII.
    mutable std::size_t Lookups = 0;
    mutable bool Indexed = false;
    mutable bool AsciiKeys = true;
    mutable std::unordered_map<std::string_view, std::size_t, TAsciiNoCaseHash, TAsciiNoCaseEqual> FirstKey;
  };

  std::string_view Own(std::string S) { return FAdded.emplace_back(std::move(S)); }

  static void SetText(TLine& Line, std::string_view Text) {
    const TLineInfo Info = ClassifyLine(Text);
    Line.Text = Text;
    Line.Kind = Info.Kind;
    Line.Name = Info.Name;
    Line.Value = Info.Value;
  }

  static std::size_t LastUsed(const TSectionData& S, std::size_t Before) {
    while (Before > 0 && (S.Lines[Before - 1].Gone || S.Lines[Before - 1].Kind == lkBlank)) --Before;
    return Before;
  }

  void AddSection(std::string_view Header) {
    const TLineInfo Info = ClassifyLine(Header);
    const std::size_t Id = FSections.size();
    FSections.emplace_back();
    if (FAsciiSections && !IsAsciiName(Info.Name)) {
      FAsciiSections = false;
      FSectionsByName.clear();
    }
    if (FAsciiSections && !Info.Name.empty()) FSectionsByName[FoldAscii(Info.Name)].push_back(Id);
    TLine& L = FSections.back().Lines.emplace_back();
    SetText(L, Header);
    FSections.back().End = 1;
  }

  // A line of the source, in order: a header starts a section.
  void AddLine(std::string_view Text, std::string_view Eol) {
    if (TrimBlanksLeft(Text).starts_with('[') && ClassifyLine(Text).Kind == lkSection) {
      AddSection(Text);
      FSections.back().Lines.back().Eol = Eol;
      return;
    }
    TSectionData& S = FSections.back();
    TLine& L = S.Lines.emplace_back();
    SetText(L, Text);
    L.Eol = Eol;
    if (L.Kind != lkBlank) S.End = S.Lines.size();
  }

  // Names are views of the document's text, which never moves.
  static void IndexKeys(const TSectionData& S) {
    S.Indexed = true;
    S.FirstKey.reserve(S.Lines.size());
    for (std::size_t I = 0; I < S.Lines.size(); ++I) Index(S, I);
  }

  static void Index(const TSectionData& S, std::size_t I) {
    const TLine& L = S.Lines[I];
    if (!S.Indexed || !S.AsciiKeys || L.Gone || (L.Kind != lkKey && L.Kind != lkNoValue)) return;
    if (!IsAsciiName(L.Name)) {
      S.AsciiKeys = false;
      S.FirstKey.clear();
      return;
    }
    S.FirstKey.try_emplace(L.Name, I);
  }

  // A new key line after the section's last line in use. Only blank or gone
  // lines follow it, and they hold no key, so positions in the index stay valid.
  void Append(std::size_t Section, std::string Text) {
    TSectionData& S = FSections[Section];
    const std::size_t At = S.End;
    TLine Line;
    SetText(Line, Own(std::move(Text)));
    S.Lines.insert(S.Lines.begin() + static_cast<std::ptrdiff_t>(At), Line);
    Index(S, At);
    S.End = At + 1;
    FChanged = true;
  }

  std::string FSource;
  std::deque<std::string> FAdded;  // a deque never moves its strings, so views stay valid
  std::vector<TSectionData> FSections;
  bool FAsciiSections = true;  // FSectionsByName is complete and usable
  std::unordered_map<std::string, std::vector<std::size_t>> FSectionsByName;  // in file order
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

// The encodings a settings file may have; a UTF-8 byte-order mark stays part of
// the text (the document keeps it), UTF-16 is recognised by its mark only.
enum TEncoding { enUtf8, enUtf16LE, enUtf16BE };

// A file's text as UTF-8 for the document, with what it takes to write it back.
struct TIniText {
  std::string Utf8;
  TEncoding Encoding = enUtf8;
  bool Exact = true;  // false: UTF-16 that is not well-formed, so it cannot be written back unchanged
};

TIniText DecodeIniText(std::string Bytes) {
  TIniText Result;
  const bool Le = Bytes.starts_with("\xFF\xFE"), Be = Bytes.starts_with("\xFE\xFF");
  if (!Le && !Be) {
    Result.Utf8 = std::move(Bytes);
    return Result;
  }
  Result.Encoding = Le ? enUtf16LE : enUtf16BE;
  Result.Exact = Bytes.size() % 2 == 0;
  std::u16string Units((Bytes.size() - 2) / 2, u'\0');
  for (std::size_t I = 0; I < Units.size(); ++I) {
    const auto B0 = static_cast<unsigned char>(Bytes[2 + 2 * I]), B1 = static_cast<unsigned char>(Bytes[3 + 2 * I]);
    Units[I] = static_cast<char16_t>(Le ? (B0 | B1 << 8) : (B0 << 8 | B1));
  }
  UErrorCode Error = U_ZERO_ERROR;
  int32_t Length = 0, Substituted = 0;
  const auto Size = static_cast<int32_t>(Units.size());
  u_strToUTF8WithSub(nullptr, 0, &Length, Units.data(), Size, 0xFFFD, nullptr, &Error);
  Error = U_ZERO_ERROR;
  Result.Utf8.resize(static_cast<std::size_t>(Length));
  u_strToUTF8WithSub(Result.Utf8.data(), Length, nullptr, Units.data(), Size, 0xFFFD, &Substituted, &Error);
  if (U_FAILURE(Error)) Result.Utf8.clear();
  Result.Exact = Result.Exact && U_SUCCESS(Error) && Substituted == 0;
  return Result;
}

// Text in the file's encoding; nullopt when Text is not UTF-8, which UTF-16 cannot hold.
std::optional<std::string> EncodeIniText(std::string Text, TEncoding Encoding) {
  if (Encoding == enUtf8) return Text;
  UErrorCode Error = U_ZERO_ERROR;
  int32_t Length = 0;
  const auto Size = static_cast<int32_t>(Text.size());
  u_strFromUTF8(nullptr, 0, &Length, Text.data(), Size, &Error);
  if (Error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(Error)) return std::nullopt;
  std::u16string Units(static_cast<std::size_t>(Length), u'\0');
  Error = U_ZERO_ERROR;
  u_strFromUTF8(Units.data(), Length, nullptr, Text.data(), Size, &Error);
  if (U_FAILURE(Error)) return std::nullopt;
  std::string Result = Encoding == enUtf16LE ? "\xFF\xFE" : "\xFE\xFF";
  Result.reserve(2 * Units.size() + 2);
  for (char16_t U : Units) {
    const auto Low = static_cast<char>(U & 0xFF), High = static_cast<char>(U >> 8);
    Result += Encoding == enUtf16LE ? Low : High;
    Result += Encoding == enUtf16LE ? High : Low;
  }
  return Result;
}

std::shared_ptr<const TIniDocument> ParseIniFile(std::string Bytes) {
  return std::make_shared<const TIniDocument>(DecodeIniText(std::move(Bytes)).Utf8);
}

// A line "NAME=value" whose name says it holds a password, outside comments.
bool HoldsSecret(std::string_view Text) {
  while (!Text.empty()) {
    const std::size_t End = Text.find('\n');
    const std::string_view Line = TrimBlanks(Text.substr(0, End));
    Text.remove_prefix(End == std::string_view::npos ? Text.size() : End + 1);
    if (Line.empty() || Line.front() == ';' || Line.front() == '[') continue;
    if (const std::size_t Eq = Line.find('='); Eq != std::string_view::npos && IsSecretName(Line.substr(0, Eq)))
      return true;
  }
  return false;
}

}  // namespace

// The file as last read, parsed and indexed; read again when its stamp changes.
class vn_rtl::TIniCache {
 public:
  std::shared_ptr<const TIniDocument> Load(const std::string& FileName) {
    return FFile.Get(NativeFileName(FileName), ParseIniFile);
  }

  struct TFoundSection {
    std::shared_ptr<const TIniDocument> Doc;
    std::size_t Id;
  };
  // The file as it stands now with the section of that name; none when the
  // file or the section is missing.
  std::optional<TFoundSection> FindSection(const std::string& FileName, const std::string& Section) {
    auto Doc = Load(FileName);
    if (!Doc) return std::nullopt;
    const auto Id = Doc->FindSection(TrimBlanks(Section));
    if (!Id) return std::nullopt;
    return TFoundSection{std::move(Doc), *Id};
  }

 private:
  TFileCache<TIniDocument> FFile;
};

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

TIniFile::TIniFile(std::string AFileName)
    : FFileName(std::move(AFileName)), FCache(std::make_shared<vn_rtl::TIniCache>()) {}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
  const auto Found = FCache->FindSection(FFileName, Section);
  if (!Found) return Default;
  const auto K = Found->Doc->FindKey(Found->Id, TrimBlanks(Ident));
  if (!K || !Found->Doc->HasValue(Found->Id, *K)) return Default;
  return std::string(Found->Doc->ValueAt(Found->Id, *K));
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
  const auto Found = FCache->FindSection(FFileName, Section);
  if (!Found) return;
  Found->Doc->ForEachKey(Found->Id, [&](TLineKind Kind, std::string_view Name, std::string_view) {
    if (Kind == lkKey) Strings.Add(std::string(Name));
  });
}

void TIniFile::ReadSections(TStrings& Strings) const {
  TUpdateGuard Update(Strings);
  Strings.Clear();
  const auto Doc = FCache->Load(FFileName);
  if (!Doc) return;
  // Only the first of several sections with one name can be read, so it is listed once.
  for (std::size_t Id = 1; Id < Doc->SectionCount(); ++Id) {
    const std::string_view Name = Doc->SectionName(Id);
    if (!Name.empty() && Doc->FindSection(Name) == Id) Strings.Add(std::string(Name));
  }
}

void TIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) const {
  TUpdateGuard Update(Strings);
  Strings.Clear();
  const auto Found = FCache->FindSection(FFileName, Section);
  if (!Found) return;
  const TIniDocument& Doc = *Found->Doc;
  // A repeated key shows the first one's value.
  Doc.ForEachKey(Found->Id, [&](TLineKind Kind, std::string_view Name, std::string_view) {
    if (Kind == lkKey)
      Strings.Add(std::string(Name) + "=" + std::string(Doc.ValueAt(Found->Id, *Doc.FindKey(Found->Id, Name))));
  });
}

bool TIniFile::SectionExists(const std::string& Section) const {
  const auto Found = FCache->FindSection(FFileName, Section);
  if (!Found) return false;
  bool HasKey = false;
  Found->Doc->ForEachKey(Found->Id,
                         [&](TLineKind Kind, std::string_view, std::string_view) { HasKey = HasKey || Kind == lkKey; });
  return HasKey;
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
  const auto Found = FCache->FindSection(FFileName, Section);
  return Found && Found->Doc->FindKey(Found->Id, TrimBlanks(Ident), true).has_value();
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
  for (const TIniChanges::TChange& C : Changes.Changes()) Validate(C, NativeFileName(FFileName));
  // Applied to what is in the file under the lock, so that changes another
  // process made since our last read are kept.
  bool Secret = false;  // the new content holds a password
  const auto Change = [this, &Changes, &Secret](const std::string& Current) -> std::optional<std::string> {
    TIniText Text = DecodeIniText(Current);
    // What cannot be written back as it was read is not written at all.
    if (!Text.Exact)
      throw EIniFileException(
          Format("Unable to write to %s: the file is not well-formed UTF-16", {NativeFileName(FFileName)}));
    TIniDocument Doc(std::move(Text.Utf8));
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
    Secret = HoldsSecret(Doc.Text());
    std::optional<std::string> Encoded = EncodeIniText(Doc.Text(), Text.Encoding);
    if (!Encoded)
      throw EIniFileException(Format("Unable to write to %s: a name or value is not UTF-8 text, which this "
                                     "UTF-16 file cannot hold",
                                     {NativeFileName(FFileName)}));
    return Encoded;
  };
  // A file that holds a password is its owner's alone.
  vn_rtl::TReplaceOptions Options;
  Options.AccessOf = [&Secret](const std::string&) { return Secret ? vn_rtl::faOwnerOnly : vn_rtl::faAsBefore; };
  if (!vn_rtl::ReplaceFile(NativeFileName(FFileName), Change, Options))
    throw EIniFileException(Format("Unable to write to %s", {NativeFileName(FFileName)}));
  if (Options.Tightened)
    Notice(Format("%s holds a password and could be read by others: it is now readable by its owner only",
                  {NativeFileName(FFileName)}));
}

bool TIniFile::CanStoreValue(std::string_view Value) noexcept { return !HasAnyOf(Value, LineBreakOrNul); }
