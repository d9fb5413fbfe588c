#include "rtl/Classes.h"

#include <gtest/gtest.h>

#include "support/message_of.h"
#include "rtl/SysUtils.h"

namespace {

class TNamedItem : public TCollectionItem {
  VN_DECLARE_CLASS(TNamedItem)
 public:
  using TCollectionItem::TCollectionItem;
  std::string Text;
  std::string DisplayName() const override { return Text.empty() ? TCollectionItem::DisplayName() : Text; }
  void SetText(std::string Value) {
    Text = std::move(Value);
    Changed(false);
  }
  void Assign(const TPersistent& Source) override {
    if (const auto* Other = dynamic_cast<const TNamedItem*>(&Source)) {
      Text = Other->Text;
      return;
    }
    TCollectionItem::Assign(Source);
  }
};

// Records every Update: "*" for the whole collection, else the item's text.
class TLoggingCollection : public TCollection {
 public:
  TLoggingCollection() : TCollection(TNamedItem::StaticClass()) {}
  std::vector<std::string> Log;
  TNamedItem& At(int I) const { return static_cast<TNamedItem&>(*Items(I)); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> Result;
    for (int I = 0; I < Count(); ++I) Result.push_back(At(I).Text);
    return Result;
  }

 protected:
  void Update(TCollectionItem* Item) override {
    Log.push_back(Item == nullptr ? "*" : static_cast<TNamedItem*>(Item)->Text);
  }
};

TNamedItem& AddNamed(TLoggingCollection& C, const std::string& Text) {
  auto& Item = static_cast<TNamedItem&>(*C.Add());
  Item.Text = Text;
  return Item;
}

}  // namespace

VN_IMPLEMENT_CLASS(TNamedItem, TCollectionItem)

namespace {

TEST(CollectionTest, ItemsKeepOrderIdsAndIndexes) {
  TLoggingCollection C;
  EXPECT_EQ(&C.ItemClass(), &TNamedItem::StaticClass());
  TNamedItem& A = AddNamed(C, "a");
  TNamedItem& B = AddNamed(C, "b");
  auto& First = static_cast<TNamedItem&>(*C.Insert(0));
  First.Text = "first";
  EXPECT_EQ(C.Texts(), (std::vector<std::string>{"first", "a", "b"}));
  EXPECT_EQ(First.ID(), 2);
  EXPECT_EQ(First.Index(), 0);
  EXPECT_EQ(C.FindItemID(1), &B);
  EXPECT_EQ(C.FindItemID(7), nullptr);
  EXPECT_EQ(A.Collection(), &C);
  EXPECT_EQ(A.DisplayName(), "a");
  EXPECT_EQ(static_cast<TNamedItem*>(C.Insert(3))->TCollectionItem::DisplayName(), "TNamedItem");
  C.Delete(3);

  First.SetIndex(2);
  EXPECT_EQ(C.Texts(), (std::vector<std::string>{"a", "b", "first"}));
  B.SetIndex(0);
  EXPECT_EQ(C.Texts(), (std::vector<std::string>{"b", "a", "first"}));
  EXPECT_EQ(First.ID(), 2);
  EXPECT_EQ(MessageOf<EListError>([&] { B.SetIndex(3); }), "List index out of bounds (3)");
  EXPECT_EQ(MessageOf<EListError>([&] { C.Items(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf<EListError>([&] { C.Insert(5); }), "List index out of bounds (5)");

  // Destroying an item takes it out; an ID is never given again.
  delete &A;
  EXPECT_EQ(C.Texts(), (std::vector<std::string>{"b", "first"}));
  EXPECT_EQ(AddNamed(C, "c").ID(), 4);
  C.Delete(0);
  EXPECT_EQ(C.Texts(), (std::vector<std::string>{"first", "c"}));
  C.Clear();
  EXPECT_EQ(C.Count(), 0);
}

TEST(CollectionTest, UpdateRunsAfterEachChangeOrOnceForAGroup) {
  TLoggingCollection C;
  TNamedItem& A = AddNamed(C, "a");
  AddNamed(C, "b");
  A.SetText("a2");
  A.SetIndex(1);
  EXPECT_EQ(C.Log, (std::vector<std::string>{"*", "*", "a2", "*"}));
  C.Log.clear();
  C.BeginUpdate();
  AddNamed(C, "c");
  C.Delete(0);
  A.SetText("a3");
  EXPECT_TRUE(C.Log.empty());
  C.EndUpdate();
  EXPECT_EQ(C.Log, (std::vector<std::string>{"*"}));
  C.Log.clear();
  C.Clear();
  C.Clear();
  EXPECT_EQ(C.Log, (std::vector<std::string>{"*"}));
}

TEST(CollectionTest, AssignCopiesItemsAndItemsMoveBetweenCollections) {
  TLoggingCollection Source;
  AddNamed(Source, "x");
  AddNamed(Source, "y");
  TLoggingCollection Dest;
  AddNamed(Dest, "old");
  Dest.Log.clear();
  Dest.Assign(Source);
  EXPECT_EQ(Dest.Texts(), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(Dest.Log, (std::vector<std::string>{"*"}));
  Dest.Assign(Dest);
  EXPECT_EQ(Dest.Count(), 2);

  TNamedItem& Moved = Source.At(0);
  Moved.SetCollection(&Dest);
  EXPECT_EQ(Source.Texts(), (std::vector<std::string>{"y"}));
  EXPECT_EQ(Dest.Texts(), (std::vector<std::string>{"x", "y", "x"}));

  // A free-standing item belongs to whoever made it until it joins a collection.
  auto Free = std::make_unique<TNamedItem>();
  EXPECT_EQ(Free->Index(), -1);
  Free->SetCollection(&Source);
  EXPECT_EQ(Free.release()->Index(), 1);

  TCollection Plain(TCollectionItem::StaticClass());
  Plain.Add();
  EXPECT_EQ(MessageOf<EConvertError>([&] { Dest.Assign(Plain); }),
            "Cannot assign a TCollectionItem to a TNamedItem");
  TStringList Strings;
  EXPECT_NE(MessageOf<EConvertError>([&] { Dest.Assign(Strings); }), "(no error)");
  EXPECT_NE(MessageOf<EAssertionFailed>([&] { Plain.Items(0)->SetCollection(&Dest); }), "(no error)");
  EXPECT_NE(MessageOf<EAssertionFailed>([] { TCollection Bad(TStringList::StaticClass()); }), "(no error)");
}

}  // namespace
