#include "rtl/System.h"

#include "rtl/SysUtils.h"
#include "rtl_consts.h"

bool TMetaClass::InheritsFrom(const TMetaClass& AClass) const noexcept {
  for (const TMetaClass* Class = this; Class != nullptr; Class = Class->FParent)
    if (Class == &AClass) return true;
  return false;
}

std::unique_ptr<TObject> TMetaClass::CreateInstance(TComponent* AOwner) const {
  if (FFactory == nullptr) throw EAbstractError(Format(rtl_consts::SAbstractInstance, {FClassName}));
  return std::unique_ptr<TObject>(FFactory(AOwner));
}

TObject::~TObject() = default;

const TMetaClass& TObject::StaticClass() noexcept {
  static const TMetaClass Info("TObject", nullptr, vn_detail::FactoryFor<TObject>());
  return Info;
}

const TMetaClass& TObject::ClassType() const noexcept { return StaticClass(); }

bool TObject::ClassNameIs(std::string_view AName) const { return SameText(ClassName(), AName); }
