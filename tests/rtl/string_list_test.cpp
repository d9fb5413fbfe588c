#include "rtl/Classes.h"

#include <gtest/gtest.h>

#include "support/message_of.h"
#include "rtl/SysUtils.h"

namespace {

// The lines joined by "|", which shows an empty line as well.
std::string Lines(const TStrings& L) {
  std::string Result;
  for (int I = 0; I < L.Count(); ++I) {
    if (I > 0) Result += '|';
    Result += L.Strings(I);
  }
  return Result;
}

template <class F>
std::string ListError(F&& Action) {
  return MessageOf<EListError>(Action);
}

TEST(StringListTest, NamesAndValuesSplitAtTheFirstEquals) {
  TStringList L;
  L.SetText("plain\n=empty name\nKey = a=b\nkey=second\nÄrger=x\n");
  EXPECT_EQ(L.Names(0), "");
  EXPECT_EQ(L.Names(2), "Key ");
  EXPECT_EQ(L.IndexOfName(""), 1);
  EXPECT_EQ(L.Values("key "), " a=b");
  EXPECT_EQ(L.Values("key"), "second");
  EXPECT_EQ(L.Values("äRGER"), "x");
  EXPECT_EQ(L.ValueFromIndex(0), "");
  EXPECT_EQ(L.ValueFromIndex(2), " a=b");
  // The name that matched may differ in length from the one asked for.
  L.SetText("CAFE\u0301=v\n");
  EXPECT_EQ(L.Values("caf\u00E9"), "v");
  L.SetValue("new", "1");
  L.SetValue("NEW", "2");
  L.SetValue("Cafe\u0301", "");
  EXPECT_EQ(Lines(L), "NEW=2");
}

TEST(StringListTest, MoveAndIndexErrorsLoseNoLine) {
  TStringList L;
  TObject Tag;
  L.SetText("a\nb\nc\nd");
  L.PutObject(0, &Tag);
  L.Move(0, 2);  // taken out, then inserted into the shorter list
  EXPECT_EQ(Lines(L), "b|c|a|d");
  EXPECT_EQ(L.Objects(2), &Tag);
  L.Move(3, 0);
  EXPECT_EQ(Lines(L), "d|b|c|a");
  L.Exchange(0, 3);
  EXPECT_EQ(Lines(L), "a|b|c|d");
  EXPECT_EQ(ListError([&] { L.Insert(5, "x"); }), "List index out of bounds (5)");
  EXPECT_EQ(ListError([&] { L.Delete(4); }), "List index out of bounds (4)");
  EXPECT_EQ(ListError([&] { L.Move(0, 4); }), "List index out of bounds (4)");
  EXPECT_EQ(ListError([&] { L.Exchange(-1, 0); }), "List index out of bounds (-1)");
  EXPECT_EQ(Lines(L), "a|b|c|d");
  L.Insert(4, "e");
  EXPECT_EQ(L.StringRef(4), "e");
}

TEST(StringListTest, TextEndsEveryLineAndReadsAnyLineBreak) {
  TStringList L;
  EXPECT_EQ(L.Text(), "");
  L.SetText("a\r\nb\rc\nd\n\ne\r\n");
  EXPECT_EQ(Lines(L), "a|b|c|d||e");
  EXPECT_EQ(L.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  L.SetText("\r\n");
  EXPECT_EQ(L.Count(), 1);
  L.SetText(std::string("x\0y", 3));
  EXPECT_EQ(L.StringRef(0).size(), 3u);  // a NUL is text like any other
  L.SetText("one\ntwo");
  L.SetText(L.StringRef(1));  // text taken from the list itself
  EXPECT_EQ(Lines(L), "two");
  L.SetText("a b\n\n\"q\"\nplain");
  EXPECT_EQ(L.CommaText(), "\"a b\",,\"\"\"q\"\"\",plain");
}

TEST(StringListTest, AssignAddStringsAndStreams) {
  TStringList A;
  A.SetText("x\ny");
  A.Assign(A);  // not emptied by assigning to itself
  A.AddStrings(A);
  EXPECT_EQ(Lines(A), "x|y|x|y");
  TStringList B;
  B.Add("old");
  B.Assign(A);
  EXPECT_TRUE(B.Equals(A));
  TComponent NotStrings(nullptr);
  EXPECT_THROW(B.Assign(NotStrings), EConvertError);
  TStringStream Stream;
  A.SaveToStream(Stream);
  EXPECT_EQ(Stream.DataString(), "x\r\ny\r\nx\r\ny\r\n");
  TStringStream Input("\xEF\xBB\xBFone\ntwo");
  B.LoadFromStream(Input);
  EXPECT_EQ(Lines(B), "one|two");
}

TEST(StringListTest, SortedListsKeepOrderAndHandleDuplicates) {
  TStringList L;
  L.SetText("pear\nApple\nbanana");
  L.SetSorted(true);
  EXPECT_EQ(Lines(L), "Apple|banana|pear");
  EXPECT_EQ(L.Add("cherry"), 2);
  EXPECT_EQ(L.Add("APPLE"), 0);  // dupIgnore: the existing line
  int Index = -1;
  EXPECT_FALSE(L.Find("blueberry", Index));
  EXPECT_EQ(Index, 2);
  EXPECT_EQ(L.IndexOf("PEAR"), 3);
  for (auto Refused : {+[](TStringList& S) { S.Insert(0, "x"); }, +[](TStringList& S) { S.Put(0, "x"); },
                       +[](TStringList& S) { S.Exchange(0, 1); }, +[](TStringList& S) { S.Move(0, 1); }})
    EXPECT_EQ(ListError([&] { Refused(L); }), "Operation not allowed on sorted list");
  EXPECT_EQ(Lines(L), "Apple|banana|cherry|pear");
  L.SetDuplicates(dupError);
  EXPECT_EQ(ListError([&] { L.Add("Cherry"); }), "String list does not allow duplicates");
  L.SetDuplicates(dupAccept);
  L.Add("Cherry");
  L.Add("cherry");
  EXPECT_TRUE(L.Find("CHERRY", Index));
  EXPECT_EQ(Index, 2);  // the first of the equal lines
  // dupIgnore leaves the object of the line already there alone.
  TObject First, Second;
  TStringList O;
  O.SetSorted(true);
  O.AddObject("k", &First);
  O.AddObject("K", &Second);
  EXPECT_EQ(O.Objects(0), &First);
}

TEST(StringListTest, CaseSensitivityAndCustomSort) {
  TStringList L;
  L.SetText("b\nA\na\nB");
  EXPECT_EQ(L.IndexOf("a"), 1);
  L.SetCaseSensitive(true);
  EXPECT_EQ(L.IndexOf("a"), 2);
  L.SetSorted(true);
  EXPECT_EQ(Lines(L), "a|A|b|B");
  L.SetSorted(false);
  L.CustomSort([](const TStringList& List, int I1, int I2) {
    return -List.CompareStrings(List.StringRef(I1), List.StringRef(I2));
  });
  EXPECT_EQ(Lines(L), "B|b|A|a");
}

// The least a TStrings descendant provides: the rest comes from TStrings itself.
class TVectorStrings : public TStrings {
 public:
  int Count() const override { return static_cast<int>(FLines.size()); }
  std::string Strings(int Index) const override { return FLines.at(static_cast<std::size_t>(Index)); }
  void Insert(int Index, const std::string& S) override {
    if (Index < 0 || Index > Count()) Error("List index out of bounds (%d)", Index);
    FLines.insert(FLines.begin() + Index, S);
  }
  void Delete(int Index) override { FLines.erase(FLines.begin() + Index); }
  void Clear() override { FLines.clear(); }
  std::vector<std::string> FLines;
};

TEST(StringListTest, DefaultsOfTStringsWorkOnAnyDescendant) {
  TVectorStrings L;
  L.SetText("b\nA\nc=3");
  L.Put(0, "B");
  L.Move(0, 2);
  L.Exchange(0, 1);
  EXPECT_EQ(Lines(L), "c=3|A|B");
  EXPECT_EQ(L.IndexOf("a"), 1);
  EXPECT_EQ(L.Values("C"), "3");
  EXPECT_EQ(L.AddObject("d", nullptr), 3);
  EXPECT_THROW(L.Move(0, 4), EListError);
  EXPECT_EQ(L.Text(), "c=3\r\nA\r\nB\r\nd\r\n");
}

TEST(StringListTest, OnChangeFiresOnceAfterAGroupOfChanges) {
  TStringList L;
  int Changes = 0;
  L.OnChange = [&](TObject* Sender) { Changes += Sender == &L; };
  L.Add("a");
  L.BeginUpdate();
  L.BeginUpdate();
  L.Add("c");
  L.Delete(0);
  L.EndUpdate();
  EXPECT_EQ(Changes, 1);
  L.EndUpdate();
  EXPECT_EQ(Changes, 2);
  L.SetText("x\ny\nz");
  L.Move(0, 2);
  EXPECT_EQ(Changes, 4);
  L.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(L.UpdateCount(), 0);
}

TEST(StringListTest, EditStringRewritesTheLineInItsOwnStorage) {
  TStringList L;
  L.SetText("a line long enough to live on the heap\nb");
  TObject Tag;
  L.PutObject(0, &Tag);
  int Changes = 0;
  L.OnChange = [&](TObject*) { ++Changes; };
  const char* Storage = L.StringRef(0).data();
  L.EditString(0, [](std::string& S) { S.assign("shorter").append(" line"); });
  EXPECT_EQ(Lines(L), "shorter line|b");
  EXPECT_EQ(L.StringRef(0).data(), Storage);
  EXPECT_EQ(L.Objects(0), &Tag);
  EXPECT_EQ(Changes, 1);
  // What Edit left is kept and still noticed when it throws.
  const auto AppendAndFail = [](std::string& S) {
    S += "+";
    throw EListError("stop");
  };
  EXPECT_THROW(L.EditString(1, AppendAndFail), EListError);
  EXPECT_EQ(Lines(L), "shorter line|b+");
  EXPECT_EQ(Changes, 2);
  EXPECT_EQ(ListError([&] { L.EditString(2, [](std::string&) {}); }), "List index out of bounds (2)");
  L.SetSorted(true);
  EXPECT_THROW(L.EditString(0, [](std::string& S) { S = "z"; }), EListError);
  EXPECT_EQ(Lines(L), "b+|shorter line");
}

}  // namespace
