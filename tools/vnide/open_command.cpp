// vnide open: a form file read into a designer root, shown, and written back.
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

}  // namespace

int RunOpenCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  std::string FormFile, SaveFile;
  for (std::size_t I = 0; I < Options.Arguments.size(); ++I) {
    const std::string& Arg = Options.Arguments[I];
    if (Arg == "--save" && I + 1 < Options.Arguments.size())
      SaveFile = Options.Arguments[++I];
    else if (FormFile.empty())
      FormFile = Arg;
    else
      throw EConvertError(Format("open: unexpected argument %s (usage: open FORMFILE [--save OUTFILE])", {Arg}));
  }
  if (FormFile.empty()) throw EConvertError("open: a form file is required (usage: open FORMFILE [--save OUTFILE])");

  Host.Load(Options.PackageFile);
  TDesignRoot Root;
  Root.LoadFromText(ReadTextFile(FormFile), FormFile);
  Out << Root.Name() << ": " << Root.DeclaredClassName() << '\n';
  ShowComponent(Root, Root, 1, Out);
  if (!SaveFile.empty()) {
    WriteTextFile(SaveFile, Root.SaveToText());
    Out << "saved " << SaveFile << '\n';
  }
  return 0;
}

}  // namespace vnide
