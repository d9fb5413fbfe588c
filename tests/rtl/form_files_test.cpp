#include "rtl/FormFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "rtl/DB.h"
#include "rtl/TypInfo.h"
#include "support/message_of.h"
#include "published_classes.h"

namespace {

// A component holding an image, kept as the bytes the builder stored.
class TPictureBox : public TComponent {
  VN_DECLARE_PUBLISHED(TPictureBox)
 public:
  using TComponent::TComponent;
  std::string Picture;
};

VN_IMPLEMENT_PUBLISHED(TPictureBox, TComponent)

const std::vector<TPropInfo>& TPictureBox::PublishedProperties() {
  static const auto List = [] {
    auto Result = TPublisher<TPictureBox>()
                      .String("Picture", [](const TPictureBox& B) { return B.Picture; },
                              [](TPictureBox& B, const std::string& V) { B.Picture = V; })
                      .List();
    Result.front().PropType = BinaryDataTypeInfo();
    return Result;
  }();
  return List;
}

// A frame whose class makes one component of its own, as an ancestor would.
class TTestFrame : public TComponent {
  VN_DECLARE_CLASS(TTestFrame)
 public:
  explicit TTestFrame(TComponent* AOwner) : TComponent(AOwner) { (new TGizmo(this))->SetName("Inner"); }
};

VN_IMPLEMENT_CLASS(TTestFrame, TComponent)

// A component whose Loaded destroys the sibling its Victim names ("Raise": raises instead).
class TReaper : public TComponent {
  VN_DECLARE_PUBLISHED(TReaper)
 public:
  using TComponent::TComponent;
  std::string Victim;
  void Loaded() override {
    TComponent::Loaded();
    if (Victim == "Raise") throw EComponentError("reaper failed");
    delete Owner()->FindComponent(Victim);
  }
};

VN_IMPLEMENT_PUBLISHED(TReaper, TComponent)

const std::vector<TPropInfo>& TReaper::PublishedProperties() {
  static const auto List = TPublisher<TReaper>()
                               .String("Victim", [](const TReaper& R) { return R.Victim; },
                                       [](TReaper& R, const std::string& V) { R.Victim = V; })
                               .List();
  return List;
}

struct TRegisteredHere {
  TRegisteredHere() {
    RegisterClasses({&TPictureBox::StaticClass(), &TTestFrame::StaticClass(), &TReaper::StaticClass()});
  }
  ~TRegisteredHere() {
    UnRegisterClass(TPictureBox::StaticClass());
    UnRegisterClass(TTestFrame::StaticClass());
    UnRegisterClass(TReaper::StaticClass());
  }
};

// Test texts are written with \n; the writer ends lines as the platform does.
std::string Crlf(std::string_view Text) { return StringReplaceAll(Text, "\n", "\r\n"); }

class FormFilesTest : public ::testing::Test {
 protected:
  FormFilesTest() { EventLog().clear(); }

  template <class T = TWidget>
  T& Find(std::string_view Name) {
    return As<T>(*Root.FindComponent(Name));
  }

  TRegisteredClasses Registered;
  TRegisteredHere RegisteredHere;
  TTestRoot Root;
};

// Every kind of value, in the writer's own layout.
constexpr std::string_view EveryKind = R"(object Form1: TTestRoot
  Tag = 7
  object Widget1: TWidget
    Tag = -3
    Caption = 'It'#39's'#13#10'two lines'#9'and caf'#233
    Count = -42
    Big = 9000000000
    Ratio = 2.5
    Enabled = False
    Shape = shSquare
    Styles = [fsBold, fsUnderline]
    Lines.Strings = (
      'first'
      ''
      '0123456789012345678901234567890123456789012345678901234567890123' +
        '456789')
    Items = <
      item
        Caption = 'one'
        Link = Widget2
      end
      item
        Width = 10
        Link = Form1
        OnClick = WidgetClick
      end>
    Font.Name = 'Arial'
    Font.Size = 12
    Font.Style = [fsItalic]
    Buddy = Widget2
    Data = 'text'
    OnClick = WidgetClick
    OnCount = WidgetCount
    object Widget3: TWidget
      Caption = 'inner'
      Ratio = 1e+20
      Data = 1.0
    end
  end
  object Widget2: TWidget
    Caption =
      'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +
      'bb'
    Shape = shTriangle
    Data = Null
  end
  object Widget4: TWidget
    Ratio = -0.125
    Data = 5
  end
  object Widget5: TWidget
    Data = True
  end
  object TGizmo
  end
  object Gizmo1: TGizmo
    Tag = 1
  end
end
)";

