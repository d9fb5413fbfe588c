// vnide inspect, values, set and ellipsis: the Object Inspector on components
// of a form file. Each property is shown and changed through the property
// editor registered for it; the form is saved when the designer was marked
// modified.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>

#include "commands.h"
#include "design_session.h"
#include "form_view.h"
#include "object_inspector.h"
#include "package_host.h"
#include "rtl/Windows.h"

namespace vnide {

namespace {

constexpr const char* AttributeNames[] = {
    "value list", "sub-properties", "dialog", "multi-select", "auto-update", "sorted", "read-only", "revertable",
    "full-width name", "volatile sub-properties", "vcl", "not nestable", "display read-only", "custom drop-down",
    "value editable"};

std::vector<std::string> AttributeList(TPropertyAttributes Attributes) {
  std::vector<std::string> Names;
  for (int A = paValueList; A <= paValueEditable; ++A)
    if (Attributes.Contains(static_cast<TPropertyAttribute>(A))) Names.emplace_back(AttributeNames[A]);
  return Names;
}

// The components named, each argument one name or several separated by ",".
std::vector<TComponent*> Selection(const TDesignSession& Session, const std::vector<std::string>& Arguments) {
  std::vector<TComponent*> Components;
  for (const std::string& Argument : Arguments) {
    for (std::size_t Start = 0; Start <= Argument.size();) {
      const std::size_t Comma = std::min(Argument.find(',', Start), Argument.size());
      const std::string Name = Trim(Argument.substr(Start, Comma - Start));
      Start = Comma + 1;
      if (Name.empty()) continue;
      // The root's own name selects the form or data module itself.
      TComponent& C = SameText(Name, Session.Root().Name()) ? Session.Root() : Session.FindComponent(Name);
      if (std::find(Components.begin(), Components.end(), &C) == Components.end()) Components.push_back(&C);
    }
  }
  if (Components.empty()) throw EHostError("name at least one component");
  return Components;
}

std::string SelectionText(const std::vector<TComponent*>& Components) {
  std::string Text;
  for (const TComponent* C : Components) Text += (Text.empty() ? "" : ",") + C->Name();
  return Text;
}

nlohmann::ordered_json ComponentsJson(const std::vector<TComponent*>& Components) {
  nlohmann::ordered_json List = nlohmann::ordered_json::array();
  for (const TComponent* C : Components) List.push_back({{"name", C->Name()}, {"class", C->ClassName()}});
  return List;
}

// After a change: the form saved when the designer was marked modified.
nlohmann::ordered_json SavedJson(TDesignSession& Session, bool Saved) {
  return Saved ? nlohmann::ordered_json(Session.SaveFile()) : nlohmann::ordered_json(nullptr);
}

}  // namespace

int RunInspectCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  const std::vector<TComponent*> Components = Selection(Session, Options.Selection);
  vn_ide::TObjectInspector Inspector(&Session.Designer(), Components);
  std::vector<vn_ide::TInspectorRow>* Rows = nullptr;
  Session.Run([&] { Rows = &Inspector.Rows(); });
  // Categories by name, as the inspector's category view shows them;
  // properties in published order within each.
  std::map<std::string, std::vector<const vn_ide::TInspectorRow*>> ByCategory;
  for (const vn_ide::TInspectorRow& Row : *Rows) ByCategory[Row.Category].push_back(&Row);
  Session.Finish();

  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["components"] = ComponentsJson(Components);
    Json["categories"] = nlohmann::ordered_json::array();
    for (const auto& [Category, List] : ByCategory) {
      nlohmann::ordered_json Properties = nlohmann::ordered_json::array();
      for (const vn_ide::TInspectorRow* Row : List)
        Properties.push_back({{"name", Row->Name},
                              {"value", Row->Value},
                              {"differs", Row->Differs},
                              {"editor", Row->Editor->ClassName()},
                              {"attributes", AttributeList(Row->Attributes)}});
      Json["categories"].push_back({{"name", Category}, {"properties", Properties}});
    }
    Out << JsonText(Json, 2) << '\n';
    return ecSuccess;
  }
  for (const TComponent* C : Components) Out << C->Name() << ": " << C->ClassName() << '\n';
  std::size_t Width = 0;
  for (const vn_ide::TInspectorRow& Row : *Rows) Width = std::max(Width, Row.Name.size());
  for (const auto& [Category, List] : ByCategory) {
    Out << "[" << Category << "]\n";
    for (const vn_ide::TInspectorRow* Row : List) {
      std::string Attributes;
      for (const std::string& A : AttributeList(Row->Attributes)) Attributes += (Attributes.empty() ? "" : ", ") + A;
      // As the builder shows it: a blank value where the components differ.
      Out << "  " << Row->Name << std::string(Width - Row->Name.size(), ' ') << " ="
          << (Row->Differs ? std::string() : " " + vn_vcl::QuoteText(Row->Value)) << "  (" << Row->Editor->ClassName() << (Attributes.empty() ? "" : ": " + Attributes) << ")\n";
    }
  }
  return ecSuccess;
}

int RunValuesCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  const std::vector<TComponent*> Components = Selection(Session, Options.Selection);
  vn_ide::TObjectInspector Inspector(&Session.Designer(), Components);
  std::vector<std::string> Values;
  Session.Run([&] { Values = Inspector.Values(Options.PropertyName); });
  Session.Finish();
  if (Options.Output == ofJson) {
    Out << JsonText(nlohmann::ordered_json(Values), 2) << '\n';
  } else {
    for (const std::string& V : Values) Out << V << '\n';
  }
  return ecSuccess;
}

int RunSetCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  const std::vector<TComponent*> Components = Selection(Session, Options.Selection);
  vn_ide::TObjectInspector Inspector(&Session.Designer(), Components);
  std::string Stored;
  Session.Run([&] { Stored = Inspector.SetValue(Options.PropertyName, Options.Value, Options.Complete); });
  if (Stored != Options.Value)
    Session.Transcript() << "completed " << vn_vcl::QuoteText(Options.Value) << " to " << vn_vcl::QuoteText(Stored) << '\n';
  // A name its editor does not list (a table the database does not have) is
  // kept, as the builder keeps it, but said.
  const vn_ide::TInspectorRow& Row = Inspector.Row(Options.PropertyName);
  if (!Stored.empty() && Row.Editor->GetAttributes().Contains(paValueList)) {
    std::vector<std::string> Values;
    try {
      Session.Run([&] { Values = Inspector.Values(Options.PropertyName); });
    } catch (const Exception&) {
      Values.clear();  // nothing to compare with: no warning to give
      Values.push_back(Stored);
    }
    if (std::none_of(Values.begin(), Values.end(), [&](const std::string& V) { return AnsiSameText(V, Stored); })) {
      std::string Listed;
      // Names come from the form and the database: one that holds a control
      // character, a quote or a comma is shown quoted and escaped.
      const auto Shown = [](const std::string& V) {
        const bool Plain = std::none_of(V.begin(), V.end(), [](char C) {
          const auto U = static_cast<unsigned char>(C);
          return U < 0x20 || U == 0x7F || C == '"' || C == ',' || C == '\\';
        });
        return Plain ? V : vn_vcl::QuoteText(V);
      };
      for (std::size_t I = 0; I < Values.size() && I < 8; ++I) Listed += (I == 0 ? "" : ", ") + Shown(Values[I]);
      if (Values.size() > 8) Listed += ", ...";
      Session.Transcript() << "warning: " << Row.Name << " " << vn_vcl::QuoteText(Stored)
                           << " is none of the values its editor lists" << (Listed.empty() ? "" : " (" + Listed + ")")
                           << "; set as typed\n";
    }
  }
  const std::string Shown = Inspector.Row(Options.PropertyName).Value;
  const bool Modified = Session.Designer().IsModified();
  const bool Saved = Session.Finish();
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["components"] = ComponentsJson(Components);
    Json["property"] = Inspector.Row(Options.PropertyName).Name;
    Json["typed"] = Options.Value;
    Json["set"] = Stored;
    Json["value"] = Shown;
    Json["modified"] = Modified;
    Json["saved"] = SavedJson(Session, Saved);
    Out << JsonText(Json, 2) << '\n';
  } else {
    Out << SelectionText(Components) << "." << Inspector.Row(Options.PropertyName).Name << " = " << vn_vcl::QuoteText(Shown)
        << (Modified ? "" : " (unchanged: the designer was not modified)") << '\n';
  }
  return Modified ? ecSuccess : ecCancelled;
}

int RunEllipsisCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  const std::vector<TComponent*> Components = Selection(Session, Options.Selection);
  vn_ide::TObjectInspector Inspector(&Session.Designer(), Components);
  // Alt is held from the click on, as a person holds it while clicking.
  if (Options.AltKeyDown) Session.HoldKey(VK_MENU);
  Session.Run([&] { Inspector.Edit(Options.PropertyName); });
  const std::string Shown = Inspector.Row(Options.PropertyName).Value;
  const bool Modified = Session.Designer().IsModified();
  const bool Saved = Session.Finish();
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["components"] = ComponentsJson(Components);
    Json["property"] = Inspector.Row(Options.PropertyName).Name;
    Json["value"] = Shown;
    Json["modified"] = Modified;
    Json["saved"] = SavedJson(Session, Saved);
    Out << JsonText(Json, 2) << '\n';
  } else {
    Session.Transcript() << SelectionText(Components) << "." << Inspector.Row(Options.PropertyName).Name << " = "
                         << vn_vcl::QuoteText(Shown) << (Modified ? "" : " (the designer was not modified)") << '\n';
  }
  return Modified ? ecSuccess : ecCancelled;
}

}  // namespace vnide
