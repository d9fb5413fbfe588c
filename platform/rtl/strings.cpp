#include "rtl/SysUtils.h"

#include <unicode/ucasemap.h>
#include <unicode/ucol.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>

#include "utf8_text.h"

namespace {

bool IsBlank(char C) noexcept { return static_cast<unsigned char>(C) <= ' '; }

char AsciiUpper(char C) noexcept { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; }
char AsciiLower(char C) noexcept { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

bool AsciiSameText(std::string_view S1, std::string_view S2) noexcept {
  if (S1.size() != S2.size()) return false;
  for (std::size_t I = 0; I < S1.size(); ++I)
    if (AsciiUpper(S1[I]) != AsciiUpper(S2[I])) return false;
  return true;
}

// The collators live for the whole process (never closed), so that comparisons
// from other libraries' shut-down code still find them. A collator is only read
// after it is set up, which ICU allows from any number of threads at once.
const UCollator* OpenCollator(UCollationStrength Strength) {
  UErrorCode Status = U_ZERO_ERROR;
  UCollator* Collator = ucol_open("", &Status);
  if (U_FAILURE(Status)) return nullptr;
  ucol_setStrength(Collator, Strength);
  // Composed and decomposed accents are the same text to a person.
  ucol_setAttribute(Collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &Status);
  return Collator;
}

const UCollator* TextCollator() {
  static const UCollator* Collator = OpenCollator(UCOL_SECONDARY);
  return Collator;
}

const UCollator* StrCollator() {
  static const UCollator* Collator = OpenCollator(UCOL_TERTIARY);
  return Collator;
}

// The control characters of S in order: the collator ignores them, so texts
// that differ in them alone are not the same.
std::u32string ControlCharacters(std::string_view S) {
  std::u32string Result;
  const auto Length = static_cast<int32_t>(S.size());
  for (int32_t Offset = 0; Offset < Length;) {
    UChar32 C;
    U8_NEXT(S.data(), Offset, Length, C);
    if (C >= 0 && u_charType(C) == U_CONTROL_CHAR) Result.push_back(static_cast<char32_t>(C));
  }
  return Result;
}

int Ordinal(std::string_view S1, std::string_view S2) noexcept {
  const int R = S1.compare(S2);
  return R < 0 ? -1 : R > 0 ? 1 : 0;
}

int Collate(const UCollator* Collator, std::string_view S1, std::string_view S2) {
  if (S1 == S2) return 0;
  UErrorCode Status = U_ZERO_ERROR;
  UCollationResult R = UCOL_EQUAL;
  if (Collator != nullptr && S1.size() <= INT32_MAX && S2.size() <= INT32_MAX)
    R = ucol_strcollUTF8(Collator, S1.data(), static_cast<int32_t>(S1.size()), S2.data(),
                         static_cast<int32_t>(S2.size()), &Status);
  // Without a working collator, an ordinal order is still a consistent one.
  if (Collator == nullptr || U_FAILURE(Status)) return Ordinal(S1, S2);
  if (R == UCOL_EQUAL) {
    // The collator reads every malformed byte as U+FFFD; bytes that are not
    // UTF-8 must not make different texts (file names, say) the same.
    if (!vn_rtl::IsUtf8(S1) || !vn_rtl::IsUtf8(S2)) return Ordinal(S1, S2);
    // Ordered by them within the collator's class: a consistent order still.
    const std::u32string C1 = ControlCharacters(S1), C2 = ControlCharacters(S2);
    if (C1 != C2) return C1 < C2 ? -1 : 1;
    return 0;
  }
  return R == UCOL_LESS ? -1 : 1;
}

using TCaseFunc = int32_t (*)(const UCaseMap*, char*, int32_t, const char*, int32_t, UErrorCode*);

std::string ChangeCase(std::string_view S, TCaseFunc Func, char (*Fallback)(char) noexcept) {
  std::string Result;
  UErrorCode Status = U_ZERO_ERROR;
  std::unique_ptr<UCaseMap, decltype(&ucasemap_close)> Map(ucasemap_open("", 0, &Status), &ucasemap_close);
  if (U_SUCCESS(Status) && S.size() < INT32_MAX / 2) {
    Result.resize(S.size() + S.size() / 2 + 8);
    int32_t Length = Func(Map.get(), Result.data(), static_cast<int32_t>(Result.size()), S.data(),
                          static_cast<int32_t>(S.size()), &Status);
    // Case mapping may grow the text (ß becomes SS): try again at the size asked for.
    if (Status == U_BUFFER_OVERFLOW_ERROR) {
      Status = U_ZERO_ERROR;
      Result.resize(static_cast<std::size_t>(Length));
      Length = Func(Map.get(), Result.data(), Length, S.data(), static_cast<int32_t>(S.size()), &Status);
    }
    if (U_SUCCESS(Status)) {
      Result.resize(static_cast<std::size_t>(Length));
      return Result;
    }
  }
  Result.assign(S);
  std::transform(Result.begin(), Result.end(), Result.begin(), Fallback);
  return Result;
}

}  // namespace

bool vn_rtl::IsUtf8(std::string_view S) noexcept {
  if (S.size() > INT32_MAX) return false;
  const auto Length = static_cast<int32_t>(S.size());
  for (int32_t Offset = 0; Offset < Length;) {
    UChar32 C;
    U8_NEXT(S.data(), Offset, Length, C);
    if (C < 0) return false;
  }
  return true;
}

std::string Trim(std::string_view S) { return TrimRight(TrimLeft(S)); }

std::string TrimLeft(std::string_view S) {
  std::size_t I = 0;
  while (I < S.size() && IsBlank(S[I])) ++I;
  return std::string(S.substr(I));
}

std::string TrimRight(std::string_view S) {
  std::size_t N = S.size();
  while (N > 0 && IsBlank(S[N - 1])) --N;
  return std::string(S.substr(0, N));
}

std::string UpperCase(std::string_view S) {
  std::string Result(S);
  std::transform(Result.begin(), Result.end(), Result.begin(), AsciiUpper);
  return Result;
}

std::string LowerCase(std::string_view S) {
  std::string Result(S);
  std::transform(Result.begin(), Result.end(), Result.begin(), AsciiLower);
  return Result;
}

int CompareText(std::string_view S1, std::string_view S2) noexcept {
  const std::size_t N = std::min(S1.size(), S2.size());
  for (std::size_t I = 0; I < N; ++I) {
    const auto C1 = static_cast<unsigned char>(AsciiUpper(S1[I]));
    const auto C2 = static_cast<unsigned char>(AsciiUpper(S2[I]));
    if (C1 != C2) return C1 < C2 ? -1 : 1;
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

bool SameText(std::string_view S1, std::string_view S2) noexcept { return AsciiSameText(S1, S2); }

int AnsiCompareText(std::string_view S1, std::string_view S2) {
  // Equal but for ASCII case is equal to the collator too, and far cheaper to see.
  if (AsciiSameText(S1, S2)) return 0;
  return Collate(TextCollator(), S1, S2);
}

bool AnsiSameText(std::string_view S1, std::string_view S2) { return AnsiCompareText(S1, S2) == 0; }

std::string AnsiSameTextKey(std::string_view S) {
  // Bytes that are not UTF-8 compare as bytes but for ASCII case.
  const UCollator* Collator = TextCollator();
  if (Collator == nullptr || !vn_rtl::IsUtf8(S) || S.size() > INT32_MAX / 2) {
    std::string Key = "\x02";
    for (const char C : S) Key += (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
    return Key;
  }
  // The collator's sort key (what it compares), then the control characters
  // it ignores but AnsiSameText does not.
  std::u16string Wide(S.size(), u'\0');
  int32_t WideLength = 0;
  UErrorCode Status = U_ZERO_ERROR;
  u_strFromUTF8(Wide.data(), static_cast<int32_t>(Wide.size()), &WideLength, S.data(), static_cast<int32_t>(S.size()),
                &Status);
  std::string Key(S.size() * 4 + 16, '\0');
  int32_t Length = ucol_getSortKey(Collator, Wide.data(), WideLength, reinterpret_cast<uint8_t*>(Key.data()),
                                   static_cast<int32_t>(Key.size()));
  if (Length > static_cast<int32_t>(Key.size())) {
    Key.resize(static_cast<std::size_t>(Length));
    Length = ucol_getSortKey(Collator, Wide.data(), WideLength, reinterpret_cast<uint8_t*>(Key.data()), Length);
  }
  Key.resize(static_cast<std::size_t>(std::max(Length, 0)));
  Key.insert(Key.begin(), '\x01');
  for (const char32_t C : ControlCharacters(S)) Key += static_cast<char>(C);  // controls are below 0xA0
  return Key;
}

int AnsiCompareStr(std::string_view S1, std::string_view S2) { return Collate(StrCollator(), S1, S2); }

std::string AnsiUpperCase(std::string_view S) { return ChangeCase(S, &ucasemap_utf8ToUpper, AsciiUpper); }

std::string AnsiLowerCase(std::string_view S) { return ChangeCase(S, &ucasemap_utf8ToLower, AsciiLower); }

bool IsValidIdent(std::string_view Ident) noexcept {
  if (Ident.empty() || Ident.size() > INT32_MAX) return false;
  const auto Length = static_cast<int32_t>(Ident.size());
  int32_t Offset = 0;
  bool First = true;
  while (Offset < Length) {
    UChar32 C;
    U8_NEXT(Ident.data(), Offset, Length, C);
    if (C < 0) return false;  // not UTF-8
    const bool Ok = C == '_' || u_isalpha(C) || (!First && u_isdigit(C));
    if (!Ok) return false;
    First = false;
  }
  return true;
}

bool IsSecretName(std::string_view Name) noexcept {
  constexpr std::string_view Word = "PASSWORD";
  for (std::size_t I = 0; I + Word.size() <= Name.size(); ++I)
    if (SameText(Name.substr(I, Word.size()), Word)) return true;
  return false;
}

std::string HideSecret(std::string_view Line) {
  const std::size_t Eq = Line.find('=');
  if (Eq == std::string_view::npos || !IsSecretName(Line.substr(0, Eq))) return std::string(Line);
  return std::string(Line.substr(0, Eq + 1)) + "***";
}

std::string QuotedStr(std::string_view S) {
  std::string Result = "'";
  for (char C : S) {
    Result.push_back(C);
    if (C == '\'') Result.push_back(C);
  }
  Result.push_back('\'');
  return Result;
}

std::string StringReplaceAll(std::string_view S, std::string_view OldPattern, std::string_view NewPattern) {
  if (OldPattern.empty()) return std::string(S);
  std::string Result;
  std::size_t Pos = 0;
  for (auto Found = S.find(OldPattern); Found != std::string_view::npos; Found = S.find(OldPattern, Pos)) {
    Result.append(S.substr(Pos, Found - Pos));
    Result.append(NewPattern);
    Pos = Found + OldPattern.size();
  }
  Result.append(S.substr(Pos));
  return Result;
}
