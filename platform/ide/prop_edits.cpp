#include "ide/PropEdits.h"

#include <cstdint>
#include <optional>

#include "rtl/SysUtils.h"

VN_IMPLEMENT_CLASS(TPropertyEditor, TObject)
VN_IMPLEMENT_CLASS(TOrdinalProperty, TPropertyEditor)
VN_IMPLEMENT_CLASS(TIntegerProperty, TOrdinalProperty)
VN_IMPLEMENT_CLASS(TEnumProperty, TOrdinalProperty)
VN_IMPLEMENT_CLASS(TStringProperty, TPropertyEditor)
VN_IMPLEMENT_CLASS(TComponentNameProperty, TStringProperty)
VN_IMPLEMENT_CLASS(TClassProperty, TPropertyEditor)
VN_IMPLEMENT_CLASS(TComponentProperty, TPropertyEditor)
VN_IMPLEMENT_CLASS(TTextProperty, TPropertyEditor)

namespace {

// The root whose components a reference may name: the designer's, else the
// owner of the first component.
const TComponent* RootFor(IDesigner* Designer, TPersistent* Component) {
  if (Designer != nullptr) return Designer->GetRoot();
  auto* C = dynamic_cast<TComponent*>(Component);
  return C != nullptr && C->Owner() != nullptr ? C->Owner() : C;
}

// What a component held before a change, to give it back.
struct TSavedValue {
  std::optional<std::int64_t> Ord;
  std::optional<std::string> Text;
  TObject* Object = nullptr;
};

TSavedValue Save(const TPersistent& Component, const TPropInfo& Prop) {
  TSavedValue Saved;
  if (Prop.PropType->Kind == tkClass) {
    if (Prop.IsReference()) Saved.Object = GetObjectProp(Component, Prop);
    // An owned object's contents are copied below by the caller's Assign.
  } else if (Prop.GetOrd) {
    Saved.Ord = GetOrdProp(Component, Prop);
  } else if (Prop.GetStr || Prop.GetFloat || Prop.GetVar || Prop.GetMethodName) {
    Saved.Text = GetPropText(Component, Prop);
  }
  return Saved;
}

void Restore(TPersistent& Component, const TPropInfo& Prop, const TSavedValue& Saved, const TComponent* Root) noexcept {
  try {
    if (Prop.IsReference())
      SetObjectProp(Component, Prop, Saved.Object);
    else if (Saved.Ord)
      SetOrdProp(Component, Prop, *Saved.Ord);
    else if (Saved.Text)
      SetPropText(Component, Prop, *Saved.Text, Root);
  } catch (...) {
    // The component refuses its own old value: nothing better can be done.
  }
}

}  // namespace

void TPropertyEditor::Initialize(IDesigner* ADesigner, std::vector<TPersistent*> AComponents,
                                 const TPropInfo& APropInfo) {
  VN_ASSERT(!AComponents.empty(), "a property editor needs a component");
  FDesigner = ADesigner;
  FComponents = std::move(AComponents);
  FPropInfo = &APropInfo;
}

void TPropertyEditor::Activate() {}

bool TPropertyEditor::AllEqual() {
  const std::string First = GetTextOf(0);
  for (int I = 1; I < PropCount(); ++I)
    if (GetTextOf(I) != First) return false;
  return true;
}

bool TPropertyEditor::AutoFill() { return true; }

void TPropertyEditor::Edit() {}

TPropertyAttributes TPropertyEditor::GetAttributes() { return {paMultiSelect, paRevertable}; }

int TPropertyEditor::GetEditLimit() { return 0; }

std::string TPropertyEditor::GetName() { return FPropInfo->Name; }

std::string TPropertyEditor::GetValue() { return GetTextOf(0); }

void TPropertyEditor::GetValues(const TGetStrProc&) {}

void TPropertyEditor::SetValue(const std::string&) {}

TPersistent* TPropertyEditor::GetComponent(int Index) const {
  if (Index < 0 || Index >= PropCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FComponents[static_cast<std::size_t>(Index)];
}

void TPropertyEditor::Modified() {
  if (FDesigner != nullptr) FDesigner->Modified();
}

std::string TPropertyEditor::GetTextOf(int Index) const { return GetPropText(*GetComponent(Index), *FPropInfo); }

std::int64_t TPropertyEditor::GetOrdValue() const {
  if (FPropInfo->PropType->Kind == tkClass)
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(GetObjectProp(*FComponents[0], *FPropInfo)));
  return GetOrdProp(*FComponents[0], *FPropInfo);
}

std::string TPropertyEditor::GetStrValue() const { return GetStrProp(*FComponents[0], *FPropInfo); }

void TPropertyEditor::SetOnEach(const std::function<void(TPersistent&)>& Apply) {
  const TComponent* Root = RootFor(FDesigner, FComponents[0]);
  std::vector<TSavedValue> Saved;
  Saved.reserve(FComponents.size());
  for (TPersistent* C : FComponents) Saved.push_back(Save(*C, *FPropInfo));
  std::size_t Done = 0;
  try {
    for (; Done < FComponents.size(); ++Done) Apply(*FComponents[Done]);
  } catch (...) {
    // The one that failed may have changed half-way as well.
    for (std::size_t I = 0; I <= Done && I < FComponents.size(); ++I)
      Restore(*FComponents[I], *FPropInfo, Saved[I], Root);
    throw;
  }
  Modified();
}

