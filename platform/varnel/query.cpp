#include "varnel/Vnengine.h"

#include "dataset_loading.h"
#include "monitor_hook.h"
#include "query_text.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "server_connection.h"
#include "sql_tokenizer.h"

VN_IMPLEMENT_PUBLISHED(TVNQuery, TVNDataSet)
VN_IMPLEMENT_PUBLISHED(TVNMacroQuery, TVNQuery)

namespace {

bool IsNameStart(char C) noexcept {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_' || static_cast<unsigned char>(C) >= 0x80;
}
bool IsNameChar(char C) noexcept { return IsNameStart(C) || (C >= '0' && C <= '9'); }

// Calls Text(piece) for the SQL between macros and Macro(name) for each %name,
// in order. Literals, quoted names and comments are text.
template <class FText, class FMacro>
void ScanMacros(std::string_view SQL, FText&& Text, FMacro&& Macro) {
  std::size_t I = 0;
  std::size_t TextStart = 0;
  while (I < SQL.size()) {
    const char C = SQL[I];
    const char Next = I + 1 < SQL.size() ? SQL[I + 1] : '\0';
    if (C == '\'' || C == '"' || C == '`') {
      I = QuotedEnd(SQL, I);
    } else if (C == '-' && Next == '-') {
      const std::size_t End = SQL.find('\n', I);
      I = End == std::string_view::npos ? SQL.size() : End;
    } else if (C == '/' && Next == '*') {
      const std::size_t End = SQL.find("*/", I + 2);
      I = End == std::string_view::npos ? SQL.size() : End + 2;
    } else if (C == '%' && IsNameStart(Next)) {
      std::size_t End = I + 1;
      while (End < SQL.size() && IsNameChar(SQL[End])) ++End;
      Text(SQL.substr(TextStart, I - TextStart));
      Macro(std::string(SQL.substr(I + 1, End - I - 1)));
      I = TextStart = End;
    } else {
      ++I;
    }
  }
  Text(SQL.substr(TextStart));
}

// Rebuilds List with one item per name, in order of first use, each keeping the
// value of the item of that name it had before.
void Recreate(TParams& List, const std::vector<std::string>& Names) {
  TParams Fresh(nullptr);
  for (const std::string& Name : Names) {
    if (Fresh.FindParam(Name) != nullptr) continue;
    TParam& Param = Fresh.CreateParam(ftUnknown, Name, ptInput);
    if (const TParam* Old = List.FindParam(Name)) {
      Param.Assign(*Old);
      Param.SetName(Name);  // spelled as the text spells it now
    }
  }
  List.Assign(Fresh);
}

std::vector<std::string> ParameterNames(std::string_view SQL) {
  TParams Found(nullptr);
  Found.ParseSQL(SQL, true);
  std::vector<std::string> Names;
  for (int I = 0; I < Found.Count(); ++I) Names.push_back(Found.Items(I)->Name());
  return Names;
}

std::string NameForMessages(const TComponent& Component) {
  return Component.Name().empty() ? Component.ClassName() : Component.Name();
}

}  // namespace

std::string ExpandMacrosLeniently(const TVNMacroQuery& Query, std::string_view SQL) {
  std::string Result;
  Result.reserve(SQL.size());
  ScanMacros(
      SQL, [&](std::string_view Text) { Result += Text; },
      [&](const std::string& Name) {
        if (const TParam* Macro = Query.Macros().FindParam(Name)) Result += Macro->AsString();
      });
  return Result;
}

// ---------------------------------------------------------------------------
// TVNQuery

const std::vector<TPropInfo>& TVNQuery::PublishedProperties() {
  using Q = TVNQuery;
  // SQL comes before Params: reading SQL makes the parameters, reading Params
  // then gives them the types and values the file holds.
  static const auto List = TPublisher<Q>()
                               .Owned<TStrings>("SQL", &Q::SQL)
                               .Owned<TParams>("Params", &Q::Params)
                               .Reference<TVNDataSetUpdateObject>("UpdateObject", &Q::UpdateObject, &Q::SetUpdateObject)
                               .List();
  return List;
}

