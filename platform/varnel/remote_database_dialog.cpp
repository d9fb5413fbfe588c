// Unit Vndlgs: the question for a remote database, a form of the runtime
// library's own described by its resource TVNREMOTEDATABASEDLG.
#include "varnel/Vndlgs.h"

#include <memory>

#include "rtl/SysUtils.h"
#include "vcl/Dialogs.h"

namespace {

class TVNRemoteDatabaseDlg : public TForm {
  VN_DECLARE_FORM(TVNRemoteDatabaseDlg, TForm)
 public:
  TLabel* lblDatabase = nullptr;
  TEdit* edDatabase = nullptr;
  TButton* btBrowse = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;

  void btBrowseClick(TObject* Sender);
};

}  // namespace

VN_IMPLEMENT_CLASS(TVNRemoteDatabaseDlg, TForm)

const TFormBindings& TVNRemoteDatabaseDlg::Bindings() {
  using D = TVNRemoteDatabaseDlg;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("lblDatabase", &D::lblDatabase)
                                     .Field("edDatabase", &D::edDatabase)
                                     .Field("btBrowse", &D::btBrowse)
                                     .Field("btOk", &D::btOk)
                                     .Field("btCancel", &D::btCancel)
                                     .Handler("btBrowseClick", &D::btBrowseClick)
                                     .Done();
  return B;
}

void TVNRemoteDatabaseDlg::btBrowseClick(TObject*) {
  TOpenDialog Dialog(nullptr);
  Dialog.SetTitle("Open SQLite Database");
  Dialog.SetFileName(Trim(edDatabase->Text()));
  Dialog.SetFilter(
      "SQLite databases (*.db;*.sqlite;*.sqlite3;*.db3)|*.db;*.sqlite;*.sqlite3;*.db3|All files (*.*)|*.*");
  // A connection never creates the file, so only an existing one will do.
  TOpenOptions Options = Dialog.Options();
  Options.Include(ofPathMustExist);
  Options.Include(ofFileMustExist);
  Dialog.SetOptions(Options);
  if (Dialog.Execute()) edDatabase->SetText(Dialog.FileName());
}

std::string InputRemoteDatabaseValue(TVNServerType ServerType, const std::string& Value) {
  auto Dialog = std::make_unique<TVNRemoteDatabaseDlg>(Application);
  Dialog->SetCaption(GetServerTypeName(ServerType) + " Database");
  Dialog->edDatabase->SetText(Value);
  // Only an SQLite database is a file to look for.
  if (ServerType != stSQLite) {
    Dialog->lblDatabase->SetCaption("&Database:");
    Dialog->btBrowse->SetVisible(false);
  }
  if (Dialog->ShowModal() != mrOk) return "";
  return Trim(Dialog->edDatabase->Text());
}

extern "C" bool Vndlgs_InputRemoteDatabaseValue(TVNServerType ServerType, const std::string& Value,
                                                std::string& Result) {
  Result = InputRemoteDatabaseValue(ServerType, Value);
  return !Result.empty();
}
