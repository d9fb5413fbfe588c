#include "rtl/Variants.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

const char* TypeName(TVarType T) {
  switch (T) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varBoolean: return "Boolean";
    case varInt64: return "Int64";
    case varDouble: return "Double";
    case varString: return "String";
  }
  return "Unknown";
}

[[noreturn]] void CannotConvert(TVarType From, const char* To) {
  throw EConvertError(Format("Could not convert variant of type (%s) into type (%s)", {TypeName(From), To}));
}

}  // namespace

std::string Variant::AsString() const {
  switch (VarType()) {
    case varEmpty:
    case varNull: return "";
    case varBoolean: return std::get<bool>(FValue) ? "True" : "False";
    case varInt64: return IntToStr(std::get<std::int64_t>(FValue));
    case varDouble: return Format("%g", {std::get<double>(FValue)});
    case varString: return std::get<std::string>(FValue);
  }
  return "";
}

std::int64_t Variant::AsInt64() const {
  switch (VarType()) {
    case varEmpty:
    case varNull: return 0;
    case varBoolean: return std::get<bool>(FValue) ? -1 : 0;
    case varInt64: return std::get<std::int64_t>(FValue);
    case varDouble: {
      const double D = std::get<double>(FValue);
      if (!std::isfinite(D) || D < -9.2e18 || D > 9.2e18) CannotConvert(varDouble, "Int64");
      // Halves go to the even neighbour, as the platform rounds.
      return static_cast<std::int64_t>(std::nearbyint(D));
    }
    case varString: {
      const std::string T = Trim(std::get<std::string>(FValue));
      std::int64_t Value = 0;
      const auto [End, Error] = std::from_chars(T.data(), T.data() + T.size(), Value);
      if (T.empty() || Error != std::errc() || End != T.data() + T.size()) CannotConvert(varString, "Int64");
      return Value;
    }
  }
  return 0;
}

int Variant::AsInteger() const {
  const std::int64_t V = AsInt64();
  if (V < std::numeric_limits<int>::min() || V > std::numeric_limits<int>::max()) CannotConvert(VarType(), "Integer");
  return static_cast<int>(V);
}

double Variant::AsFloat() const {
  switch (VarType()) {
    case varEmpty:
    case varNull: return 0;
    case varBoolean: return std::get<bool>(FValue) ? -1 : 0;
    case varInt64: return static_cast<double>(std::get<std::int64_t>(FValue));
    case varDouble: return std::get<double>(FValue);
    case varString: {
      const std::string& S = std::get<std::string>(FValue);
      const std::string T = Trim(S);
      char* End = nullptr;
      const double D = std::strtod(T.c_str(), &End);
      if (T.empty() || End != T.c_str() + T.size()) CannotConvert(varString, "Double");
      return D;
    }
  }
  return 0;
}

bool Variant::AsBoolean() const {
  switch (VarType()) {
    case varEmpty:
    case varNull: return false;
    case varBoolean: return std::get<bool>(FValue);
    case varInt64: return std::get<std::int64_t>(FValue) != 0;
    case varDouble: return std::get<double>(FValue) != 0;
    case varString: {
      const std::string& S = std::get<std::string>(FValue);
      if (SameText(S, "True")) return true;
      if (SameText(S, "False")) return false;
      int Value = 0;
      if (TryStrToInt(S, Value)) return Value != 0;
      CannotConvert(varString, "Boolean");
    }
  }
  return false;
}