TVNQuery::TVNQuery(TComponent* AOwner)
    : TVNDataSet(AOwner), FSQL(std::make_unique<TStringList>()), FParams(std::make_unique<TParams>(this)) {
  static_cast<TStringList&>(*FSQL).OnChange = [this](TObject*) { SQLChanged(); };
}

TVNQuery::~TVNQuery() {
  static_cast<TStringList&>(*FSQL).OnChange = nullptr;
  Close();
}

void TVNQuery::SetParams(const TParams& Value) { FParams->Assign(Value); }

int TVNQuery::ParamCount() const { return FParams->Count(); }

TParam& TVNQuery::ParamByName(std::string_view Name) const { return FParams->ParamByName(Name); }

std::string TVNQuery::StatementText() const { return FSQL->Text(); }

void TVNQuery::SQLChanged() {
  if (Active()) Close();
  Recreate(*FParams, ParameterNames(FSQL->Text()));
}

std::string TVNQuery::BoundStatement(std::vector<Variant>& Values) const {
  TParams Occurrences(nullptr);
  std::string Text = Occurrences.ParseSQL(StatementText(), true);
  Values.clear();
  for (int I = 0; I < Occurrences.Count(); ++I) {
    const std::string& Name = Occurrences.Items(I)->Name();
    const TParam& Param = FParams->ParamByName(Name);
    // An unassigned parameter is a forgotten one; a cleared one binds NULL.
    if (Param.Value().IsEmpty())
      throw EDatabaseError(Format("%s: no value for parameter '%s'", {NameForMessages(*this), Name}));
    Values.push_back(Param.Value());
  }
  return Text;
}

void TVNQuery::InternalOpen() {
  std::vector<Variant> Values;
  const std::string Text = BoundStatement(Values);
  TVNDatabase& Database = AttachDatabase();
  NotifyMonitors(Text);
  SetRecords(DefineFields(FieldDefs(), Database.Connection().OpenQuery(Text, Values)));
}

int TVNQuery::ExecSQL() {
  std::vector<Variant> Values;
  const std::string Text = BoundStatement(Values);
  TVNDatabase& Database = AttachDatabase();
  // A closed query lets its database go again afterwards.
  struct TRelease {
    TVNQuery& Self;
    ~TRelease() {
      if (!Self.Active()) Self.DetachDatabase();
    }
  } Release{*this};
  NotifyMonitors(Text);
  return Database.Connection().ExecuteStatement(Text, Values);
}

// ---------------------------------------------------------------------------
// TVNMacroQuery

const std::vector<TPropInfo>& TVNMacroQuery::PublishedProperties() {
  static const auto List = TPublisher<TVNMacroQuery>().Owned<TParams>("Macros", &TVNMacroQuery::Macros).List();
  return List;
}

TVNMacroQuery::TVNMacroQuery(TComponent* AOwner) : TVNQuery(AOwner), FMacros(std::make_unique<TParams>(this)) {}

TVNMacroQuery::~TVNMacroQuery() = default;

void TVNMacroQuery::SetMacros(const TParams& Value) { FMacros->Assign(Value); }

TParam& TVNMacroQuery::MacroByName(std::string_view Name) const {
  if (TParam* Macro = FMacros->FindParam(Name)) return *Macro;
  throw EDatabaseError(Format("%s: macro '%s' not found", {NameForMessages(*this), Name}));
}

std::string TVNMacroQuery::StatementText() const {
  std::string Result;
  ScanMacros(
      TVNQuery::StatementText(), [&](std::string_view Text) { Result += Text; },
      [&](const std::string& Name) { Result += MacroByName(Name).AsString(); });
  return Result;
}

void TVNMacroQuery::SQLChanged() {
  TVNQuery::SQLChanged();
  std::vector<std::string> Names;
  ScanMacros(
      TVNQuery::StatementText(), [](std::string_view) {}, [&](const std::string& Name) { Names.push_back(Name); });
  Recreate(*FMacros, Names);
}
