// Unit System: the root class, run-time class information, sets, dates.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class TObject;
class TComponent;
class TMetaClass;
class TPropInfo;

// Kinds of type that published properties and property editors work with.
enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64,
  tkDynArray, tkUString, tkClassRef, tkPointer, tkProcedure
};

// A named value of an integer type (a colour, a cursor): form files and the
// inspector show the name instead of the number.
struct TIdentMapEntry {
  std::int64_t Value;
  const char* Name;
};

// Type information of one type, passed around by address (PTypeInfo): the same
// type always has the same record.
struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  const char* Name = "";
  // tkInteger, tkInt64, tkEnumeration: the range of values.
  std::int64_t MinValue = 0;
  std::int64_t MaxValue = 0;
  // tkEnumeration: the value names in ordinal order (MaxValue + 1 of them).
  const char* const* EnumNames = nullptr;
  // tkSet: the element type.
  const TTypeInfo* CompType = nullptr;
  // tkClass: the class.
  const TMetaClass* ClassType = nullptr;
  // tkInteger: values that have names, IdentCount of them.
  const TIdentMapEntry* Idents = nullptr;
  std::size_t IdentCount = 0;
};
using PTypeInfo = const TTypeInfo*;

// Run-time class information of one class: its name, its parent and how to make
// an instance. Form streaming creates components by class name through it.
class TMetaClass {
 public:
  using TFactory = TObject* (*)(TComponent* AOwner);
  // The published properties the class itself declares (not its parent's).
  using TPropsFunc = const std::vector<TPropInfo>& (*)();

  TMetaClass(const char* AClassName, const TMetaClass* AParent, TFactory AFactory,
             TPropsFunc AProps = nullptr) noexcept
      : FClassName(AClassName), FParent(AParent), FFactory(AFactory), FProps(AProps) {
    FTypeInfo.Kind = tkClass;
    FTypeInfo.Name = AClassName;
    FTypeInfo.ClassType = this;
  }
  TMetaClass(const TMetaClass&) = delete;
  TMetaClass& operator=(const TMetaClass&) = delete;

  std::string ClassName() const { return FClassName; }
  const TMetaClass* ClassParent() const noexcept { return FParent; }
  bool InheritsFrom(const TMetaClass& AClass) const noexcept;
  // True for abstract classes, which cannot be instantiated by name.
  bool IsAbstract() const noexcept { return FFactory == nullptr; }
  // A new instance; a component joins AOwner's components (and is destroyed with
  // it unless released earlier). Raises EAbstractError for an abstract class.
  std::unique_ptr<TObject> CreateInstance(TComponent* AOwner = nullptr) const;
  // The class as a type: what property editors are registered for.
  PTypeInfo ClassInfo() const noexcept { return &FTypeInfo; }
  // Published properties declared by this class itself; null when none.
  TPropsFunc OwnProperties() const noexcept { return FProps; }

 private:
  const char* FClassName;
  const TMetaClass* FParent;
  TFactory FFactory;
  TPropsFunc FProps;
  TTypeInfo FTypeInfo;
};
using TClass = const TMetaClass*;

// The root of every class of the platform.
class TObject {
 public:
  TObject() = default;
  virtual ~TObject();
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  static const TMetaClass& StaticClass() noexcept;
  // Overridden by VN_DECLARE_CLASS in every class that wants its own name.
  virtual const TMetaClass& ClassType() const noexcept;

  std::string ClassName() const { return ClassType().ClassName(); }
  // Case-insensitive (ASCII), as the platform compares class names.
  bool ClassNameIs(std::string_view AName) const;
  bool InheritsFrom(const TMetaClass& AClass) const noexcept { return ClassType().InheritsFrom(AClass); }
  template <class T>
  bool InheritsFrom() const noexcept {
    return InheritsFrom(T::StaticClass());
  }
};

namespace vn_detail {
template <class T>
TObject* Construct(TComponent* AOwner) {
  if constexpr (std::is_constructible_v<T, TComponent*>)
    return new T(AOwner);
  else
    return new T();
}
template <class T>
constexpr TMetaClass::TFactory FactoryFor() noexcept {
  if constexpr (std::is_abstract_v<T> ||
                !(std::is_constructible_v<T, TComponent*> || std::is_default_constructible_v<T>))
    return nullptr;
  else
    return &Construct<T>;
}
}  // namespace vn_detail

// In a class body: gives the class its own run-time class information.
#define VN_DECLARE_CLASS(Cls)                          \
 public:                                               \
  static const ::TMetaClass& StaticClass() noexcept;   \
  const ::TMetaClass& ClassType() const noexcept override { return StaticClass(); }

