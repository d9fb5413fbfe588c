// The fields editor of a dataset and the host's dataset editor that opens it.
#include "ide/DSDesign.h"

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "rtl/SysUtils.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

VN_IMPLEMENT_CLASS(TDSDesigner, TObject)
VN_IMPLEMENT_CLASS(TDataSetEditor, TComponentEditor)

namespace {

// Component names of new fields: the dataset's name and the field's, letters,
// digits and "_" only, numbered when taken.
std::string FieldComponentName(const TComponent& Owner, const TDataSet& DataSet, const std::string& FieldName) {
  std::string Base;
  for (char C : DataSet.Name() + FieldName)
    if ((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_') Base += C;
  if (!IsValidIdent(Base)) Base = "Field" + Base;
  std::string Name = Base;
  for (int N = 1; Owner.FindComponent(Name) != nullptr; ++N) Name = Base + std::to_string(N);
  return Name;
}

struct TFieldData {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  bool Required = false;
};

// One line of the persistent list: a field the dataset has, or one to make.
struct TEntry {
  std::string FieldName;
  TField* Existing = nullptr;
  TFieldData Data;
};

class TFieldsEditor : public TForm {
  VN_DECLARE_FORM(TFieldsEditor, TForm)
 public:
  TLabel* lblAvailable = nullptr;
  TListBox* lbAvailable = nullptr;
  TButton* btAdd = nullptr;
  TButton* btAddAll = nullptr;
  TButton* btRemove = nullptr;
  TButton* btRemoveAll = nullptr;
  TLabel* lblFields = nullptr;
  TListBox* lbFields = nullptr;
  TLabel* lblStatus = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;

  void Init(TDataSet& DataSet, std::vector<TFieldData> Defs, const std::string& Status);
  // Makes the dataset's persistent fields those of the list; true when that
  // changed anything.
  bool Apply(TDSDesigner& Designer, TComponent& Owner);

  void btAddClick(TObject*) { AddAvailable(false); }
  void btAddAllClick(TObject*) { AddAvailable(true); }
  void btRemoveClick(TObject*) { RemoveFields(false); }
  void btRemoveAllClick(TObject*) { RemoveFields(true); }
  void ListClick(TObject*) { UpdateButtons(); }

 private:
  void AddAvailable(bool All);
  void RemoveFields(bool All);
  void Refill();
  void UpdateButtons();

  TDataSet* FDataSet = nullptr;
  std::vector<TField*> FOriginal;
  std::vector<TFieldData> FDefs;
  std::vector<TEntry> FEntries;
  std::vector<const TFieldData*> FAvailable;  // what lbAvailable shows, in order
};

}  // namespace

VN_IMPLEMENT_CLASS(TFieldsEditor, TForm)

const TFormBindings& TFieldsEditor::Bindings() {
  using D = TFieldsEditor;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("lblAvailable", &D::lblAvailable)
                                     .Field("lbAvailable", &D::lbAvailable)
                                     .Field("btAdd", &D::btAdd)
                                     .Field("btAddAll", &D::btAddAll)
                                     .Field("btRemove", &D::btRemove)
                                     .Field("btRemoveAll", &D::btRemoveAll)
                                     .Field("lblFields", &D::lblFields)
                                     .Field("lbFields", &D::lbFields)
                                     .Field("lblStatus", &D::lblStatus)
                                     .Field("btOk", &D::btOk)
                                     .Field("btCancel", &D::btCancel)
                                     .Handler("btAddClick", &D::btAddClick)
                                     .Handler("btAddAllClick", &D::btAddAllClick)
                                     .Handler("btRemoveClick", &D::btRemoveClick)
                                     .Handler("btRemoveAllClick", &D::btRemoveAllClick)
                                     .Handler("ListClick", &D::ListClick)
                                     .Done();
  return B;
}

void TFieldsEditor::Init(TDataSet& DataSet, std::vector<TFieldData> Defs, const std::string& Status) {
  FDataSet = &DataSet;
  FDefs = std::move(Defs);
  // Fields the dataset made itself on opening have no owner; persistent ones do.
  for (int I = 0; I < DataSet.Fields().Count(); ++I) {
    TField* Field = DataSet.Fields().Fields(I);
    if (Field->Owner() == nullptr) continue;
    FOriginal.push_back(Field);
    FEntries.push_back({Field->FieldName(), Field, {}});
  }
  lblStatus->SetCaption(Status);
  Refill();
}

void TFieldsEditor::Refill() {
  lbFields->Items().BeginUpdate();
  lbFields->Items().Clear();
  for (const TEntry& E : FEntries) lbFields->Items().Add(E.FieldName);
  lbFields->Items().EndUpdate();
  std::set<std::string> Listed;
  for (const TEntry& E : FEntries) Listed.insert(UpperCase(E.FieldName));
  FAvailable.clear();
  lbAvailable->Items().BeginUpdate();
  lbAvailable->Items().Clear();
  for (const TFieldData& Def : FDefs) {
    if (Listed.contains(UpperCase(Def.Name))) continue;
    FAvailable.push_back(&Def);
    lbAvailable->Items().Add(Def.Name);
  }
  lbAvailable->Items().EndUpdate();
  UpdateButtons();
}

void TFieldsEditor::UpdateButtons() {
  btAdd->SetEnabled(lbAvailable->SelCount() > 0);
  btAddAll->SetEnabled(lbAvailable->Items().Count() > 0);
  btRemove->SetEnabled(lbFields->SelCount() > 0);
  btRemoveAll->SetEnabled(lbFields->Items().Count() > 0);
}

void TFieldsEditor::AddAvailable(bool All) {
  for (std::size_t I = 0; I < FAvailable.size(); ++I) {
    if (!All && !lbAvailable->Selected(static_cast<int>(I))) continue;
    const TFieldData& Def = *FAvailable[I];
    // A field removed earlier in this dialog comes back as it was.
    const auto Original = std::find_if(FOriginal.begin(), FOriginal.end(), [&](TField* F) {
      return SameText(F->FieldName(), Def.Name) &&
             std::none_of(FEntries.begin(), FEntries.end(), [&](const TEntry& E) { return E.Existing == F; });
    });
    FEntries.push_back({Def.Name, Original == FOriginal.end() ? nullptr : *Original, Def});
  }
  Refill();
}

void TFieldsEditor::RemoveFields(bool All) {
  std::vector<TEntry> Kept;
  for (std::size_t I = 0; I < FEntries.size(); ++I)
    if (!All && !lbFields->Selected(static_cast<int>(I))) Kept.push_back(FEntries[I]);
  FEntries = std::move(Kept);
  Refill();
}

bool TFieldsEditor::Apply(TDSDesigner& Designer, TComponent& Owner) {
  const bool Same = FEntries.size() == FOriginal.size() &&
                    std::equal(FEntries.begin(), FEntries.end(), FOriginal.begin(),
                               [](const TEntry& E, const TField* F) { return E.Existing == F; });
  if (Same) return false;
  TDataSet& DataSet = *FDataSet;
  const bool WasActive = DataSet.Active();
  DataSet.Close();
  for (TField* Field : FOriginal)
    if (std::none_of(FEntries.begin(), FEntries.end(), [&](const TEntry& E) { return E.Existing == Field; }))
      delete Field;  // leaves its owner and its dataset
  for (const TEntry& E : FEntries) {
    if (E.Existing != nullptr) continue;
    TFieldDef Def;
    Def.SetName(E.Data.Name);
    Def.SetDataType(E.Data.DataType);
    Def.SetSize(E.Data.Size);
    Def.SetRequired(E.Data.Required);
    Designer.DoCreateField(Def, Owner, DataSet).SetDataSet(&DataSet);
  }
  if (WasActive) DataSet.Open();
  return true;
}

TField& TDSDesigner::DoCreateField(const TFieldDef& Def, TComponent& Owner, TDataSet& DataSet) {
  std::unique_ptr<TObject> Instance = DefaultFieldClass(Def.DataType()).CreateInstance(&Owner);
  auto& Field = static_cast<TField&>(*Instance.release());  // the owner holds it now
  Field.SetName(FieldComponentName(Owner, DataSet, Def.Name()));
  Field.SetFieldName(Def.Name());
  Field.SetDataType(Def.DataType());
  Field.SetSize(Def.Size());
  Field.SetRequired(Def.Required());
  if (Owner.ComponentState().Contains(csDesigning)) Field.SetDesigning(true);
  return Field;
}

namespace {

// What the dataset's statement yields: read from its field definitions, the
// dataset opened for the purpose when it is closed and closed again after.
std::vector<TFieldData> ReadFieldDefs(TDataSet& DataSet, std::string& Status) {
  std::vector<TFieldData> Defs;
  const bool WasActive = DataSet.Active();
  try {
    if (!WasActive) DataSet.Open();
    for (int I = 0; I < DataSet.FieldDefs().Count(); ++I) {
      const TFieldDef& Def = *DataSet.FieldDefs().Items(I);
      Defs.push_back({Def.Name(), Def.DataType(), Def.Size(), Def.Required()});
    }
    if (!WasActive) DataSet.Close();
  } catch (const Exception& E) {
    if (!WasActive && DataSet.Active()) DataSet.Close();
    Status = "The fields of " + DataSet.Name() + " could not be read: " + E.Message();
    Defs.clear();
  }
  return Defs;
}

}  // namespace

void ShowFieldsEditor(IDesigner* Designer, TDataSet& DataSet, TDSDesignerClass DesignerClass) {
  if (!DesignerClass.InheritsFrom(TDSDesigner::StaticClass()))
    throw EInvalidCast(Format("%s is no dataset designer", {DesignerClass.ClassName()}));
  TComponent* Owner = Designer != nullptr ? Designer->GetRoot() : DataSet.Owner();
  if (Owner == nullptr)
    throw EInvalidOperation(Format("%s has no owner to hold persistent fields", {DataSet.Name()}));
  std::unique_ptr<TObject> Instance = DesignerClass.CreateInstance(nullptr);
  std::unique_ptr<TDSDesigner> DSDesigner(static_cast<TDSDesigner*>(Instance.release()));

  std::string Status;
  std::vector<TFieldData> Defs = ReadFieldDefs(DataSet, Status);
  auto Dialog = std::make_unique<TFieldsEditor>(Application);
  Dialog->SetCaption(Owner->Name() + "." + DataSet.Name());
  Dialog->Init(DataSet, std::move(Defs), Status);
  if (Dialog->ShowModal() != mrOk) return;
  if (Dialog->Apply(*DSDesigner, *Owner) && Designer != nullptr) Designer->Modified();
}

// ---------------------------------------------------------------------------
// TDataSetEditor

void TDataSetEditor::Edit() { ExecuteVerb(0); }

void TDataSetEditor::ExecuteVerb(int Index) {
  if (Index == 0) ShowFieldsEditor(GetDesigner(), As<TDataSet>(Component()), GetDSDesignerClass());
}

std::string TDataSetEditor::GetVerb(int Index) { return Index == 0 ? "Fields Editor..." : ""; }

int TDataSetEditor::GetVerbCount() { return 1; }

TDSDesignerClass TDataSetEditor::GetDSDesignerClass() { return TDSDesigner::StaticClass(); }
