// Classes with published properties of every kind, shared by the tests of
// type information and form files.
#pragma once

#include <string>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/TypInfo.h"

enum TShape { shCircle, shSquare, shTriangle };
VN_DECLARE_TYPEINFO(TShape)
enum TStyle { fsBold, fsItalic, fsUnderline };
using TStyles = TSet<TStyle>;
VN_DECLARE_TYPEINFO(TStyle)
VN_DECLARE_TYPEINFO(TStyles)
using TCountEvent = TEvent<void(TObject* Sender, int& Count)>;
VN_DECLARE_TYPEINFO(TCountEvent)

// What the classes below did, in order, for tests to compare.
std::vector<std::string>& EventLog();

// An owned object of its own, written as dotted properties (Font.Size).
class TFontInfo : public TPersistent {
  VN_DECLARE_PUBLISHED(TFontInfo)
 public:
  std::string Name;
  int Size = 8;
  TStyles Style;
  void Assign(const TPersistent& Source) override;
};

class TWidgetItem : public TCollectionItem {
  VN_DECLARE_PUBLISHED(TWidgetItem)
 public:
  using TCollectionItem::TCollectionItem;
  std::string Caption;
  int Width = 50;
  TComponent* Link = nullptr;
  TNotifyEvent OnClick;
  void Assign(const TPersistent& Source) override;
};

// A control-like component: one nested in another in a form file becomes its
// child, and is written inside it.
class TWidget : public TComponent {
  VN_DECLARE_PUBLISHED(TWidget)
 public:
  explicit TWidget(TComponent* AOwner);
  ~TWidget() override;

  std::string Caption;
  void SetCaption(const std::string& Value);
  int Count = 0;
  std::int64_t Big = 0;
  double Ratio = 0;
  bool Enabled = true;
  TShape Shape = shCircle;
  TStyles Styles;
  std::unique_ptr<TStringList> Lines = std::make_unique<TStringList>();
  std::unique_ptr<TCollection> Items;
  TFontInfo Font;
  TWidget* Buddy() const { return FBuddy; }
  void SetBuddy(TWidget* Value);
  Variant Data;
  TNotifyEvent OnClick;
  TCountEvent OnCount;

  TWidget* Parent() const { return FParent; }
  bool HasParent() const override { return FParent != nullptr; }
  TComponent* GetParentComponent() const override { return FParent; }
  void SetParentComponent(TComponent* Value) override;
  void GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const override;
  void Loaded() override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TWidget* FBuddy = nullptr;
  TWidget* FParent = nullptr;
};

// A component without published properties of its own.
class TGizmo : public TComponent {
  VN_DECLARE_CLASS(TGizmo)
 public:
  using TComponent::TComponent;
};

// A form: its methods are what event properties bind to.
class TTestRoot : public TComponent {
  VN_DECLARE_CLASS(TTestRoot)
 public:
  explicit TTestRoot(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  std::any MethodAddress(std::string_view Name) const override;
  void Loaded() override;
  std::vector<std::string> Clicks;
};

// Registers the classes above for as long as it lives.
class TRegisteredClasses {
 public:
  TRegisteredClasses();
  ~TRegisteredClasses();
};