// In exactly one source file of the library that owns the class.
#define VN_IMPLEMENT_CLASS(Cls, Parent)                                                      \
  const ::TMetaClass& Cls::StaticClass() noexcept {                                          \
    static const ::TMetaClass Info(#Cls, &Parent::StaticClass(), ::vn_detail::FactoryFor<Cls>()); \
    return Info;                                                                             \
  }

// As VN_DECLARE_CLASS, for a class that publishes properties: it defines
// `static const std::vector<TPropInfo>& PublishedProperties()` (see TypInfo.h).
#define VN_DECLARE_PUBLISHED(Cls) \
  VN_DECLARE_CLASS(Cls)           \
  static const std::vector<::TPropInfo>& PublishedProperties();

#define VN_IMPLEMENT_PUBLISHED(Cls, Parent)                                                 \
  const ::TMetaClass& Cls::StaticClass() noexcept {                                         \
    static const ::TMetaClass Info(#Cls, &Parent::StaticClass(), ::vn_detail::FactoryFor<Cls>(), \
                                   &Cls::PublishedProperties);                              \
    return Info;                                                                            \
  }

// A set of up to 64 elements of an enumeration, as the platform's `set of`.
template <class E>
class TSet {
  static_assert(std::is_enum_v<E>);

 public:
  constexpr TSet() noexcept = default;
  constexpr TSet(std::initializer_list<E> AItems) noexcept {
    for (E Item : AItems) Include(Item);
  }
  static constexpr TSet FromBits(std::uint64_t ABits) noexcept {
    TSet S;
    S.FBits = ABits;
    return S;
  }

  constexpr bool Contains(E AItem) const noexcept { return (FBits & Bit(AItem)) != 0; }
  constexpr TSet& Include(E AItem) noexcept {
    FBits |= Bit(AItem);
    return *this;
  }
  constexpr TSet& Exclude(E AItem) noexcept {
    FBits &= ~Bit(AItem);
    return *this;
  }
  constexpr bool Empty() const noexcept { return FBits == 0; }
  constexpr std::uint64_t Bits() const noexcept { return FBits; }

  constexpr TSet operator+(TSet O) const noexcept { return FromBits(FBits | O.FBits); }
  constexpr TSet operator-(TSet O) const noexcept { return FromBits(FBits & ~O.FBits); }
  constexpr TSet operator*(TSet O) const noexcept { return FromBits(FBits & O.FBits); }
  constexpr bool operator==(const TSet&) const noexcept = default;

 private:
  static constexpr std::uint64_t Bit(E AItem) noexcept {
    return std::uint64_t{1} << static_cast<unsigned>(AItem);
  }
  std::uint64_t FBits = 0;
};

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

// ---------------------------------------------------------------------------
// Interfaces

// An interface identifier: 128 bits, written "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0;
  std::uint16_t D3 = 0;
  std::uint8_t D4[8] = {};

  constexpr bool operator==(const TGUID&) const noexcept = default;

  // The identifier written in Text; a malformed text does not compile.
  static consteval TGUID Parse(std::string_view Text) {
    if (Text.size() != 38 || Text.front() != '{' || Text.back() != '}') throw "malformed GUID";
    std::uint8_t Bytes[16] = {};
    std::size_t At = 1;
    for (int I = 0; I < 16; ++I) {
      if (At == 9 || At == 14 || At == 19 || At == 24) {
        if (Text[At] != '-') throw "malformed GUID";
        ++At;
      }
      Bytes[I] = static_cast<std::uint8_t>(HexDigit(Text[At]) * 16 + HexDigit(Text[At + 1]));
      At += 2;
    }
    TGUID G;
    G.D1 = static_cast<std::uint32_t>(Bytes[0]) << 24 | static_cast<std::uint32_t>(Bytes[1]) << 16 |
           static_cast<std::uint32_t>(Bytes[2]) << 8 | Bytes[3];
    G.D2 = static_cast<std::uint16_t>(Bytes[4] << 8 | Bytes[5]);
    G.D3 = static_cast<std::uint16_t>(Bytes[6] << 8 | Bytes[7]);
    for (int I = 0; I < 8; ++I) G.D4[I] = Bytes[8 + I];
    return G;
  }

 private:
  static consteval int HexDigit(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    throw "malformed GUID";
  }
};

// The root of every interface. An interface class names its identifier as a
// static member IID and derives virtually from IInterface, so that an object
// implementing several interfaces has one IInterface. References are counted by
// std::shared_ptr to the implementing object; Supports (SysUtils) asks an
// object for another of its interfaces.
class IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{00000000-0000-0000-C000-000000000046}");
  virtual ~IInterface() = default;
  // Called by Supports and the checked query: this object's pointer to the
  // interface class whose IID is given (as that class's pointer, converted to
  // void*), or null when the object does not implement it.
  virtual void* QueryInterface(const TGUID& IID) noexcept = 0;
};

// Base of the objects that implement interfaces. It answers IInterface; a
// descendant answers its own interfaces first (InterfaceOf) and then asks the base.
class TInterfacedObject : public TObject, public virtual IInterface {
  VN_DECLARE_CLASS(TInterfacedObject)
 public:
  void* QueryInterface(const TGUID& IID) noexcept override;

 protected:
  // Self as the first of Interfaces whose IID is IID, else null.
  template <class... Interfaces, class T>
  static void* InterfaceOf(T* Self, const TGUID& IID) noexcept {
    void* Result = nullptr;
    ((Result == nullptr && IID == Interfaces::IID ? void(Result = static_cast<Interfaces*>(Self)) : void()), ...);
    return Result;
  }
};

// Raises EAssertionFailed: "Message (SourceName, line Line)". Assert with a false
// condition calls it; code that must name a fixed source and line calls it itself.
[[noreturn]] void AssertErrorHandler(std::string_view Message, std::string_view SourceName, int Line);

inline void Assert(bool Condition, std::string_view Message, std::string_view SourceName, int Line) {
  if (!Condition) AssertErrorHandler(Message.empty() ? "Assertion failure" : Message, SourceName, Line);
}

#define VN_ASSERT(Condition, Message) ::Assert(static_cast<bool>(Condition), Message, __FILE__, __LINE__)

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void System_Initialization();
void System_Finalization();
