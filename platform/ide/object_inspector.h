// The host's Object Inspector: the published properties of the selected
// components, each through the property editor registered for it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ide/PropEdits.h"

namespace vn_ide {

// The editor class the inspector uses for property Prop of a component of
// class ComponentClass: the registered one that matches most specifically
// (a property name beats none, a component class beats none and a derived
// one its base, the exact property type beats a base class; the later
// registration wins a tie; in that order of weight), else the host's own
// editor for the type's kind.
const TMetaClass& FindPropertyEditorClass(const TMetaClass& ComponentClass, const TPropInfo& Prop);
// The category of Prop on ComponentClass: the first registered category whose
// class and name filter match, else "Miscellaneous" ("Events" for events).
std::string PropertyCategory(const TMetaClass& ComponentClass, const std::string& PropName);

struct TInspectorRow {
  std::string Name;
  std::string Value;  // "" when the selected components differ
  bool Differs = false;  // the selected components have different values
  std::string Category;
  TPropertyAttributes Attributes;
  std::unique_ptr<TPropertyEditor> Editor;
};

class TObjectInspector {
 public:
  // Selection: one or more components of Designer's root.
  TObjectInspector(IDesigner* Designer, std::vector<TComponent*> Selection);
  TObjectInspector(const TObjectInspector&) = delete;
  TObjectInspector& operator=(const TObjectInspector&) = delete;

  // The properties the selection shares (with several components, only those
  // whose editor takes a multiple selection; never a property without a
  // setter, unless it is an object filled in place), in published order, each with
  // its editor. Values are read again on every call.
  std::vector<TInspectorRow>& Rows();
  // The row of that property (without regard to case); EPropertyError naming
  // what the selection has when there is none.
  TInspectorRow& Row(const std::string& PropName);

  // The drop-down list of a property with paValueList (EPropertyError when
  // it has none), sorted without regard to case when the editor asks.
  std::vector<std::string> Values(const std::string& PropName);
  // Sets typed text as typed. With Complete, and when the editor allows
  // AutoFill, text that is none of the values but begins exactly one of them
  // (without regard to case) is completed to it. Returns the text passed to
  // the editor. Errors pass on; the editor leaves the components as they were.
  std::string SetValue(const std::string& PropName, const std::string& Text, bool Complete = false);
  // Presses the ellipsis button (EPropertyError without paDialog).
  void Edit(const std::string& PropName);

 private:
  void Build();
  IDesigner* FDesigner;
  std::vector<TComponent*> FSelection;
  std::vector<TInspectorRow> FRows;
};

}  // namespace vn_ide
