#include "rtl/DB.h"

#include <algorithm>
#include <array>

#include "rtl_consts.h"
#include "reserve_room.h"

VN_IMPLEMENT_PUBLISHED(TDataSet, TComponent)
VN_IMPLEMENT_CLASS(TMemoryDataSet, TDataSet)
VN_IMPLEMENT_PUBLISHED(TDataSource, TComponent)

namespace {

std::string NameForMessages(const TComponent& Component) {
  return Component.Name().empty() ? Component.ClassName() : Component.Name();
}

// The data library's classes that form files may name, registered while the
// library is loaded.
const std::array<const TMetaClass*, 11>& DataClasses() {
  static const std::array<const TMetaClass*, 11> Classes = {
      &TField::StaticClass(),         &TStringField::StaticClass(), &TIntegerField::StaticClass(),
      &TLargeintField::StaticClass(), &TFloatField::StaticClass(),  &TBooleanField::StaticClass(),
      &TDateTimeField::StaticClass(), &TMemoField::StaticClass(),   &TBlobField::StaticClass(),
      &TMemoryDataSet::StaticClass(), &TDataSource::StaticClass(),
  };
  return Classes;
}

struct TDataClassesRegistrar {
  TDataClassesRegistrar() {
    for (const TMetaClass* Class : DataClasses()) RegisterClass(*Class);
  }
  ~TDataClassesRegistrar() {
    for (const TMetaClass* Class : DataClasses()) UnRegisterClass(*Class);
  }
  TDataClassesRegistrar(const TDataClassesRegistrar&) = delete;
  TDataClassesRegistrar& operator=(const TDataClassesRegistrar&) = delete;
};
const TDataClassesRegistrar Registrar;

}  // namespace

// ---------------------------------------------------------------------------
// TDataSet

const std::vector<TPropInfo>& TDataSet::PublishedProperties() {
  static const auto List =
      TPublisher<TDataSet>().Boolean("Active", &TDataSet::Active, &TDataSet::SetActive, false).List();
  return List;
}

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner), FFieldDefs(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
  // Descendants have closed already; what is left is this class's own state.
  FActive = false;
  FRecords.clear();
  DestroyDefaultFields();
  for (TField* Field : FFields.FList) {
    Field->FDataSet = nullptr;
    Field->FFieldNo = -1;
  }
  FFields.FList.clear();
}

void TDataSet::SetActive(bool Value) {
  if (ComponentState().Contains(csLoading)) {
    FStreamedActive = Value;
    return;
  }
  if (Value == FActive) return;
  if (!Value) {
    FActive = false;
    FRecords.clear();
    FRecNo = 0;
    DestroyDefaultFields();
    for (TField* Field : FFields.FList) Field->FFieldNo = -1;
    InternalClose();
    return;
  }

  // A failure half way leaves the dataset closed, as it was.
  struct TUndo {
    TDataSet& Self;
    bool Done = false;
    ~TUndo() {
      if (Done) return;
      Self.FRecords.clear();
      Self.DestroyDefaultFields();
      for (TField* Field : Self.FFields.FList) Field->FFieldNo = -1;
      Self.InternalClose();
    }
  } Undo{*this};
  FFieldDefs->Clear();
  FRecords.clear();
  InternalOpen();
  const int Columns = FFieldDefs->Count();
  for (std::size_t I = 0; I < FRecords.size(); ++I)
    if (static_cast<int>(FRecords[I].size()) != Columns)
      throw EDatabaseError(Format(rtl_consts::SRecordShape, {NameForMessages(*this), static_cast<int>(I),
                                                             static_cast<int>(FRecords[I].size()), Columns}));
  BindFields();
  FRecNo = 0;
  FActive = true;
  Undo.Done = true;
}

