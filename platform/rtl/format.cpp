#include "rtl/SysUtils.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "rtl_consts.h"

namespace {

// The largest width or precision accepted; anything above is a malformed format
// rather than a request for gigabytes of padding.
constexpr int MaxFieldSize = 1 << 20;

// The digits of a number as the platform's float conversion sees them: the value
// is 0.Digits * 10^Exponent; no leading or trailing zeros; empty for zero.
struct TDecimal {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

TDecimal ToDecimal(double Value) {
  TDecimal Result;
  Result.Negative = std::signbit(Value);
  if (Value == 0) return Result;
  // 17 significant digits identify a double exactly; rounding to fewer digits is
  // then done in decimal, half away from zero, as the platform rounds.
  char Buffer[40];
  std::snprintf(Buffer, sizeof Buffer, "%.16e", std::fabs(Value));
  std::string_view Text(Buffer);
  const auto E = Text.find('e');
  Result.Digits.push_back(Text[0]);
  Result.Digits.append(Text.substr(2, E - 2));
  Result.Exponent = std::atoi(Buffer + E + 1) + 1;
  while (!Result.Digits.empty() && Result.Digits.back() == '0') Result.Digits.pop_back();
  return Result;
}

// Keeps Count significant digits (Count may be 0 or negative: everything goes).
void RoundDigits(TDecimal& D, int Count) {
  if (Count < 0 || static_cast<std::size_t>(Count) >= D.Digits.size()) {
    if (Count < 0) D.Digits.clear();
    return;
  }
  const bool Up = D.Digits[Count] >= '5';
  D.Digits.resize(Count);
  if (Up) {
    int I = Count - 1;
    while (I >= 0 && D.Digits[I] == '9') D.Digits[I--] = '0';
    if (I >= 0)
      ++D.Digits[I];
    else {
      D.Digits.insert(D.Digits.begin(), '1');
      ++D.Exponent;
    }
  }
  while (!D.Digits.empty() && D.Digits.back() == '0') D.Digits.pop_back();
  if (D.Digits.empty()) D.Exponent = 0;
}

char DigitAt(const TDecimal& D, int Index) {
  return Index >= 0 && static_cast<std::size_t>(Index) < D.Digits.size() ? D.Digits[Index] : '0';
}

std::string Sign(const TDecimal& D) { return D.Negative && !D.Digits.empty() ? "-" : ""; }

std::string ExponentText(int Exponent, bool PlusSign, int MinDigits) {
  std::string Digits = std::to_string(Exponent < 0 ? -Exponent : Exponent);
  if (static_cast<int>(Digits.size()) < MinDigits) Digits.insert(0, MinDigits - Digits.size(), '0');
  return std::string("E") + (Exponent < 0 ? "-" : PlusSign ? "+" : "") + Digits;
}

// -d.ddd...E+ddd with Precision digits in all.
std::string FormatExponent(TDecimal D, int Precision) {
  RoundDigits(D, Precision);
  std::string Result = Sign(D);
  Result.push_back(DigitAt(D, 0));
  if (Precision > 1) {
    Result.push_back('.');
    for (int I = 1; I < Precision; ++I) Result.push_back(DigitAt(D, I));
  }
  return Result + ExponentText(D.Digits.empty() ? 0 : D.Exponent - 1, true, 3);
}

// -ddd.ddd with Decimals digits after the point; Separate puts thousand separators in.
std::string FormatFixed(TDecimal D, int Decimals, bool Separate) {
  // Beyond 18 integer digits the platform switches to scientific notation.
  if (!D.Digits.empty() && D.Exponent > 18) return FormatExponent(D, 18);
  RoundDigits(D, D.Exponent + Decimals);
  std::string Integer;
  if (D.Exponent <= 0 || D.Digits.empty())
    Integer = "0";
  else
    for (int I = 0; I < D.Exponent; ++I) Integer.push_back(DigitAt(D, I));
  if (Separate)
    for (int I = static_cast<int>(Integer.size()) - 3; I > 0; I -= 3) Integer.insert(I, 1, ',');
  std::string Result = Sign(D) + Integer;
  if (Decimals > 0) {
    Result.push_back('.');
    for (int I = 0; I < Decimals; ++I) Result.push_back(DigitAt(D, D.Exponent + I));
  }
  return Result;
}

// The shortest of fixed and scientific notation with Precision significant digits.
std::string FormatGeneral(TDecimal D, int Precision) {
  RoundDigits(D, Precision);
  if (D.Digits.empty()) return "0";
  const auto Count = static_cast<int>(D.Digits.size());
  std::string Result = Sign(D);
  // Digits after the first Integer ones, behind a point when there are any.
  auto AppendFraction = [&](int Integer) {
    if (Count <= Integer) return;
    Result.push_back('.');
    Result.append(D.Digits, static_cast<std::size_t>(Integer));
  };
  if (D.Exponent > Precision || D.Exponent < -4) {
    Result.push_back(D.Digits[0]);
    AppendFraction(1);
    Result.append(ExponentText(D.Exponent - 1, true, 3));
    return Result;
  }
  if (D.Exponent <= 0) {
    Result.append("0.");
    Result.append(static_cast<std::size_t>(-D.Exponent), '0');
    Result.append(D.Digits);
    return Result;
  }
  for (int I = 0; I < D.Exponent; ++I) Result.push_back(DigitAt(D, I));
  AppendFraction(D.Exponent);
  return Result;
}

std::string FormatFloat(double Value, char Type, int Precision) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  const TDecimal D = ToDecimal(Value);
  switch (Type) {
    case 'e':
      return FormatExponent(D, Precision < 0 ? 15 : std::clamp(Precision, 1, 18));
    case 'g':
      return FormatGeneral(D, Precision < 0 ? 15 : std::clamp(Precision, 1, 18));
    case 'n':
      return FormatFixed(D, Precision < 0 ? 2 : std::min(Precision, 18), true);
    default:
      return FormatFixed(D, Precision < 0 ? 2 : std::min(Precision, 18), false);
  }
}

std::string ToDigits(std::uint64_t Value, bool Hex) {
  char Buffer[24];
  std::snprintf(Buffer, sizeof Buffer, Hex ? "%llX" : "%llu", static_cast<unsigned long long>(Value));
  return Buffer;
}

// The value %u and %x show: a negative integer as its two's complement in the
// width it was passed with.
std::uint64_t UnsignedValue(const TVarRec& Arg) {
  const auto Bits = static_cast<std::uint64_t>(Arg.AsInteger());
  if (!Arg.IsUnsigned() && Arg.AsInteger() < 0 && Arg.IntBits() <= 32) return Bits & 0xFFFFFFFFu;
  return Bits;
}

std::size_t CodePointCount(std::string_view S) {
  std::size_t Count = 0;
  for (unsigned char C : S)
    if ((C & 0xC0) != 0x80) ++Count;
  return Count;
}

// The first Count code points of S; a sequence is never cut in half.
std::string_view LeadingCodePoints(std::string_view S, std::size_t Count) {
  int32_t Offset = 0;
  const auto Length = static_cast<int32_t>(std::min<std::size_t>(S.size(), INT32_MAX));
  for (std::size_t I = 0; I < Count && Offset < Length; ++I) U8_FWD_1(S.data(), Offset, Length);
  return S.substr(0, static_cast<std::size_t>(Offset));
}

class TFormatter {
 public:
  TFormatter(std::string_view AFormat, std::initializer_list<TVarRec> AArgs)
      : FFormat(AFormat), FArgs(AArgs) {}

