// The UpdateSQL editor: the modal dialog that edits the four statements of an
// update object, finds a table's fields and key, and generates the statements.
#pragma once

#include <memory>
#include <string>

#include "vcl/ComCtrls.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"
#include "rtl/Classes.h"
#include "updatesql/update_sql_generator.h"
#include "varnel/Vnengine.h"

namespace VNUpdSEd {

class TVNUpdateSQLEditForm : public TForm {
  VN_DECLARE_FORM(TVNUpdateSQLEditForm, TForm)

 public:
  TPageControl* pcUpdateSQL = nullptr;
  TTabSheet* tsOptions = nullptr;
  TGroupBox* gbxGenSQL = nullptr;
  TLabel* lblTableName = nullptr;
  TComboBox* cbTableName = nullptr;
  TButton* btGetTableFields = nullptr;
  TButton* btDataSetDefaults = nullptr;
  TButton* btSelectPrimKeys = nullptr;
  TButton* btGenerateSQL = nullptr;
  TLabel* lblKeyFields = nullptr;
  TListBox* lbKeyFields = nullptr;
  TLabel* lblUpdateFields = nullptr;
  TListBox* lbUpdateFields = nullptr;
  TCheckBox* cbQuotedFields = nullptr;
  TTabSheet* tsSQL = nullptr;
  TRadioGroup* rgrStatementType = nullptr;
  TLabel* lblSQLText = nullptr;
  TMemo* meSQLText = nullptr;
  TPanel* pnlButton = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;
  TPopupMenu* pmFields = nullptr;
  TMenuItem* miSelectAll = nullptr;
  TMenuItem* miClearAll = nullptr;

  // Form events.
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);

  // Control events.
  void cbTableNameChange(TObject* Sender);
  void GenerateSQLClick(TObject* Sender);
  void SelectAllClick(TObject* Sender);
  void ClearAllClick(TObject* Sender);
  void StatementTypeClick(TObject* Sender);
  void SQLTextExit(TObject* Sender);
  void GetTableFieldsClick(TObject* Sender);
  void DataSetDefaultsClick(TObject* Sender);
  void btSelectPrimKeysClick(TObject* Sender);

  // Set-up once the update object is known, before the dialog is shown.
  void InitProperties();
  void LoadStatements();
  void SaveStatements();
  void SelectAllFields();
  void SetSelectedAllItems(TListBox& ListBox, bool Selected);
  void LoadDefaultOptions();

  std::string QuoteName(const std::string& Name);
  std::string FindFieldAlias(const std::string& TableText, const std::string& FieldName);
  void GenerateModifySQL();
  void GenerateRefreshSQL();
  void GenerateInsertSQL();
  void GenerateDeleteSQL();

 private:
  friend bool EditUpdateSQL(TVNUpdateSQL& UpdateSQL);

  // The update object's dataset, read afresh each time; null when none.
  TVNDataSet* DataSet() const noexcept;
  // The working statement of GetSQLIndex order 0..3; null for any other index.
  TStrings* StatementList(int Index) const noexcept;
  // Copies the controls' state into the generator before it runs.
  TUpdateSQLGenerator& PreparedGenerator();

  TVNUpdateSQL* FUpdateSQL = nullptr;
  std::unique_ptr<TStringList> FRefreshSQL;
  std::unique_ptr<TStringList> FModifySQL;
  std::unique_ptr<TStringList> FInsertSQL;
  std::unique_ptr<TStringList> FDeleteSQL;
  // The field origins live in the generator, whose alias index follows every
  // change of the list; FFieldInfo is that list.
  std::unique_ptr<TUpdateSQLGenerator> FGenerator;
  TStrings* FFieldInfo = nullptr;
  std::unique_ptr<TStringList> FTableInfo;
  bool FObjOwnerSupported = false;
};

// Runs the dialog on UpdateSQL; true when it was accepted with OK and the four
// statements were written back, false with UpdateSQL unchanged otherwise.
bool EditUpdateSQL(TVNUpdateSQL& UpdateSQL);

}  // namespace VNUpdSEd

// Called by the design host by name: EditUpdateSQL on a component that must be
// a TVNUpdateSQL (EInvalidCast otherwise, a null one included).
extern "C" bool VNUpdSEd_EditUpdateSQL(TComponent* UpdateSQL);
