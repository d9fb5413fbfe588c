#include "properties/dialog_properties.h"

#include <cstdint>
#include <memory>

#include "editors/code_editor_bridge.h"
#include "editors/component_editors.h"
#include "registration/vnreg.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "varnel/Vndlgs.h"
#include "varnel/Vnengine.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"

namespace VNReg {

VN_IMPLEMENT_CLASS(TVNParamsProperty, TPropertyEditor)
VN_IMPLEMENT_CLASS(TVNQueryParamsProperty, TVNParamsProperty)
VN_IMPLEMENT_CLASS(TVNStoredProcParamsProperty, TVNParamsProperty)
VN_IMPLEMENT_CLASS(TVNFileNameProperty, TStringProperty)
VN_IMPLEMENT_CLASS(TVNStringListEditDlgProperty, TClassProperty)
VN_IMPLEMENT_CLASS(TVNDatabaseParamsProperty, TVNStringListEditDlgProperty)
VN_IMPLEMENT_CLASS(TVNQuerySQLProperty, TVNStringListEditDlgProperty)

TPropertyAttributes TVNParamsProperty::GetAttributes() { return {paDialog, paMultiSelect}; }

std::string TVNParamsProperty::GetValue() { return Format("(%s)", {TParams::StaticClass().ClassName()}); }

void TVNQueryParamsProperty::Edit() { EditQueryParams(Designer(), As<TVNQuery>(*GetComponent(0))); }

void TVNStoredProcParamsProperty::Edit() { EditStoredProcParams(Designer(), As<TVNStoredProc>(*GetComponent(0))); }

void TVNFileNameProperty::Edit() {
  auto Dialog = std::make_unique<TOpenDialog>(Application);
  Dialog->SetFileName(GetValue());
  Dialog->SetFilter(SParamsFileFilter);
  Dialog->SetOptions(Dialog->Options() + TOpenOptions{ofPathMustExist, ofFileMustExist});
  if (Dialog->Execute()) SetValue(Dialog->FileName());
}

TPropertyAttributes TVNFileNameProperty::GetAttributes() { return {paDialog, paRevertable}; }

TPropertyAttributes TVNStringListEditDlgProperty::GetAttributes() {
  return TClassProperty::GetAttributes() - TPropertyAttributes{paSubProperties} + TPropertyAttributes{paDialog};
}

TStrings& TVNStringListEditDlgProperty::GetStrings() const {
  return As<TStrings>(*reinterpret_cast<TObject*>(static_cast<std::intptr_t>(GetOrdValue())));
}

void TVNStringListEditDlgProperty::SetStrings(TStrings& Strings) {
  SetOrdValue(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(static_cast<TObject*>(&Strings))));
}

void TVNStringListEditDlgProperty::ShowCodeEditor(TStrings& Strings, bool MarkModified) {
  ShowStringsInCodeEditor(Designer(), &As<TComponent>(*GetComponent(0)), GetName(), Strings, MarkModified);
}

void TVNDatabaseParamsProperty::Edit() {
  const std::string Name = GetName();
  if (ShowOpenStringsModule(Designer(), GetComponent(0), Name)) return;
  if (IsAltKeyDown()) {
    ShowCodeEditor(GetStrings(), false);
    return;
  }
  TStrings& List = GetStrings();
  if (ShowDatabaseParamsEditor(
          List, [this](TStrings& Strings, bool MarkModified) { ShowCodeEditor(Strings, MarkModified); },
          [this](TStrings* Defaults) { GetDefaultParams(Defaults); }))
    SetStrings(List);
}

void TVNDatabaseParamsProperty::GetDefaultParams(TStrings* List) {
  if (List != nullptr && DesignSettings != nullptr) List->Assign(DesignSettings->DbParams());
}

void TVNQuerySQLProperty::Edit() {
  TComponent& Component = As<TComponent>(*GetComponent(0));
  const std::string Name = GetName();
  if (ShowOpenStringsModule(Designer(), &Component, Name)) return;
  if (IsAltKeyDown()) {
    ShowCodeEditor(GetStrings(), false);
    return;
  }
  const std::string Caption = GetDesignerRootName(Designer()) + "." + Component.Name() + "." + Name;
  if (ShowSQLEditor(Caption, As<TVNQuery>(Component),
                    [this](TStrings& Strings, bool MarkModified) { ShowCodeEditor(Strings, MarkModified); }) &&
      Designer() != nullptr)
    Designer()->Modified();
}

}  // namespace VNReg
