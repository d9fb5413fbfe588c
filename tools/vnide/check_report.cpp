#include "check_report.h"

#include <fstream>
#include <map>
#include <sstream>

#include "commands.h"

namespace vnide {

namespace {

using TJsonValue = nlohmann::ordered_json;

const char* KindPrefix(TVNCheckFindingKind Kind) {
  switch (Kind) {
    case fkFinding: return "";
    case fkNotChecked: return "not checked: ";
    case fkNote: return "note: ";
  }
  return "";
}

const char* JsonList(TVNCheckFindingKind Kind) {
  switch (Kind) {
    case fkFinding: return "findings";
    case fkNotChecked: return "notChecked";
    case fkNote: return "notes";
  }
  return "findings";
}

int Count(const TVNUpdateCheckResult& Result, TVNCheckFindingKind Kind) {
  int N = 0;
  for (const TVNUpdateCheckFinding& Finding : Result.Findings) N += Finding.Kind == Kind ? 1 : 0;
  return N;
}

std::string Summary(const TCheckTotals& T, bool DryRun) {
  return Format("%d form(s), %d update object(s), %d statement(s): %d checked%s, %d not checked, %d finding(s)%s",
                {T.Forms, T.Objects, T.Checked + T.NotChecked, T.Checked, DryRun ? " with a dry run" : "",
                 T.NotChecked, T.Findings, T.Errors > 0 ? Format(", %d form(s) with errors", {T.Errors}) : ""});
}

void WriteText(const std::vector<TCheckedForm>& Forms, bool DryRun, std::ostream& Out) {
  for (const TCheckedForm& Form : Forms) {
    if (!Form.Error.empty()) Out << Form.File << ": error: " << Form.Error << '\n';
    for (const TCheckedObject& Object : Form.Objects) {
      const TVNUpdateCheckResult& R = Object.Result;
      const bool Clean = Count(R, fkFinding) == 0 && Count(R, fkNotChecked) == 0 && R.NotChecked == 0;
      if (Clean && R.Checked == 0)
        Out << Form.File << ": " << Object.Name << ": holds no statements\n";
      else if (Clean)
        Out << Form.File << ": " << Object.Name << ": ok" << (DryRun ? " (dry run)" : "") << '\n';
      for (const TVNUpdateCheckFinding& Finding : R.Findings) {
        Out << Form.File << ": " << Object.Name << (Finding.Statement.empty() ? "" : "." + Finding.Statement) << ": "
            << KindPrefix(Finding.Kind) << Finding.Reason << '\n';
        if (!Finding.Hint.empty()) Out << "  what to do: " << Finding.Hint << '\n';
      }
    }
  }
  Out << Summary(TotalsOf(Forms), DryRun) << '\n';
}

void WriteJson(const std::vector<TCheckedForm>& Forms, bool DryRun, std::ostream& Out) {
  const TCheckTotals T = TotalsOf(Forms);
  TJsonValue Json;
  Json["dryRun"] = DryRun;
  Json["forms"] = T.Forms;
  Json["checked"] = T.Checked;
  Json["notChecked"] = T.NotChecked;
  Json["findings"] = T.Findings;
  Json["updateObjects"] = TJsonValue::array();
  Json["errors"] = TJsonValue::array();
  for (const TCheckedForm& Form : Forms) {
    const TJsonValue One = FormAsJson(Form);
    for (const TJsonValue& Object : One["updateObjects"]) Json["updateObjects"].push_back(Object);
    if (!Form.Error.empty()) Json["errors"].push_back({{"form", Form.File}, {"error", Form.Error}});
  }
  Out << JsonText(Json, 2) << '\n';
}

std::string Xml(std::string_view Text) {
  std::string Result;
  for (const char C : Text) {
    switch (C) {
      case '&': Result += "&amp;"; break;
      case '<': Result += "&lt;"; break;
      case '>': Result += "&gt;"; break;
      case '"': Result += "&quot;"; break;
      case '\'': Result += "&apos;"; break;
      default:
        // XML 1.0 has no control characters but tab and line ends.
        if (static_cast<unsigned char>(C) < 0x20 && C != '\t' && C != '\n' && C != '\r')
          Result += "?";
        else
          Result += C;
    }
  }
  return Result;
}

std::string FindingLine(const TVNUpdateCheckFinding& Finding) {
  return (Finding.Statement.empty() ? "" : Finding.Statement + ": ") + KindPrefix(Finding.Kind) + Finding.Reason;
}

// One test case per update object: findings and statements not checked fail
// it; a form that could not be checked at all is one case with an error.
void WriteJUnit(const std::vector<TCheckedForm>& Forms, bool DryRun, std::ostream& Out) {
  const TCheckTotals T = TotalsOf(Forms);
  int Failures = 0;
  for (const TCheckedForm& Form : Forms)
    for (const TCheckedObject& Object : Form.Objects)
      Failures += Count(Object.Result, fkFinding) + Count(Object.Result, fkNotChecked) > 0 ? 1 : 0;
  Out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  Out << "<testsuites name=\"vnide check\" tests=\"" << T.Objects + T.Errors << "\" failures=\"" << Failures
      << "\" errors=\"" << T.Errors << "\">\n";
  for (const TCheckedForm& Form : Forms) {
    int FormFailures = 0;
    for (const TCheckedObject& Object : Form.Objects)
      FormFailures += Count(Object.Result, fkFinding) + Count(Object.Result, fkNotChecked) > 0 ? 1 : 0;
    const int Tests = static_cast<int>(Form.Objects.size()) + (Form.Error.empty() ? 0 : 1);
    Out << "  <testsuite name=\"" << Xml(Form.File) << "\" tests=\"" << Tests << "\" failures=\"" << FormFailures
        << "\" errors=\"" << (Form.Error.empty() ? 0 : 1) << "\">\n";
    if (!Form.Error.empty())
      Out << "    <testcase classname=\"" << Xml(Form.File) << "\" name=\"(form)\">\n      <error message=\""
          << Xml(Form.Error) << "\"/>\n    </testcase>\n";
    for (const TCheckedObject& Object : Form.Objects) {
      Out << "    <testcase classname=\"" << Xml(Form.File) << "\" name=\"" << Xml(Object.Name) << "\">\n";
      std::string Text;
      int Problems = 0;
      for (const TVNUpdateCheckFinding& Finding : Object.Result.Findings) {
        if (Finding.Kind == fkNote) continue;
        ++Problems;
        Text += FindingLine(Finding) + "\n";
      }
      if (Problems > 0)
        Out << "      <failure message=\"" << Problems << " problem(s)" << (DryRun ? " (dry run)" : "") << "\" type=\""
            << (Count(Object.Result, fkFinding) > 0 ? "findings" : "not-checked") << "\">" << Xml(Text)
            << "</failure>\n";
      Out << "    </testcase>\n";
    }
    Out << "  </testsuite>\n";
  }
  Out << "</testsuites>\n";
}

// Where each update object's statements stand in its form file: the line of
// "object NAME:" and of each "Statement.Strings" inside it.
class TFormLines {
 public:
  explicit TFormLines(const std::string& File) {
    std::ifstream In(File);
    std::string Line, Object;
    for (int Number = 1; std::getline(In, Line); ++Number) {
      const std::size_t Start = Line.find_first_not_of(" \t");
      if (Start == std::string::npos) continue;
      const std::string_view Text = std::string_view(Line).substr(Start);
      if (Text.starts_with("object ") || Text.starts_with("inherited ") || Text.starts_with("inline ")) {
        const std::size_t NameStart = Text.find(' ') + 1;
        const std::size_t Colon = Text.find(':', NameStart);
        Object = std::string(Text.substr(NameStart, Colon == std::string_view::npos ? Text.npos : Colon - NameStart));
        FLines[Object + "."] = Number;
      } else if (const std::size_t Dot = Text.find(".Strings"); Dot != std::string_view::npos && !Object.empty()) {
        FLines[Object + "." + std::string(Text.substr(0, Dot))] = Number;
      }
    }
  }
  // The line of Statement ("ModifySQL, InsertSQL": the first one named) of Object.
  int LineOf(const std::string& Object, const std::string& Statement) const {
    const std::string First = Statement.substr(0, Statement.find(','));
    if (const auto It = FLines.find(Object + "." + First); It != FLines.end()) return It->second;
    if (const auto It = FLines.find(Object + "."); It != FLines.end()) return It->second;
    return 1;
  }

