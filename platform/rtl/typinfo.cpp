#include "rtl/TypInfo.h"

#include <charconv>
#include <limits>

#include "property_text.h"
#include "rtl_consts.h"
#include "rtl_names.h"

using rtl_names::SameName;

// ---------------------------------------------------------------------------
// Type information records

template <>
PTypeInfo TypeInfo<std::string>() {
  static const TTypeInfo Info{tkUString, "string"};
  return &Info;
}

template <>
PTypeInfo TypeInfo<int>() {
  static const TTypeInfo Info{tkInteger, "Integer", std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max()};
  return &Info;
}

template <>
PTypeInfo TypeInfo<std::int64_t>() {
  static const TTypeInfo Info{tkInt64, "Int64", std::numeric_limits<std::int64_t>::min(),
                              std::numeric_limits<std::int64_t>::max()};
  return &Info;
}

template <>
PTypeInfo TypeInfo<bool>() {
  static const char* const Names[] = {"False", "True"};
  static const TTypeInfo Info{tkEnumeration, "Boolean", 0, 1, Names};
  return &Info;
}

template <>
PTypeInfo TypeInfo<double>() {
  static const TTypeInfo Info{tkFloat, "Double"};
  return &Info;
}

template <>
PTypeInfo TypeInfo<Variant>() {
  static const TTypeInfo Info{tkVariant, "Variant"};
  return &Info;
}

VN_IMPLEMENT_EVENT_TYPEINFO(TNotifyEvent)

void vn_detail::HandlerMismatch(const std::string& MethodName, const std::string& PropName, PTypeInfo EventType) {
  throw EPropertyConvertError(Format(rtl_consts::SHandlerMismatch, {MethodName, PropName, EventType->Name}));
}

bool IdentToInt(PTypeInfo TypeInfo, std::string_view Ident, std::int64_t& Value) {
  for (std::size_t I = 0; TypeInfo != nullptr && I < TypeInfo->IdentCount; ++I)
    if (SameText(TypeInfo->Idents[I].Name, Ident)) {
      Value = TypeInfo->Idents[I].Value;
      return true;
    }
  return false;
}

bool IntToIdent(PTypeInfo TypeInfo, std::int64_t Value, std::string& Ident) {
  for (std::size_t I = 0; TypeInfo != nullptr && I < TypeInfo->IdentCount; ++I)
    if (TypeInfo->Idents[I].Value == Value) {
      Ident = TypeInfo->Idents[I].Name;
      return true;
    }
  return false;
}

std::string GetEnumName(PTypeInfo TypeInfo, std::int64_t Value) {
  if (TypeInfo == nullptr || TypeInfo->Kind != tkEnumeration || TypeInfo->EnumNames == nullptr) return "";
  if (Value < 0 || Value < TypeInfo->MinValue || Value > TypeInfo->MaxValue) return "";
  return TypeInfo->EnumNames[Value];
}

std::int64_t GetEnumValue(PTypeInfo TypeInfo, std::string_view Name) {
  if (TypeInfo == nullptr || TypeInfo->Kind != tkEnumeration || TypeInfo->EnumNames == nullptr) return -1;
  for (std::int64_t I = std::max<std::int64_t>(TypeInfo->MinValue, 0); I <= TypeInfo->MaxValue; ++I)
    if (SameName(TypeInfo->EnumNames[I], Name)) return I;
  return -1;
}

bool IsClassType(PTypeInfo AType, const TMetaClass& AClass) {
  return AType != nullptr && AType->Kind == tkClass && AType->ClassType != nullptr &&
         AType->ClassType->InheritsFrom(AClass);
}

// ---------------------------------------------------------------------------
// Property lists

TPropList GetPropList(const TMetaClass& AClass) {
  std::vector<const TMetaClass*> Chain;
  for (const TMetaClass* C = &AClass; C != nullptr; C = C->ClassParent()) Chain.push_back(C);
  TPropList Result;
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It) {
    if ((*It)->OwnProperties() == nullptr) continue;
    for (const TPropInfo& Prop : (*It)->OwnProperties()()) {
      // A class that publishes an inherited name again (with another default,
      // say) replaces the inherited property in its place.
      bool Replaced = false;
      for (PPropInfo& Existing : Result)
        if (SameName(Existing->Name, Prop.Name)) {
          Existing = &Prop;
          Replaced = true;
          break;
        }
      if (!Replaced) Result.push_back(&Prop);
    }
  }
  return Result;
}

TPropList GetPropList(const TObject& AObject) { return GetPropList(AObject.ClassType()); }

