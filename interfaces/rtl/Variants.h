// Unit Variants: a value of one of the basic kinds, or null, as parameters and
// fields hold them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "rtl/SysUtils.h"

enum TVarType { varEmpty, varNull, varBoolean, varInt64, varDouble, varString };

class Variant {
 public:
  Variant() noexcept = default;  // unassigned
  static Variant Null() {
    Variant V;
    V.FValue = TNull{};
    return V;
  }
  Variant(bool Value) : FValue(Value) {}
  Variant(int Value) : FValue(static_cast<std::int64_t>(Value)) {}
  Variant(std::int64_t Value) : FValue(Value) {}
  Variant(double Value) : FValue(Value) {}
  Variant(std::string Value) : FValue(std::move(Value)) {}
  Variant(std::string_view Value) : FValue(std::string(Value)) {}
  Variant(const char* Value) : FValue(std::string(Value)) {}

  TVarType VarType() const noexcept { return static_cast<TVarType>(FValue.index()); }
  bool IsEmpty() const noexcept { return VarType() == varEmpty; }
  // Unassigned or null: no value.
  bool IsNull() const noexcept { return VarType() <= varNull; }

  // Conversions follow the platform: a null converts to 0, "" or false; a string
  // that is no number raises EConvertError ("Could not convert variant ...").
  std::string AsString() const;
  std::int64_t AsInt64() const;
  int AsInteger() const;
  double AsFloat() const;
  bool AsBoolean() const;

  bool operator==(const Variant& Other) const = default;

 private:
  struct TNull {
    bool operator==(const TNull&) const = default;
  };
  std::variant<std::monostate, TNull, bool, std::int64_t, double, std::string> FValue;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Variants_Initialization();
void Variants_Finalization();
