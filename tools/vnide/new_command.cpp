// vnide new: a new form file, as the builder's File > New makes one, with a
// database, a query on one of its tables and an update object bound to it.
#include <algorithm>
#include <filesystem>
#include <optional>

#include "commands.h"
#include "design_root.h"
#include "design_session.h"
#include "form_text_file.h"
#include "package_host.h"
#include "registrations.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "statement_check.h"
#include "structure_view.h"

namespace vnide {

namespace {

namespace fs = std::filesystem;

// The builder's new data module and new form, before anything is dropped on them.
constexpr const char* NewDataModule = "object DataModule1: TDataModule1\n  OldCreateOrder = False\n  Height = 300\n"
                                      "  Width = 400\nend\n";
constexpr const char* NewForm = "object Form1: TForm1\n  Left = 0\n  Top = 0\n  Caption = 'Form1'\n"
                                "  ClientHeight = 300\n  ClientWidth = 400\nend\n";

// Where --database points: an SQLite file, or a PostgreSQL or MariaDB server
// named by a URI.
struct TDatabaseTarget {
  std::string ServerType;  // "stPostgreSQL", "stMariaDB"; empty for an SQLite file
  std::string Alias;           // DatabaseName: what the datasets name
  std::string Remote;          // RemoteDatabase: the file, or the server's database
  std::vector<std::string> Params;  // HOST=..., PORT=..., USER NAME=...
};

// "postgresql://[user@]host[:port]/database" (or "mariadb://..."): a password
// in it is refused, since it would be written into the form for anyone to read.
std::optional<TDatabaseTarget> ReadServerUri(const std::string& Text) {
  struct TScheme {
    std::string_view Prefix, ServerType, PasswordFile;
  };
  static constexpr TScheme Schemes[] = {{"postgresql://", "stPostgreSQL", "~/.pgpass or PGPASSFILE"},
                                        {"postgres://", "stPostgreSQL", "~/.pgpass or PGPASSFILE"},
                                        {"mariadb://", "stMariaDB", "[client] of ~/.my.cnf or $MYSQL_HOME/my.cnf"},
                                        {"mysql://", "stMariaDB", "[client] of ~/.my.cnf or $MYSQL_HOME/my.cnf"}};
  std::string_view Rest = Text;
  for (const TScheme& Scheme : Schemes)
    if (Rest.starts_with(Scheme.Prefix)) {
      Rest.remove_prefix(Scheme.Prefix.size());
      TDatabaseTarget Target;
      Target.ServerType = Scheme.ServerType;
      const std::size_t Slash = Rest.find('/');
      if (Slash == std::string_view::npos || Slash + 1 == Rest.size())
        throw EHostError(Format("--database %s names no database: %s[user@]host[:port]/database",
                                {Text, std::string(Scheme.Prefix)}));
      std::string_view Authority = Rest.substr(0, Slash);
      Target.Remote = std::string(Rest.substr(Slash + 1));
      if (const std::size_t At = Authority.rfind('@'); At != std::string_view::npos) {
        const std::string_view User = Authority.substr(0, At);
        if (User.find(':') != std::string_view::npos)
          throw EHostError("--database holds a password, which the form would show to anyone who reads it: "
                           "give it in a password file (" + std::string(Scheme.PasswordFile) + ") instead");
        Target.Params.push_back("USER NAME=" + std::string(User));
        Authority.remove_prefix(At + 1);
      }
      if (const std::size_t Colon = Authority.rfind(':'); Colon != std::string_view::npos) {
        Target.Params.insert(Target.Params.begin(), "PORT=" + std::string(Authority.substr(Colon + 1)));
        Authority = Authority.substr(0, Colon);
      }
      if (!Authority.empty()) Target.Params.insert(Target.Params.begin(), "HOST=" + std::string(Authority));
      Target.Alias = Target.Remote;
      return Target;
    }
  return std::nullopt;
}

TDatabaseTarget ReadDatabaseTarget(const std::string& Text, const fs::path& FormFolder) {
  if (auto Server = ReadServerUri(Text)) return *Server;
  const fs::path File = fs::absolute(NativeFileName(Text));
  std::error_code Error;
  if (!fs::is_regular_file(File, Error))
    throw EHostError(Format("--database %s: no such SQLite file (a server is named postgresql://host/database or mariadb://host/database)", {Text}));
  TDatabaseTarget Target;
  // Beside the form, or below it, a file is named as the builder names it: relative.
  Target.Remote = File.lexically_relative(fs::absolute(FormFolder)).string();
  if (Target.Remote.empty() || Target.Remote.starts_with("..")) Target.Remote = File.string();
  Target.Alias = File.stem().string();
  return Target;
}

const TMetaClass& PaletteClassNamed(std::string_view Name) {
  for (const auto& [Page, Classes] : vn_ide::PalettePages())
    for (const TMetaClass* Class : Classes)
      if (Class->ClassName() == Name) return *Class;
  throw EPackageError(Format("The palette has no class %s", {std::string(Name)}));
}

// A new component of the palette class ClassName on Root, named and placed as
// the designer places one dropped at Left, Top.
TComponent& Drop(TComponent& Root, std::string_view ClassName, int Left, int Top) {
  const TMetaClass& Class = PaletteClassNamed(ClassName);
  std::unique_ptr<TObject> Instance = Class.CreateInstance(&Root);
  auto& Component = dynamic_cast<TComponent&>(*Instance);
  Component.SetName(vn_ide::UniqueComponentName(Root, Class));
  Component.SetDesigning(true);
  Component.SetDesignInfo(static_cast<std::int32_t>(static_cast<std::uint32_t>(Left) | static_cast<std::uint32_t>(Top) << 16));
  Instance.release();  // Root owns it
  return Component;
}

TStrings& ListProp(TComponent& Component, std::string_view Name) {
  return dynamic_cast<TStrings&>(*GetObjectProp(Component, FindPropInfo(Component, Name)));
}

// A column name as a select list may hold it bare in every dialect: lower-case
// letters, digits and "_", not first a digit; any other is quoted.
std::string SelectName(const std::string& Name) {
  const bool Bare = !Name.empty() && !(Name[0] >= '0' && Name[0] <= '9') &&
                    std::all_of(Name.begin(), Name.end(), [](char C) {
                      return (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_';
                    });
  if (Bare) return Name;
  std::string Quoted = "\"";
  for (const char C : Name) Quoted += C == '"' ? std::string("\"\"") : std::string(1, C);
  return Quoted + "\"";
}

}  // namespace

int RunNewCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  const fs::path Form = fs::absolute(NativeFileName(Options.FormFile));
  std::error_code Error;
  if (fs::exists(Form, Error))
    throw EHostError(Format("%s exists: vnide new never writes over a form", {Options.FormFile}));
  if (!Options.TableName.empty() && Options.DatabaseText.empty())
    throw EHostError("--table needs --database: the table is looked up there");
  const fs::path Folder = Form.parent_path();
  if (!fs::is_directory(Folder, Error))
    throw EHostError(Format("Cannot write %s: no folder %s", {Options.FormFile, Folder.string()}));
  const std::optional<TDatabaseTarget> Target =
      Options.DatabaseText.empty() ? std::nullopt : std::optional(ReadDatabaseTarget(Options.DatabaseText, Folder));

