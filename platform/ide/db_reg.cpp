#include "ide/DBReg.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "rtl/SysUtils.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

VN_IMPLEMENT_CLASS(TIndexNameProperty, TStringProperty)
VN_IMPLEMENT_CLASS(TIndexFieldNamesProperty, TStringProperty)
VN_IMPLEMENT_CLASS(TFieldLinkProperty, TStringProperty)

namespace {

// How index lists name the primary index, which has no name of its own to
// give: a dataset takes the empty index name for it.
constexpr const char* SPrimaryIndex = "Primary";

std::string JoinFields(const std::vector<std::string>& Fields) {
  std::string Result;
  for (const std::string& F : Fields) Result += (Result.empty() ? "" : ";") + F;
  return Result;
}

bool SameFields(std::string_view A, std::string_view B) {
  const std::vector<std::string> X = SplitFieldList(A), Y = SplitFieldList(B);
  return X.size() == Y.size() && std::equal(X.begin(), X.end(), Y.begin(), [](const std::string& L, const std::string& R) {
           return AnsiSameText(L, R);
         });
}

std::string StrPropOr(TObject& Object, const char* Name) {
  const PPropInfo Prop = GetPropInfo(Object, Name);
  return Prop != nullptr ? GetStrProp(Object, *Prop) : std::string();
}

void SetStrPropIfAny(TObject& Object, const char* Name, const std::string& Value) {
  if (const PPropInfo Prop = GetPropInfo(Object, Name)) SetStrProp(Object, *Prop, Value);
}

std::vector<std::string> Lines(const TStrings& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List.Strings(I));
  return Result;
}

// The link designer's dialog. It works through the link editor only, so that
// a descendant decides what the choices act on.
class TLinkFields : public TForm {
  VN_DECLARE_FORM(TLinkFields, TForm)
 public:
  TLabel* lblIndexes = nullptr;
  TComboBox* cbIndexes = nullptr;
  TLabel* lblDetail = nullptr;
  TListBox* lbDetail = nullptr;
  TButton* btAdd = nullptr;
  TLabel* lblMaster = nullptr;
  TListBox* lbMaster = nullptr;
  TLabel* lblJoined = nullptr;
  TListBox* lbJoined = nullptr;
  TButton* btDelete = nullptr;
  TButton* btClear = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;

  void cbIndexesChange(TObject* Sender);
  void ListClick(TObject* Sender);
  void btAddClick(TObject* Sender);
  void btDeleteClick(TObject* Sender);
  void btClearClick(TObject* Sender);

  // True when the person confirmed a link or index that differs from before.
  bool Edit(TFieldLinkProperty& Link);

 private:
  void Fill();
  void UpdateButtons();

  TFieldLinkProperty* FLink = nullptr;
  bool FByFields = false;
  bool FIndexTouched = false;
  std::vector<std::string> FIndexFields;  // per item of cbIndexes
  std::vector<std::string> FDetailFields;
  std::vector<std::pair<std::string, std::string>> FJoins;  // detail, master
};

}  // namespace

VN_IMPLEMENT_CLASS(TLinkFields, TForm)

const TFormBindings& TLinkFields::Bindings() {
  using D = TLinkFields;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("lblIndexes", &D::lblIndexes)
                                     .Field("cbIndexes", &D::cbIndexes)
                                     .Field("lblDetail", &D::lblDetail)
                                     .Field("lbDetail", &D::lbDetail)
                                     .Field("btAdd", &D::btAdd)
                                     .Field("lblMaster", &D::lblMaster)
                                     .Field("lbMaster", &D::lbMaster)
                                     .Field("lblJoined", &D::lblJoined)
                                     .Field("lbJoined", &D::lbJoined)
                                     .Field("btDelete", &D::btDelete)
                                     .Field("btClear", &D::btClear)
                                     .Field("btOk", &D::btOk)
                                     .Field("btCancel", &D::btCancel)
                                     .Handler("cbIndexesChange", &D::cbIndexesChange)
                                     .Handler("ListClick", &D::ListClick)
                                     .Handler("btAddClick", &D::btAddClick)
                                     .Handler("btDeleteClick", &D::btDeleteClick)
                                     .Handler("btClearClick", &D::btClearClick)
                                     .Done();
  return B;
}

