#include "rtl/Classes.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/message_of.h"
#include "rtl/SysUtils.h"

namespace {

using TLog = std::vector<std::string>;

// Records what happens to it in a log that outlives it.
class TProbe : public TComponent {
 public:
  TProbe(TComponent* AOwner, std::string AName, TLog& ALog) : TComponent(AOwner), FLog(ALog) { SetName(AName); }
  ~TProbe() override { FLog.push_back("~" + Name() + (ComponentState().Contains(csDestroying) ? "!" : "")); }
  TComponent* Watched = nullptr;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove && AComponent == Watched) Watched = nullptr;
    if (AComponent != this) FLog.push_back(Name() + (Operation == opInsert ? " +" : " -") + AComponent->Name());
    TComponent::Notification(AComponent, Operation);
  }

 private:
  TLog& FLog;
};

TEST(ComponentTest, OwnerDestroysItsComponentsLastInsertedFirst) {
  TLog Log;
  {
    TProbe Owner(nullptr, "owner", Log);
    auto* A = new TProbe(&Owner, "a", Log);
    auto* B = new TProbe(&Owner, "b", Log);
    new TProbe(B, "b1", Log);
    EXPECT_EQ(B->ComponentIndex(), 1);
    EXPECT_EQ(Owner.Components(0), A);
    EXPECT_EQ(MessageOf<EListError>([&] { Owner.Components(2); }), "List index out of bounds (2)");
    Log.clear();
  }
  // "!": csDestroying was already set when the component's own destructor ran.
  EXPECT_EQ(Log, (TLog{"~owner", "~b!", "~b1!", "~a!"}));
}

// An owner on its way out still finds by name the components it has left, and
// only those.
TEST(ComponentTest, ADestroyingOwnerFindsTheComponentsItHasLeft) {
  struct TLooker : TComponent {
    TLooker(TComponent* AOwner, const std::string& AName, std::string ALooksFor, TLog& ALog)
        : TComponent(AOwner), Former(AOwner), LooksFor(std::move(ALooksFor)), Log(ALog) {
      SetName(AName);
    }
    // The owner has let go of it by now.
    ~TLooker() override { Log.push_back(Name() + (Former->FindComponent(LooksFor) ? " finds " : " misses ") + LooksFor); }
    TComponent* Former;
    std::string LooksFor;
    TLog& Log;
  };
  TLog Log;
  {
    TComponent Owner(nullptr);
    new TLooker(&Owner, "a", "B", Log);
    new TLooker(&Owner, "b", "A", Log);
  }
  EXPECT_EQ(Log, (TLog{"b finds A", "a misses B"}));
}

TEST(ComponentTest, OwnerAndSiblingsHearOfInsertsAndRemovals) {
  TLog Log;
  TProbe Owner(nullptr, "owner", Log);
  auto* A = new TProbe(&Owner, "a", Log);
  auto* B = new TProbe(&Owner, "b", Log);
  Log.clear();
  delete A;
  EXPECT_EQ(Owner.ComponentCount(), 1);
  EXPECT_EQ(Log, (TLog{"~a", "owner -a", "b -a"}));
  TComponent C(nullptr);
  C.SetName("c");
  Log.clear();
  Owner.InsertComponent(C);
  Owner.RemoveComponent(C);
  EXPECT_EQ(Log, (TLog{"owner +c", "b +c", "owner -c", "b -c"}));
  EXPECT_EQ(C.Owner(), nullptr);
  // While a form file is read into the owner, siblings hear only of a removal
  // of a component they are linked to.
  Owner.SetLoading(true);
  Log.clear();
  Owner.InsertComponent(C);
  Owner.RemoveComponent(C);
  Owner.InsertComponent(C);
  B->FreeNotification(C);
  Owner.RemoveComponent(C);
  EXPECT_EQ(Log, (TLog{"owner +c", "owner -c", "owner +c", "owner -c", "b -c"}));
}

// An owner on its way out tells a leaving component's siblings of it only when
// they are linked to it, before it is gone; destroying stays linear.
TEST(ComponentTest, AnOwnerOnItsWayOutTellsOnlyLinkedSiblings) {
  TLog Log;
  {
    TProbe Owner(nullptr, "owner", Log);
    auto* Watcher = new TProbe(&Owner, "watcher", Log);
    auto* Bystander = new TProbe(&Owner, "bystander", Log);
    auto* Target = new TProbe(&Owner, "target", Log);
    Watcher->Watched = Target;
    Watcher->FreeNotification(*Target);
    Bystander->Watched = Watcher;  // unlinked: never read once the owner goes
    Log.clear();
  }
  EXPECT_EQ(Log, (TLog{"~owner", "watcher -target", "~target!", "~bystander!", "~watcher!"}));
}

