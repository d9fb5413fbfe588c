#include "rtl/TypInfo.h"

#include <gtest/gtest.h>

#include "support/message_of.h"
#include "published_classes.h"

namespace {

std::vector<std::string> Names(const TPropList& List) {
  std::vector<std::string> Result;
  for (PPropInfo Prop : List) Result.push_back(Prop->Name);
  return Result;
}

// Publishes Count again with another default: it must replace the inherited one.
class TWideWidget : public TWidget {
  VN_DECLARE_PUBLISHED(TWideWidget)
 public:
  using TWidget::TWidget;
  std::string Version() const { return "1.0"; }
};

}  // namespace

VN_IMPLEMENT_PUBLISHED(TWideWidget, TWidget)

const std::vector<TPropInfo>& TWideWidget::PublishedProperties() {
  static const auto List = TPublisher<TWideWidget>()
                               .Integer("Count", [](const TWideWidget& O) { return O.Count; },
                                        [](TWideWidget& O, int V) { O.Count = V; }, 3)
                               .String("Version", &TWideWidget::Version, nullptr)
                               .List();
  return List;
}

namespace {

TEST(TypInfoTest, BuiltinRecordsAndEnumerationNames) {
  EXPECT_EQ(TypeInfo<std::string>()->Kind, tkUString);
  EXPECT_STREQ(TypeInfo<int>()->Name, "Integer");
  EXPECT_EQ(TypeInfo<int>()->MaxValue, 2147483647);
  EXPECT_EQ(TypeInfo<std::int64_t>()->Kind, tkInt64);
  EXPECT_EQ(TypeInfo<double>()->Kind, tkFloat);
  EXPECT_STREQ(TypeInfo<Variant>()->Name, "Variant");
  EXPECT_EQ(TypeInfo<TNotifyEvent>()->Kind, tkMethod);
  EXPECT_STREQ(TypeInfo<TNotifyEvent>()->Name, "TNotifyEvent");
  EXPECT_EQ(TypeInfo<bool>(), TypeInfo<bool>());

  EXPECT_EQ(GetEnumName(TypeInfo<bool>(), 1), "True");
  EXPECT_EQ(GetEnumValue(TypeInfo<bool>(), "false"), 0);
  EXPECT_EQ(GetEnumName(TypeInfo<TShape>(), 2), "shTriangle");
  EXPECT_EQ(GetEnumName(TypeInfo<TShape>(), 3), "");
  EXPECT_EQ(GetEnumName(TypeInfo<TShape>(), -1), "");
  EXPECT_EQ(GetEnumValue(TypeInfo<TShape>(), "SHSQUARE"), 1);
  EXPECT_EQ(GetEnumValue(TypeInfo<TShape>(), "shHexagon"), -1);
  EXPECT_EQ(GetEnumValue(TypeInfo<int>(), "shSquare"), -1);
  EXPECT_TRUE(IsClassType(TWidget::StaticClass().ClassInfo(), TComponent::StaticClass()));
  EXPECT_FALSE(IsClassType(TComponent::StaticClass().ClassInfo(), TWidget::StaticClass()));
  EXPECT_FALSE(IsClassType(TypeInfo<int>(), TObject::StaticClass()));
}

TEST(TypInfoTest, PropListPutsInheritedFirstAndRepublishedInPlace) {
  EXPECT_EQ(Names(GetPropList(TComponent::StaticClass())), (std::vector<std::string>{"Name", "Tag"}));
  const std::vector<std::string> Widget = Names(GetPropList(TWidget::StaticClass()));
  ASSERT_EQ(Widget.size(), 16u);
  EXPECT_EQ(Widget[2], "Caption");
  EXPECT_EQ(Widget.back(), "OnCount");

  const TPropList Wide = GetPropList(TWideWidget::StaticClass());
  EXPECT_EQ(Wide.size(), 17u);
  EXPECT_EQ(Wide[3]->Name, "Count");
  EXPECT_EQ(Wide[3]->Default, 3);
  EXPECT_EQ(Wide.back()->Name, "Version");
  EXPECT_EQ(GetPropInfo(TWideWidget::StaticClass(), "count"), Wide[3]);

  TWidget W(nullptr);
  EXPECT_EQ(GetPropInfo(W, "CAPTION")->Name, "Caption");
  EXPECT_EQ(GetPropInfo(W, "Nothing"), nullptr);
  EXPECT_EQ(MessageOf<EPropertyError>([&] { FindPropInfo(W, "Nothing"); }), "Property Nothing does not exist");
}

TEST(TypInfoTest, TypedAccessChecksKindRangeAndWritability) {
  TWideWidget W(nullptr);
  SetOrdProp(W, FindPropInfo(W, "Count"), -5);
  EXPECT_EQ(W.Count, -5);
  SetOrdProp(W, FindPropInfo(W, "Big"), 9000000000);
  EXPECT_EQ(GetOrdProp(W, FindPropInfo(W, "Big")), 9000000000);
  SetStrProp(W, FindPropInfo(W, "Caption"), "Hello");
  EXPECT_EQ(GetStrProp(W, FindPropInfo(W, "Caption")), "Hello");
  SetFloatProp(W, FindPropInfo(W, "Ratio"), 0.25);
  EXPECT_EQ(GetFloatProp(W, FindPropInfo(W, "Ratio")), 0.25);
  SetEnumProp(W, FindPropInfo(W, "Shape"), "shsquare");
  EXPECT_EQ(W.Shape, shSquare);
  SetSetProp(W, FindPropInfo(W, "Styles"), "[ fsUnderline , fsBold ]");
  EXPECT_EQ(W.Styles, (TStyles{fsBold, fsUnderline}));
  EXPECT_EQ(GetSetProp(W, FindPropInfo(W, "Styles")), "[fsBold,fsUnderline]");
  SetSetProp(W, FindPropInfo(W, "Styles"), "[]");
  EXPECT_TRUE(W.Styles.Empty());

  // A value the setter would cut down is refused rather than stored wrong.
  EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { SetOrdProp(W, FindPropInfo(W, "Count"), 4294967296); }),
            "4294967296 is out of range for property Count (-2147483648..2147483647)");
  EXPECT_NE(MessageOf<EPropertyConvertError>([&] { SetOrdProp(W, FindPropInfo(W, "Shape"), 3); }), "(no error)");
  EXPECT_NE(MessageOf<EPropertyConvertError>([&] { SetOrdProp(W, FindPropInfo(W, "Styles"), 8); }), "(no error)");
  EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { SetSetProp(W, FindPropInfo(W, "Styles"), "[fsBold,fsNone]"); }),
            "Invalid property element fsNone for property Styles");
  EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { GetOrdProp(W, FindPropInfo(W, "Caption")); }),
            "Property Caption does not hold an ordinal value");
  EXPECT_EQ(MessageOf<EPropertyError>([&] { SetStrProp(W, FindPropInfo(W, "Version"), "2"); }),
            "Property Version is read-only");
  EXPECT_EQ(W.Count, -5);
}