void TDataSet::BindFields() {
  if (!FFields.FList.empty()) {
    // Persistent fields: each data field needs its column.
    for (TField* Field : FFields.FList) {
      Field->FFieldNo = -1;
      if (Field->FFieldKind != fkData) continue;
      const int Column = FFieldDefs->IndexOf(Field->FFieldName);
      if (Column < 0) throw EDatabaseError(Format(rtl_consts::SFieldNotFound, {Field->FFieldName}));
      Field->FFieldNo = Column;
    }
    return;
  }
  for (int I = 0; I < FFieldDefs->Count(); ++I) {
    const TFieldDef& Def = *FFieldDefs->Items(I);
    std::unique_ptr<TObject> Instance = DefaultFieldClass(Def.DataType()).CreateInstance(nullptr);
    // DefaultFieldClass gives field classes only.
    std::unique_ptr<TField> Field(static_cast<TField*>(Instance.release()));
    Field->FFieldName = Def.Name();
    Field->FDataType = Def.DataType();
    Field->FSize = Def.Size();
    Field->FRequired = Def.Required();
    Field->FFieldNo = I;
    ReserveOneMore(FFields.FList);
    FDefaultFields.push_back(std::move(Field));
    FDefaultFields.back()->FDataSet = this;
    FFields.FList.push_back(FDefaultFields.back().get());
  }
}

void TDataSet::DestroyDefaultFields() noexcept {
  for (const auto& Field : FDefaultFields) {
    std::erase(FFields.FList, Field.get());
    Field->FDataSet = nullptr;
  }
  FDefaultFields.clear();
}

const Variant& TDataSet::CurrentValue(int FieldNo) const {
  static const Variant NullValue = Variant::Null();
  if (!FActive || FieldNo < 0 || FRecNo < 0 || FRecNo >= RecordCount()) return NullValue;
  const std::vector<Variant>& Record = FRecords[static_cast<std::size_t>(FRecNo)];
  if (static_cast<std::size_t>(FieldNo) >= Record.size()) return NullValue;
  return Record[static_cast<std::size_t>(FieldNo)];
}

void TDataSet::GetFieldNames(TStrings& List) const {
  if (FFields.Count() > 0) {
    FFields.GetFieldNames(List);
    return;
  }
  for (int I = 0; I < FFieldDefs->Count(); ++I) List.Add(FFieldDefs->Items(I)->Name());
}

void TDataSet::Next() noexcept {
  if (FRecNo < RecordCount()) ++FRecNo;
}

void TDataSet::Prior() noexcept {
  if (FRecNo > 0) --FRecNo;
}

void TDataSet::SetRecords(std::vector<std::vector<Variant>> Records) { FRecords = std::move(Records); }

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (!FStreamedActive) return;
  FStreamedActive = false;
  SetActive(true);
}

void TDataSet::GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const {
  // Proc may not change the list, but a copy costs little and keeps it safe.
  const std::vector<TField*> Fields = FFields.FList;
  for (TField* Field : Fields)
    if (Field->Owner() == &Root) Proc(*Field);
}

void TDataSet::CheckInactive(std::string_view What) const {
  if (FActive) throw EDatabaseError(Format(rtl_consts::SDataSetOpen, {NameForMessages(*this), What}));
}

// ---------------------------------------------------------------------------
// TMemoryDataSet

TMemoryDataSet::TMemoryDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

void TMemoryDataSet::Load(const std::vector<std::pair<std::string, TFieldType>>& Columns,
                          std::vector<std::vector<Variant>> Records) {
  Close();
  FColumns = Columns;
  FPending = std::move(Records);
  Open();
}

void TMemoryDataSet::InternalOpen() {
  for (const auto& [Name, Type] : FColumns) FieldDefs().AddFieldDef(Name, Type);
  // Kept, so that the dataset can be closed and opened again.
  SetRecords(FPending);
}

// ---------------------------------------------------------------------------
// TDataSource

const std::vector<TPropInfo>& TDataSource::PublishedProperties() {
  static const auto List =
      TPublisher<TDataSource>().Reference<TDataSet>("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet).List();
  return List;
}

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() { SetDataSet(nullptr); }

void TDataSource::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet) return;
  if (FDataSet != nullptr) RemoveFreeNotification(*FDataSet);
  FDataSet = Value;
  if (FDataSet != nullptr) FreeNotification(*FDataSet);
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FDataSet) FDataSet = nullptr;
  TComponent::Notification(AComponent, Operation);
}
