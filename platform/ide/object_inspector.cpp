#include "object_inspector.h"

#include <algorithm>
#include <tuple>

#include "registrations.h"
#include "rtl/SysUtils.h"

namespace vn_ide {

namespace {

int ClassDepth(const TMetaClass* Class) {
  int Depth = 0;
  for (; Class != nullptr; Class = Class->ClassParent()) ++Depth;
  return Depth;
}

// How well a registered property type fits: -1 not at all, else higher is
// closer (the exact type highest).
int TypeFit(PTypeInfo Registered, PTypeInfo Actual) {
  if (Registered == Actual) return 1 << 20;
  if (Registered != nullptr && Actual != nullptr && Registered->Kind == tkClass && Actual->Kind == tkClass &&
      Actual->ClassType->InheritsFrom(*Registered->ClassType))
    return ClassDepth(Registered->ClassType);
  return -1;
}

const TMetaClass& HostEditorClass(const TPropInfo& Prop) {
  switch (Prop.PropType->Kind) {
    case tkEnumeration:
      return TEnumProperty::StaticClass();
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      return TStringProperty::StaticClass();
    case tkInteger:
    case tkInt64:
      return TIntegerProperty::StaticClass();
    case tkClass:
      if (Prop.IsReference()) return TComponentProperty::StaticClass();
      if (Prop.PropType->ClassType != nullptr && Prop.PropType->ClassType->InheritsFrom(TStrings::StaticClass()))
        return TStringListProperty::StaticClass();
      return TClassProperty::StaticClass();
    default:
      return TTextProperty::StaticClass();
  }
}

bool FilterMatches(const std::string& Filter, const std::string& Name) {
  if (!Filter.empty() && Filter[0] == '*') {
    const std::string Ending = Filter.substr(1);
    return Name.size() >= Ending.size() && SameText(Name.substr(Name.size() - Ending.size()), Ending);
  }
  return SameText(Filter, Name);
}

std::string Quoted(const std::string& S) { return "\"" + S + "\""; }

}  // namespace

const TMetaClass& FindPropertyEditorClass(const TMetaClass& ComponentClass, const TPropInfo& Prop) {
  const TMetaClass* Best = nullptr;
  std::tuple<int, int, int, std::size_t> BestRank;
  // The host's own registration, made before any package's: a component's
  // Name has an editor of its own.
  if (Prop.PropType == TypeInfo<std::string>() && SameText(Prop.Name, "Name") &&
      ComponentClass.InheritsFrom(TComponent::StaticClass())) {
    Best = &TComponentNameProperty::StaticClass();
    BestRank = std::make_tuple(1, ClassDepth(&TComponent::StaticClass()), TypeFit(Prop.PropType, Prop.PropType), 0);
  }
  const std::vector<TRegistration> All = Registrations();
  for (std::size_t I = 0; I < All.size(); ++I) {
    const TRegistration& R = All[I];
    if (R.Kind != rkPropertyEditor) continue;
    const int Fit = TypeFit(R.PropertyType, Prop.PropType);
    if (Fit < 0) continue;
    if (R.ComponentClass != nullptr && !ComponentClass.InheritsFrom(*R.ComponentClass)) continue;
    if (!R.PropertyName.empty() && !SameText(R.PropertyName, Prop.Name)) continue;
    const auto Rank = std::make_tuple(R.PropertyName.empty() ? 0 : 1, ClassDepth(R.ComponentClass), Fit, I + 1);
    if (Best == nullptr || Rank > BestRank) {
      Best = R.EditorClass;
      BestRank = Rank;
    }
  }
  return Best != nullptr ? *Best : HostEditorClass(Prop);
}

std::string PropertyCategory(const TMetaClass& ComponentClass, const std::string& PropName) {
  for (const TRegistration& R : Registrations()) {
    if (R.Kind != rkPropertiesInCategory || !ComponentClass.InheritsFrom(*R.ComponentClass)) continue;
    for (const std::string& Filter : R.Filters)
      if (FilterMatches(Filter, PropName)) return R.Category;
  }
  const PPropInfo Prop = GetPropInfo(ComponentClass, PropName);
  return Prop != nullptr && Prop->PropType->Kind == tkMethod ? "Events" : "Miscellaneous";
}

TObjectInspector::TObjectInspector(IDesigner* Designer, std::vector<TComponent*> Selection)
    : FDesigner(Designer), FSelection(std::move(Selection)) {
  VN_ASSERT(!FSelection.empty(), "the inspector needs a selection");
  Build();
}

void TObjectInspector::Build() {
  const TComponent& First = *FSelection.front();
  const bool Several = FSelection.size() > 1;
  for (PPropInfo Prop : GetPropList(First)) {
    // What cannot be set is not shown, except objects filled in place.
    if (Prop->IsReadOnly() && Prop->PropType->Kind != tkClass) continue;
    const TMetaClass& EditorClass = FindPropertyEditorClass(First.ClassType(), *Prop);
    std::vector<TPersistent*> Components{FSelection.front()};
    bool Shared = true;
    for (std::size_t I = 1; I < FSelection.size() && Shared; ++I) {
      const PPropInfo Other = GetPropInfo(*FSelection[I], Prop->Name);
      Shared = Other == Prop ||
               (Other != nullptr && Other->PropType == Prop->PropType &&
                &FindPropertyEditorClass(FSelection[I]->ClassType(), *Other) == &EditorClass);
      Components.push_back(FSelection[I]);
    }
    if (!Shared) continue;
    std::unique_ptr<TObject> Instance = EditorClass.CreateInstance();
    As<TPropertyEditor>(*Instance);  // a registered class that is no property editor raises here
    std::unique_ptr<TPropertyEditor> Editor(static_cast<TPropertyEditor*>(Instance.release()));
    Editor->Initialize(FDesigner, std::move(Components), *Prop);
    const TPropertyAttributes Attributes = Editor->GetAttributes();
    if (Several && !Attributes.Contains(paMultiSelect)) continue;
    TInspectorRow Row;
    Row.Name = Editor->GetName();
    Row.Category = PropertyCategory(First.ClassType(), Prop->Name);
    Row.Attributes = Attributes;
    Row.Editor = std::move(Editor);
    FRows.push_back(std::move(Row));
  }
}

std::vector<TInspectorRow>& TObjectInspector::Rows() {
  for (TInspectorRow& Row : FRows) {
    Row.Attributes = Row.Editor->GetAttributes();
    Row.Differs = !Row.Editor->AllEqual();
    Row.Value = Row.Differs ? std::string() : Row.Editor->GetValue();
  }
  return FRows;
}

TInspectorRow& TObjectInspector::Row(const std::string& PropName) {
  for (TInspectorRow& Row : FRows)
    if (SameText(Row.Name, PropName)) {
      Row.Attributes = Row.Editor->GetAttributes();
      Row.Differs = !Row.Editor->AllEqual();
      Row.Value = Row.Differs ? std::string() : Row.Editor->GetValue();
      return Row;
    }
  std::string Names;
  for (const TInspectorRow& Row : FRows) Names += (Names.empty() ? "" : ", ") + Row.Name;
  throw EPropertyError("The inspector shows no property " + Quoted(PropName) + " here (it shows " + Names + ")");
}

std::vector<std::string> TObjectInspector::Values(const std::string& PropName) {
  TInspectorRow& R = Row(PropName);
  const TPropertyAttributes Attributes = R.Editor->GetAttributes();
  if (!Attributes.Contains(paValueList)) throw EPropertyError(R.Name + " has no list of values");
  std::vector<std::string> List;
  R.Editor->GetValues([&List](const std::string& Value) { List.push_back(Value); });
  if (Attributes.Contains(paSortList))
    std::stable_sort(List.begin(), List.end(),
                     [](const std::string& A, const std::string& B) { return AnsiCompareText(A, B) < 0; });
  return List;
}

std::string TObjectInspector::SetValue(const std::string& PropName, const std::string& Text, bool Complete) {
  TInspectorRow& R = Row(PropName);
  const TPropertyAttributes Attributes = R.Editor->GetAttributes();
  if (Attributes.Contains(paReadOnly)) throw EPropertyError(R.Name + " is read-only here");
  std::string Value = Text;
  if (Complete && Attributes.Contains(paValueList) && !Text.empty() && R.Editor->AutoFill()) {
    const std::vector<std::string> List = Values(PropName);
    const bool Whole =
        std::any_of(List.begin(), List.end(), [&](const std::string& V) { return AnsiSameText(V, Text); });
    std::vector<const std::string*> Begun;
    for (const std::string& V : List)
      if (V.size() > Text.size() && AnsiSameText(V.substr(0, Text.size()), Text)) Begun.push_back(&V);
    if (!Whole && Begun.size() == 1) Value = *Begun.front();
  }
  // Enter on the text the row shows changes nothing, as in the builder's
  // inspector; a row whose components differ takes any text.
  if (R.Editor->AllEqual() && Value == R.Editor->GetValue()) return Value;
  R.Editor->SetValue(Value);
  return Value;
}

void TObjectInspector::Edit(const std::string& PropName) {
  TInspectorRow& R = Row(PropName);
  if (!R.Editor->GetAttributes().Contains(paDialog)) throw EPropertyError(R.Name + " has no ellipsis button");
  R.Editor->Edit();
}

}  // namespace vn_ide
