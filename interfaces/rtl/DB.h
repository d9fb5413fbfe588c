// Unit DB: the data library's shared types: errors, field types and the
// parameters of queries and stored procedures.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// ---------------------------------------------------------------------------
// Fields, field and index definitions, datasets

class TDataSet;

// The names of a ";"-separated field list ("ORDER_NO; LINE_NO"), blanks around
// each removed and empty ones dropped.
std::vector<std::string> SplitFieldList(std::string_view Fields);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
VN_DECLARE_TYPEINFO(TFieldKind)

// One column of a dataset. Fields made by the dataset when it opens are owned
// by it; persistent fields (components of a form) are attached with SetDataSet.
class TField : public TComponent {
  VN_DECLARE_PUBLISHED(TField)
 public:
  explicit TField(TComponent* AOwner);
  ~TField() override;  // leaves its dataset's fields

  const std::string& FieldName() const noexcept { return FFieldName; }
  void SetFieldName(const std::string& Value);  // EDatabaseError while its dataset is open
  TFieldType DataType() const noexcept { return FDataType; }
  void SetDataType(TFieldType Value);
  TFieldKind FieldKind() const noexcept { return FFieldKind; }
  void SetFieldKind(TFieldKind Value) noexcept { FFieldKind = Value; }
  int Size() const noexcept { return FSize; }
  void SetSize(int Value);
  bool Required() const noexcept { return FRequired; }
  void SetRequired(bool Value) noexcept { FRequired = Value; }
  // The label grids show: DisplayLabel when set, else FieldName.
  std::string DisplayLabel() const;
  void SetDisplayLabel(const std::string& Value) { FDisplayLabel = Value; }
  std::string DisplayName() const { return DisplayLabel(); }

  TDataSet* DataSet() const noexcept { return FDataSet; }
  // Joins Value's fields (leaving the previous dataset's); EDatabaseError while
  // either dataset is open.
  void SetDataSet(TDataSet* Value);
  int Index() const;  // position among its dataset's fields, -1 without one

  // The value in the dataset's current record (null when the dataset is closed
  // or has no record).
  Variant Value() const;
  bool IsNull() const { return Value().IsNull(); }
  std::string AsString() const { return Value().AsString(); }
  int AsInteger() const { return Value().AsInteger(); }
  std::int64_t AsLargeInt() const { return Value().AsInt64(); }
  double AsFloat() const { return Value().AsFloat(); }
  bool AsBoolean() const { return Value().AsBoolean(); }

  // A field attached to a dataset is written inside it in form files, and a
  // field read inside a dataset joins it.
  bool HasParent() const override { return FDataSet != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

 private:
  friend class TDataSet;
  std::string FFieldName;
  TFieldType FDataType = ftUnknown;
  TFieldKind FFieldKind = fkData;
  int FSize = 0;
  bool FRequired = false;
  std::string FDisplayLabel;
  TDataSet* FDataSet = nullptr;
  int FFieldNo = -1;  // column of the dataset's records, -1 when unbound
};

// Field classes by data type, so that form files can name persistent fields.
#define VN_DECLARE_FIELD_CLASS(Cls)                    \
  class Cls : public TField {                          \
    VN_DECLARE_CLASS(Cls)                              \
   public:                                             \
    explicit Cls(TComponent* AOwner);                  \
  };
VN_DECLARE_FIELD_CLASS(TStringField)
VN_DECLARE_FIELD_CLASS(TIntegerField)
VN_DECLARE_FIELD_CLASS(TLargeintField)
VN_DECLARE_FIELD_CLASS(TFloatField)
VN_DECLARE_FIELD_CLASS(TBooleanField)
VN_DECLARE_FIELD_CLASS(TDateTimeField)
VN_DECLARE_FIELD_CLASS(TMemoField)
VN_DECLARE_FIELD_CLASS(TBlobField)
// The field class for a data type (TField itself for types without their own).
const TMetaClass& DefaultFieldClass(TFieldType DataType);

// The fields of a dataset, in order. Does not own them.
class TFields {
 public:
  int Count() const noexcept { return static_cast<int>(FList.size()); }
  TField* Fields(int Index) const;  // EListError when out of range
  // Without regard to case; null when absent.
  TField* FindField(std::string_view FieldName) const;
  // EDatabaseError "Field 'X' not found" when absent.
  TField& FieldByName(std::string_view FieldName) const;
  void GetFieldNames(TStrings& List) const;

 private:
  friend class TDataSet;
  friend class TField;
  std::vector<TField*> FList;
};

class TFieldDef : public TCollectionItem {
  VN_DECLARE_PUBLISHED(TFieldDef)
 public:
  explicit TFieldDef(TCollection* ACollection = nullptr);
  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  TFieldType DataType() const noexcept { return FDataType; }
  void SetDataType(TFieldType Value) { FDataType = Value; }
  int Size() const noexcept { return FSize; }
  void SetSize(int Value) { FSize = Value; }
  bool Required() const noexcept { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  std::string DisplayName() const override { return FName; }

 private:
  std::string FName;
  TFieldType FDataType = ftUnknown;
  int FSize = 0;
  bool FRequired = false;
};

class TFieldDefs : public TCollection {
  VN_DECLARE_CLASS(TFieldDefs)
 public:
  explicit TFieldDefs(TPersistent* AOwner);
  TFieldDef* Items(int Index) const;
  TFieldDef& AddFieldDef(const std::string& Name, TFieldType DataType, int Size = 0, bool Required = false);
  int IndexOf(std::string_view Name) const;  // without regard to case, -1 when absent
  TFieldDef* Find(std::string_view Name) const;
};

enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained };
using TIndexOptions = TSet<TIndexOption>;
VN_DECLARE_TYPEINFO(TIndexOption)
VN_DECLARE_TYPEINFO(TIndexOptions)

class TIndexDef : public TCollectionItem {
  VN_DECLARE_PUBLISHED(TIndexDef)
 public:
  explicit TIndexDef(TCollection* ACollection = nullptr);
  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  // The index's fields, ";"-separated, in index order.
  const std::string& Fields() const noexcept { return FFields; }
  void SetFields(const std::string& Value) { FFields = Value; }
  TIndexOptions Options() const noexcept { return FOptions; }
  void SetOptions(TIndexOptions Value) { FOptions = Value; }
  std::string DisplayName() const override { return FName; }