TEST_F(FormFilesTest, ReadingThenWritingGivesTheSameText) {
  const std::string Text = Crlf(EveryKind);
  const TFormFileHeader Header = ReadComponentText(Text, Root, "every.vfm");
  EXPECT_EQ(Header.Name, "Form1");
  EXPECT_EQ(Header.ClassName, "TTestRoot");
  EXPECT_EQ(Root.Name(), "Form1");
  EXPECT_EQ(Root.ComponentCount(), 7);

  TWidget& W1 = Find("Widget1");
  TWidget& W2 = Find("Widget2");
  EXPECT_EQ(W1.Caption, "It's\r\ntwo lines\tand caf\xC3\xA9");
  EXPECT_EQ(W1.Big, 9000000000);
  EXPECT_EQ(W1.Styles, (TStyles{fsBold, fsUnderline}));
  EXPECT_EQ(W1.Lines->Count(), 3);
  EXPECT_EQ(W1.Lines->Strings(2), "0123456789012345678901234567890123456789012345678901234567890123456789");
  EXPECT_EQ(W1.Font.Name, "Arial");
  EXPECT_EQ(W1.Buddy(), &W2);
  EXPECT_EQ(static_cast<TWidgetItem*>(W1.Items->Items(0))->Link, &W2);
  EXPECT_EQ(static_cast<TWidgetItem*>(W1.Items->Items(1))->Link, &Root);
  EXPECT_EQ(Find("Widget3").Parent(), &W1);
  EXPECT_EQ(Find("Widget3").Data, Variant(1.0));
  EXPECT_EQ(Find("Widget4").Data, Variant(5));
  EXPECT_EQ(W2.Data, Variant::Null());
  EXPECT_EQ(W2.Caption.size(), 66u);
  EXPECT_EQ(Root.Components(5)->Name(), "");

  // Events are bound to the root's methods by name.
  W1.OnClick(&W1);
  static_cast<TWidgetItem*>(W1.Items->Items(1))->OnClick(&W2);
  EXPECT_EQ(Root.Clicks, (std::vector<std::string>{"Widget1", "Widget2"}));
  int Count = 0;
  W1.OnCount(&W1, Count);
  EXPECT_EQ(Count, 1);

  EXPECT_EQ(WriteComponentText(Root), Text);
  EXPECT_EQ(WriteComponentText(Root, "TForm1").substr(0, 22), "object Form1: TForm1\r\n");
}

TEST_F(FormFilesTest, ParentsComeFirstAndLoadedRunsAtTheEnd) {
  ReadComponentText(EveryKind, Root);
  const std::vector<std::string> Expected{
      "caption Widget1 in -", "caption Widget3 in Widget1", "caption Widget2 in -", "loaded Form1 (loading)",
      "loaded Widget1 (loading)", "loaded Widget3 (loading)", "loaded Widget2 (loading)",
      "loaded Widget4 (loading)", "loaded Widget5 (loading)"};
  EXPECT_EQ(EventLog(), Expected);
  EXPECT_FALSE(Root.ComponentState().Contains(csLoading));
  EXPECT_FALSE(Find<TGizmo>("Gizmo1").ComponentState().Contains(csLoading));
}

TEST_F(FormFilesTest, ReaderTakesTheSpellingsPeopleWrite) {
  ReadComponentText(
      "object Form1: TTestRoot\n"
      "  object W: TWidget\n"
      "    caption = 'ab' +\n"
      "      'c'#$44 + #10 + 'd''e'\n"
      "    Count = $FF\n"
      "    Big = -$10\n"
      "    Ratio = 3\n"
      "    Enabled = true\n"
      "    Styles = []\n"
      "    Lines.Strings = ('x' 'y')\n"
      "    Buddy = Form1.V\n"
      "    Items = <>\n"
      "  end\n"
      "  object V: TWidget end\n"
      "end",
      Root);
  TWidget& W = Find("W");
  EXPECT_EQ(W.Caption, "abcD\nd'e");
  EXPECT_EQ(W.Count, 255);
  EXPECT_EQ(W.Big, -16);
  EXPECT_EQ(W.Ratio, 3.0);
  EXPECT_EQ(W.Lines->CommaText(), "x,y");
  EXPECT_EQ(W.Buddy(), &Find("V"));
}

