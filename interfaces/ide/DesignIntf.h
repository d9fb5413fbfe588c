// Unit DesignIntf: how a design package tells the IDE what it contributes.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "rtl/System.h"

class TComponent;

// The IDE's form designer of one root component (a form or data module).
class IDesigner {
 public:
  virtual ~IDesigner() = default;
  // Marks the root as changed, so that the IDE saves it.
  virtual void Modified() = 0;
  // The root component being designed.
  virtual TComponent* GetRoot() = 0;
  // The extension of the file kind this designer edits, without the full stop:
  // "dfm" for the form designer, whatever the form file on disk is called.
  virtual std::string GetDesignerExtension() = 0;
};

// The Object Inspector's category of database properties.
extern const std::string_view sDatabaseCategoryName;

// Each call is recorded by the IDE in order, on behalf of the package whose
// Register is running; the IDE drops a package's registrations when it unloads
// the package.

// Puts the component classes on the palette page Page, in this order.
void RegisterComponents(const std::string& Page, std::initializer_list<const TMetaClass*> ComponentClasses);
// Editor EditorClass (derived from TPropertyEditor) edits the properties of type
// PropertyType named PropertyName ("" for any name) of ComponentClass (null for
// any class) and its descendants.
void RegisterPropertyEditor(PTypeInfo PropertyType, const TMetaClass* ComponentClass,
                            const std::string& PropertyName, const TMetaClass& EditorClass);
// Editor EditorClass (derived from TComponentEditor) serves ComponentClass and
// its descendants.
void RegisterComponentEditor(const TMetaClass& ComponentClass, const TMetaClass& EditorClass);
// The properties of ComponentClass whose names match one of Filters (a name, or
// "*" followed by an ending such as "*SQL") belong to the category CategoryName.
void RegisterPropertiesInCategory(const std::string& CategoryName, const TMetaClass& ComponentClass,
                                  std::initializer_list<std::string> Filters);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void DesignIntf_Initialization();
void DesignIntf_Finalization();