 private:
  std::string FName;
  std::string FFields;
  TIndexOptions FOptions;
};

class TIndexDefs : public TCollection {
  VN_DECLARE_CLASS(TIndexDefs)
 public:
  explicit TIndexDefs(TPersistent* AOwner);
  TIndexDef* Items(int Index) const;
  TIndexDef& AddIndexDef(const std::string& Name, const std::string& Fields, TIndexOptions Options);
  int IndexOf(std::string_view Name) const;  // without regard to case, -1 when absent
  TIndexDef* FindIndex(std::string_view Name) const;
  // EDatabaseError "Index 'X' not found".
  TIndexDef& Find(std::string_view Name) const;
  // The index whose fields are exactly Fields (";"-separated, without regard to
  // case), else the first whose leading fields are Fields; null when none.
  TIndexDef* GetIndexForFields(std::string_view Fields) const;
};

class TDataSource;

// A set of records with named fields and a current record. The records are read
// whole when the dataset opens; descendants say how (InternalOpen).
class TDataSet : public TComponent {
  VN_DECLARE_PUBLISHED(TDataSet)
 public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  bool Active() const noexcept { return FActive; }
  // Opening reads the records; read from a form file, the state is applied once
  // the form is loaded.
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }

  TFields& Fields() noexcept { return FFields; }
  const TFields& Fields() const noexcept { return FFields; }
  int FieldCount() const noexcept { return FFields.Count(); }
  TField* FindField(std::string_view FieldName) const { return FFields.FindField(FieldName); }
  TField& FieldByName(std::string_view FieldName) const { return FFields.FieldByName(FieldName); }
  void GetFieldNames(TStrings& List) const;
  TFieldDefs& FieldDefs() const noexcept { return *FFieldDefs; }

  // Navigation over the records of an open dataset.
  bool Eof() const noexcept { return FRecNo >= RecordCount(); }
  bool Bof() const noexcept { return FRecNo <= 0; }
  void First() noexcept { FRecNo = 0; }
  void Next() noexcept;
  void Prior() noexcept;
  int RecordCount() const noexcept { return static_cast<int>(FRecords.size()); }
  int RecNo() const noexcept { return FRecNo; }

  // The provider's question: does the dataset read its records through SQL?
  virtual bool PSIsSQLBased() const { return false; }
  // The index definitions of a dataset that has indexes; null for one that
  // has none. Called by design editors that list indexes.
  virtual TIndexDefs* GetIndexDefs() { return nullptr; }
  // Brings GetIndexDefs up to date from the database without opening the
  // dataset; the default has nothing to read.
  virtual void UpdateIndexDefs() {}
  // The data source that links this dataset to its master; null for none.
  virtual TDataSource* GetDataSource() const { return nullptr; }

 protected:
  // Called by Open: fill FieldDefs and hand the records over with SetRecords.
  virtual void InternalOpen() = 0;
  // Called by Close after the records are dropped.
  virtual void InternalClose() {}
  void SetRecords(std::vector<std::vector<Variant>> Records);
  void Loaded() override;
  // Persistent fields that the root owns are written inside their dataset.
  void GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const override;
  // EDatabaseError "<name>: cannot change <What> of an open dataset".
  void CheckInactive(std::string_view What) const;

 private:
  friend class TField;
  void BindFields();
  void DestroyDefaultFields() noexcept;
  const Variant& CurrentValue(int FieldNo) const;

  bool FActive = false;
  bool FStreamedActive = false;
  TFields FFields;
  std::vector<std::unique_ptr<TField>> FDefaultFields;
  std::unique_ptr<TFieldDefs> FFieldDefs;
  std::vector<std::vector<Variant>> FRecords;
  int FRecNo = 0;
};

// Connects a dataset to the components that show it or follow it as their
// master. Forgets a dataset that is destroyed.
class TDataSource : public TComponent {
  VN_DECLARE_PUBLISHED(TDataSource)
 public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;
  TDataSet* DataSet() const noexcept { return FDataSet; }
  void SetDataSet(TDataSet* Value);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TDataSet* FDataSet = nullptr;
};

// A dataset over records held in memory, given by its owner.
class TMemoryDataSet : public TDataSet {
  VN_DECLARE_CLASS(TMemoryDataSet)
 public:
  explicit TMemoryDataSet(TComponent* AOwner);
  // Defines the fields and records; the dataset is opened on them.
  void Load(const std::vector<std::pair<std::string, TFieldType>>& Columns,
            std::vector<std::vector<Variant>> Records);

 protected:
  void InternalOpen() override;

 private:
  std::vector<std::pair<std::string, TFieldType>> FColumns;
  std::vector<std::vector<Variant>> FPending;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void DB_Initialization();
void DB_Finalization();