TEST_F(FormFilesTest, MalformedFilesNameTheLineAndLeaveNothingBehind) {
  struct TCase {
    std::string Body;  // inside "object Form1: TTestRoot / object W: TWidget"
    std::string Message;
  };
  const std::vector<TCase> Cases{
      {"    Caption = 'abc\n", "Line 3: Unterminated string"},
      {"    Styles = [fsBold fsItalic]\n", "Line 3: ']' expected"},
      {"    Count = 1\n    'stray'\n", "Line 4: 'end' expected"},
      {"    Caption = 'a' + 1\n", "Line 3: String expected"},
      {"    Data = {0A0}\n", "Line 3: Invalid binary value"},
      {"    Count = 12abc\n", "Line 3: Invalid integer 12abc"},
      {"    Caption = #55296\n", "Line 3: Invalid character code"},
      {"    Colour = 1\n", "Line 3: Error reading W.Colour: Property Colour does not exist"},
      {"    Count = 'x'\n",
       "Line 3: Error reading W.Count: Invalid property value (a string where an integer is expected)"},
      {"    Count = 9999999999\n",
       "Line 3: Error reading W.Count: 9999999999 is out of range for property Count (-2147483648..2147483647)"},
      {"    Styles = [fsBold, fsNone]\n",
       "Line 3: Error reading W.Styles: Invalid property element fsNone for property Styles"},
      {"    Shape = shOval\n",
       "Line 3: Error reading W.Shape: Invalid property value shOval: no value of TShape has that name"},
      {"    Caption = {0A0B}\n", "Line 3: Error reading W.Caption: Property Caption cannot take binary data"},
      {"    Lines = ('a')\n",
       "Line 3: Error reading W.Lines: Property Lines holds an object and takes no value of its own"},
      {"    Caption.Size = 1\n", "Line 3: Error reading W.Caption.Size: Property Caption holds no object"},
      {"    Font.Colour = 1\n", "Line 3: Error reading W.Font.Colour: Property Colour does not exist"},
      {"    Items = <\n      item\n        Width = 'x'\n      end>\n",
       "Line 5: Error reading W.Items[0].Width: Invalid property value (a string where an integer is expected)"},
      {"    Buddy = Nobody\n", "Line 3: Error reading W.Buddy: Component Nobody not found (property Buddy)"},
      {"    Buddy = Form1\n",
       "Line 3: Error reading W.Buddy: TTestRoot is not a TWidget, which property Buddy refers to"},
      {"    OnClick = Nope\n", "Line 3: Error reading W.OnClick: Method Nope not found in Form1 (property OnClick)"},
      {"    OnCount = WidgetClick\n",
       "Line 3: Error reading W.OnCount: Method WidgetClick does not fit property OnCount (TCountEvent)"},
      {"  end\n  object W: TWidget\n", "Line 4: A component named W already exists"},
      {"  end\n  object X: TNoSuchClass\n", "Line 4: Class TNoSuchClass not found"},
      {"  end\n  inherited W: TWidget\n", "Line 4: A component named W already exists"},
      {"  end\n  object X: TWidgetItem\n", "Line 4: TWidgetItem is not a component class"},
      {"  end\n  inline F: TTestFrame\n    inherited Inner: TGizmo\n    end\n  end\n  object X: TNone\n",
       "Line 8: Class TNone not found"},
      {"    Left = 70000\n", "Line 3: Error reading W.Left: 70000 is out of range for the design position Left (-32768..65535)"},
      {"    Top = 'x'\n", "Line 3: Error reading W.Top: Invalid property value (a string where an integer is expected)"},
      {"  end\n  object P: TPictureBox\n    Picture = 'x'\n",
       "Line 5: Error reading P.Picture: Invalid property value (a string where binary data is expected)"},
      {"  end\n  inline X: TTestFrame\n    inherited Inner: TWidget\n    end\n",
       "Line 5: Inner is not a TWidget"},
  };
  for (const TCase& Case : Cases) {
    const std::string Text = "object Form1: TTestRoot\n  object W: TWidget\n" + Case.Body +
                             "  end\n  object W2: TWidget\n    Buddy = W\n  end\nend\n";
    std::string Message;
    try {
      ReadComponentText(Text, Root);
      Message = "(no error)";
    } catch (const Exception& E) {
      Message = E.Message();
    }
    EXPECT_EQ(Message, Case.Message) << Case.Body;
    EXPECT_EQ(Root.ComponentCount(), 0) << Case.Body;
    EXPECT_FALSE(Root.ComponentState().Contains(csLoading)) << Case.Body;
  }
  EXPECT_EQ(MessageOf<EParserError>([&] { ReadComponentText("object Form1: TTestRoot\n  Tag = 1\n", Root); }),
            "Line 3: 'end' expected");
  EXPECT_EQ(MessageOf<EParserError>([&] { ReadComponentText("object A: TTestRoot end end", Root); }),
            "Line 1: End of file expected");
  const std::string UnknownClass = "object Form1: TTestRoot\n\n  object X: TNone\n  end\nend";
  EXPECT_EQ(MessageOf<EClassNotFound>([&] { ReadComponentText(UnknownClass, Root, "shop.vfm"); }),
            "shop.vfm(3): Class TNone not found");
  try {
    ReadComponentText("object Form1: TTestRoot\n  Tag = [a,\n  ,]\nend", Root, "shop.vfm");
    ADD_FAILURE() << "no error";
  } catch (const EParserError& E) {
    EXPECT_EQ(E.Message(), "shop.vfm(3): Identifier expected");
    EXPECT_EQ(E.Line(), 3);
    EXPECT_EQ(E.SourceName(), "shop.vfm");
  }
  // The components made before the error were destroyed again.
  EXPECT_EQ(std::count(EventLog().begin(), EventLog().end(), "destroy W"), 23);
  EXPECT_EQ(std::count(EventLog().begin(), EventLog().end(), "destroy W2"), 4);
}

