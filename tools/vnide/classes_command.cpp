// vnide classes: the component classes a person can put on a form, with their
// published properties, types and the values a new component starts with.
#include <nlohmann/json.hpp>

#include "commands.h"
#include "name_suggestion.h"
#include "package_host.h"
#include "registrations.h"
#include "rtl/Classes.h"
#include "rtl/TypInfo.h"

namespace vnide {

namespace {

using TJson = nlohmann::ordered_json;

struct TClassEntry {
  const TMetaClass* Class;
  std::string Page;  // "" for a class that is registered for form files only
};

struct TPropertyRow {
  std::string Name, Type;
  std::optional<std::string> Default;  // none for owned objects, references and events
  bool Quoted = false;                 // a string value
};

std::vector<TPropertyRow> PropertiesOf(const TMetaClass& Class) {
  // A new instance shows what a component dropped on a form starts with; an
  // abstract class offers only the declared defaults.
  std::unique_ptr<TObject> Instance;
  if (!Class.IsAbstract()) Instance = Class.CreateInstance(nullptr);
  std::vector<TPropertyRow> Rows;
  for (PPropInfo Prop : GetPropList(Class)) {
    TPropertyRow Row{Prop->Name, Prop->PropType->Name, std::nullopt, false};
    const TTypeKind Kind = Prop->PropType->Kind;
    const bool HasValue = Kind != tkClass && Kind != tkMethod;
    if (HasValue && Instance) {
      Row.Default = GetPropText(*Instance, *Prop);
      Row.Quoted = Kind == tkUString || Kind == tkLString || Kind == tkWString || Kind == tkString ||
                   Kind == tkChar || Kind == tkWChar;
    } else if (HasValue && Prop->Default) {
      Row.Default = Kind == tkEnumeration ? GetEnumName(Prop->PropType, *Prop->Default)
                                          : std::to_string(*Prop->Default);
    }
    Rows.push_back(std::move(Row));
  }
  return Rows;
}

std::vector<TClassEntry> PaletteClasses() {
  std::vector<TClassEntry> Entries;
  for (const auto& [Page, Classes] : vn_ide::PalettePages())
    for (const TMetaClass* Class : Classes) Entries.push_back({Class, Page});
  return Entries;
}

TClassEntry FindClassEntry(const std::string& Name) {
  std::vector<std::string> Names;
  for (const TClassEntry& Entry : PaletteClasses()) {
    if (SameText(Entry.Class->ClassName(), Name)) return Entry;
    Names.push_back(Entry.Class->ClassName());
  }
  if (TClass Class = GetClass(Name)) return {Class, ""};
  throw EHostError(Format("Class %s is not registered%s", {Name, vn_vcl::DidYouMean(Name, Names)}));
}

}  // namespace

int RunClassesCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  Host.Load(Options.PackageFile);
  const std::vector<TClassEntry> Entries =
      Options.ClassName.empty() ? PaletteClasses() : std::vector<TClassEntry>{FindClassEntry(Options.ClassName)};
  TJson Json = TJson::array();
  for (const TClassEntry& Entry : Entries) {
    const std::vector<TPropertyRow> Rows = PropertiesOf(*Entry.Class);
    if (Options.Output == ofJson) {
      TJson Properties = TJson::array();
      for (const TPropertyRow& Row : Rows)
        Properties.push_back(
            {{"name", Row.Name}, {"type", Row.Type}, {"default", Row.Default ? TJson(*Row.Default) : TJson(nullptr)}});
      TJson Class;
      Class["class"] = Entry.Class->ClassName();
      Class["parent"] = Entry.Class->ClassParent() ? TJson(Entry.Class->ClassParent()->ClassName()) : TJson(nullptr);
      Class["page"] = Entry.Page.empty() ? TJson(nullptr) : TJson(Entry.Page);
      Class["properties"] = std::move(Properties);
      Json.push_back(std::move(Class));
      continue;
    }
    Out << Entry.Class->ClassName();
    if (Entry.Class->ClassParent()) Out << " (" << Entry.Class->ClassParent()->ClassName() << ")";
    if (!Entry.Page.empty()) Out << " on page " << Entry.Page;
    Out << '\n';
    for (const TPropertyRow& Row : Rows) {
      Out << "  " << Row.Name << ": " << Row.Type;
      if (Row.Default) Out << " = " << (Row.Quoted ? QuotedStr(*Row.Default) : *Row.Default);
      Out << '\n';
    }
  }
  if (Options.Output == ofJson) Out << JsonText(Json, 2) << '\n';
  return ecSuccess;
}

}  // namespace vnide
