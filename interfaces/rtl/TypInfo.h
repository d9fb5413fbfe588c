// Unit TypInfo: published properties, listed, read and written by name. The
// Object Inspector, property editors and form files work through it.
#pragma once

#include <any>
#include <climits>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "rtl/System.h"
#include "rtl/Variants.h"

VN_DECLARE_EXCEPTION(EPropertyError, Exception)
VN_DECLARE_EXCEPTION(EPropertyConvertError, Exception)

// ---------------------------------------------------------------------------
// Type information records

// The record of a type. Classes have theirs in their class information; the
// basic types, enumerations and sets have an explicit specialization.
template <class T>
PTypeInfo TypeInfo() {
  static_assert(std::is_base_of_v<TObject, T>, "no type information for this type");
  return T::StaticClass().ClassInfo();
}
template <> PTypeInfo TypeInfo<std::string>();    // "string", tkUString
template <> PTypeInfo TypeInfo<int>();            // "Integer", tkInteger
template <> PTypeInfo TypeInfo<std::int64_t>();   // "Int64", tkInt64
template <> PTypeInfo TypeInfo<bool>();           // "Boolean", tkEnumeration False/True
template <> PTypeInfo TypeInfo<double>();         // "Double", tkFloat
template <> PTypeInfo TypeInfo<Variant>();        // "Variant", tkVariant
template <> PTypeInfo TypeInfo<TNotifyEvent>();   // "TNotifyEvent", tkMethod

// In a header, after the enumeration or set type: declares its record.
#define VN_DECLARE_TYPEINFO(Type) \
  template <>                     \
  PTypeInfo TypeInfo<Type>();

// In one source file of the library that owns the enumeration: its record, with
// the value names in ordinal order.
#define VN_IMPLEMENT_ENUM_TYPEINFO(Enum, ...)                                              \
  template <>                                                                              \
  PTypeInfo TypeInfo<Enum>() {                                                             \
    static const char* const Names[] = {__VA_ARGS__};                                      \
    static const TTypeInfo Info{tkEnumeration, #Enum, 0,                                   \
                                static_cast<std::int64_t>(std::size(Names)) - 1, Names};   \
    return &Info;                                                                          \
  }

// In one source file: the record of an integer type of its own (an enumeration
// with a fixed underlying type, used for any number) whose values may be
// named: VN_IMPLEMENT_INTEGER_TYPEINFO(TColor, VN_IDENT(clBlack), ...).
#define VN_IDENT(Value) ::TIdentMapEntry{static_cast<std::int64_t>(Value), #Value}
#define VN_IMPLEMENT_INTEGER_TYPEINFO(Type, ...)                                             \
  template <>                                                                                \
  PTypeInfo TypeInfo<Type>() {                                                               \
    static const ::TIdentMapEntry Idents[] = {__VA_ARGS__};                                  \
    static const TTypeInfo Info{tkInteger, #Type, INT32_MIN, INT32_MAX, nullptr, nullptr,    \
                                nullptr, Idents, std::size(Idents)};                         \
    return &Info;                                                                            \
  }