// What Loaded destroys is neither called again nor given a record, nor
// destroyed a second time when a later Loaded fails.
TEST_F(FormFilesTest, AComponentDestroyedWhileLoadingIsLeftAlone) {
  const std::string Text =
      "object Form1: TTestRoot\n  object R: TReaper\n    Victim = 'W1'\n  end\n"
      "  object W1: TWidget\n    Caption = 'doomed'\n  end\n  object W2: TWidget\n  end\nend\n";
  ReadComponentText(Text, Root);
  EXPECT_EQ(Root.FindComponent("W1"), nullptr);
  EXPECT_EQ(std::count(EventLog().begin(), EventLog().end(), "loaded W1 (loading)"), 0);
  EXPECT_EQ(WriteComponentText(Root),
            "object Form1: TTestRoot\n  object R: TReaper\n    Victim = 'W1'\n  end\n"
            "  object W2: TWidget\n  end\nend\n");

  TTestRoot Other;
  const std::string Failing =
      StringReplaceAll(Text, "object W2: TWidget\n", "object X: TReaper\n    Victim = 'Raise'\n");
  EXPECT_EQ(MessageOf<EComponentError>([&] { ReadComponentText(Failing, Other); }), "Line 8: reaper failed");
  EXPECT_EQ(Other.ComponentCount(), 0);
}

TEST_F(FormFilesTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  const std::string Values = "object A: TTestRoot\n  Tag = " + std::string(100000, '(') + "\nend";
  EXPECT_EQ(MessageOf<EParserError>([&] { ReadComponentText(Values, Root); }), "Line 2: Nesting too deep");
  std::string Objects;
  for (int I = 0; I < 5000; ++I) Objects += "object A: TTestRoot\n";
  EXPECT_EQ(MessageOf<EParserError>([&] { ReadComponentText(Objects, Root); }), "Line 202: Nesting too deep");
}

