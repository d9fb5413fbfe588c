#include "published_classes.h"

VN_IMPLEMENT_ENUM_TYPEINFO(TShape, "shCircle", "shSquare", "shTriangle")
VN_IMPLEMENT_ENUM_TYPEINFO(TStyle, "fsBold", "fsItalic", "fsUnderline")
VN_IMPLEMENT_SET_TYPEINFO(TStyles, "TStyles", TStyle)
VN_IMPLEMENT_EVENT_TYPEINFO(TCountEvent)

VN_IMPLEMENT_PUBLISHED(TFontInfo, TPersistent)
VN_IMPLEMENT_PUBLISHED(TWidgetItem, TCollectionItem)
VN_IMPLEMENT_PUBLISHED(TWidget, TComponent)
VN_IMPLEMENT_CLASS(TGizmo, TComponent)
VN_IMPLEMENT_CLASS(TTestRoot, TComponent)

std::vector<std::string>& EventLog() {
  static std::vector<std::string> Log;
  return Log;
}

const std::vector<TPropInfo>& TFontInfo::PublishedProperties() {
  static const auto List =
      TPublisher<TFontInfo>()
          .String("Name", [](const TFontInfo& F) { return F.Name; },
                  [](TFontInfo& F, const std::string& V) { F.Name = V; })
          .Integer("Size", [](const TFontInfo& F) { return F.Size; }, [](TFontInfo& F, int V) { F.Size = V; }, 8)
          .Set<TStyles>("Style", [](const TFontInfo& F) { return F.Style; },
                        [](TFontInfo& F, TStyles V) { F.Style = V; })
          .List();
  return List;
}

void TFontInfo::Assign(const TPersistent& Source) {
  if (const auto* Other = dynamic_cast<const TFontInfo*>(&Source)) {
    Name = Other->Name;
    Size = Other->Size;
    Style = Other->Style;
    return;
  }
  TPersistent::Assign(Source);
}

const std::vector<TPropInfo>& TWidgetItem::PublishedProperties() {
  using W = TWidgetItem;
  static const auto List =
      TPublisher<W>()
          .String("Caption", [](const W& I) { return I.Caption; }, [](W& I, const std::string& V) { I.Caption = V; })
          .Integer("Width", [](const W& I) { return I.Width; }, [](W& I, int V) { I.Width = V; }, 50)
          .Reference<TComponent>("Link", [](const W& I) { return I.Link; }, [](W& I, TComponent* V) { I.Link = V; })
          .Event<void(TObject*)>("OnClick", [](const W& I) -> const TNotifyEvent& { return I.OnClick; },
                                 [](W& I, TNotifyEvent V) { I.OnClick = std::move(V); })
          .List();
  return List;
}

void TWidgetItem::Assign(const TPersistent& Source) {
  if (const auto* Other = dynamic_cast<const TWidgetItem*>(&Source)) {
    Caption = Other->Caption;
    Width = Other->Width;
    return;
  }
  TCollectionItem::Assign(Source);
}