  std::string Run() {
    std::string Result;
    Result.reserve(FFormat.size() + 16);
    while (FPos < FFormat.size()) {
      const auto Percent = FFormat.find('%', FPos);
      if (Percent == std::string_view::npos) {
        Result.append(FFormat.substr(FPos));
        break;
      }
      Result.append(FFormat.substr(FPos, Percent - FPos));
      FPos = Percent + 1;
      if (Peek() == '%') {
        Result.push_back('%');
        ++FPos;
        continue;
      }
      Result += Specifier();
    }
    return Result;
  }

 private:
  [[noreturn]] void Invalid() const {
    throw EConvertError(Format(rtl_consts::SInvalidFormat, {FFormat}));
  }

  char Peek() const { return FPos < FFormat.size() ? FFormat[FPos] : '\0'; }

  const TVarRec& NextArg() {
    if (FArgIndex >= FArgs.size()) throw EConvertError(Format(rtl_consts::SArgumentMissing, {FFormat}));
    return FArgs.begin()[FArgIndex++];
  }

  // Digits or `*`; nothing when neither is there.
  std::optional<std::int64_t> Number() {
    if (Peek() == '*') {
      ++FPos;
      const TVarRec& Arg = NextArg();
      if (Arg.Kind() != TVarRec::vtInteger) Invalid();
      return Arg.AsInteger();
    }
    if (Peek() < '0' || Peek() > '9') return std::nullopt;
    std::int64_t Value = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      Value = Value * 10 + (FFormat[FPos++] - '0');
      if (Value > MaxFieldSize) Invalid();
    }
    return Value;
  }