TEST_F(FormFilesTest, ACollectionGivenTwiceDropsTheFirstItemsAndTheirReferences) {
  ReadComponentText(
      "object Form1: TTestRoot\n"
      "  object W: TWidget\n"
      "    Items = <\n"
      "      item\n        Link = W2\n      end\n"
      "      item\n        Link = W2\n        OnClick = WidgetClick\n      end>\n"
      "    Items = <\n"
      "      item\n        Caption = 'again'\n      end>\n"
      "  end\n"
      "  object W2: TWidget\n  end\n"
      "end\n",
      Root);
  const TCollection& Items = *Find("W").Items;
  ASSERT_EQ(Items.Count(), 1);
  EXPECT_EQ(static_cast<TWidgetItem*>(Items.Items(0))->Caption, "again");
  EXPECT_EQ(static_cast<TWidgetItem*>(Items.Items(0))->Link, nullptr);
}

TEST_F(FormFilesTest, ADesigningRootKeepsNamesOfMethodsItLacks) {
  Root.SetDesigning(true);
  const std::string Text = Crlf(
      "object Form1: TTestRoot\n"
      "  object W: TWidget\n"
      "    OnClick = NotWrittenYet\n"
      "  end\n"
      "end\n");
  ReadComponentText(Text, Root);
  EXPECT_EQ(Find("W").OnClick.Name, "NotWrittenYet");
  EXPECT_FALSE(Find("W").OnClick);
  EXPECT_EQ(WriteComponentText(Root), Text);
}

TEST_F(FormFilesTest, WriterKeepsEveryByteAndRefusesWhatCannotBeRead) {
  auto* W = new TWidget(&Root);
  W->SetName("W");
  W->Caption = std::string("a\xFF'b\x7F\xE2\x82", 7) + std::string(70, 'x');
  W->Lines->Add("");
  const std::string Text = WriteComponentText(Root);
  EXPECT_NE(Text.find("    Caption =\r\n      'a\xFF'#39'b'#127'\xE2\x82xxx"), std::string::npos) << Text;

  // Bytes that are no UTF-8 are read as the builder's code page has them.
  TTestRoot Copy;
  ReadComponentText(Text, Copy);
  EXPECT_EQ(As<TWidget>(Copy.FindComponent("W"))->Caption,
            "a\u00FF'b\x7F\u00E2\u201A" + std::string(70, 'x'));
  EXPECT_EQ(As<TWidget>(Copy.FindComponent("W"))->Lines->Count(), 1);

  W->Ratio = std::nan("");
  EXPECT_EQ(MessageOf<EWriteError>([&] { WriteComponentText(Root); }), "Cannot write Ratio: nan is no finite number");
  W->Ratio = 0;
  W->Data = HUGE_VAL;
  EXPECT_EQ(MessageOf<EWriteError>([&] { WriteComponentText(Root); }), "Cannot write Data: inf is no finite number");
}

// A data module as the builder saves it: the module's own properties, design
// positions, persistent fields, quotes and other characters as codes, a long
// string continued over lines, a collection, an image.
constexpr std::string_view BuilderModule = R"(object dmShop: TdmShop
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  Height = 271
  Width = 415
  object Orders: TMemoryDataSet
    Left = 40
    Top = 16
    object OrdersID: TIntegerField
      FieldName = 'ID'
      Required = True
    end
    object OrdersCUSTOMER: TStringField
      FieldName = 'CUSTOMER'
      DisplayLabel = 'Customer'#39's name'
      Size = 40
    end
    object OrdersPRICE: TFloatField
      FieldName = 'PRICE'
      DisplayLabel = 'Price in '#8364' ('#12473#12488#12450')'
    end
  end
  object OrderView: TWidget
    Caption =
      'Orders placed since the last stock-take, grouped by customer and' +
      ' sorted by date'
    Lines.Strings = (
      'SELECT id, customer, price'
      'FROM orders'
      'WHERE price > :min_price')
    Items = <
      item
        Caption = 'ID'
        Width = 40
      end
      item
        Caption = 'Customer'
        Width = 160
      end>
    OnClick = OrderViewClick
    Left = 144
    Top = 16
  end
  object Logo: TPictureBox
    Picture = {
      89504E470D0A1A0A0000000D49484452000000100000001008060000001FF3FF
      610000000C49444154789C63600000000200015E2AF5AE0000000049454E44AE
      426082}
    Left = 8
    Top = 65528
  end
  object Spare: TGizmo
    Left = 248
    Top = 96
  end
end
)";