TEST(TypInfoTest, ObjectPropertiesAssignOwnedAndCheckReferences) {
  TTestRoot Root;
  auto* A = new TWidget(&Root);
  A->SetName("A");
  auto* B = new TWidget(&Root);
  B->SetName("B");
  const TPropInfo& Buddy = FindPropInfo(*A, "Buddy");
  EXPECT_TRUE(Buddy.IsReference());
  SetObjectProp(*A, Buddy, B);
  EXPECT_EQ(A->Buddy(), B);
  EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { SetObjectProp(*A, Buddy, &Root); }),
            "TTestRoot is not a TWidget, which property Buddy refers to");

  const TPropInfo& Lines = FindPropInfo(*A, "Lines");
  EXPECT_FALSE(Lines.IsReference());
  TStringList Source;
  Source.Add("x");
  SetObjectProp(*A, Lines, &Source);
  EXPECT_EQ(A->Lines->Text(), "x\r\n");
  EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { SetObjectProp(*A, Lines, nullptr); }),
            "Property Lines cannot be assigned from nothing");
  delete B;
  EXPECT_EQ(A->Buddy(), nullptr);
}

TEST(TypInfoTest, PropTextRoundTripsEveryKind) {
  TTestRoot Root;
  Root.SetName("Form1");
  auto* W = new TWidget(&Root);
  W->SetName("W");
  auto* Other = new TWidget(&Root);
  Other->SetName("Other");
  auto Set = [&](const char* Prop, std::string_view Text) { SetPropText(*W, FindPropInfo(*W, Prop), Text, &Root); };
  auto Get = [&](const char* Prop) { return GetPropText(*W, FindPropInfo(*W, Prop)); };

  Set("Count", " 42 ");
  EXPECT_EQ(Get("Count"), "42");
  Set("Count", "$10");
  EXPECT_EQ(W->Count, 16);
  Set("Enabled", "false");
  EXPECT_EQ(Get("Enabled"), "False");
  Set("Ratio", "1.5e3");
  EXPECT_EQ(Get("Ratio"), "1500");
  Set("Ratio", "0.1");
  EXPECT_EQ(Get("Ratio"), "0.1");
  Set("Styles", "fsItalic");
  EXPECT_EQ(Get("Styles"), "[fsItalic]");
  Set("Caption", " spaced ");
  EXPECT_EQ(Get("Caption"), " spaced ");
  Set("Data", "abc");
  EXPECT_EQ(W->Data, Variant("abc"));
  Set("Data", "");
  EXPECT_TRUE(W->Data.IsEmpty());
  Set("Buddy", "Other");
  EXPECT_EQ(Get("Buddy"), "Other");
  Set("Buddy", "Form1.Other");
  EXPECT_EQ(W->Buddy(), Other);
  Set("Buddy", "");
  EXPECT_EQ(W->Buddy(), nullptr);
  EXPECT_EQ(Get("Lines"), "(TStringList)");
  Set("OnClick", "WidgetClick");
  EXPECT_EQ(Get("OnClick"), "WidgetClick");
  W->OnClick(W);
  EXPECT_EQ(Root.Clicks, (std::vector<std::string>{"W"}));

  for (const auto& [Prop, Text] : std::vector<std::pair<const char*, const char*>>{
           {"Count", "4x"}, {"Count", "99999999999"}, {"Ratio", "nan"}, {"Ratio", "1,5"}, {"Shape", "shOval"},
           {"Buddy", "Nobody"}, {"Buddy", "Form1.Other.X"}, {"OnClick", "No Such"}, {"OnClick", "Missing"}})
    EXPECT_NE(MessageOf<EPropertyConvertError>([&] { Set(Prop, Text); }), "(no error)") << Prop << " " << Text;
  EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { Set("Count", "4x"); }),
            "'4x' is not a valid value for property Count");
  EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { Set("OnClick", "Missing"); }),
            "Method Missing not found in Form1 (property OnClick)");
  EXPECT_EQ(W->Count, 16);
}

