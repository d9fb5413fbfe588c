// Unit DesignEditors, its property-editor half: the editors through which the
// Object Inspector shows and changes the published properties of the selected
// components. Design packages derive from these classes and register their
// editors with RegisterPropertyEditor (DesignIntf.h); the host creates, owns
// and frees every editor object.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ide/DesignIntf.h"
#include "rtl/Classes.h"
#include "rtl/TypInfo.h"

// What an editor offers, in the platform's bit order (paValueList is bit 0).
enum TPropertyAttribute {
  paValueList,              // a drop-down list of values (GetValues)
  paSubProperties,          // unfolds into the properties of its value
  paDialog,                 // an ellipsis button (Edit)
  paMultiSelect,            // shown when several components are selected
  paAutoUpdate,             // SetValue on every keystroke
  paSortList,               // the host sorts the drop-down list
  paReadOnly,               // the value cannot be typed
  paRevertable,             // the value can be reverted to the inherited one
  paFullWidthName,
  paVolatileSubProperties,
  paVCL,
  paNotNestable,
  paDisplayReadOnly,
  paCustomDropDown,
  paValueEditable
};
using TPropertyAttributes = TSet<TPropertyAttribute>;

// Receives one value of a drop-down list.
using TGetStrProc = std::function<void(const std::string& Value)>;

// The editor of one property of the selected components. Created by the host
// through its class information (so every editor class needs a constructor
// without arguments), then bound to the selection with Initialize.
class TPropertyEditor : public TObject {
  VN_DECLARE_CLASS(TPropertyEditor)
 public:
  TPropertyEditor() = default;

  // Called by the host once, before anything else: the designer (may be null),
  // the inspected components (at least one) and the property they share.
  void Initialize(IDesigner* ADesigner, std::vector<TPersistent*> AComponents, const TPropInfo& APropInfo);

  // Virtual operations, in the platform's slot order.

  // Called when the inspector row is activated; the default does nothing.
  virtual void Activate();
  // Called to decide whether one value can be shown for the whole selection;
  // the default compares the value text of every component with the first's.
  virtual bool AllEqual();
  // Called before the inspector completes typed text from the value list; an
  // override answers false where the list is not to be trusted for that.
  virtual bool AutoFill();
  // Called when the ellipsis button is pressed (paDialog); the default does
  // nothing.
  virtual void Edit();
  // Called whenever the inspector lays out the row: what the editor offers.
  virtual TPropertyAttributes GetAttributes();
  // The maximum length of typed text; 0 for none.
  virtual int GetEditLimit();
  // The property's name as the inspector shows it.
  virtual std::string GetName();
  // Called to show the value; the default gives the first component's value
  // as text.
  virtual std::string GetValue();
  // Called when the drop-down list opens (paValueList): call Proc once per
  // value, in any order.
  virtual void GetValues(const TGetStrProc& Proc);
  // Called with the text the person typed or picked: set it on every selected
  // component, then mark the designer modified.
  virtual void SetValue(const std::string& Value);

  // Non-virtual access to what is inspected.
  TPersistent* GetComponent(int Index) const;  // EListError when out of range
  int PropCount() const noexcept { return static_cast<int>(FComponents.size()); }
  const TPropInfo& GetPropInfo() const noexcept { return *FPropInfo; }
  PTypeInfo GetPropType() const noexcept { return FPropInfo->PropType; }
  IDesigner* Designer() const noexcept { return FDesigner; }
  // Tells the designer that the root changed (when there is a designer).
  void Modified();

  // The first component's value. For a class-typed property the ordinal value
  // is the object's address, as on the platform.
  std::int64_t GetOrdValue() const;
  std::string GetStrValue() const;
  // Set the value on every selected component, then call Modified. When one
  // component refuses it, those already changed get their old value back and
  // the error passes on.
  void SetOrdValue(std::int64_t Value);
  void SetStrValue(const std::string& Value);

 protected:
  // The value as text (GetPropText) of component Index.
  std::string GetTextOf(int Index) const;
  // Applies Apply to each component, undoing on failure as SetOrdValue says.
  void SetOnEach(const std::function<void(TPersistent&)>& Apply);

 private:
  IDesigner* FDesigner = nullptr;
  std::vector<TPersistent*> FComponents;
  const TPropInfo* FPropInfo = nullptr;
};

// Ordinal values: integers, enumerations, sets.
class TOrdinalProperty : public TPropertyEditor {
  VN_DECLARE_CLASS(TOrdinalProperty)
 public:
  TPropertyAttributes GetAttributes() override;
};

class TIntegerProperty : public TOrdinalProperty {
  VN_DECLARE_CLASS(TIntegerProperty)
 public:
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

// Enumerations and Booleans: a sorted drop-down list of the value names.
class TEnumProperty : public TOrdinalProperty {
  VN_DECLARE_CLASS(TEnumProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  std::string GetValue() override;
  void GetValues(const TGetStrProc& Proc) override;
  // Takes a value name (without regard to case) or its ordinal number;
  // EPropertyError for anything else.
  void SetValue(const std::string& Value) override;
};

class TStringProperty : public TPropertyEditor {
  VN_DECLARE_CLASS(TStringProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

// A component's Name: unique among its owner's components, so never set on
// several at once.
class TComponentNameProperty : public TStringProperty {
  VN_DECLARE_CLASS(TComponentNameProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  // Refuses an empty name, one that is no identifier, and one another
  // component of the root (or the root itself) has, with EComponentError.
  void SetValue(const std::string& Value) override;
};

// An object the component owns (a string list, a collection): shown as
// "(TClassName)", unfolded into its own properties, not typed.
class TClassProperty : public TPropertyEditor {
  VN_DECLARE_CLASS(TClassProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  std::string GetValue() override;
};

// A string list the component owns, with no editor of its own: shown as
// "(TStrings)"; its ellipsis button opens the String List Editor (a memo of
// the lines, OK sets them on every selected component), which can hand its
// lines on to the code editor ("Code Editor..."); with Alt held the button
// opens the code editor at once. The code editor's module is a live edit of
// the property: saving it writes the lines back.
class TStringListProperty : public TClassProperty {
  VN_DECLARE_CLASS(TStringListProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  void Edit() override;

 private:
  TStrings& Strings(int Index) const;
  void ShowCodeEditor(const std::string& Text, bool MarkModified);
};

// A reference to another component of the root: a sorted list of the root's
// components of the property's class.
class TComponentProperty : public TPropertyEditor {
  VN_DECLARE_CLASS(TComponentProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  void GetValues(const TGetStrProc& Proc) override;
  void SetValue(const std::string& Value) override;
};

// Anything else (floats, sets, variants, events): the value as text.
class TTextProperty : public TPropertyEditor {
  VN_DECLARE_CLASS(TTextProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  void SetValue(const std::string& Value) override;
};
