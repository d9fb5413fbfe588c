// Unit Vndlgs: the SQL editor, a form of the runtime library's own described by
// its resource TVNSQLEDITDLG, and the test run it offers.
#include "varnel/Vndlgs.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "design_catalog.h"
#include "query_text.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "sqlite_connection.h"
#include "sqlite_statement.h"

namespace {

// A test shows the first rows only and counts the rest; long values are cut so
// that one row stays one readable line.
constexpr int ShownRows = 100;
constexpr std::size_t ShownValueBytes = 80;

// What a test run shows: the column names, then the first rows, each one line.
struct TSQLTrial {
  std::vector<std::string> Lines;
  std::string Status;
};

// Control characters as blanks, so that the text stays one line.
std::string OneLine(std::string Text) {
  for (char& C : Text)
    if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F) C = ' ';
  return Text;
}

// A value as one line of a list box: cut to ShownValueBytes at a character
// boundary.
std::string ShownValue(std::string Text) {
  Text = OneLine(std::move(Text));
  if (Text.size() <= ShownValueBytes) return Text;
  std::size_t Cut = ShownValueBytes;
  while (Cut > 0 && (static_cast<unsigned char>(Text[Cut]) & 0xC0) == 0x80) --Cut;
  Text.resize(Cut);
  return Text + "...";
}

std::string JoinColumns(const std::vector<std::string>& Values) {
  std::string Line;
  for (std::size_t I = 0; I < Values.size(); ++I) {
    if (I > 0) Line += " | ";
    Line += Values[I];
  }
  return Line;
}

std::string RowCountText(long long Count) {
  std::string Text = Count == 1 ? "1 row" : std::to_string(Count) + " rows";
  if (Count > ShownRows) Text += ", the first " + std::to_string(ShownRows) + " shown";
  return Text;
}

std::string NameForMessages(const TComponent& Component) {
  return Component.Name().empty() ? Component.ClassName() : Component.Name();
}

// SQL as the query would send it: macros expanded, each :name parameter a "?"
// with the query's value of that name in Values.
std::string BoundText(const TVNQuery& Query, const std::string& SQL, std::vector<Variant>& Values) {
  const auto* MacroQuery = dynamic_cast<const TVNMacroQuery*>(&Query);
  const std::string Text = MacroQuery != nullptr ? ExpandMacrosLeniently(*MacroQuery, SQL) : SQL;
  TParams Occurrences(nullptr);
  std::string Bound = Occurrences.ParseSQL(Text, true);
  Values.clear();
  for (int I = 0; I < Occurrences.Count(); ++I) {
    const std::string& Name = Occurrences.Items(I)->Name();
    const TParam* Param = Query.Params().FindParam(Name);
    if (Param == nullptr || Param->Value().IsEmpty())
      throw EDatabaseError(Format("Parameter '%s' has no value: give it one in the Params of %s to test",
                                  {Name, NameForMessages(Query)}));
    Values.push_back(Param->Value());
  }
  return Bound;
}

void CheckParameterCount(int Expected, std::size_t Given) {
  if (Expected != static_cast<int>(Given))
    throw EDatabaseError(Format("The statement takes %d parameters, but %d values were given",
                                {Expected, static_cast<int>(Given)}));
}

TSQLTrial TrySQLite(TVNSQLiteConnection& Connection, const std::string& SQL, const std::vector<Variant>& Values) {
  TSQLiteStatement Statement(*Connection.Handle(), SQL);
  if (Statement.Empty()) throw EDatabaseError("There is no SQL statement to test");
  if (!HoldsNoStatement(std::string_view(SQL).substr(Statement.Consumed())))
    throw EDatabaseError("Only one statement can be tested at a time");
  // The connection is read-only as well; asking first gives a clear message.
  if (sqlite3_stmt_readonly(Statement.Handle()) == 0)
    throw EDatabaseError("The statement would change the database; a test runs only statements that read");
  const int Columns = Statement.ColumnCount();
  if (Columns == 0) throw EDatabaseError("The statement returns no rows to show");
  CheckParameterCount(Statement.ParameterCount(), Values.size());
  for (std::size_t I = 0; I < Values.size(); ++I) Statement.BindVariant(static_cast<int>(I) + 1, Values[I]);

  TSQLTrial Trial;
  std::vector<std::string> Row(static_cast<std::size_t>(Columns));
  for (int C = 0; C < Columns; ++C) {
    const char* Name = sqlite3_column_name(Statement.Handle(), C);  // null only when memory ran out
    Row[static_cast<std::size_t>(C)] = ShownValue(Name != nullptr ? Name : "");
  }
  Trial.Lines.push_back(JoinColumns(Row));
  long long Count = 0;
  while (Statement.Step()) {
    if (++Count > ShownRows) continue;
    for (int C = 0; C < Columns; ++C) {
      std::string& Value = Row[static_cast<std::size_t>(C)];
      switch (sqlite3_column_type(Statement.Handle(), C)) {
        case SQLITE_NULL: Value = "NULL"; break;
        case SQLITE_BLOB: Value = Format("(BLOB, %d bytes)", {sqlite3_column_bytes(Statement.Handle(), C)}); break;
        default: Value = ShownValue(Statement.ColumnText(C));
      }
    }
    Trial.Lines.push_back(JoinColumns(Row));
  }
  Trial.Status = RowCountText(Count);
  return Trial;
}