void TPropertyEditor::SetOrdValue(std::int64_t Value) {
  const TPropInfo& Prop = *FPropInfo;
  if (Prop.PropType->Kind == tkClass) {
    auto* Object = reinterpret_cast<TObject*>(static_cast<std::intptr_t>(Value));
    SetOnEach([&](TPersistent& C) { SetObjectProp(C, Prop, Object); });
    return;
  }
  SetOnEach([&](TPersistent& C) { SetOrdProp(C, Prop, Value); });
}

void TPropertyEditor::SetStrValue(const std::string& Value) {
  const TPropInfo& Prop = *FPropInfo;
  SetOnEach([&](TPersistent& C) { SetStrProp(C, Prop, Value); });
}

TPropertyAttributes TOrdinalProperty::GetAttributes() { return {paMultiSelect, paRevertable}; }

std::string TIntegerProperty::GetValue() { return GetTextOf(0); }

void TIntegerProperty::SetValue(const std::string& Value) {
  const TPropInfo& Prop = GetPropInfo();
  const TComponent* Root = RootFor(Designer(), GetComponent(0));
  SetOnEach([&](TPersistent& C) { SetPropText(C, Prop, Trim(Value), Root); });
}

TPropertyAttributes TEnumProperty::GetAttributes() { return {paMultiSelect, paValueList, paSortList, paRevertable}; }

std::string TEnumProperty::GetValue() { return GetEnumName(GetPropType(), GetOrdValue()); }

void TEnumProperty::GetValues(const TGetStrProc& Proc) {
  const PTypeInfo Type = GetPropType();
  for (std::int64_t V = Type->MinValue; V <= Type->MaxValue; ++V) Proc(GetEnumName(Type, V));
}

void TEnumProperty::SetValue(const std::string& Value) {
  const PTypeInfo Type = GetPropType();
  std::int64_t Ord = GetEnumValue(Type, Trim(Value));
  if (Ord < 0) {
    int Number = 0;
    if (!TryStrToInt(Trim(Value), Number) || Number < Type->MinValue || Number > Type->MaxValue)
      throw EPropertyError(Format("Invalid property value %s for %s", {QuotedStr(Value), GetName()}));
    Ord = Number;
  }
  SetOrdValue(Ord);
}

TPropertyAttributes TStringProperty::GetAttributes() { return {paMultiSelect, paRevertable}; }

std::string TStringProperty::GetValue() { return GetStrValue(); }

void TStringProperty::SetValue(const std::string& Value) { SetStrValue(Value); }

TPropertyAttributes TComponentNameProperty::GetAttributes() { return {}; }

void TComponentNameProperty::SetValue(const std::string& Value) {
  // The runtime lets a component go without a name; the builder does not: a
  // form file refers to components by name, so an unnamed one could not be
  // referred to, and a name the root has already would be read as the root.
  if (!IsValidIdent(Value)) throw EComponentError(Format("'%s' is not a valid component name", {Value}));
  auto* Component = dynamic_cast<TComponent*>(GetComponent(0));
  const TComponent* Root = RootFor(Designer(), Component);
  if (Component != nullptr && Root != nullptr && Root != Component && AnsiSameText(Root->Name(), Value))
    throw EComponentError(Format("A component named %s already exists", {Value}));
  SetStrValue(Value);
}

TPropertyAttributes TClassProperty::GetAttributes() { return {paMultiSelect, paSubProperties, paReadOnly}; }

std::string TClassProperty::GetValue() { return "(" + std::string(GetPropType()->Name) + ")"; }

TPropertyAttributes TComponentProperty::GetAttributes() { return {paMultiSelect, paValueList, paSortList, paRevertable}; }

void TComponentProperty::GetValues(const TGetStrProc& Proc) {
  const TComponent* Root = RootFor(Designer(), GetComponent(0));
  if (Root == nullptr) return;
  const TMetaClass& Wanted = *GetPropType()->ClassType;
  if (Root->InheritsFrom(Wanted) && !Root->Name().empty()) Proc(Root->Name());
  for (int I = 0; I < Root->ComponentCount(); ++I) {
    const TComponent* C = Root->Components(I);
    if (C->InheritsFrom(Wanted) && !C->Name().empty()) Proc(C->Name());
  }
}

void TComponentProperty::SetValue(const std::string& Value) {
  const TPropInfo& Prop = GetPropInfo();
  const TComponent* Root = RootFor(Designer(), GetComponent(0));
  SetOnEach([&](TPersistent& C) { SetPropText(C, Prop, Trim(Value), Root); });
}

TPropertyAttributes TTextProperty::GetAttributes() { return {paMultiSelect, paRevertable}; }

void TTextProperty::SetValue(const std::string& Value) {
  const TPropInfo& Prop = GetPropInfo();
  const TComponent* Root = RootFor(Designer(), GetComponent(0));
  SetOnEach([&](TPersistent& C) { SetPropText(C, Prop, Value, Root); });
}
