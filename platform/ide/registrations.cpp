#include "registrations.h"

#include <algorithm>
#include <mutex>

#include "ide/DesignIntf.h"
#include "ide/TreeIntf.h"
#include "rtl/SysUtils.h"

const std::string_view sDatabaseCategoryName = "Database";

namespace vn_ide {

namespace {

struct TRegistrationList {
  std::mutex Lock;
  std::vector<TRegistration> List;
  std::string CurrentPackage;
  bool Registering = false;
};

TRegistrationList& Registry() {
  static TRegistrationList* Instance = new TRegistrationList;  // outlives packages unloading at exit
  return *Instance;
}

void Record(TRegistration R) {
  TRegistrationList& Reg = Registry();
  std::lock_guard Guard(Reg.Lock);
  R.Package = Reg.CurrentPackage;
  Reg.List.push_back(std::move(R));
}

std::string ClassNames(const std::vector<const TMetaClass*>& Classes) {
  std::string Result;
  for (const TMetaClass* C : Classes) Result += (Result.empty() ? "" : ", ") + C->ClassName();
  return Result;
}

std::string Quoted(const std::string& S) { return QuotedStr(S); }

}  // namespace

std::string TRegistration::Describe() const {
  switch (Kind) {
    case rkComponents:
      return Format("RegisterComponents(%s, [%s])", {Quoted(Page), ClassNames(Classes)});
    case rkPropertyEditor:
      return Format("RegisterPropertyEditor(%s, %s, %s, %s)",
                    {PropertyType ? PropertyType->Name : "nil", ComponentClass ? ComponentClass->ClassName() : "nil",
                     Quoted(PropertyName), EditorClass->ClassName()});
    case rkComponentEditor:
      return Format("RegisterComponentEditor(%s, %s)", {ComponentClass->ClassName(), EditorClass->ClassName()});
    case rkPropertiesInCategory: {
      std::string Names;
      for (const std::string& F : Filters) Names += (Names.empty() ? "" : ", ") + Quoted(F);
      return Format("RegisterPropertiesInCategory(%s, %s, [%s])",
                    {Quoted(Category), ComponentClass->ClassName(), Names});
    }
    case rkSprigType:
      return Format("RegisterSprigType(%s, %s)", {ComponentClass->ClassName(), EditorClass->ClassName()});
  }
  return "";
}

void BeginPackageRegistration(const std::string& Package) {
  TRegistrationList& Reg = Registry();
  std::lock_guard Guard(Reg.Lock);
  VN_ASSERT(!Reg.Registering, "another package is registering");
  Reg.Registering = true;
  Reg.CurrentPackage = Package;
}

void EndPackageRegistration() noexcept {
  TRegistrationList& Reg = Registry();
  std::lock_guard Guard(Reg.Lock);
  Reg.Registering = false;
  Reg.CurrentPackage.clear();
}

std::vector<TRegistration> Registrations() {
  TRegistrationList& Reg = Registry();
  std::lock_guard Guard(Reg.Lock);
  return Reg.List;
}

void DropPackageRegistrations(const std::string& Package) {
  TRegistrationList& Reg = Registry();
  std::lock_guard Guard(Reg.Lock);
  std::erase_if(Reg.List, [&](const TRegistration& R) { return R.Package == Package; });
}

std::vector<std::pair<std::string, std::vector<const TMetaClass*>>> PalettePages() {
  std::vector<std::pair<std::string, std::vector<const TMetaClass*>>> Pages;
  for (const TRegistration& R : Registrations()) {
    if (R.Kind != rkComponents) continue;
    auto Page = std::find_if(Pages.begin(), Pages.end(), [&](const auto& P) { return SameText(P.first, R.Page); });
    if (Page == Pages.end()) Page = Pages.insert(Pages.end(), {R.Page, {}});
    Page->second.insert(Page->second.end(), R.Classes.begin(), R.Classes.end());
  }
  return Pages;
}

}  // namespace vn_ide

using vn_ide::Record;
using vn_ide::TRegistration;

void RegisterComponents(const std::string& Page, std::initializer_list<const TMetaClass*> ComponentClasses) {
  TRegistration R;
  R.Kind = vn_ide::rkComponents;
  R.Page = Page;
  for (const TMetaClass* C : ComponentClasses) {
    VN_ASSERT(C != nullptr, "a component class is required");
    R.Classes.push_back(C);
  }
  Record(std::move(R));
}

void RegisterPropertyEditor(PTypeInfo PropertyType, const TMetaClass* ComponentClass, const std::string& PropertyName,
                            const TMetaClass& EditorClass) {
  VN_ASSERT(PropertyType != nullptr, "a property type is required");
  TRegistration R;
  R.Kind = vn_ide::rkPropertyEditor;
  R.PropertyType = PropertyType;
  R.ComponentClass = ComponentClass;
  R.PropertyName = PropertyName;
  R.EditorClass = &EditorClass;
  Record(std::move(R));
}

void RegisterComponentEditor(const TMetaClass& ComponentClass, const TMetaClass& EditorClass) {
  TRegistration R;
  R.Kind = vn_ide::rkComponentEditor;
  R.ComponentClass = &ComponentClass;
  R.EditorClass = &EditorClass;
  Record(std::move(R));
}

void RegisterPropertiesInCategory(const std::string& CategoryName, const TMetaClass& ComponentClass,
                                  std::initializer_list<std::string> Filters) {
  TRegistration R;
  R.Kind = vn_ide::rkPropertiesInCategory;
  R.Category = CategoryName;
  R.ComponentClass = &ComponentClass;
  R.Filters.assign(Filters.begin(), Filters.end());
  Record(std::move(R));
}

void RegisterSprigType(const TMetaClass& ComponentClass, const TMetaClass& SprigClass) {
  VN_ASSERT(SprigClass.InheritsFrom(TSprig::StaticClass()), "a sprig class derives from TSprig");
  TRegistration R;
  R.Kind = vn_ide::rkSprigType;
  R.ComponentClass = &ComponentClass;
  R.EditorClass = &SprigClass;
  Record(std::move(R));
}
