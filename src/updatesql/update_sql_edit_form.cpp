#include "updatesql/update_sql_edit_form.h"

#include <algorithm>

#include "vcl/Controls.h"
#include "vcl/Dialogs.h"
#include "rtl/Windows.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "rtl/System.h"
#include "varnel/Vncommon.h"
#include "varnel/Vnconsts.h"

namespace VNUpdSEd {

namespace {

// The schema kind of a table's indexes, as the runtime library numbers it.
constexpr TVNSchemaType IndexSchema = static_cast<TVNSchemaType>(5);
constexpr int PrimaryKeyBit = 4;
constexpr int UniqueBit = 2;

TFieldChoices ChoicesOf(const TListBox& ListBox) {
  TFieldChoices Choices;
  const TStrings& Items = ListBox.Items();
  Choices.reserve(static_cast<std::size_t>(Items.Count()));
  for (int I = 0; I < Items.Count(); ++I) Choices.push_back({Items.Strings(I), ListBox.Selected(I)});
  return Choices;
}

// Quote characters are dropped one at a time; the character that moves into a
// dropped one's place is not looked at, so of two adjacent quotes one stays.
std::string RemoveQuotes(std::string Text) {
  for (std::size_t I = 0; I < Text.size(); ++I)
    if (Text[I] == '"' || Text[I] == '\'') Text.erase(I, 1);
  return Text;
}

}  // namespace

VN_IMPLEMENT_CLASS(TVNUpdateSQLEditForm, TForm)

const TFormBindings& TVNUpdateSQLEditForm::Bindings() {
  using F = TVNUpdateSQLEditForm;
  static const TFormBindings B = TFormBinder<F>()
                                     .Field("pcUpdateSQL", &F::pcUpdateSQL)
                                     .Field("tsOptions", &F::tsOptions)
                                     .Field("gbxGenSQL", &F::gbxGenSQL)
                                     .Field("lblTableName", &F::lblTableName)
                                     .Field("cbTableName", &F::cbTableName)
                                     .Field("btGetTableFields", &F::btGetTableFields)
                                     .Field("btDataSetDefaults", &F::btDataSetDefaults)
                                     .Field("btSelectPrimKeys", &F::btSelectPrimKeys)
                                     .Field("btGenerateSQL", &F::btGenerateSQL)
                                     .Field("lblKeyFields", &F::lblKeyFields)
                                     .Field("lbKeyFields", &F::lbKeyFields)
                                     .Field("lblUpdateFields", &F::lblUpdateFields)
                                     .Field("lbUpdateFields", &F::lbUpdateFields)
                                     .Field("cbQuotedFields", &F::cbQuotedFields)
                                     .Field("tsSQL", &F::tsSQL)
                                     .Field("rgrStatementType", &F::rgrStatementType)
                                     .Field("lblSQLText", &F::lblSQLText)
                                     .Field("meSQLText", &F::meSQLText)
                                     .Field("pnlButton", &F::pnlButton)
                                     .Field("btOk", &F::btOk)
                                     .Field("btCancel", &F::btCancel)
                                     .Field("pmFields", &F::pmFields)
                                     .Field("miSelectAll", &F::miSelectAll)
                                     .Field("miClearAll", &F::miClearAll)
                                     .Handler("FormCreate", &F::FormCreate)
                                     .Handler("FormDestroy", &F::FormDestroy)
                                     .Handler("FormCloseQuery", &F::FormCloseQuery)
                                     .Handler("cbTableNameChange", &F::cbTableNameChange)
                                     .Handler("GenerateSQLClick", &F::GenerateSQLClick)
                                     .Handler("SelectAllClick", &F::SelectAllClick)
                                     .Handler("ClearAllClick", &F::ClearAllClick)
                                     .Handler("StatementTypeClick", &F::StatementTypeClick)
                                     .Handler("SQLTextExit", &F::SQLTextExit)
                                     .Handler("GetTableFieldsClick", &F::GetTableFieldsClick)
                                     .Handler("DataSetDefaultsClick", &F::DataSetDefaultsClick)
                                     .Handler("btSelectPrimKeysClick", &F::btSelectPrimKeysClick)
                                     .Done();
  return B;
}

// ---------------------------------------------------------------------------
// Form events and the statements

void TVNUpdateSQLEditForm::FormCreate(TObject*) {
  FRefreshSQL = std::make_unique<TStringList>();
  FModifySQL = std::make_unique<TStringList>();
  FInsertSQL = std::make_unique<TStringList>();
  FDeleteSQL = std::make_unique<TStringList>();
  FGenerator = std::make_unique<TUpdateSQLGenerator>();
  FFieldInfo = &FGenerator->FieldInfo();
  FTableInfo = std::make_unique<TStringList>();
  FUpdateSQL = nullptr;
  pcUpdateSQL->SetActivePage(tsOptions);
}

void TVNUpdateSQLEditForm::FormDestroy(TObject*) {
  FFieldInfo = nullptr;
  FGenerator.reset();
  FTableInfo.reset();
  FRefreshSQL.reset();
  FModifySQL.reset();
  FInsertSQL.reset();
  FDeleteSQL.reset();
}

void TVNUpdateSQLEditForm::FormCloseQuery(TObject*, bool& CanClose) {
  if (ModalResult() != mrOk || !Trim(FModifySQL->Text()).empty()) {
    CanClose = true;
    return;
  }
  CanClose = MessageDlg(std::string(SSQLNotGenerated), mtConfirmation, mbYesNoCancel, 0) == mrYes;
}

TVNDataSet* TVNUpdateSQLEditForm::DataSet() const noexcept {
  return FUpdateSQL != nullptr ? FUpdateSQL->DataSet() : nullptr;
}

TStrings* TVNUpdateSQLEditForm::StatementList(int Index) const noexcept {
  switch (Index) {
    case ukRefresh: return FRefreshSQL.get();
    case ukModify: return FModifySQL.get();
    case ukInsert: return FInsertSQL.get();
    case ukDelete: return FDeleteSQL.get();
    default: return nullptr;
  }
}

void TVNUpdateSQLEditForm::InitProperties() {
  LoadDefaultOptions();
  SelectAllFields();
  LoadStatements();
  DataSetDefaultsClick(nullptr);
  StatementTypeClick(nullptr);
  cbTableNameChange(nullptr);
}

void TVNUpdateSQLEditForm::LoadStatements() {
  for (int Index = ukRefresh; Index <= ukDelete; ++Index) StatementList(Index)->Assign(FUpdateSQL->GetSQLIndex(Index));
}

void TVNUpdateSQLEditForm::SaveStatements() {
  for (int Index = ukRefresh; Index <= ukDelete; ++Index) FUpdateSQL->GetSQLIndex(Index).Assign(*StatementList(Index));
}

void TVNUpdateSQLEditForm::StatementTypeClick(TObject*) {
  if (TStrings* List = StatementList(rgrStatementType->ItemIndex())) meSQLText->Lines().Assign(*List);
}

void TVNUpdateSQLEditForm::SQLTextExit(TObject*) {
  if (TStrings* List = StatementList(rgrStatementType->ItemIndex())) List->Assign(meSQLText->Lines());
}

// ---------------------------------------------------------------------------
// Buttons and the field lists

void TVNUpdateSQLEditForm::cbTableNameChange(TObject*) {
  const bool HasTable = DataSet() != nullptr && !Trim(cbTableName->Text()).empty();
  btGetTableFields->SetEnabled(HasTable);
  btSelectPrimKeys->SetEnabled(HasTable);
  btGenerateSQL->SetEnabled(HasTable);
}

void TVNUpdateSQLEditForm::SetSelectedAllItems(TListBox& ListBox, bool Selected) {
  for (int I = 0; I < ListBox.Items().Count(); ++I) ListBox.SetSelected(I, Selected);
}

void TVNUpdateSQLEditForm::SelectAllClick(TObject*) {
  TComponent* Target = pmFields->PopupComponent();
  if (Target == lbKeyFields)
    SetSelectedAllItems(*lbKeyFields, true);
  else if (Target == lbUpdateFields)
    SetSelectedAllItems(*lbUpdateFields, true);
}

void TVNUpdateSQLEditForm::ClearAllClick(TObject*) {
  TComponent* Target = pmFields->PopupComponent();
  if (Target == lbKeyFields)
    SetSelectedAllItems(*lbKeyFields, false);
  else if (Target == lbUpdateFields)
    SetSelectedAllItems(*lbUpdateFields, false);
}

void TVNUpdateSQLEditForm::SelectAllFields() {
  pmFields->SetPopupComponent(lbKeyFields);
  SelectAllClick(nullptr);
  pmFields->SetPopupComponent(lbUpdateFields);
  SelectAllClick(nullptr);
}

void TVNUpdateSQLEditForm::GenerateSQLClick(TObject*) {
  if (lbKeyFields->SelCount() == 0 || lbUpdateFields->SelCount() == 0) {
    MessageDlg(std::string(SSQLGenSelect), mtError, {mbOK}, 0);
    return;
  }
  // The four statements in the order modify, insert, delete, refresh, each
  // field's alias looked up once for all of them.
  PreparedGenerator().GenerateAllSQL(*FModifySQL, *FInsertSQL, *FDeleteSQL, *FRefreshSQL);
  StatementTypeClick(nullptr);
}

// ---------------------------------------------------------------------------
// Field and key discovery

void TVNUpdateSQLEditForm::LoadDefaultOptions() {
  auto* Query = dynamic_cast<TVNQuery*>(DataSet());
  if (Query == nullptr) return;
  TCursorGuard Hourglass(crHourGlass);
  FFieldInfo->Clear();
  FTableInfo->Clear();
  Query->ParseFieldInfoFromSQL(Query->SQL().Text(), FFieldInfo, nullptr, FTableInfo.get());
  FObjOwnerSupported = Query->IsObjOwnerSupported();
  cbTableName->Clear();
  cbTableName->SetText("");
  lbKeyFields->Clear();
  lbUpdateFields->Clear();
  for (int I = 0; I < FTableInfo->Count(); ++I) {
    const std::string Name = FTableInfo->Names(I);
    if (!Name.empty()) cbTableName->Items().Add(FTableInfo->Values(Name));
  }
  if (cbTableName->Items().Count() > 0) cbTableName->SetItemIndex(0);
}

void TVNUpdateSQLEditForm::DataSetDefaultsClick(TObject*) {
  lbKeyFields->Clear();
  lbUpdateFields->Clear();
  for (int I = 0; I < FFieldInfo->Count(); ++I) {
    const std::string Name = FFieldInfo->Names(I);
    if (Name.empty()) continue;
    lbKeyFields->Items().Add(Name);
    lbUpdateFields->Items().Add(Name);
  }
  SelectAllFields();
  btDataSetDefaults->SetEnabled(false);
}

void TVNUpdateSQLEditForm::GetTableFieldsClick(TObject*) {
  TVNDataSet* Source = DataSet();
  Assert(Source != nullptr, "Assertion failure", "VNUpdSEd", 542);
  const std::string TableName = RemoveQuotes(cbTableName->Text());
  TStringList Names;
  Source->GetDBSession().GetFieldNames(Source->DatabaseName(), GetValidObjName(TableName, !FObjOwnerSupported), Names);
  if (Names.Count() == 0) {
    MessageDlg(Format(SSQLDataSetOpen, {TableName}), mtError, {mbOK}, 0);
  } else {
    lbKeyFields->Items().Clear();
    lbUpdateFields->Items().Clear();
    int KeyWidth = 0;
    int UpdateWidth = 0;
    for (int I = 0; I < Names.Count(); ++I) {
      const std::string& Name = Names.StringRef(I);
      if (Name.empty()) continue;
      const std::string Item = Trim(Name);
      lbKeyFields->Items().Add(Item);
      lbUpdateFields->Items().Add(Item);
      // Measured untrimmed and one letter wider, so the last character never
      // sits against the edge.
      const std::string Measured = Name + "A";
      KeyWidth = std::max(KeyWidth, lbKeyFields->Canvas().TextWidth(Measured));
      UpdateWidth = std::max(UpdateWidth, lbUpdateFields->Canvas().TextWidth(Measured));
    }
    SendMessageW(lbKeyFields->Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(KeyWidth), 0);
    SendMessageW(lbUpdateFields->Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(UpdateWidth), 0);
  }
  SelectAllFields();
  btDataSetDefaults->SetEnabled(true);
}

void TVNUpdateSQLEditForm::btSelectPrimKeysClick(TObject*) {
  // The button is disabled without a dataset; a session without the dataset's
  // database has no schema to offer either.
  TVNDataSet* Source = DataSet();
  if (Source == nullptr) return;
  TVNDatabase* Database = Source->GetDBSession().FindDatabase(Source->DatabaseName());
  if (Database == nullptr) {
    // Nothing to look the key up in: the person is told which name has no database.
    MessageDlg(Format("No database named \"%s\" is defined in session \"%s\": the primary key cannot be looked up",
                      {Source->DatabaseName(), Source->GetDBSession().SessionName()}),
               mtInformation, {mbOK}, 0);
    return;
  }
  const std::unique_ptr<TDataSet> Schema = Database->GetSchemaInfo(IndexSchema, cbTableName->Text());
  if (Schema == nullptr) return;

  TStringList PrimaryColumns;
  TStringList UniqueColumns;
  std::string FirstUniqueIndex;
  for (; !Schema->Eof(); Schema->Next()) {
    const TField& IndexType = Schema->FieldByName("INDEX_TYPE");
    if (IndexType.IsNull()) continue;
    const int Type = IndexType.AsInteger();
    if ((Type & PrimaryKeyBit) != 0) {
      const std::string Column = Trim(Schema->FieldByName("COLUMN_NAME").AsString());
      if (!Column.empty()) PrimaryColumns.Add(Column);
    }
    if ((Type & UniqueBit) != 0) {
      const std::string IndexName = Trim(Schema->FieldByName("INDEX_NAME").AsString());
      if (FirstUniqueIndex.empty()) FirstUniqueIndex = IndexName;
      if (IndexName == FirstUniqueIndex) UniqueColumns.Add(Trim(Schema->FieldByName("COLUMN_NAME").AsString()));
    }
  }

  SetSelectedAllItems(*lbKeyFields, false);
  const TStringList* KeyColumns = PrimaryColumns.Count() > 0  ? &PrimaryColumns
                                  : UniqueColumns.Count() > 0 ? &UniqueColumns
                                                              : nullptr;
  if (KeyColumns == nullptr) return;
  for (int I = 0; I < lbKeyFields->Items().Count(); ++I)
    if (KeyColumns->IndexOf(lbKeyFields->Items().Strings(I)) >= 0) lbKeyFields->SetSelected(I, true);
}

// ---------------------------------------------------------------------------
// Statement generation

TUpdateSQLGenerator& TVNUpdateSQLEditForm::PreparedGenerator() {
  FGenerator->SetTableText(cbTableName->Text());
  FGenerator->SetObjOwnerSupported(FObjOwnerSupported);
  FGenerator->SetQuoteFields(cbQuotedFields->Checked());
  FGenerator->SetKeyFields(ChoicesOf(*lbKeyFields));
  FGenerator->SetUpdateFields(ChoicesOf(*lbUpdateFields));
  return *FGenerator;
}

std::string TVNUpdateSQLEditForm::QuoteName(const std::string& Name) {
  FGenerator->SetQuoteFields(cbQuotedFields->Checked());
  return FGenerator->QuoteName(Name);
}

std::string TVNUpdateSQLEditForm::FindFieldAlias(const std::string& TableText, const std::string& FieldName) {
  return FGenerator->FindFieldAlias(TableText, FieldName);
}

void TVNUpdateSQLEditForm::GenerateModifySQL() { PreparedGenerator().GenerateModifySQL(*FModifySQL); }
void TVNUpdateSQLEditForm::GenerateRefreshSQL() { PreparedGenerator().GenerateRefreshSQL(*FRefreshSQL); }
void TVNUpdateSQLEditForm::GenerateInsertSQL() { PreparedGenerator().GenerateInsertSQL(*FInsertSQL); }
void TVNUpdateSQLEditForm::GenerateDeleteSQL() { PreparedGenerator().GenerateDeleteSQL(*FDeleteSQL); }

// ---------------------------------------------------------------------------
// Entry

bool EditUpdateSQL(TVNUpdateSQL& UpdateSQL) {
  TVNUpdateSQLEditForm* Created = nullptr;
  Application->CreateForm(Created);
  const std::unique_ptr<TVNUpdateSQLEditForm> Form(Created);

  std::string Caption;
  if (Is<TCustomForm>(UpdateSQL.Owner())) Caption = UpdateSQL.Owner()->Name() + ".";
  Caption += UpdateSQL.Name();
  if (const TVNDataSet* Source = UpdateSQL.DataSet())
    Caption = Format("%s (%s)", {Caption, Source->Name()});
  else
    Caption = Format("%s (%s)", {Caption, SNoDataSet});

  Form->SetCaption(Caption);
  Form->FUpdateSQL = &UpdateSQL;
  Form->InitProperties();
  if (Form->ShowModal() != mrOk) return false;
  Form->SaveStatements();
  return true;
}

}  // namespace VNUpdSEd

extern "C" bool VNUpdSEd_EditUpdateSQL(TComponent* UpdateSQL) {
  if (UpdateSQL == nullptr) throw EInvalidCast("Invalid class typecast");
  return VNUpdSEd::EditUpdateSQL(As<TVNUpdateSQL>(*UpdateSQL));
}
