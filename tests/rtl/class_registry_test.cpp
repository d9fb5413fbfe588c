#include "rtl/Classes.h"

#include <gtest/gtest.h>

#include "support/message_of.h"
#include "rtl/SysUtils.h"

namespace {

class TGadget : public TComponent {
  VN_DECLARE_CLASS(TGadget)
 public:
  using TComponent::TComponent;
};

}  // namespace

VN_IMPLEMENT_CLASS(TGadget, TComponent)

namespace {

// Another class that calls itself TGadget, as a second library might.
const TMetaClass OtherGadget("TGadget", &TComponent::StaticClass(), nullptr);

// Registered from static start-up code, before main, as libraries do.
const bool RegisteredAtStartUp = [] {
  RegisterClass(TGadget::StaticClass());
  return true;
}();

TEST(ClassRegistryTest, RegisterFindAndUnregisterByName) {
  ASSERT_TRUE(RegisteredAtStartUp);
  EXPECT_EQ(GetClass("tgadget"), &TGadget::StaticClass());
  EXPECT_EQ(&FindClass("TGADGET"), &TGadget::StaticClass());
  EXPECT_NO_THROW(RegisterClass(TGadget::StaticClass()));
  EXPECT_EQ(MessageOf<EFilerError>([] { RegisterClass(OtherGadget); }), "A class named TGadget already exists");
  UnRegisterClass(OtherGadget);  // not the registered one: nothing happens
  EXPECT_EQ(GetClass("TGadget"), &TGadget::StaticClass());

  UnRegisterClass(TGadget::StaticClass());
  EXPECT_EQ(GetClass("TGadget"), nullptr);
  EXPECT_EQ(MessageOf<EClassNotFound>([] { FindClass("TGadget"); }), "Class TGadget not found");
  RegisterClasses({&OtherGadget, &TStringList::StaticClass()});
  EXPECT_EQ(GetClass("tgadget"), &OtherGadget);
  EXPECT_EQ(GetClass("TStringList"), &TStringList::StaticClass());
  UnRegisterClass(OtherGadget);
  UnRegisterClass(TStringList::StaticClass());
  RegisterClass(TGadget::StaticClass());
}

}  // namespace