PPropInfo GetPropInfo(const TMetaClass& AClass, std::string_view PropName) {
  for (const TMetaClass* C = &AClass; C != nullptr; C = C->ClassParent()) {
    if (C->OwnProperties() == nullptr) continue;
    for (const TPropInfo& Prop : C->OwnProperties()())
      if (SameName(Prop.Name, PropName)) return &Prop;
  }
  return nullptr;
}

PPropInfo GetPropInfo(const TObject& AObject, std::string_view PropName) {
  return GetPropInfo(AObject.ClassType(), PropName);
}

const TPropInfo& FindPropInfo(const TObject& AObject, std::string_view PropName) {
  if (PPropInfo Prop = GetPropInfo(AObject, PropName)) return *Prop;
  throw EPropertyError(Format(rtl_consts::SPropertyNotFound, {PropName}));
}

// ---------------------------------------------------------------------------
// Typed access

namespace {

[[noreturn]] void WrongKind(const TPropInfo& Prop, const char* What) {
  throw EPropertyConvertError(Format(rtl_consts::SPropertyKind, {Prop.Name, What}));
}

// A setter that is missing on a property of the right kind means read-only.
template <class G, class S>
void CheckWritable(const TPropInfo& Prop, const G& Getter, const S& Setter, const char* What) {
  if (Setter) return;
  if (Getter) throw EPropertyError(Format(rtl_consts::SPropertyReadOnly, {Prop.Name}));
  WrongKind(Prop, What);
}

constexpr const char* OrdinalText = "an ordinal value";
constexpr const char* StringText = "a string";
constexpr const char* FloatText = "a floating-point number";
constexpr const char* ObjectText = "an object";
constexpr const char* VariantText = "a variant";
constexpr const char* EventText = "an event";

std::uint64_t SetMask(PTypeInfo CompType) {
  if (CompType == nullptr || CompType->MaxValue >= 63) return ~std::uint64_t{0};
  if (CompType->MaxValue < 0) return 0;
  return (std::uint64_t{1} << (CompType->MaxValue + 1)) - 1;
}

// The value must fit the type, or the setter's conversion would cut it.
void CheckRange(const TPropInfo& Prop, std::int64_t Value) {
  const TTypeInfo& Type = *Prop.PropType;
  switch (Type.Kind) {
    case tkInteger:
    case tkInt64:
    case tkEnumeration:
    case tkChar:
    case tkWChar:
      if (Value < Type.MinValue || Value > Type.MaxValue)
        throw EPropertyConvertError(
            Format(rtl_consts::SPropertyRange, {Value, Prop.Name, Type.MinValue, Type.MaxValue}));
      break;
    case tkSet: {
      const std::uint64_t Outside = static_cast<std::uint64_t>(Value) & ~SetMask(Type.CompType);
      if (Outside != 0) {
        int Bit = 0;
        while ((Outside & (std::uint64_t{1} << Bit)) == 0) ++Bit;
        throw EPropertyConvertError(Format(rtl_consts::SPropertyElement, {IntToStr(Bit), Prop.Name}));
      }
      break;
    }
    default:
      break;
  }
}

std::string SetToText(PTypeInfo CompType, std::uint64_t Bits, std::string_view Separator) {
  std::string Result = "[";
  bool First = true;
  for (int I = 0; I < 64; ++I) {
    if ((Bits & (std::uint64_t{1} << I)) == 0) continue;
    if (!First) Result.append(Separator);
    First = false;
    const std::string Name = GetEnumName(CompType, I);
    Result.append(Name.empty() ? IntToStr(I) : Name);
  }
  Result.push_back(']');
  return Result;
}

bool IsOwnedObject(const TPropInfo& Prop) { return Prop.PropType->Kind == tkClass && !Prop.SetObj; }

}  // namespace

std::int64_t GetOrdProp(const TObject& AObject, const TPropInfo& Prop) {
  if (!Prop.GetOrd) WrongKind(Prop, OrdinalText);
  return Prop.GetOrd(AObject);
}

void SetOrdProp(TObject& AObject, const TPropInfo& Prop, std::int64_t Value) {
  CheckWritable(Prop, Prop.GetOrd, Prop.SetOrd, OrdinalText);
  CheckRange(Prop, Value);
  Prop.SetOrd(AObject, Value);
}

std::string GetStrProp(const TObject& AObject, const TPropInfo& Prop) {
  if (!Prop.GetStr) WrongKind(Prop, StringText);
  return Prop.GetStr(AObject);
}