const std::vector<TPropInfo>& TWidget::PublishedProperties() {
  using W = TWidget;
  static const auto List =
      TPublisher<W>()
          .String("Caption", [](const W& O) { return O.Caption; }, &W::SetCaption)
          .Integer("Count", [](const W& O) { return O.Count; }, [](W& O, int V) { O.Count = V; })
          .Int64("Big", [](const W& O) { return O.Big; }, [](W& O, std::int64_t V) { O.Big = V; })
          .Float("Ratio", [](const W& O) { return O.Ratio; }, [](W& O, double V) { O.Ratio = V; }, 0.0)
          .Boolean("Enabled", [](const W& O) { return O.Enabled; }, [](W& O, bool V) { O.Enabled = V; }, true)
          .Enum("Shape", [](const W& O) { return O.Shape; }, [](W& O, TShape V) { O.Shape = V; }, shCircle)
          .Set<TStyles>("Styles", [](const W& O) { return O.Styles; }, [](W& O, TStyles V) { O.Styles = V; })
          .Owned<TStrings>("Lines", [](const W& O) { return O.Lines.get(); })
          .Owned<TCollection>("Items", [](const W& O) { return O.Items.get(); })
          .Owned<TFontInfo>("Font", [](const W& O) { return &O.Font; })
          .Reference<TWidget>("Buddy", &W::Buddy, &W::SetBuddy)
          .Variant("Data", [](const W& O) { return O.Data; }, [](W& O, const Variant& V) { O.Data = V; })
          .Event<void(TObject*)>("OnClick", [](const W& O) -> const TNotifyEvent& { return O.OnClick; },
                                 [](W& O, TNotifyEvent V) { O.OnClick = std::move(V); })
          .Event<void(TObject*, int&)>("OnCount", [](const W& O) -> const TCountEvent& { return O.OnCount; },
                                       [](W& O, TCountEvent V) { O.OnCount = std::move(V); })
          .List();
  return List;
}

TWidget::TWidget(TComponent* AOwner)
    : TComponent(AOwner), Items(std::make_unique<TCollection>(TWidgetItem::StaticClass(), this)) {}

TWidget::~TWidget() { EventLog().push_back("destroy " + Name()); }

void TWidget::SetCaption(const std::string& Value) {
  // What a form reader must have done before the properties: the parent is known.
  if (ComponentState().Contains(csLoading))
    EventLog().push_back("caption " + Name() + " in " + (FParent != nullptr ? FParent->Name() : "-"));
  Caption = Value;
}

void TWidget::SetBuddy(TWidget* Value) {
  if (FBuddy == Value) return;
  if (FBuddy != nullptr) RemoveFreeNotification(*FBuddy);
  FBuddy = Value;
  if (FBuddy != nullptr) FreeNotification(*FBuddy);
}

void TWidget::SetParentComponent(TComponent* Value) { FParent = dynamic_cast<TWidget*>(Value); }

void TWidget::GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const {
  TComponent::GetChildren(Proc, Root);
  for (int I = 0; I < Root.ComponentCount(); ++I)
    if (auto* Child = dynamic_cast<TWidget*>(Root.Components(I)); Child != nullptr && Child->FParent == this)
      Proc(*Child);
}

void TWidget::Loaded() {
  EventLog().push_back("loaded " + Name() + (ComponentState().Contains(csLoading) ? " (loading)" : ""));
  TComponent::Loaded();
}

void TWidget::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FBuddy) FBuddy = nullptr;
  TComponent::Notification(AComponent, Operation);
}

std::any TTestRoot::MethodAddress(std::string_view Name) const {
  auto* Self = const_cast<TTestRoot*>(this);
  if (Name == "WidgetClick")
    return std::function<void(TObject*)>(
        [Self](TObject* Sender) { Self->Clicks.push_back(As<TComponent>(Sender)->Name()); });
  if (Name == "WidgetCount") return std::function<void(TObject*, int&)>([](TObject*, int& Count) { ++Count; });
  return {};
}

void TTestRoot::Loaded() {
  EventLog().push_back("loaded " + Name() + (ComponentState().Contains(csLoading) ? " (loading)" : ""));
  TComponent::Loaded();
}

TRegisteredClasses::TRegisteredClasses() {
  RegisterClasses({&TWidget::StaticClass(), &TGizmo::StaticClass(), &TTestRoot::StaticClass(),
                   &TWidgetItem::StaticClass(), &TFontInfo::StaticClass()});
}

TRegisteredClasses::~TRegisteredClasses() {
  for (const TMetaClass* Class : {&TWidget::StaticClass(), &TGizmo::StaticClass(), &TTestRoot::StaticClass(),
                                  &TWidgetItem::StaticClass(), &TFontInfo::StaticClass()})
    UnRegisterClass(*Class);
}
