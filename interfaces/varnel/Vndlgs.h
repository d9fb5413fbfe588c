// Unit Vndlgs: the runtime library's dialogs for the design-time editors: the
// SQL of a query, a database's connection parameters, its remote database, and
// the database component as a whole.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "rtl/Classes.h"
#include "varnel/Vncommon.h"
#include "varnel/Vnengine.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

// Moves a string list to the IDE's code editor; MarkModified: the list differs from what
// the component holds. A method of the caller (component or property editor).
using TShowCodeEditorEvent = std::function<void(TStrings& List, bool MarkModified)>;
// Fills List (may be null: then nothing) with the stored default connection parameters.
using TGetDefaultParamsEvent = std::function<void(TStrings* List)>;

// Edits Query's SQL in a modal dialog titled Caption; true when accepted (the SQL written
// back into Query). A "Code Editor" button hands the text to ShowCodeEditor (when set) and
// closes the dialog answering false, Query untouched.
//
// The dialog can test the SQL as it stands against the query's own database
// (DatabaseName, SessionName) with the query's parameter values: through a
// read-only connection of its own, so the query and its database stay as they
// were, and a statement that would write is refused before it runs.
bool ShowSQLEditor(const std::string& Caption, TVNQuery& Query, const TShowCodeEditorEvent& ShowCodeEditor);
// Edits Params (name=value lines) in place in a modal dialog; true when accepted.
// A "Defaults" button asks GetDefaultParams for the defaults; a code-editor button as above.
// Blank lines are dropped on accepting; the others are kept as typed.
bool ShowDatabaseParamsEditor(TStrings& Params, const TShowCodeEditorEvent& ShowCodeEditor,
                              const TGetDefaultParamsEvent& GetDefaultParams);
// Asks for a remote database of ServerType (for SQLite a database file name), starting
// from Value; answers the text to store, "" meaning no change (also on cancel).
// The text is answered without the blanks around it.
std::string InputRemoteDatabaseValue(TVNServerType ServerType, const std::string& Value);

// The same routines, for hosts that call them by name.
extern "C" bool Vndlgs_ShowSQLEditor(const std::string& Caption, TVNQuery& Query,
                                     const TShowCodeEditorEvent& ShowCodeEditor);
extern "C" bool Vndlgs_ShowDatabaseParamsEditor(TStrings& Params, const TShowCodeEditorEvent& ShowCodeEditor,
                                                const TGetDefaultParamsEvent& GetDefaultParams);
// Result: InputRemoteDatabaseValue's answer; true when it is not "".
extern "C" bool Vndlgs_InputRemoteDatabaseValue(TVNServerType ServerType, const std::string& Value,
                                                std::string& Result);

// The database component's dialog: names, server type, remote database, the
// switches and the connection parameters. The caller fills it with the
// setters, shows it with ShowModal (mrOk when accepted) and reads the getters.
// OK with an empty database name is refused with a message; the dialog stays
// open. The three default buttons fire their events with the dialog as Sender
// at once (whether the dialog is accepted later or not); a button whose event
// is unset is disabled.
class TVNDatabaseEditDlg : public TForm {
  VN_DECLARE_CLASS(TVNDatabaseEditDlg)
 public:
  TVNDatabaseEditDlg(TComponent* AOwner, int Flags);  // Flags: 0, reserved
  ~TVNDatabaseEditDlg() override;
  static const TFormBindings& Bindings();

  void LoadData(TStrings* DatabaseNames);  // names for the database-name drop-down; null: none
  void SetDatabaseName(const std::string& Value);
  void SetServerType(TVNServerType Value);
  void SetRemoteDatabase(const std::string& Value);
  // The list object itself (the settings store's history, most recent first),
  // shown as the drop-down of the remote database; read when set, never
  // changed. Null: no history.
  void SetRemoteDatabaseHistory(TStrings* History);
  void SetKeepConnection(bool Value);
  void SetLoginPrompt(bool Value);
  void SetDefaultDatabase(bool Value);
  void SetStoreConnected(bool Value);
  void SetParams(const TStrings& Value);
  // Asked by the parameters' own dialog ("Edit...") for the defaults.
  void SetGetDefaultParams(TGetDefaultParamsEvent Value);
  void SetOnLoadDefaultParamsClick(TNotifyEvent Value);
  void SetOnSaveDefaultParamsClick(TNotifyEvent Value);
  void SetOnSaveDefaultSrvTypeClick(TNotifyEvent Value);

  // ShowModal inherited: mrOk (1) when accepted.

  // A copy of the parameters as the dialog holds them now, blank lines left
  // out; the caller owns it.
  std::unique_ptr<TStringList> GetParams() const;
  // The name without the blanks around it.
  std::string GetDatabaseName() const;
  TVNServerType GetServerType() const;
  std::string GetRemoteDatabase() const;
  bool GetKeepConnection() const;
  bool GetLoginPrompt() const;
  bool GetDefaultDatabase() const;
  bool GetStoreConnected() const;

  // Controls, bound by name from the form description.
  TLabel* lblDatabaseName = nullptr;
  TComboBox* cbDatabaseName = nullptr;
  TLabel* lblServerType = nullptr;
  TComboBox* cbServerType = nullptr;
  TButton* btSaveDefaultSrvType = nullptr;
  TLabel* lblRemoteDatabase = nullptr;
  TComboBox* cbRemoteDatabase = nullptr;
  TButton* btRemoteDatabase = nullptr;
  TGroupBox* gbxOptions = nullptr;
  TCheckBox* cbKeepConnection = nullptr;
  TCheckBox* cbLoginPrompt = nullptr;
  TCheckBox* cbDefaultDatabase = nullptr;
  TCheckBox* cbStoreConnected = nullptr;
  TLabel* lblParams = nullptr;
  TMemo* meParams = nullptr;
  TButton* btEditParams = nullptr;
  TButton* btLoadDefaultParams = nullptr;
  TButton* btSaveDefaultParams = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;

  // Handlers, bound by name.
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void btRemoteDatabaseClick(TObject* Sender);
  void btEditParamsClick(TObject* Sender);
  void btLoadDefaultParamsClick(TObject* Sender);
  void btSaveDefaultParamsClick(TObject* Sender);
  void btSaveDefaultSrvTypeClick(TObject* Sender);

 private:
  TGetDefaultParamsEvent FGetDefaultParams;
  TNotifyEvent FOnLoadDefaultParamsClick;
  TNotifyEvent FOnSaveDefaultParamsClick;
  TNotifyEvent FOnSaveDefaultSrvTypeClick;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Vndlgs_Initialization();
void Vndlgs_Finalization();
