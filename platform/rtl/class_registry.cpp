#include "rtl/Classes.h"

#include <map>
#include <mutex>

#include "rtl/SysUtils.h"
#include "rtl_consts.h"

namespace {

struct TClassRegistry {
  std::mutex Lock;
  // Keyed by the upper-cased name: class names compare without regard to ASCII case.
  std::map<std::string, const TMetaClass*, std::less<>> Classes;
};

// Libraries register their classes from static start-up code, in an order no
// one controls, and may unregister them from shut-down code: the registry is
// made on first use and never destroyed.
TClassRegistry& Registry() {
  static TClassRegistry* Instance = new TClassRegistry;
  return *Instance;
}

}  // namespace

void RegisterClass(const TMetaClass& AClass) {
  TClassRegistry& R = Registry();
  const std::string Name = AClass.ClassName();
  std::lock_guard Guard(R.Lock);
  const auto [It, Inserted] = R.Classes.try_emplace(UpperCase(Name), &AClass);
  if (!Inserted && It->second != &AClass) throw EFilerError(Format(rtl_consts::SDuplicateClass, {Name}));
}

void RegisterClasses(std::initializer_list<const TMetaClass*> AClasses) {
  for (const TMetaClass* Class : AClasses)
    if (Class != nullptr) RegisterClass(*Class);
}

void UnRegisterClass(const TMetaClass& AClass) {
  TClassRegistry& R = Registry();
  std::lock_guard Guard(R.Lock);
  const auto It = R.Classes.find(UpperCase(AClass.ClassName()));
  // Only the class itself leaves, never another one that shares its name.
  if (It != R.Classes.end() && It->second == &AClass) R.Classes.erase(It);
}

TClass GetClass(std::string_view AClassName) {
  TClassRegistry& R = Registry();
  const std::string Key = UpperCase(AClassName);
  std::lock_guard Guard(R.Lock);
  const auto It = R.Classes.find(Key);
  return It == R.Classes.end() ? nullptr : It->second;
}

const TMetaClass& FindClass(std::string_view AClassName) {
  if (TClass Class = GetClass(AClassName)) return *Class;
  throw EClassNotFound(Format(rtl_consts::SClassNotFound, {AClassName}));
}