bool TLinkFields::Edit(TFieldLinkProperty& Link) {
  FLink = &Link;
  TDataSet& Detail = Link.GetDataSet();
  TDataSource* Source = Detail.GetDataSource();
  TDataSet* Master = Source != nullptr ? Source->DataSet() : nullptr;
  const std::string DetailName = Detail.Name().empty() ? Detail.ClassName() : Detail.Name();
  if (Master == nullptr)
    throw EDatabaseError(Format("%s: no master dataset to link to (set its data source first)", {DetailName}));
  SetCaption(DetailName + " Field Link Designer");

  const std::string OldIndexName = Link.GetIndexName();
  const std::string OldIndexFields = Link.GetIndexFieldNames();
  const std::string OldMaster = Link.GetMasterFields();
  FByFields = !OldIndexFields.empty();

  if (Link.GetIndexBased()) {
    int Current = -1;
    if (TIndexDefs* Defs = Link.GetIndexDefs()) {
      for (int I = 0; I < Defs->Count(); ++I) {
        const TIndexDef& Def = *Defs->Items(I);
        const bool Primary = Def.Options().Contains(ixPrimary);
        cbIndexes->Items().Add(Primary ? std::string(SPrimaryIndex) : Def.Name());
        FIndexFields.push_back(Def.Fields());
        const bool IsCurrent = FByFields ? SameFields(Def.Fields(), OldIndexFields)
                                         : (OldIndexName.empty() ? Primary : AnsiSameText(Def.Name(), OldIndexName));
        if (IsCurrent && Current < 0) Current = I;
      }
    }
    cbIndexes->SetItemIndex(Current);
    TStringList Fields;
    Link.GetFieldNamesForIndex(Fields);
    FDetailFields = Lines(Fields);
  } else {
    lblIndexes->SetVisible(false);
    cbIndexes->SetVisible(false);
    TStringList Fields;
    Detail.GetFieldNames(Fields);
    FDetailFields = Lines(Fields);
  }
  TStringList MasterFields;
  Master->GetFieldNames(MasterFields);
  if (MasterFields.Count() == 0 && !Master->Active()) {
    // A closed master without field definitions is opened for its fields only.
    struct TClosing {
      TDataSet& DataSet;
      ~TClosing() { DataSet.Close(); }
    } Closing{*Master};
    Master->Open();
    Master->GetFieldNames(MasterFields);
  }
  lbMaster->Items().Assign(MasterFields);

  const std::vector<std::string> Linked = SplitFieldList(OldMaster);
  for (std::size_t I = 0; I < Linked.size() && I < FDetailFields.size(); ++I)
    FJoins.emplace_back(FDetailFields[I], Linked[I]);
  Fill();

  const bool Accepted = ShowModal() == mrOk;
  if (!Accepted) {
    // What the dialog chose on the way is taken back.
    if (FIndexTouched) {
      if (FByFields)
        Link.SetIndexFieldNames(OldIndexFields);
      else
        Link.SetIndexName(OldIndexName);
    }
    return false;
  }
  std::vector<std::string> Masters;
  for (const auto& Join : FJoins) Masters.push_back(Join.second);
  const std::string NewMaster = JoinFields(Masters);
  const bool IndexChanged =
      FIndexTouched && (Link.GetIndexName() != OldIndexName || Link.GetIndexFieldNames() != OldIndexFields);
  if (NewMaster == OldMaster && !IndexChanged) return false;
  Link.SetMasterFields(NewMaster);
  return true;
}

void TLinkFields::Fill() {
  lbDetail->Items().Clear();
  for (const std::string& Field : FDetailFields)
    if (std::none_of(FJoins.begin(), FJoins.end(), [&](const auto& J) { return AnsiSameText(J.first, Field); }))
      lbDetail->Items().Add(Field);
  lbJoined->Items().Clear();
  for (const auto& [DetailField, MasterField] : FJoins) lbJoined->Items().Add(DetailField + " -> " + MasterField);
  UpdateButtons();
}

void TLinkFields::UpdateButtons() {
  btAdd->SetEnabled(lbDetail->ItemIndex() >= 0 && lbMaster->ItemIndex() >= 0);
  btDelete->SetEnabled(lbJoined->ItemIndex() >= 0);
  btClear->SetEnabled(!FJoins.empty());
}

void TLinkFields::cbIndexesChange(TObject*) {
  const int Index = cbIndexes->ItemIndex();
  if (Index < 0) return;
  FIndexTouched = true;
  // The index is chosen the way the dataset chose it before.
  if (FByFields)
    FLink->SetIndexFieldNames(FIndexFields[static_cast<std::size_t>(Index)]);
  else
    FLink->SetIndexName(cbIndexes->Items().Strings(Index));
  TStringList Fields;
  FLink->GetFieldNamesForIndex(Fields);
  FDetailFields = Lines(Fields);
  FJoins.clear();
  Fill();
}