void SetStrProp(TObject& AObject, const TPropInfo& Prop, const std::string& Value) {
  CheckWritable(Prop, Prop.GetStr, Prop.SetStr, StringText);
  Prop.SetStr(AObject, Value);
}

double GetFloatProp(const TObject& AObject, const TPropInfo& Prop) {
  if (!Prop.GetFloat) WrongKind(Prop, FloatText);
  return Prop.GetFloat(AObject);
}

void SetFloatProp(TObject& AObject, const TPropInfo& Prop, double Value) {
  CheckWritable(Prop, Prop.GetFloat, Prop.SetFloat, FloatText);
  Prop.SetFloat(AObject, Value);
}

TObject* GetObjectProp(const TObject& AObject, const TPropInfo& Prop) {
  if (!Prop.GetObj) WrongKind(Prop, ObjectText);
  return Prop.GetObj(AObject);
}

void SetObjectProp(TObject& AObject, const TPropInfo& Prop, TObject* Value) {
  if (!Prop.GetObj) WrongKind(Prop, ObjectText);
  if (Prop.SetObj) {
    if (Value != nullptr && !Value->InheritsFrom(*Prop.PropType->ClassType))
      throw EPropertyConvertError(
          Format(rtl_consts::SReferenceClass, {Value->ClassName(), Prop.PropType->Name, Prop.Name}));
    Prop.SetObj(AObject, Value);
    return;
  }
  auto* Target = dynamic_cast<TPersistent*>(Prop.GetObj(AObject));
  if (Target == nullptr) throw EPropertyError(Format(rtl_consts::SPropertyReadOnly, {Prop.Name}));
  const auto* Source = dynamic_cast<const TPersistent*>(Value);
  if (Source == nullptr) throw EPropertyConvertError(Format(rtl_consts::SPropertyNil, {Prop.Name}));
  if (Source != Target) Target->Assign(*Source);
}

std::string GetEnumProp(const TObject& AObject, const TPropInfo& Prop) {
  if (Prop.PropType->Kind != tkEnumeration) WrongKind(Prop, "an enumeration value");
  return GetEnumName(Prop.PropType, GetOrdProp(AObject, Prop));
}

void SetEnumProp(TObject& AObject, const TPropInfo& Prop, std::string_view Value) {
  if (Prop.PropType->Kind != tkEnumeration) WrongKind(Prop, "an enumeration value");
  const std::int64_t Ordinal = GetEnumValue(Prop.PropType, Value);
  if (Ordinal < 0) throw EPropertyConvertError(Format(rtl_consts::SPropertyText, {Value, Prop.Name}));
  SetOrdProp(AObject, Prop, Ordinal);
}

std::string GetSetProp(const TObject& AObject, const TPropInfo& Prop) {
  if (Prop.PropType->Kind != tkSet) WrongKind(Prop, "a set");
  return SetToText(Prop.PropType->CompType, static_cast<std::uint64_t>(GetOrdProp(AObject, Prop)), ",");
}

void SetSetProp(TObject& AObject, const TPropInfo& Prop, std::string_view Value) {
  if (Prop.PropType->Kind != tkSet) WrongKind(Prop, "a set");
  std::string Text = Trim(Value);
  std::string_view Inner = Text;
  if (!Inner.empty() && Inner.front() == '[') {
    if (Inner.size() < 2 || Inner.back() != ']')
      throw EPropertyConvertError(Format(rtl_consts::SPropertyText, {Value, Prop.Name}));
    Inner = Inner.substr(1, Inner.size() - 2);
  }
  std::uint64_t Bits = 0;
  if (!Trim(Inner).empty()) {
    std::size_t Start = 0;
    while (true) {
      const std::size_t Comma = Inner.find(',', Start);
      const std::string Element = Trim(Inner.substr(Start, Comma == std::string_view::npos ? Comma : Comma - Start));
      const std::int64_t Ordinal = GetEnumValue(Prop.PropType->CompType, Element);
      if (Ordinal < 0 || Ordinal > 63)
        throw EPropertyConvertError(Format(rtl_consts::SPropertyElement, {Element, Prop.Name}));
      Bits |= std::uint64_t{1} << Ordinal;
      if (Comma == std::string_view::npos) break;
      Start = Comma + 1;
    }
  }
  SetOrdProp(AObject, Prop, static_cast<std::int64_t>(Bits));
}

Variant GetVariantProp(const TObject& AObject, const TPropInfo& Prop) {
  if (!Prop.GetVar) WrongKind(Prop, VariantText);
  return Prop.GetVar(AObject);
}

void SetVariantProp(TObject& AObject, const TPropInfo& Prop, const Variant& Value) {
  CheckWritable(Prop, Prop.GetVar, Prop.SetVar, VariantText);
  Prop.SetVar(AObject, Value);
}