TEST_F(FormFilesTest, ABuilderWrittenModuleOpensAndSavesUnchanged) {
  const std::string Text = Crlf(BuilderModule);
  TDataModule Module;
  Module.SetDesigning(true);
  EXPECT_EQ(ReadComponentText(Text, Module, "shop.vfm").ClassName, "TdmShop");
  EXPECT_FALSE(Module.OldCreateOrder());
  EXPECT_EQ(Module.OnCreate.Name, "DataModuleCreate");
  EXPECT_EQ(Module.DesignHeight(), 271);
  EXPECT_EQ(Module.DesignWidth(), 415);

  auto& Orders = As<TMemoryDataSet>(*Module.FindComponent("Orders"));
  EXPECT_EQ(Orders.DesignInfo(), (16 << 16) | 40);
  EXPECT_EQ(Orders.FieldCount(), 3);
  EXPECT_EQ(Orders.FieldByName("CUSTOMER").DisplayLabel(), "Customer's name");
  EXPECT_EQ(Orders.FieldByName("PRICE").DisplayLabel(), "Price in \u20AC (\u30B9\u30C8\u30A2)");
  EXPECT_TRUE(Orders.FieldByName("ID").Required());
  auto& View = As<TWidget>(*Module.FindComponent("OrderView"));
  EXPECT_EQ(View.Caption, "Orders placed since the last stock-take, grouped by customer and sorted by date");
  EXPECT_EQ(View.Lines->Count(), 3);
  EXPECT_EQ(View.Items->Count(), 2);
  EXPECT_EQ(View.OnClick.Name, "OrderViewClick");
  const std::string& Png = As<TPictureBox>(*Module.FindComponent("Logo")).Picture;
  EXPECT_EQ(Png.size(), 67u);
  EXPECT_EQ(Png.substr(0, 4), "\x89PNG");
  EXPECT_EQ(Module.FindComponent("Logo")->DesignInfo(), static_cast<std::int32_t>(0xFFF80008u)) << "Top is -8";

  const std::string Saved = WriteComponentText(Module, "TdmShop");
  EXPECT_EQ(Saved, Text);
  TDataModule Again;
  Again.SetDesigning(true);
  ReadComponentText(Saved, Again);
  EXPECT_EQ(WriteComponentText(Again, "TdmShop"), Saved);

  // What a data module does not publish is still refused, naming the line.
  TDataModule Other;
  EXPECT_EQ(MessageOf<EPropertyError>([&] { ReadComponentText("object M: TdmShop\n  Caption = 'x'\nend", Other); }),
            "Line 2: Error reading M.Caption: Property Caption does not exist");
}

TEST_F(FormFilesTest, InheritedAndInlineObjectsKeepTheirKeyword) {
  const std::string Text = Crlf(
      "inherited Form2: TTestRoot\n"
      "  inherited W: TWidget\n"
      "    Caption = 'changed'\n"
      "  end\n"
      "  inline Frame1: TTestFrame\n"
      "    inherited Inner: TGizmo\n"
      "      Left = 4\n"
      "    end\n"
      "    object Label1: TWidget\n"
      "      Buddy = Label2\n"
      "      OnClick = WidgetClick\n"
      "    end\n"
      "    object Label2: TWidget\n"
      "      Buddy = Label1\n"
      "    end\n"
      "  end\n"
      "end\n");
  Root.SetDesigning(true);
  ReadComponentText(Text, Root);
  EXPECT_TRUE(Root.ComponentState().Contains(csAncestor));
  ASSERT_EQ(Root.ComponentCount(), 2);
  auto& Frame = As<TTestFrame>(*Root.FindComponent("Frame1"));
  EXPECT_TRUE(Frame.ComponentState().Contains(csInline));
  ASSERT_EQ(Frame.ComponentCount(), 3) << "the frame's own Inner is read into, not made twice";
  EXPECT_EQ(Frame.FindComponent("Inner")->DesignInfo(), 4);
  auto& Label1 = As<TWidget>(*Frame.FindComponent("Label1"));
  auto& Label2 = As<TWidget>(*Frame.FindComponent("Label2"));
  EXPECT_EQ(Label1.Buddy(), &Label2);
  EXPECT_EQ(Label2.Buddy(), &Label1);
  EXPECT_EQ(Root.FindComponent("Label1"), nullptr);
  EXPECT_EQ(WriteComponentText(Root), Text);
}

}  // namespace