// Other servers: the connection itself is read-only and refuses what writes.
TSQLTrial TryServer(TVNServerConnection& Connection, const std::string& SQL, const std::vector<Variant>& Values) {
  const TVNResultSet Result = Connection.OpenQuery(SQL, Values);
  TSQLTrial Trial;
  std::vector<std::string> Row;
  for (const TVNColumnInfo& Column : Result.Columns) Row.push_back(ShownValue(Column.Name));
  Trial.Lines.push_back(JoinColumns(Row));
  const std::size_t Shown = std::min(Result.Rows.size(), static_cast<std::size_t>(ShownRows));
  for (std::size_t R = 0; R < Shown; ++R) {
    Row.clear();
    for (const Variant& Value : Result.Rows[R]) Row.push_back(Value.IsNull() ? "NULL" : ShownValue(Value.AsString()));
    Trial.Lines.push_back(JoinColumns(Row));
  }
  Trial.Status = RowCountText(static_cast<long long>(Result.Rows.size()));
  return Trial;
}

// Runs SQL as Query would, through a read-only connection of its own, so that
// neither the database nor the query's or database's state changes.
TSQLTrial TrySQL(const TVNQuery& Query, const std::string& SQL) {
  std::vector<Variant> Values;
  const std::string Bound = BoundText(Query, SQL, Values);
  if (HoldsNoStatement(Bound)) throw EDatabaseError("There is no SQL statement to test");
  // The database the query would open, with its login parameters.
  const std::unique_ptr<TVNServerConnection> Connection = ConnectDataSetDatabase(Query, caReadOnly);
  if (auto* SQLite = dynamic_cast<TVNSQLiteConnection*>(Connection.get())) return TrySQLite(*SQLite, Bound, Values);
  return TryServer(*Connection, Bound, Values);
}

class TVNSQLEditDlg : public TForm {
  VN_DECLARE_FORM(TVNSQLEditDlg, TForm)
 public:
  TLabel* lblSQL = nullptr;
  TMemo* meSQL = nullptr;
  TButton* btTest = nullptr;
  TLabel* lblResult = nullptr;
  TListBox* lbResult = nullptr;
  TButton* btCodeEditor = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;

  void btTestClick(TObject* Sender);
  void btCodeEditorClick(TObject* Sender);

  TVNQuery* FQuery = nullptr;
  // Set by the code-editor button: the text goes there once the dialog is
  // closed, so the code editor never opens under a modal dialog.
  bool FCodeEditorChosen = false;
};

}  // namespace

VN_IMPLEMENT_CLASS(TVNSQLEditDlg, TForm)

const TFormBindings& TVNSQLEditDlg::Bindings() {
  using D = TVNSQLEditDlg;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("lblSQL", &D::lblSQL)
                                     .Field("meSQL", &D::meSQL)
                                     .Field("btTest", &D::btTest)
                                     .Field("lblResult", &D::lblResult)
                                     .Field("lbResult", &D::lbResult)
                                     .Field("btCodeEditor", &D::btCodeEditor)
                                     .Field("btOk", &D::btOk)
                                     .Field("btCancel", &D::btCancel)
                                     .Handler("btTestClick", &D::btTestClick)
                                     .Handler("btCodeEditorClick", &D::btCodeEditorClick)
                                     .Done();
  return B;
}

void TVNSQLEditDlg::btTestClick(TObject*) {
  lbResult->Clear();
  TSQLTrial Trial;
  {
    TCursorGuard Hourglass(crHourGlass);
    try {
      Trial = TrySQL(*FQuery, meSQL->Text());
    } catch (const Exception& E) {
      // The test's answer, shown where its rows would be; the dialog stays as it was.
      lblResult->SetCaption("Error: " + OneLine(E.Message()));
      return;
    }
  }
  TStrings& Items = lbResult->Items();
  Items.BeginUpdate();
  for (const std::string& Line : Trial.Lines) Items.Add(Line);
  Items.EndUpdate();
  lblResult->SetCaption(Trial.Status);
}

void TVNSQLEditDlg::btCodeEditorClick(TObject*) {
  FCodeEditorChosen = true;
  SetModalResult(mrCancel);
}

bool ShowSQLEditor(const std::string& Caption, TVNQuery& Query, const TShowCodeEditorEvent& ShowCodeEditor) {
  auto Dialog = std::make_unique<TVNSQLEditDlg>(Application);
  Dialog->SetCaption(Caption);
  Dialog->FQuery = &Query;
  Dialog->meSQL->Lines().Assign(Query.SQL());
  Dialog->btCodeEditor->SetEnabled(static_cast<bool>(ShowCodeEditor));
  const TModalResult Result = Dialog->ShowModal();
  if (Dialog->FCodeEditorChosen && ShowCodeEditor) {
    TStringList Text;
    Text.Assign(Dialog->meSQL->Lines());
    Dialog.reset();
    ShowCodeEditor(Text, !Text.Equals(Query.SQL()));
    return false;
  }
  if (Result != mrOk) return false;
  // Assigning the same text would still close an open query.
  if (!Dialog->meSQL->Lines().Equals(Query.SQL())) Query.SQL().Assign(Dialog->meSQL->Lines());
  return true;
}

extern "C" bool Vndlgs_ShowSQLEditor(const std::string& Caption, TVNQuery& Query,
                                     const TShowCodeEditorEvent& ShowCodeEditor) {
  return ShowSQLEditor(Caption, Query, ShowCodeEditor);
}