std::string GetMethodProp(const TObject& AObject, const TPropInfo& Prop) {
  if (!Prop.GetMethodName) WrongKind(Prop, EventText);
  return Prop.GetMethodName(AObject);
}

void SetMethodProp(TObject& AObject, const TPropInfo& Prop, const std::string& Name, const std::any& Handler) {
  CheckWritable(Prop, Prop.GetMethodName, Prop.SetMethod, EventText);
  Prop.SetMethod(AObject, Name, Handler);
}

// ---------------------------------------------------------------------------
// Values as text

std::string GetPropText(const TObject& AObject, const TPropInfo& Prop) {
  switch (Prop.PropType->Kind) {
    case tkInteger:
    case tkInt64: {
      const std::int64_t Value = GetOrdProp(AObject, Prop);
      std::string Ident;
      return IntToIdent(Prop.PropType, Value, Ident) ? Ident : IntToStr(Value);
    }
    case tkEnumeration:
      return GetEnumProp(AObject, Prop);
    case tkSet:
      return GetSetProp(AObject, Prop);
    case tkFloat:
      return property_text::FloatToText(GetFloatProp(AObject, Prop));
    case tkVariant:
      return GetVariantProp(AObject, Prop).AsString();
    case tkMethod:
      return GetMethodProp(AObject, Prop);
    case tkClass: {
      const TObject* Value = GetObjectProp(AObject, Prop);
      if (Prop.IsReference()) {
        const auto* Component = dynamic_cast<const TComponent*>(Value);
        return Component == nullptr ? "" : Component->Name();
      }
      return Value == nullptr ? "" : "(" + Value->ClassName() + ")";
    }
    default:
      return GetStrProp(AObject, Prop);
  }
}

void SetPropText(TObject& AObject, const TPropInfo& Prop, std::string_view Text, const TComponent* Root) {
  auto Invalid = [&]() { return EPropertyConvertError(Format(rtl_consts::SPropertyText, {Text, Prop.Name})); };
  switch (Prop.PropType->Kind) {
    case tkInteger:
    case tkInt64: {
      std::int64_t Value = 0;
      if (!property_text::ParseInt64(Trim(Text), Value) && !IdentToInt(Prop.PropType, Trim(Text), Value))
        throw Invalid();
      SetOrdProp(AObject, Prop, Value);
      return;
    }
    case tkEnumeration:
      SetEnumProp(AObject, Prop, Trim(Text));
      return;
    case tkSet:
      SetSetProp(AObject, Prop, Text);
      return;
    case tkFloat: {
      double Value = 0;
      if (!property_text::ParseFloat(Trim(Text), Value)) throw Invalid();
      SetFloatProp(AObject, Prop, Value);
      return;
    }
    case tkVariant:
      SetVariantProp(AObject, Prop, Text.empty() ? Variant() : Variant(Text));
      return;
    case tkMethod: {
      const std::string Name = Trim(Text);
      if (!Name.empty() && !IsValidIdent(Name)) throw Invalid();
      property_text::BindMethod(AObject, Prop, Name, Root);
      return;
    }
    case tkClass: {
      if (!Prop.IsReference()) throw EPropertyError(Format(rtl_consts::SPropertyReadOnly, {Prop.Name}));
      const std::string Name = Trim(Text);
      TComponent* Value = nullptr;
      if (!Name.empty()) {
        Value = Root == nullptr ? nullptr : property_text::FindReference(*Root, Name);
        if (Value == nullptr) throw EPropertyConvertError(Format(rtl_consts::SComponentNotFound, {Name, Prop.Name}));
      }
      SetObjectProp(AObject, Prop, Value);
      return;
    }
    default:
      SetStrProp(AObject, Prop, std::string(Text));
      return;
  }
}

// ---------------------------------------------------------------------------
// What form files write