  std::string Specifier() {
    bool LeftJustify = false;
    std::optional<std::int64_t> Field = Number();
    if (Peek() == ':') {
      ++FPos;
      if (!Field || *Field < 0) Invalid();
      FArgIndex = static_cast<std::size_t>(*Field);
      Field.reset();
    }
    if (!Field) {
      if (Peek() == '-') {
        LeftJustify = true;
        ++FPos;
      }
      Field = Number();
    }
    std::int64_t Width = Field.value_or(0);
    // A negative width from `*` justifies to the left, as in C.
    if (Width < 0) {
      if (Width < -MaxFieldSize) Invalid();
      LeftJustify = true;
      Width = -Width;
    }
    std::int64_t Precision = -1;
    if (Peek() == '.') {
      ++FPos;
      // "%.d" asks for no digits at all; a negative one from `*` counts as none given.
      Precision = Number().value_or(0);
      if (Precision < 0) Precision = -1;
    }
    if (Width > MaxFieldSize || Precision > MaxFieldSize) Invalid();
    if (FPos >= FFormat.size()) Invalid();
    const char Type = static_cast<char>(FFormat[FPos++] | 0x20);

    std::string Text;
    std::size_t TextWidth = 0;
    const TVarRec* Arg = nullptr;
    switch (Type) {
      case 'd':
      case 'u':
      case 'x': {
        Arg = &NextArg();
        if (Arg->Kind() != TVarRec::vtInteger) Invalid();
        bool Negative = false;
        std::uint64_t Magnitude;
        if (Type == 'd' && !Arg->IsUnsigned() && Arg->AsInteger() < 0) {
          Negative = true;
          Magnitude = 0 - static_cast<std::uint64_t>(Arg->AsInteger());
        } else {
          Magnitude = Type == 'd' ? static_cast<std::uint64_t>(Arg->AsInteger()) : UnsignedValue(*Arg);
        }
        Text = ToDigits(Magnitude, Type == 'x');
        if (Precision > static_cast<std::int64_t>(Text.size())) Text.insert(0, Precision - Text.size(), '0');
        if (Negative) Text.insert(0, 1, '-');
        TextWidth = Text.size();
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
        Arg = &NextArg();
        if (Arg->Kind() != TVarRec::vtFloat) Invalid();
        Text = FormatFloat(Arg->AsFloat(), Type, static_cast<int>(Precision));
        TextWidth = Text.size();
        break;
      case 's': {
        Arg = &NextArg();
        if (Arg->Kind() != TVarRec::vtString) Invalid();
        std::string_view S = Arg->AsString();
        if (Precision >= 0) S = LeadingCodePoints(S, static_cast<std::size_t>(Precision));
        Text.assign(S);
        TextWidth = CodePointCount(S);
        break;
      }
      default:
        Invalid();
    }
    if (static_cast<std::int64_t>(TextWidth) < Width) {
      const auto Pad = static_cast<std::size_t>(Width) - TextWidth;
      if (LeftJustify)
        Text.append(Pad, ' ');
      else
        Text.insert(0, Pad, ' ');
    }
    return Text;
  }

  std::string_view FFormat;
  std::initializer_list<TVarRec> FArgs;
  std::size_t FPos = 0;
  std::size_t FArgIndex = 0;
};

}  // namespace

std::string Format(std::string_view AFormat, std::initializer_list<TVarRec> AArgs) {
  return TFormatter(AFormat, AArgs).Run();
}
