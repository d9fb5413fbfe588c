// Unit SysUtils: exceptions, Format, string, number, file and date routines.
#pragma once

#include <concepts>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "rtl/System.h"

// ---------------------------------------------------------------------------
// Exceptions. Every error of the platform and of the package is an Exception
// whose message a person can act on; the host reports ClassName and Message.

class Exception : public std::exception {
 public:
  explicit Exception(std::string AMessage) : FMessage(std::move(AMessage)) {}

  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string AMessage) { FMessage = std::move(AMessage); }
  const char* what() const noexcept override { return FMessage.c_str(); }
  virtual std::string_view ClassName() const noexcept { return "Exception"; }

 private:
  std::string FMessage;
};

#define VN_DECLARE_EXCEPTION(Cls, Base)                                        \
  class Cls : public Base {                                                    \
   public:                                                                     \
    using Base::Base;                                                          \
    std::string_view ClassName() const noexcept override { return #Cls; }      \
  };

VN_DECLARE_EXCEPTION(EInvalidCast, Exception)
VN_DECLARE_EXCEPTION(EAbstractError, Exception)
VN_DECLARE_EXCEPTION(EConvertError, Exception)
VN_DECLARE_EXCEPTION(EListError, Exception)
VN_DECLARE_EXCEPTION(EStreamError, Exception)
VN_DECLARE_EXCEPTION(EReadError, EStreamError)
VN_DECLARE_EXCEPTION(EWriteError, EStreamError)
VN_DECLARE_EXCEPTION(EFOpenError, EStreamError)
VN_DECLARE_EXCEPTION(EFCreateError, EStreamError)
VN_DECLARE_EXCEPTION(EFilerError, EStreamError)
VN_DECLARE_EXCEPTION(EClassNotFound, EFilerError)
VN_DECLARE_EXCEPTION(EComponentError, Exception)
VN_DECLARE_EXCEPTION(EIniFileException, Exception)
VN_DECLARE_EXCEPTION(ERegistryException, Exception)
VN_DECLARE_EXCEPTION(EOSError, Exception)
VN_DECLARE_EXCEPTION(EIntfCastError, Exception)

// Raised by Assert: the message carries the source name and line.
class EAssertionFailed : public Exception {
 public:
  EAssertionFailed(std::string_view AMessage, std::string_view ASourceName, int ALine);
  std::string_view ClassName() const noexcept override { return "EAssertionFailed"; }
  const std::string& SourceName() const noexcept { return FSourceName; }
  int Line() const noexcept { return FLine; }

 private:
  std::string FSourceName;
  int FLine;
};

// Checked class conversion: the platform's `as`.
template <class T, class U>
T& As(U& AObject) {
  if (auto* Result = dynamic_cast<T*>(&AObject)) return *Result;
  throw EInvalidCast("Invalid class typecast");
}
template <class T, class U>
T* As(U* AObject) {
  if (AObject == nullptr) return nullptr;
  return &As<T>(*AObject);
}
// The platform's `is`.
template <class T, class U>
bool Is(const U* AObject) noexcept {
  return dynamic_cast<const T*>(AObject) != nullptr;
}

// ---------------------------------------------------------------------------
// Interfaces

// "{55A5E848-27FB-4880-8E7C-7F05A9802482}": upper-case hexadecimal digits.
std::string GUIDToString(const TGUID& GUID);

// Instance's interface I sharing Instance's reference count, or null when
// Instance is null or does not implement I.
template <class I, class T>
std::shared_ptr<I> Supports(const std::shared_ptr<T>& Instance) {
  if (!Instance) return nullptr;
  void* Found = Instance->QueryInterface(I::IID);
  return Found == nullptr ? nullptr : std::shared_ptr<I>(Instance, static_cast<I*>(Found));
}

// The checked query, the platform's `Instance as I`: EIntfCastError naming the
// identifier when Instance is null or does not implement I.
template <class I, class T>
std::shared_ptr<I> AsInterface(const std::shared_ptr<T>& Instance) {
  if (auto Result = Supports<I>(Instance)) return Result;
  throw EIntfCastError("Interface " + GUIDToString(I::IID) + " not supported");
}

// ---------------------------------------------------------------------------
// Format

// One argument of Format: an integer, a floating-point number or a string. A
// string argument refers to its text, which must outlive the Format call.
class TVarRec {
 public:
  enum TKind { vtInteger, vtFloat, vtString };

  template <std::integral I>
    requires(!std::same_as<I, bool> && !std::same_as<I, char>)
  TVarRec(I AValue) noexcept
      : FKind(vtInteger), FInteger(static_cast<std::int64_t>(AValue)),
        FIntBits(static_cast<std::uint8_t>(sizeof(I) * 8)), FUnsigned(std::is_unsigned_v<I>) {}
  template <std::floating_point F>
  TVarRec(F AValue) noexcept : FKind(vtFloat), FFloat(static_cast<double>(AValue)) {}
  TVarRec(char AValue) noexcept : FKind(vtString), FChar(AValue), FString(&FChar, 1) {}
  TVarRec(const char* AValue) noexcept : FKind(vtString), FString(AValue) {}
  TVarRec(std::string_view AValue) noexcept : FKind(vtString), FString(AValue) {}
  TVarRec(const std::string& AValue) noexcept : FKind(vtString), FString(AValue) {}
  TVarRec(const TVarRec& O) noexcept
      : FKind(O.FKind), FInteger(O.FInteger), FFloat(O.FFloat), FChar(O.FChar),
        FString(O.FString.data() == &O.FChar ? std::string_view(&FChar, 1) : O.FString),
        FIntBits(O.FIntBits), FUnsigned(O.FUnsigned) {}
  TVarRec& operator=(const TVarRec&) = delete;

  TKind Kind() const noexcept { return FKind; }
  std::int64_t AsInteger() const noexcept { return FInteger; }
  // The width and signedness of the integer passed: %u and %x show a negative
  // int as 32 bits and an unsigned 64-bit value above INT64_MAX keeps its value.
  int IntBits() const noexcept { return FIntBits; }
  bool IsUnsigned() const noexcept { return FUnsigned; }
  double AsFloat() const noexcept { return FFloat; }
  std::string_view AsString() const noexcept { return FString; }

 private:
  TKind FKind;
  std::int64_t FInteger = 0;
  double FFloat = 0;
  char FChar = 0;
  std::string_view FString;
  std::uint8_t FIntBits = 64;
  bool FUnsigned = false;
};

// The platform's Format: %[index:][-][width][.precision]type with the types
// d, u, x (integers), e, f, g, n (numbers), s (strings) and %% for a percent sign.
// A width or precision may be *. A wrong argument type, a missing argument or a
// malformed specifier raises EConvertError.
std::string Format(std::string_view AFormat, std::initializer_list<TVarRec> AArgs);

// ---------------------------------------------------------------------------
// Strings. Text is UTF-8.

inline constexpr std::string_view sLineBreak = "\r\n";

// Remove leading/trailing characters up to blank (#0..#32).
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

// ASCII case folding only, ordinal otherwise.
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
int CompareText(std::string_view S1, std::string_view S2) noexcept;
bool SameText(std::string_view S1, std::string_view S2) noexcept;
// Unicode-aware, without regard to case (ICU): the platform's locale comparison.
int AnsiCompareText(std::string_view S1, std::string_view S2);
bool AnsiSameText(std::string_view S1, std::string_view S2);
// A key for S such that two texts have equal keys exactly when AnsiSameText
// holds for them: for indexes of names that must agree with it.
std::string AnsiSameTextKey(std::string_view S);
int AnsiCompareStr(std::string_view S1, std::string_view S2);
std::string AnsiUpperCase(std::string_view S);
std::string AnsiLowerCase(std::string_view S);

bool IsValidIdent(std::string_view Ident) noexcept;
std::string QuotedStr(std::string_view S);

// Secrets in "NAME=value" text: a name that holds PASSWORD (in any case) names
// one. Hidden, such a line reads "NAME=***"; other lines are unchanged.
bool IsSecretName(std::string_view Name) noexcept;
std::string HideSecret(std::string_view Line);

// What a person should know that is no error (a file made private, say). The
// host routes it where the person looks; until then it goes to standard error.
using TNoticeProc = void (*)(const std::string& Message);
void SetNoticeProc(TNoticeProc Proc) noexcept;
void Notice(const std::string& Message);
std::string StringReplaceAll(std::string_view S, std::string_view OldPattern, std::string_view NewPattern);

// ---------------------------------------------------------------------------
// Numbers

std::string IntToStr(std::int64_t Value);
std::string IntToHex(std::int64_t Value, int Digits);
// The platform's rules: leading blanks (spaces only) skipped, optional sign,
// optional hex prefix ($, 0x, x), nothing trailing; 32-bit range, where hex wraps
// up to 8 significant digits ($FFFFFFFF is -1).
bool TryStrToInt(std::string_view S, int& Value) noexcept;
int StrToInt(std::string_view S);  // EConvertError "'S' is not a valid integer value"
int StrToIntDef(std::string_view S, int Default) noexcept;

// ---------------------------------------------------------------------------
// Files. File names of the platform may use `\` or `/` as separators.

// The host operating system's name for a platform file name.
std::string NativeFileName(std::string_view FileName);
bool FileExists(std::string_view FileName);
// Symbolic links are followed.
bool DirectoryExists(std::string_view Directory);
std::string ExtractFilePath(std::string_view FileName);
std::string ExtractFileName(std::string_view FileName);
std::string ExtractFileExt(std::string_view FileName);
std::string GetCurrentDir();

// ---------------------------------------------------------------------------
// Dates

TDateTime Now();
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec);
// DOS date and time packed in 32 bits (2-second resolution); 0 outside 1980..2107.
std::int32_t DateTimeToFileDate(TDateTime DateTime);
TDateTime FileDateToDateTime(std::int32_t FileDate);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void SysUtils_Initialization();
void SysUtils_Finalization();