bool IsDefaultPropValue(const TObject& AObject, const TPropInfo& Prop) {
  switch (Prop.PropType->Kind) {
    case tkInteger:
    case tkInt64:
    case tkEnumeration:
    case tkSet:
    case tkChar:
    case tkWChar:
      return Prop.Default.has_value() && GetOrdProp(AObject, Prop) == *Prop.Default;
    case tkFloat:
      return Prop.DefaultFloat.has_value() && GetFloatProp(AObject, Prop) == *Prop.DefaultFloat;
    case tkVariant:
      return GetVariantProp(AObject, Prop).IsEmpty();
    case tkMethod:
      return GetMethodProp(AObject, Prop).empty();
    case tkClass: {
      const TObject* Value = GetObjectProp(AObject, Prop);
      if (Value == nullptr) return true;
      if (Prop.IsReference()) return false;
      if (const auto* Strings = dynamic_cast<const TStrings*>(Value)) return Strings->Count() == 0;
      if (const auto* Collection = dynamic_cast<const TCollection*>(Value)) return Collection->Count() == 0;
      // Any other owned object is empty when none of its own properties is written.
      for (PPropInfo Sub : GetPropList(*Value))
        if (IsStoredProp(*Value, *Sub)) return false;
      return true;
    }
    default:
      return GetStrProp(AObject, Prop).empty();
  }
}

bool IsStoredProp(const TObject& AObject, const TPropInfo& Prop) {
  if (Prop.Stored && !Prop.Stored(AObject)) return false;
  // A value that cannot be set again is not worth writing; owned objects are
  // filled in place instead.
  if (Prop.IsReadOnly() && !IsOwnedObject(Prop)) return false;
  return !IsDefaultPropValue(AObject, Prop);
}

// ---------------------------------------------------------------------------
// Shared with form files

namespace property_text {

bool ParseInt64(std::string_view S, std::int64_t& Value) noexcept {
  if (!S.empty() && S.front() == '$') {
    S.remove_prefix(1);
    if (S.empty() || S.size() > 16) return false;
    std::uint64_t Bits = 0;
    const auto [End, Error] = std::from_chars(S.data(), S.data() + S.size(), Bits, 16);
    if (Error != std::errc() || End != S.data() + S.size()) return false;
    Value = static_cast<std::int64_t>(Bits);
    return true;
  }
  if (S.empty() || S.front() == '+') return false;
  const auto [End, Error] = std::from_chars(S.data(), S.data() + S.size(), Value);
  return Error == std::errc() && End == S.data() + S.size();
}

bool ParseFloat(std::string_view S, double& Value) noexcept {
  // from_chars also takes "inf" and "nan", which are no numbers to a person.
  std::size_t I = 0;
  auto Digits = [&] {
    const std::size_t Start = I;
    while (I < S.size() && S[I] >= '0' && S[I] <= '9') ++I;
    return I > Start;
  };
  if (I < S.size() && S[I] == '-') ++I;
  if (!Digits()) return false;
  if (I < S.size() && S[I] == '.') {
    ++I;
    if (!Digits()) return false;
  }
  if (I < S.size() && (S[I] == 'e' || S[I] == 'E')) {
    ++I;
    if (I < S.size() && (S[I] == '+' || S[I] == '-')) ++I;
    if (!Digits()) return false;
  }
  if (I != S.size()) return false;
  const auto [End, Error] = std::from_chars(S.data(), S.data() + S.size(), Value);
  return Error == std::errc() && End == S.data() + S.size();
}

std::string FloatToText(double Value) {
  char Buffer[64];
  const auto [End, Error] = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
  if (Error != std::errc()) return "0";
  return std::string(Buffer, End);
}

TComponent* FindReference(const TComponent& Root, std::string_view Name) {
  auto Single = [&Root](std::string_view Part) -> TComponent* {
    if (TComponent* Found = Root.FindComponent(Part)) return Found;
    if (!Root.Name().empty() && SameName(Root.Name(), Part)) return const_cast<TComponent*>(&Root);
    return nullptr;
  };
  const std::size_t Dot = Name.find('.');
  if (Dot == std::string_view::npos) return Single(Name);
  const std::string_view Tail = Name.substr(Dot + 1);
  if (Tail.find('.') != std::string_view::npos) return nullptr;
  const TComponent* Owner = Single(Name.substr(0, Dot));
  return Owner == nullptr ? nullptr : Owner->FindComponent(Tail);
}

void BindMethod(TObject& AObject, const TPropInfo& Prop, const std::string& Name, const TComponent* Root) {
  if (Name.empty()) {
    SetMethodProp(AObject, Prop, "", std::any());
    return;
  }
  std::any Handler = Root == nullptr ? std::any() : Root->MethodAddress(Name);
  const bool Designing = Root != nullptr && Root->ComponentState().Contains(csDesigning);
  if (!Handler.has_value() && !Designing) {
    const std::string RootName = Root == nullptr ? "nil" : Root->Name().empty() ? Root->ClassName() : Root->Name();
    throw EPropertyConvertError(Format(rtl_consts::SMethodNotFound, {Name, RootName, Prop.Name}));
  }
  SetMethodProp(AObject, Prop, Name, Handler);
}

}  // namespace property_text
