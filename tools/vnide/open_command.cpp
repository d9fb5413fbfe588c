// vnide open: a form file read into a designer root, shown, and written back.
#include <nlohmann/json.hpp>

#include "commands.h"
#include "design_root.h"
#include "form_text_file.h"
#include "package_host.h"

namespace vnide {

namespace {

void ShowComponent(const TComponent& Component, const TComponent& Root, int Depth, std::ostream& Out) {
  Component.GetChildren(
      [&](TComponent& Child) {
        Out << std::string(2 * Depth, ' ') << Child.Name() << ": " << Child.ClassName() << '\n';
        ShowComponent(Child, Root, Depth + 1, Out);
      },
      Root);
}

nlohmann::ordered_json ComponentsAsJson(const TComponent& Component, const TComponent& Root) {
  auto List = nlohmann::ordered_json::array();
  Component.GetChildren(
      [&](TComponent& Child) {
        nlohmann::ordered_json Item;
        Item["name"] = Child.Name();
        Item["class"] = Child.ClassName();
        Item["components"] = ComponentsAsJson(Child, Root);
        List.push_back(std::move(Item));
      },
      Root);
  return List;
}

}  // namespace

int RunOpenCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  const std::string FormText = ReadInputFile(Options.FormFile, "form file");
  Host.Load(Options.PackageFile);
  TDesignRoot Root;
  Root.LoadFromText(FormText, Options.FormFile);
  const TComponent& Component = Root.Component();
  if (!Options.SaveFile.empty()) WriteTextFile(Options.SaveFile, Root.SaveToText());
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["name"] = Component.Name();
    Json["class"] = Root.DeclaredClassName();
    Json["components"] = ComponentsAsJson(Component, Component);
    Json["saved"] = Options.SaveFile.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(Options.SaveFile);
    Out << JsonText(Json, 2) << '\n';
    return ecSuccess;
  }
  Out << Component.Name() << ": " << Root.DeclaredClassName() << '\n';
  ShowComponent(Component, Component, 1, Out);
  if (!Options.SaveFile.empty()) Out << "saved " << Options.SaveFile << '\n';
  return ecSuccess;
}

}  // namespace vnide
