// vnide edit-strings: a component's string-list property opened in the code
// editor through the package, then the session's module commands; the form is
// saved when a module saved back into the form.
#include <vector>

#include "commands.h"
#include "design_session.h"
#include "name_suggestion.h"
#include "package_host.h"
#include "rtl/TypInfo.h"

class IDesigner;

namespace vnide {

namespace {

TStrings* StringListOf(const TComponent& Component, const TPropInfo& Prop) {
  if (Prop.PropType->Kind != tkClass || !Prop.GetObj) return nullptr;
  return dynamic_cast<TStrings*>(GetObjectProp(Component, Prop));
}

// The property the person named, or an error that lists the component's string lists.
const TPropInfo& FindStringsProperty(const TComponent& Component, const std::string& Name) {
  std::vector<std::string> Lists;
  for (const PPropInfo Prop : GetPropList(Component))
    if (StringListOf(Component, *Prop) != nullptr) Lists.push_back(Prop->Name);
  std::string Listed;
  for (const std::string& L : Lists) Listed += (Listed.empty() ? "" : ", ") + L;
  const std::string Available =
      Lists.empty() ? Component.Name() + " has no string lists" : "string lists of " + Component.Name() + ": " + Listed;
  const PPropInfo Prop = GetPropInfo(Component, Name);
  if (Prop == nullptr)
    throw EHostError(Format("%s (%s) has no property %s%s (%s)",
                            {Component.Name(), Component.ClassName(), Name, vn_vcl::DidYouMean(Name, Lists), Available}));
  if (StringListOf(Component, *Prop) == nullptr)
    throw EHostError(Format("%s.%s is a %s, not a string list; %s",
                            {Component.Name(), Prop->Name, std::string(Prop->PropType->Name), Available}));
  return *Prop;
}

}  // namespace

int RunEditStringsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  using TShowStringsInCodeEditor = void (*)(IDesigner*, TComponent*, const char*, TStrings*, bool);
  auto ShowStrings = reinterpret_cast<TShowStringsInCodeEditor>(
      Session.RequireExport("VNReg_ShowStringsInCodeEditor", "code-editor bridge"));
  TComponent& Component = Session.FindComponent(Options.ObjectName);
  const TPropInfo& Prop = FindStringsProperty(Component, Options.PropertyName);
  TStrings& List = *StringListOf(Component, Prop);

  Session.Run([&] { ShowStrings(&Session.Designer(), &Component, Prop.Name.c_str(), &List, false); });
  const bool Saved = Session.Finish();
  Out << Component.Name() << '.' << Prop.Name << ":\n";
  if (List.Count() == 0) Out << "  (empty)\n";
  for (int I = 0; I < List.Count(); ++I) Out << "  " << List.Strings(I) << '\n';
  return Saved ? ecSuccess : ecCancelled;
}

}  // namespace vnide