// In one source file: the record of an event type TEvent<F>, of kind tkMethod,
// named as written (give the type an alias first: TNotifyEvent).
#define VN_IMPLEMENT_EVENT_TYPEINFO(EventType)         \
  template <>                                          \
  PTypeInfo TypeInfo<EventType>() {                    \
    static const TTypeInfo Info{tkMethod, #EventType}; \
    return &Info;                                      \
  }

// In one source file: the record of a set type TSet<Enum> under the name given.
#define VN_IMPLEMENT_SET_TYPEINFO(SetType, Name, Enum)                                       \
  template <>                                                                                \
  PTypeInfo TypeInfo<SetType>() {                                                            \
    static const TTypeInfo Info{tkSet, Name, 0, 0, nullptr, TypeInfo<Enum>()};               \
    return &Info;                                                                            \
  }

// The name of an enumeration value ("" when out of range), and the value of a
// name (without regard to case; -1 when there is none).
std::string GetEnumName(PTypeInfo TypeInfo, std::int64_t Value);
std::int64_t GetEnumValue(PTypeInfo TypeInfo, std::string_view Name);
// The value named Ident (without regard to case) of an integer type with named
// values, and the name of a value; false when there is none.
bool IdentToInt(PTypeInfo TypeInfo, std::string_view Ident, std::int64_t& Value);
bool IntToIdent(PTypeInfo TypeInfo, std::int64_t Value, std::string& Ident);
// True when AType is AClass or a class derived from it.
bool IsClassType(PTypeInfo AType, const TMetaClass& AClass);

// ---------------------------------------------------------------------------
// Published properties

// One published property of a class: its name, type and accessors. Ordinal
// values (integers, enumerations, Booleans, sets as bit masks) travel as Int64.
class TPropInfo {
 public:
  std::string Name;
  PTypeInfo PropType = nullptr;

  std::function<std::int64_t(const TObject&)> GetOrd;
  std::function<void(TObject&, std::int64_t)> SetOrd;
  std::function<std::string(const TObject&)> GetStr;
  std::function<void(TObject&, const std::string&)> SetStr;
  std::function<double(const TObject&)> GetFloat;
  std::function<void(TObject&, double)> SetFloat;
  // Class-typed properties. An owned object (a string list, a collection) has no
  // setter: it is filled in place. A reference to another component has one.
  std::function<TObject*(const TObject&)> GetObj;
  std::function<void(TObject&, TObject*)> SetObj;
  // tkVariant properties.
  std::function<::Variant(const TObject&)> GetVar;
  std::function<void(TObject&, const ::Variant&)> SetVar;
  // tkMethod properties: the name of the assigned method, and assigning one.
  // Handler is empty or holds a std::function of the event's signature; another
  // type raises EPropertyConvertError naming the method and the property.
  std::function<std::string(const TObject&)> GetMethodName;
  std::function<void(TObject&, const std::string& Name, const std::any& Handler)> SetMethod;

  // The value that form files leave out, for ordinal properties; none means the
  // value is always written. Strings, owned objects, references, variants and
  // events are left out when empty.
  std::optional<std::int64_t> Default;
  // The same for floating-point properties.
  std::optional<double> DefaultFloat;
  // False when the property is not written to form files at all for this object.
  std::function<bool(const TObject&)> Stored;

  bool IsReadOnly() const noexcept { return !SetOrd && !SetStr && !SetFloat && !SetObj && !SetVar && !SetMethod; }
  // A class-typed property that refers to another component rather than owning
  // its value.
  bool IsReference() const noexcept { return PropType->Kind == tkClass && static_cast<bool>(SetObj); }
};
using PPropInfo = const TPropInfo*;
using TPropList = std::vector<PPropInfo>;

// Every published property of the class, the inherited ones first, each class's
// in the order it publishes them.
TPropList GetPropList(const TMetaClass& AClass);
TPropList GetPropList(const TObject& AObject);
// The property of that name (without regard to case), or null.
PPropInfo GetPropInfo(const TMetaClass& AClass, std::string_view PropName);
PPropInfo GetPropInfo(const TObject& AObject, std::string_view PropName);
// As GetPropInfo, but raises EPropertyError "Property X does not exist".
const TPropInfo& FindPropInfo(const TObject& AObject, std::string_view PropName);

// Typed access. A wrong kind of access raises EPropertyConvertError.
std::int64_t GetOrdProp(const TObject& AObject, const TPropInfo& Prop);
void SetOrdProp(TObject& AObject, const TPropInfo& Prop, std::int64_t Value);
std::string GetStrProp(const TObject& AObject, const TPropInfo& Prop);
void SetStrProp(TObject& AObject, const TPropInfo& Prop, const std::string& Value);
double GetFloatProp(const TObject& AObject, const TPropInfo& Prop);
void SetFloatProp(TObject& AObject, const TPropInfo& Prop, double Value);
TObject* GetObjectProp(const TObject& AObject, const TPropInfo& Prop);
// For an owned object, Value is assigned into it; for a reference, it is set.
void SetObjectProp(TObject& AObject, const TPropInfo& Prop, TObject* Value);
std::string GetEnumProp(const TObject& AObject, const TPropInfo& Prop);
void SetEnumProp(TObject& AObject, const TPropInfo& Prop, std::string_view Value);
// Sets as text: "[a,b]" with the element names in ordinal order.
std::string GetSetProp(const TObject& AObject, const TPropInfo& Prop);
void SetSetProp(TObject& AObject, const TPropInfo& Prop, std::string_view Value);
Variant GetVariantProp(const TObject& AObject, const TPropInfo& Prop);
void SetVariantProp(TObject& AObject, const TPropInfo& Prop, const Variant& Value);
// Event properties: the method's name ("" for none), and assigning a handler
// (see TPropInfo::SetMethod).
std::string GetMethodProp(const TObject& AObject, const TPropInfo& Prop);
void SetMethodProp(TObject& AObject, const TPropInfo& Prop, const std::string& Name, const std::any& Handler);

// The value as the Object Inspector shows it: integers in decimal, enumerations
// and Booleans by name, sets as "[a,b]", strings as they are, floats in the
// fewest digits that read back the same, variants as their string (""
// when null), a referenced component by name ("" for none), an event by its
// method's name, an owned object as "(TClassName)".
std::string GetPropText(const TObject& AObject, const TPropInfo& Prop);
// Sets the value from such a text. A referenced component is looked up by name
// among the components of Root (Root itself by its own name); an event's method
// through Root's MethodAddress, where a designing Root may lack it (the name
// alone is kept). A variant gets the text as a string, or unassigned for "". A
// text that does not fit raises EPropertyConvertError naming the property and
// the text.
void SetPropText(TObject& AObject, const TPropInfo& Prop, std::string_view Text, const TComponent* Root = nullptr);

// Whether a form file writes the property of this object: stored, and not at
// its default (ordinal) or empty (strings, lists, collections, references).
bool IsStoredProp(const TObject& AObject, const TPropInfo& Prop);
bool IsDefaultPropValue(const TObject& AObject, const TPropInfo& Prop);

namespace vn_detail {
// Raises EPropertyConvertError: a handler whose signature does not fit the event.
[[noreturn]] void HandlerMismatch(const std::string& MethodName, const std::string& PropName, PTypeInfo EventType);
}  // namespace vn_detail

// ---------------------------------------------------------------------------
// Publishing: a class's PublishedProperties() builds its list with TPublisher.
//
//   const std::vector<TPropInfo>& TVNQuery::PublishedProperties() {
//     static const auto List = TPublisher<TVNQuery>()
//         .String("DatabaseName", &TVNQuery::DatabaseName, &TVNQuery::SetDatabaseName)
//         .Boolean("Active", &TVNQuery::Active, &TVNQuery::SetActive, false)
//         .Owned<TStrings>("SQL", &TVNQuery::SQL)
//         .List();
//     return List;
//   }
//
// Getters and setters are member functions or callables taking the object; a
// nullptr setter makes a read-only property, which the inspector shows and
// form files leave out.

template <class C>
class TPublisher {
 public:
  template <class G, class S>
  TPublisher& String(std::string Name, G Get, S Set) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<std::string>());
    P.GetStr = [Get](const TObject& O) { return std::string(std::invoke(Get, Self(O))); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetStr = [Set](TObject& O, const std::string& V) { std::invoke(Set, Self(O), V); };
    return *this;
  }

  template <class G, class S>
  TPublisher& Integer(std::string Name, G Get, S Set, std::optional<std::int64_t> Default = 0) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<int>());
    P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(std::invoke(Get, Self(O))); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetOrd = [Set](TObject& O, std::int64_t V) { std::invoke(Set, Self(O), static_cast<int>(V)); };
    P.Default = Default;
    return *this;
  }

  // An integer property of a type of its own T whose values may have names
  // (VN_IMPLEMENT_INTEGER_TYPEINFO): form files write the name when there is one.
  template <class T, class G, class S>
  TPublisher& IntegerOf(std::string Name, G Get, S Set, std::optional<std::int64_t> Default = 0) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<T>());
    P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(std::invoke(Get, Self(O))); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetOrd = [Set](TObject& O, std::int64_t V) { std::invoke(Set, Self(O), static_cast<T>(V)); };
    P.Default = Default;
    return *this;
  }

  template <class G, class S>
  TPublisher& Int64(std::string Name, G Get, S Set, std::optional<std::int64_t> Default = 0) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<std::int64_t>());
    P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(std::invoke(Get, Self(O))); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetOrd = [Set](TObject& O, std::int64_t V) { std::invoke(Set, Self(O), V); };
    P.Default = Default;
    return *this;
  }

  template <class G, class S>
  TPublisher& Float(std::string Name, G Get, S Set, std::optional<double> Default = std::nullopt) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<double>());
    P.GetFloat = [Get](const TObject& O) { return static_cast<double>(std::invoke(Get, Self(O))); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetFloat = [Set](TObject& O, double V) { std::invoke(Set, Self(O), V); };
    P.DefaultFloat = Default;
    return *this;
  }

  template <class G, class S>
  TPublisher& Boolean(std::string Name, G Get, S Set, bool Default) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<bool>());
    P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(std::invoke(Get, Self(O)) ? 1 : 0); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetOrd = [Set](TObject& O, std::int64_t V) { std::invoke(Set, Self(O), V != 0); };
    P.Default = Default ? 1 : 0;
    return *this;
  }

  template <class E, class G, class S>
  TPublisher& Enum(std::string Name, G Get, S Set, E Default) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<E>());
    P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(std::invoke(Get, Self(O))); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetOrd = [Set](TObject& O, std::int64_t V) { std::invoke(Set, Self(O), static_cast<E>(V)); };
    P.Default = static_cast<std::int64_t>(Default);
    return *this;
  }

  template <class SetT, class G, class S>
  TPublisher& Set(std::string Name, G Get, S Set, SetT Default = {}) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<SetT>());
    P.GetOrd = [Get](const TObject& O) { return static_cast<std::int64_t>(SetT(std::invoke(Get, Self(O))).Bits()); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetOrd = [Set](TObject& O, std::int64_t V) {
        std::invoke(Set, Self(O), SetT::FromBits(static_cast<std::uint64_t>(V)));
      };
    P.Default = static_cast<std::int64_t>(Default.Bits());
    return *this;
  }

  // An object the component owns (a string list, a collection): form files and
  // the inspector fill it in place.
  template <class T, class G>
  TPublisher& Owned(std::string Name, G Get) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<T>());
    P.GetObj = [Get](const TObject& O) -> TObject* { return &Deref(std::invoke(Get, Self(O))); };
    return *this;
  }

  // A reference to another component (null for none).
  template <class T, class G, class S>
  TPublisher& Reference(std::string Name, G Get, S Set) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<T>());
    P.GetObj = [Get](const TObject& O) -> TObject* { return std::invoke(Get, Self(O)); };
    P.SetObj = [Set](TObject& O, TObject* V) { std::invoke(Set, Self(O), As<T>(V)); };
    return *this;
  }

  // A Variant value; form files leave it out when unassigned.
  template <class G, class S>
  TPublisher& Variant(std::string Name, G Get, S Set) {
    TPropInfo& P = Add(std::move(Name), TypeInfo<::Variant>());
    P.GetVar = [Get](const TObject& O) { return ::Variant(std::invoke(Get, Self(O))); };
    if constexpr (!std::is_null_pointer_v<S>)
      P.SetVar = [Set](TObject& O, const ::Variant& V) { std::invoke(Set, Self(O), V); };
    return *this;
  }

  // An event of signature F: Get returns the `const TEvent<F>&`, Set takes a
  // TEvent<F>. TEvent<F> needs type information (VN_DECLARE_TYPEINFO).
  template <class F, class G, class S>
  TPublisher& Event(std::string Name, G Get, S Set) {
    TPropInfo& P = Add(Name, TypeInfo<TEvent<F>>());
    P.GetMethodName = [Get](const TObject& O) { return std::string(std::invoke(Get, Self(O)).Name); };
    P.SetMethod = [Set, PropName = std::move(Name)](TObject& O, const std::string& MethodName,
                                                    const std::any& Handler) {
      TEvent<F> Value;
      Value.Name = MethodName;
      if (Handler.has_value()) {
        const auto* Function = std::any_cast<std::function<F>>(&Handler);
        if (Function == nullptr) vn_detail::HandlerMismatch(MethodName, PropName, TypeInfo<TEvent<F>>());
        Value.Handler = *Function;
      }
      std::invoke(Set, Self(O), std::move(Value));
    };
    return *this;
  }

  // The last property is written to form files only when Pred holds.
  template <class F>
  TPublisher& StoredIf(F Pred) {
    FList.back().Stored = [Pred](const TObject& O) { return static_cast<bool>(std::invoke(Pred, Self(O))); };
    return *this;
  }

  std::vector<TPropInfo> List() { return std::move(FList); }

 private:
  static const C& Self(const TObject& O) { return static_cast<const C&>(O); }
  static C& Self(TObject& O) { return static_cast<C&>(O); }
  // An owned object is filled in place: a getter called on a const object may
  // return it const.
  template <class T>
  static TObject& Deref(T* P) {
    return const_cast<std::remove_const_t<T>&>(*P);
  }
  template <class T>
  static TObject& Deref(T& P) {
    return const_cast<std::remove_const_t<T>&>(P);
  }
  template <class T>
  static TObject& Deref(const std::unique_ptr<T>& P) {
    return *P;
  }
  TPropInfo& Add(std::string Name, PTypeInfo Type) {
    FList.emplace_back();
    FList.back().Name = std::move(Name);
    FList.back().PropType = Type;
    return FList.back();
  }

  std::vector<TPropInfo> FList;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void TypInfo_Initialization();
void TypInfo_Finalization();
