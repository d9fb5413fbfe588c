// Unit DB: the data library's shared types: errors, field types and the
// parameters of queries and stored procedures.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "rtl/Variants.h"

// Errors of database access: connecting, preparing, reading the catalog.
VN_DECLARE_EXCEPTION(EDatabaseError, Exception)

enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate,
  ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo,
  ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString, ftLargeint, ftADT,
  ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant, ftInterface, ftIDispatch, ftGuid,
  ftTimeStamp, ftFMTBcd, ftFixedWideChar, ftWideMemo
};
VN_DECLARE_TYPEINFO(TFieldType)

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
VN_DECLARE_TYPEINFO(TParamType)

// One parameter of a query or stored procedure.
class TParam : public TCollectionItem {
  VN_DECLARE_PUBLISHED(TParam)
 public:
  explicit TParam(TCollection* ACollection = nullptr);
  TParam(TCollection* ACollection, const std::string& AName, TParamType AParamType);

  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& Value);
  TFieldType DataType() const noexcept { return FDataType; }
  void SetDataType(TFieldType Value) noexcept { FDataType = Value; }
  TParamType ParamType() const noexcept { return FParamType; }
  void SetParamType(TParamType Value) noexcept { FParamType = Value; }
  int Size() const noexcept { return FSize; }
  void SetSize(int Value) noexcept { FSize = Value; }

  const Variant& Value() const noexcept { return FData; }
  // An unknown DataType is taken from the value's kind.
  void SetValue(const Variant& AValue);

  // Typed access; each setter also sets DataType. A null reads as "", 0 or false.
  std::string AsString() const { return FData.AsString(); }
  void SetAsString(const std::string& Value);
  int AsInteger() const { return FData.AsInteger(); }
  void SetAsInteger(int Value);
  double AsFloat() const { return FData.AsFloat(); }
  void SetAsFloat(double Value);
  bool AsBoolean() const { return FData.AsBoolean(); }
  void SetAsBoolean(bool Value);

  bool IsNull() const noexcept { return FData.IsNull(); }
  // Sets the value to null; DataType stays.
  void Clear();

  // From another TParam: data type, value, name, size, and the parameter type
  // unless this one already has one.
  void Assign(const TPersistent& Source) override;
  // The name, or the class name when the parameter has none.
  std::string DisplayName() const override;

 private:
  std::string FName;
  TFieldType FDataType = ftUnknown;
  TParamType FParamType = ptUnknown;
  int FSize = 0;
  Variant FData;
};

// The parameters of a query or stored procedure, owned by it.
class TParams : public TCollection {
  VN_DECLARE_CLASS(TParams)
 public:
  explicit TParams(TPersistent* AOwner = nullptr);

  TParam* Items(int Index) const { return static_cast<TParam*>(TCollection::Items(Index)); }
  // Takes Value in at the end.
  TParam& AddParam(std::unique_ptr<TParam> Value);
  TParam& CreateParam(TFieldType FldType, const std::string& ParamName, TParamType ParamType);
  // The first parameter of that name (without regard to case), or null.
  TParam* FindParam(std::string_view Value) const;
  // As FindParam, but raises EDatabaseError "Parameter 'X' not found".
  TParam& ParamByName(std::string_view Value) const;
  // Finds the :name parameters of SQL (not inside string literals, quoted
  // identifiers or comments; `::` is no parameter; `:"a name"` is one) and
  // returns the SQL with `?` in their place. With DoCreate, adds a parameter per
  // occurrence, in order.
  std::string ParseSQL(std::string_view SQL, bool DoCreate);
  // Assigns each parameter of Value to this list's parameter of the same name.
  void AssignValues(const TParams& Value);
};