TEST(ComponentTest, FreeNotificationWorksBothWaysAndIsForgottenOnDestruction) {
  TLog Log;
  auto Referrer = std::make_unique<TProbe>(nullptr, "referrer", Log);
  auto Target = std::make_unique<TProbe>(nullptr, "target", Log);
  Referrer->Watched = Target.get();
  Referrer->FreeNotification(*Target);
  Target.reset();
  EXPECT_EQ(Referrer->Watched, nullptr);

  // A referrer destroyed first is forgotten: the target must not call it later.
  Target = std::make_unique<TProbe>(nullptr, "target2", Log);
  auto Referrer2 = std::make_unique<TProbe>(nullptr, "referrer2", Log);
  Referrer2->FreeNotification(*Target);
  Referrer2.reset();
  Log.clear();
  Target.reset();
  EXPECT_EQ(Log, (TLog{"~target2"}));

  Target = std::make_unique<TProbe>(nullptr, "target3", Log);
  Referrer->Watched = Target.get();
  Referrer->FreeNotification(*Target);
  Referrer->RemoveFreeNotification(*Target);
  Target.reset();
  EXPECT_NE(Referrer->Watched, nullptr);
}

TEST(ComponentTest, NamesAreValidatedAndUniqueWithoutRegardToCase) {
  TComponent Owner(nullptr);
  auto* A = new TComponent(&Owner);
  auto* B = new TComponent(&Owner);
  A->SetName("Ärger");
  EXPECT_EQ(Owner.FindComponent("äRGER"), A);
  EXPECT_EQ(MessageOf<EComponentError>([&] { B->SetName("äRGER"); }), "A component named äRGER already exists");
  EXPECT_EQ(MessageOf<EComponentError>([&] { B->SetName("1st"); }), "'1st' is not a valid component name");
  EXPECT_EQ(B->Name(), "");
  A->SetName("ÄRGER");  // a new case of its own name is no clash
  EXPECT_EQ(A->Name(), "ÄRGER");
  // A named component cannot join an owner that has one of that name.
  TComponent Stranger(nullptr);
  Stranger.SetName("ärger");
  EXPECT_THROW(Owner.InsertComponent(Stranger), EComponentError);
  EXPECT_EQ(Stranger.Owner(), nullptr);
}

TEST(ComponentTest, InsertingMovesBetweenOwnersAndRefusesCycles) {
  TComponent First(nullptr);
  TComponent Second(nullptr);
  auto* Child = new TComponent(&First);
  auto* Grandchild = new TComponent(Child);
  Second.InsertComponent(*Child);
  EXPECT_EQ(First.ComponentCount(), 0);
  EXPECT_EQ(Child->Owner(), &Second);
  EXPECT_THROW(Grandchild->InsertComponent(*Child), EComponentError);
  EXPECT_THROW(Child->InsertComponent(*Child), EComponentError);
  EXPECT_EQ(Child->Owner(), &Second);
}

TEST(ComponentTest, DesigningReachesOwnedComponents) {
  TComponent Root(nullptr);
  auto* Child = new TComponent(&Root);
  auto* Grandchild = new TComponent(Child);
  Root.SetDesigning(true);
  EXPECT_TRUE(Grandchild->ComponentState().Contains(csDesigning));
  EXPECT_TRUE((new TComponent(&Root))->ComponentState().Contains(csDesigning));  // joins a designing owner
  Root.SetDesigning(false, false);
  EXPECT_FALSE(Root.ComponentState().Contains(csDesigning));
  EXPECT_TRUE(Child->ComponentState().Contains(csDesigning));
}

TEST(ComponentTest, PersistentAssignWithoutSupportRaises) {
  TComponent A(nullptr);
  TPersistent P;
  EXPECT_EQ(MessageOf<EConvertError>([&] { P.Assign(A); }), "Cannot assign a TComponent to a TPersistent");
}

TEST(ComponentTest, FindComponentFollowsRenamesRemovalsAndCaseAsAnsiSameText) {
  TComponent Owner(nullptr);
  auto* A = new TComponent(&Owner);
  A->SetName("Key");
  auto* B = new TComponent(&Owner);
  B->SetName("Stra\u00DFe");
  EXPECT_EQ(Owner.FindComponent("KEY"), A);
  EXPECT_EQ(Owner.FindComponent("\u212Aey"), A) << "the Kelvin sign is K to the collator";
  EXPECT_EQ(Owner.FindComponent("STRA\u00DFE"), B);
  EXPECT_EQ(Owner.FindComponent("Strasse"), nullptr);
  EXPECT_EQ(MessageOf<EComponentError>([&] { B->SetName("kEY"); }), "A component named kEY already exists");
  A->SetName("Lock");
  EXPECT_EQ(Owner.FindComponent("key"), nullptr);
  EXPECT_EQ(Owner.FindComponent("LOCK"), A);
  B->SetName("Key");
  EXPECT_EQ(Owner.FindComponent("key"), B);
  delete B;
  EXPECT_EQ(Owner.FindComponent("key"), nullptr);
  EXPECT_FALSE(Owner.Owns(B));
  EXPECT_TRUE(Owner.Owns(A));
  TComponent Other(nullptr);
  Other.InsertComponent(*A);
  EXPECT_EQ(Owner.FindComponent("Lock"), nullptr);
  EXPECT_EQ(Other.FindComponent("lock"), A);
}

}  // namespace