TEST(TypInfoTest, EventsBindOnlyHandlersOfTheirSignature) {
  TTestRoot Root;
  TWidget W(nullptr);
  const TPropInfo& OnCount = FindPropInfo(W, "OnCount");
  EXPECT_EQ(OnCount.PropType->Kind, tkMethod);
  SetMethodProp(W, OnCount, "WidgetCount", Root.MethodAddress("WidgetCount"));
  int Count = 1;
  W.OnCount(&W, Count);
  EXPECT_EQ(Count, 2);
  EXPECT_EQ(GetMethodProp(W, OnCount), "WidgetCount");
  EXPECT_EQ(MessageOf<EPropertyConvertError>(
                [&] { SetMethodProp(W, OnCount, "WidgetClick", Root.MethodAddress("WidgetClick")); }),
            "Method WidgetClick does not fit property OnCount (TCountEvent)");
  EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { SetMethodProp(W, OnCount, "X", std::any(42)); }),
            "Method X does not fit property OnCount (TCountEvent)");
  EXPECT_EQ(GetMethodProp(W, OnCount), "WidgetCount");

  // A designing root may lack the method: the name alone is kept.
  Root.SetDesigning(true);
  SetPropText(W, FindPropInfo(W, "OnClick"), "NotYetWritten", &Root);
  EXPECT_EQ(W.OnClick.Name, "NotYetWritten");
  EXPECT_FALSE(W.OnClick);
  SetPropText(W, FindPropInfo(W, "OnClick"), "", &Root);
  EXPECT_EQ(W.OnClick.Name, "");
}

TEST(TypInfoTest, StoredPropertiesAreThoseThatDifferFromTheirDefaults) {
  TWideWidget W(nullptr);
  W.SetName("W");
  auto Stored = [&] {
    std::vector<std::string> Result;
    for (PPropInfo Prop : GetPropList(W))
      if (IsStoredProp(W, *Prop)) Result.push_back(Prop->Name);
    return Result;
  };
  // Count's default is 3 here, and Version cannot be set: neither is written.
  EXPECT_EQ(Stored(), (std::vector<std::string>{"Count"}));
  W.Count = 3;
  W.SetTag(-1);
  W.Ratio = 0.5;
  W.Enabled = false;
  W.Data = Variant::Null();
  W.Font.Size = 10;
  W.Lines->Add("");
  W.Items->Add();
  W.OnClick.Name = "X";
  EXPECT_EQ(Stored(),
            (std::vector<std::string>{"Tag", "Ratio", "Enabled", "Lines", "Items", "Font", "Data", "OnClick"}));
  EXPECT_TRUE(IsDefaultPropValue(W, FindPropInfo(W, "Shape")));
  EXPECT_FALSE(IsDefaultPropValue(W, FindPropInfo(W, "Font")));
}

}  // namespace
