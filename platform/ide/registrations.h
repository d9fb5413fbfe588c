// What design packages have registered with the IDE, in the order they did.
// The host's side of DesignIntf and TreeIntf.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "rtl/System.h"

namespace vn_ide {

enum TRegistrationKind { rkComponents, rkPropertyEditor, rkComponentEditor, rkPropertiesInCategory, rkSprigType };

struct TRegistration {
  TRegistrationKind Kind = rkComponents;
  std::string Package;  // the package whose Register made it; "" for the host itself
  // rkComponents
  std::string Page;
  std::vector<const TMetaClass*> Classes;
  // rkPropertyEditor: PropertyType, ComponentClass (null: any), PropertyName, EditorClass
  PTypeInfo PropertyType = nullptr;
  const TMetaClass* ComponentClass = nullptr;
  std::string PropertyName;
  // rkPropertyEditor, rkComponentEditor: the editor; rkSprigType: the sprig class
  const TMetaClass* EditorClass = nullptr;
  // rkPropertiesInCategory: Category, ComponentClass, Filters
  std::string Category;
  std::vector<std::string> Filters;

  // One line a person can read, e.g. "RegisterComponents('Varnel', [TVNSession, ...])".
  std::string Describe() const;
};

// Registrations made between Begin and End belong to Package. Begin while
// another package registers raises EAssertionFailed.
void BeginPackageRegistration(const std::string& Package);
void EndPackageRegistration() noexcept;

// Every registration in the order made.
std::vector<TRegistration> Registrations();
// Forgets what Package registered (it is being unloaded).
void DropPackageRegistrations(const std::string& Package);

// The palette: pages in the order first registered, each page's classes in the
// order registered.
std::vector<std::pair<std::string, std::vector<const TMetaClass*>>> PalettePages();

}  // namespace vn_ide