  Host.Load(Options.PackageFile);
  TDesignRoot Root;
  Root.LoadFromText(Options.NewForm ? NewForm : NewDataModule, Options.FormFile);
  TComponent& R = Root.Component();
  std::string Note;
  if (Target) {
    TComponent& Database = Drop(R, "TVNDatabase", 24, 16);
    SetStrProp(Database, FindPropInfo(Database, "DatabaseName"), Target->Alias);
    SetStrProp(Database, FindPropInfo(Database, "RemoteDatabase"), Target->Remote);
    if (!Target->ServerType.empty()) {
      SetEnumProp(Database, FindPropInfo(Database, "ServerType"), Target->ServerType);
      for (const std::string& Line : Target->Params) ListProp(Database, "Params").Add(Line);
    }
    if (!Options.TableName.empty()) {
      TComponent& Query = Drop(R, "TVNQuery", 24, 72);
      TComponent& Update = Drop(R, "TVNUpdateSQL", 136, 72);
      SetStrProp(Query, FindPropInfo(Query, "DatabaseName"), Target->Alias);
      ListProp(Query, "SQL").SetText("select * from " + Options.TableName);
      SetObjectProp(Query, FindPropInfo(Query, "UpdateObject"), &Update);
      // The table's columns, read from the database as the form would read
      // them: a relative file is one beside the form.
      TVNUpdatePlan Plan;
      {
        const TWorkingFolder InFormFolder(Folder);
        Plan = PlanUpdateStatements(Host, Update);
      }
      if (Plan.Table.empty() && Plan.Columns.empty())
        throw EHostError(Format("Cannot make a query on %s: %s", {Options.TableName, Plan.Why}));
      if (!Plan.Columns.empty()) {
        std::string List;
        for (const std::string& Column : Plan.Columns) List += (List.empty() ? "" : ", ") + SelectName(Column);
        ListProp(Query, "SQL").SetText("select " + List + "\nfrom " + Options.TableName);
      }
      if (!Plan.Why.empty()) Note = "note: " + Plan.Why;
    }
  }
  WriteTextFile(Options.FormFile, Root.SaveToText());
  Out << "wrote " << Options.FormFile << ":";
  for (int I = 0; I < R.ComponentCount(); ++I)
    Out << (I == 0 ? " " : ", ") << R.Components(I)->Name() << ": " << R.Components(I)->ClassName();
  if (R.ComponentCount() == 0) Out << " an empty " << (Options.NewForm ? "form" : "data module");
  Out << '\n';
  if (!Note.empty()) Out << Note << '\n';
  return ecSuccess;
}

}  // namespace vnide