void TLinkFields::ListClick(TObject*) { UpdateButtons(); }

void TLinkFields::btAddClick(TObject*) {
  const int D = lbDetail->ItemIndex(), M = lbMaster->ItemIndex();
  if (D < 0 || M < 0) return;
  FJoins.emplace_back(lbDetail->Items().Strings(D), lbMaster->Items().Strings(M));
  lbMaster->SetItemIndex(-1);
  Fill();
}

void TLinkFields::btDeleteClick(TObject*) {
  const int J = lbJoined->ItemIndex();
  if (J < 0 || J >= static_cast<int>(FJoins.size())) return;
  FJoins.erase(FJoins.begin() + J);
  Fill();
}

void TLinkFields::btClearClick(TObject*) {
  FJoins.clear();
  Fill();
}

// ---------------------------------------------------------------------------

TIndexDefs* GetIndexDefs(TPersistent* Component) {
  TDataSet& DataSet = As<TDataSet>(*Component);
  DataSet.UpdateIndexDefs();
  return DataSet.GetIndexDefs();
}

TPropertyAttributes TIndexNameProperty::GetAttributes() { return {paMultiSelect, paValueList, paSortList}; }

void TIndexNameProperty::GetValues(const TGetStrProc& Proc) {
  if (TIndexDefs* Defs = ::GetIndexDefs(GetComponent(0)))
    for (int I = 0; I < Defs->Count(); ++I)
      if (!Defs->Items(I)->Name().empty()) Proc(Defs->Items(I)->Name());
}

TPropertyAttributes TIndexFieldNamesProperty::GetAttributes() { return {paMultiSelect, paValueList, paSortList}; }

void TIndexFieldNamesProperty::GetValues(const TGetStrProc& Proc) {
  if (TIndexDefs* Defs = ::GetIndexDefs(GetComponent(0)))
    for (int I = 0; I < Defs->Count(); ++I)
      if (!Defs->Items(I)->Fields().empty()) Proc(Defs->Items(I)->Fields());
}

TPropertyAttributes TFieldLinkProperty::GetAttributes() { return {paDialog, paRevertable}; }

TDataSet& TFieldLinkProperty::GetDataSet() { return FDataSet != nullptr ? *FDataSet : As<TDataSet>(*GetComponent(0)); }

void TFieldLinkProperty::Edit() {
  auto Dialog = std::make_unique<TLinkFields>(Application);
  FChanged = false;
  FChanged = Dialog->Edit(*this);
  if (FChanged) Modified();
}

void TFieldLinkProperty::GetFieldNamesForIndex(TStrings& List) {
  const std::string ByFields = GetIndexFieldNames();
  std::string Fields = ByFields;
  if (Fields.empty()) {
    TIndexDefs* Defs = GetIndexDefs();
    const std::string Name = GetIndexName();
    for (int I = 0; Defs != nullptr && I < Defs->Count(); ++I) {
      const TIndexDef& Def = *Defs->Items(I);
      if (Name.empty() ? Def.Options().Contains(ixPrimary) : AnsiSameText(Def.Name(), Name)) {
        Fields = Def.Fields();
        break;
      }
    }
  }
  for (const std::string& F : SplitFieldList(Fields)) List.Add(F);
}

bool TFieldLinkProperty::GetIndexBased() { return !GetDataSet().PSIsSQLBased(); }

TIndexDefs* TFieldLinkProperty::GetIndexDefs() { return ::GetIndexDefs(&GetDataSet()); }

std::string TFieldLinkProperty::GetIndexFieldNames() { return StrPropOr(GetDataSet(), "IndexFieldNames"); }

std::string TFieldLinkProperty::GetIndexName() { return StrPropOr(GetDataSet(), "IndexName"); }

std::string TFieldLinkProperty::GetMasterFields() { return StrPropOr(GetDataSet(), "MasterFields"); }

void TFieldLinkProperty::SetIndexFieldNames(const std::string& Value) {
  SetStrPropIfAny(GetDataSet(), "IndexFieldNames", Value);
}

void TFieldLinkProperty::SetIndexName(const std::string& Value) {
  SetStrPropIfAny(GetDataSet(), "IndexName", Value == SPrimaryIndex ? std::string() : Value);
}

void TFieldLinkProperty::SetMasterFields(const std::string& Value) {
  SetStrPropIfAny(GetDataSet(), "MasterFields", Value);
}
