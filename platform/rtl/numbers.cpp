#include "rtl/SysUtils.h"

#include <cstdio>

#include "rtl_consts.h"

std::string IntToStr(std::int64_t Value) { return std::to_string(Value); }

std::string IntToHex(std::int64_t Value, int Digits) {
  char Buffer[24];
  std::snprintf(Buffer, sizeof Buffer, "%llX", static_cast<unsigned long long>(Value));
  std::string Result = Buffer;
  if (Digits > static_cast<int>(Result.size())) Result.insert(0, Digits - Result.size(), '0');
  return Result;
}

namespace {

int HexDigit(char C) noexcept {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

}  // namespace

bool TryStrToInt(std::string_view S, int& Value) noexcept {
  std::size_t I = 0;
  while (I < S.size() && S[I] == ' ') ++I;
  bool Negative = false;
  if (I < S.size() && (S[I] == '-' || S[I] == '+')) Negative = S[I++] == '-';

  bool Hex = false;
  if (I < S.size() && (S[I] == '$' || S[I] == 'x' || S[I] == 'X')) {
    Hex = true;
    ++I;
  } else if (I + 1 < S.size() && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    Hex = true;
    I += 2;
  }
  if (I == S.size()) return false;

  if (Hex) {
    // Up to 32 bits of hex digits, taken as the bits of the value: $FFFFFFFF is -1.
    std::uint32_t Bits = 0;
    int Significant = 0;
    for (; I < S.size(); ++I) {
      const int D = HexDigit(S[I]);
      if (D < 0) return false;
      if (Significant > 0 || D != 0) ++Significant;
      if (Significant > 8) return false;
      Bits = (Bits << 4) | static_cast<std::uint32_t>(D);
    }
    if (Negative) Bits = 0u - Bits;
    Value = static_cast<std::int32_t>(Bits);
    return true;
  }

  const std::uint64_t Limit = Negative ? 2147483648u : 2147483647u;
  std::uint64_t Magnitude = 0;
  for (; I < S.size(); ++I) {
    if (S[I] < '0' || S[I] > '9') return false;
    Magnitude = Magnitude * 10 + static_cast<std::uint64_t>(S[I] - '0');
    if (Magnitude > Limit) return false;
  }
  Value = Negative ? static_cast<int>(0 - static_cast<std::int64_t>(Magnitude)) : static_cast<int>(Magnitude);
  return true;
}

int StrToInt(std::string_view S) {
  int Value = 0;
  if (!TryStrToInt(S, Value)) throw EConvertError(Format(rtl_consts::SInvalidInteger, {S}));
  return Value;
}

int StrToIntDef(std::string_view S, int Default) noexcept {
  int Value = 0;
  return TryStrToInt(S, Value) ? Value : Default;
}