 private:
  std::map<std::string, int> FLines;
};

void WriteSarif(const std::vector<TCheckedForm>& Forms, std::ostream& Out) {
  TJsonValue Results = TJsonValue::array();
  std::map<std::string, bool> Rules;
  for (const TCheckedForm& Form : Forms) {
    const TFormLines Lines(Form.File);
    const auto Location = [&](int Line) {
      return TJsonValue::array({{{"physicalLocation",
                                  {{"artifactLocation", {{"uri", Form.File}}}, {"region", {{"startLine", Line}}}}}}});
    };
    if (!Form.Error.empty()) {
      Rules["form-error"] = true;
      Results.push_back({{"ruleId", "form-error"}, {"level", "error"}, {"message", {{"text", Form.Error}}},
                         {"locations", Location(1)}});
    }
    for (const TCheckedObject& Object : Form.Objects)
      for (const TVNUpdateCheckFinding& Finding : Object.Result.Findings) {
        const std::string Rule = Finding.Rule.empty() ? "finding" : Finding.Rule;
        Rules[Rule] = true;
        std::string Text = Object.Name + (Finding.Statement.empty() ? "" : "." + Finding.Statement) + ": " +
                           KindPrefix(Finding.Kind) + Finding.Reason;
        if (!Finding.Hint.empty()) Text += " (what to do: " + Finding.Hint + ")";
        Results.push_back({{"ruleId", Rule},
                           {"level", Finding.Kind == fkNote ? "note" : Finding.Kind == fkNotChecked ? "warning" : "error"},
                           {"message", {{"text", Text}}},
                           {"locations", Location(Lines.LineOf(Object.Name, Finding.Statement))}});
      }
  }
  TJsonValue RuleList = TJsonValue::array();
  for (const auto& [Id, Used] : Rules) RuleList.push_back({{"id", Id}});
  TJsonValue Sarif;
  Sarif["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
  Sarif["version"] = "2.1.0";
  Sarif["runs"] = TJsonValue::array(
      {{{"tool", {{"driver", {{"name", "vnide check"}, {"rules", RuleList}}}}},
        {"results", Results}}});
  Out << JsonText(Sarif, 2) << '\n';
}

}  // namespace

TCheckTotals TotalsOf(const std::vector<TCheckedForm>& Forms) {
  TCheckTotals T;
  for (const TCheckedForm& Form : Forms) {
    ++T.Forms;
    T.Errors += Form.Error.empty() ? 0 : 1;
    for (const TCheckedObject& Object : Form.Objects) {
      ++T.Objects;
      T.Checked += Object.Result.Checked;
      T.NotChecked += Object.Result.NotChecked;
      T.Findings += Count(Object.Result, fkFinding);
    }
  }
  return T;
}

void WriteCheckReport(const std::vector<TCheckedForm>& Forms, TCheckFormat Format, bool DryRun, std::ostream& Out) {
  switch (Format) {
    case cfText: return WriteText(Forms, DryRun, Out);
    case cfJson: return WriteJson(Forms, DryRun, Out);
    case cfJUnit: return WriteJUnit(Forms, DryRun, Out);
    case cfSarif: return WriteSarif(Forms, Out);
  }
}

TJsonValue FormAsJson(const TCheckedForm& Form) {
  TJsonValue Json{{"file", Form.File}, {"error", Form.Error}, {"updateObjects", TJsonValue::array()}};
  for (const TCheckedObject& Object : Form.Objects) {
    TJsonValue Item{{"form", Form.File},
                    {"name", Object.Name},
                    {"statementsChecked", Object.Result.Checked},
                    {"statementsNotChecked", Object.Result.NotChecked}};
    for (const TVNCheckFindingKind Kind : {fkFinding, fkNotChecked, fkNote}) Item[JsonList(Kind)] = TJsonValue::array();
    for (const TVNUpdateCheckFinding& Finding : Object.Result.Findings) {
      TJsonValue Entry{{"statement", Finding.Statement}, {"reason", Finding.Reason}, {"rule", Finding.Rule}};
      if (!Finding.Hint.empty()) Entry["hint"] = Finding.Hint;
      Item[JsonList(Finding.Kind)].push_back(std::move(Entry));
    }
    Json["updateObjects"].push_back(std::move(Item));
  }
  return Json;
}

TCheckedForm FormFromJson(const TJsonValue& Json) {
  TCheckedForm Form;
  Form.File = Json.at("file").get<std::string>();
  Form.Error = Json.at("error").get<std::string>();
  for (const TJsonValue& Item : Json.at("updateObjects")) {
    TCheckedObject Object;
    Object.Name = Item.at("name").get<std::string>();
    Object.Result.Checked = Item.at("statementsChecked").get<int>();
    Object.Result.NotChecked = Item.at("statementsNotChecked").get<int>();
    // The findings in the order the checker gave them within each kind.
    for (const TVNCheckFindingKind Kind : {fkFinding, fkNotChecked, fkNote})
      for (const TJsonValue& Entry : Item.at(JsonList(Kind)))
        Object.Result.Findings.push_back({Entry.at("statement").get<std::string>(), Entry.at("reason").get<std::string>(),
                                          Kind, Entry.value("hint", ""), Entry.value("rule", "")});
    Form.Objects.push_back(std::move(Object));
  }
  return Form;
}

}  // namespace vnide
