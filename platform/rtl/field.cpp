#include "rtl/DB.h"

#include <algorithm>
#include <utility>

#include "rtl_consts.h"
#include "rtl_names.h"

VN_IMPLEMENT_PUBLISHED(TField, TComponent)
VN_IMPLEMENT_CLASS(TStringField, TField)
VN_IMPLEMENT_CLASS(TIntegerField, TField)
VN_IMPLEMENT_CLASS(TLargeintField, TField)
VN_IMPLEMENT_CLASS(TFloatField, TField)
VN_IMPLEMENT_CLASS(TBooleanField, TField)
VN_IMPLEMENT_CLASS(TDateTimeField, TField)
VN_IMPLEMENT_CLASS(TMemoField, TField)
VN_IMPLEMENT_CLASS(TBlobField, TField)

namespace {

// The data type each field class starts with; a form file names the type only
// when it differs.
TFieldType NativeType(const TMetaClass& Class) {
  static const std::pair<const TMetaClass*, TFieldType> Types[] = {
      {&TStringField::StaticClass(), ftString},     {&TIntegerField::StaticClass(), ftInteger},
      {&TLargeintField::StaticClass(), ftLargeint}, {&TFloatField::StaticClass(), ftFloat},
      {&TBooleanField::StaticClass(), ftBoolean},   {&TDateTimeField::StaticClass(), ftDateTime},
      {&TMemoField::StaticClass(), ftMemo},         {&TBlobField::StaticClass(), ftBlob},
  };
  for (const auto& [FieldClass, Type] : Types)
    if (&Class == FieldClass) return Type;
  return ftUnknown;
}

}  // namespace

// ---------------------------------------------------------------------------
// TField

const std::vector<TPropInfo>& TField::PublishedProperties() {
  static const auto List = [] {
    auto Props = TPublisher<TField>()
                     .String("FieldName", &TField::FieldName, &TField::SetFieldName)
                     .Enum("DataType", &TField::DataType, &TField::SetDataType, ftUnknown)
                     .StoredIf([](const TField& F) { return F.FDataType != NativeType(F.ClassType()); })
                     .Enum("FieldKind", &TField::FieldKind, &TField::SetFieldKind, fkData)
                     .String("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel)
                     .StoredIf([](const TField& F) { return !F.FDisplayLabel.empty(); })
                     .Boolean("Required", &TField::Required, &TField::SetRequired, false)
                     .Integer("Size", &TField::Size, &TField::SetSize, 0)
                     .List();
    // Which type is the default depends on the class: StoredIf decides alone.
    for (TPropInfo& Prop : Props)
      if (Prop.Name == "DataType") Prop.Default.reset();
    return Props;
  }();
  return List;
}

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
  if (FDataSet != nullptr) std::erase(FDataSet->FFields.FList, this);
}

void TField::SetFieldName(const std::string& Value) {
  if (Value == FFieldName) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive("FieldName");
  FFieldName = Value;
}

void TField::SetDataType(TFieldType Value) {
  if (Value == FDataType) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive("DataType");
  FDataType = Value;
}

void TField::SetSize(int Value) {
  if (Value == FSize) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive("Size");
  FSize = Value;
}

std::string TField::DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }

void TField::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive("Fields");
  if (Value != nullptr) Value->CheckInactive("Fields");
  if (FDataSet != nullptr) std::erase(FDataSet->FFields.FList, this);
  FDataSet = Value;
  FFieldNo = -1;
  if (Value != nullptr) Value->FFields.FList.push_back(this);
}

int TField::Index() const {
  if (FDataSet == nullptr) return -1;
  const auto& List = FDataSet->FFields.FList;
  return static_cast<int>(std::find(List.begin(), List.end(), this) - List.begin());
}

Variant TField::Value() const {
  if (FDataSet == nullptr) return Variant::Null();
  return FDataSet->CurrentValue(FFieldNo);
}

TComponent* TField::GetParentComponent() const { return FDataSet; }

void TField::SetParentComponent(TComponent* Value) {
  if (auto* DataSet = dynamic_cast<TDataSet*>(Value)) SetDataSet(DataSet);
}

// ---------------------------------------------------------------------------
// Field classes

#define VN_IMPLEMENT_FIELD_CONSTRUCTOR(Cls, Type) \
  Cls::Cls(TComponent* AOwner) : TField(AOwner) { SetDataType(Type); }
VN_IMPLEMENT_FIELD_CONSTRUCTOR(TStringField, ftString)
VN_IMPLEMENT_FIELD_CONSTRUCTOR(TIntegerField, ftInteger)
VN_IMPLEMENT_FIELD_CONSTRUCTOR(TLargeintField, ftLargeint)
VN_IMPLEMENT_FIELD_CONSTRUCTOR(TFloatField, ftFloat)
VN_IMPLEMENT_FIELD_CONSTRUCTOR(TBooleanField, ftBoolean)
VN_IMPLEMENT_FIELD_CONSTRUCTOR(TDateTimeField, ftDateTime)
VN_IMPLEMENT_FIELD_CONSTRUCTOR(TMemoField, ftMemo)
VN_IMPLEMENT_FIELD_CONSTRUCTOR(TBlobField, ftBlob)
#undef VN_IMPLEMENT_FIELD_CONSTRUCTOR

const TMetaClass& DefaultFieldClass(TFieldType DataType) {
  switch (DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar:
    case ftGuid:
      return TStringField::StaticClass();
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return TIntegerField::StaticClass();
    case ftLargeint:
      return TLargeintField::StaticClass();
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return TFloatField::StaticClass();
    case ftBoolean:
      return TBooleanField::StaticClass();
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      return TDateTimeField::StaticClass();
    case ftMemo:
    case ftFmtMemo:
    case ftWideMemo:
    case ftOraClob:
      return TMemoField::StaticClass();
    case ftBlob:
    case ftBytes:
    case ftVarBytes:
    case ftGraphic:
    case ftTypedBinary:
    case ftOraBlob:
      return TBlobField::StaticClass();
    default:
      return TField::StaticClass();
  }
}

// ---------------------------------------------------------------------------
// TFields

TField* TFields::Fields(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format(rtl_consts::SListIndexError, {Index}));
  return FList[static_cast<std::size_t>(Index)];
}

TField* TFields::FindField(std::string_view FieldName) const {
  for (TField* Field : FList)
    if (rtl_names::SameName(Field->FieldName(), FieldName)) return Field;
  return nullptr;
}

TField& TFields::FieldByName(std::string_view FieldName) const {
  if (TField* Field = FindField(FieldName)) return *Field;
  throw EDatabaseError(Format(rtl_consts::SFieldNotFound, {FieldName}));
}

void TFields::GetFieldNames(TStrings& List) const {
  for (const TField* Field : FList) List.Add(Field->FieldName());
}
