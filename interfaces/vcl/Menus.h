// Unit Menus: context menus and their items.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/TypInfo.h"

class TMenu;

class TMenuItem : public TComponent {
  VN_DECLARE_PUBLISHED(TMenuItem)
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& Caption() const noexcept { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool Value) noexcept { FEnabled = Value; }
  bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool Value) noexcept { FVisible = Value; }
  bool Checked() const noexcept { return FChecked; }
  void SetChecked(bool Value) noexcept { FChecked = Value; }
  bool Default() const noexcept { return FDefault; }
  void SetDefault(bool Value) noexcept { FDefault = Value; }
  int HelpContext() const noexcept { return FHelpContext; }
  void SetHelpContext(int Value) noexcept { FHelpContext = Value; }

  // Sub-items, in order.
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const;  // EListError when out of range
  // Makes Item (owned by whoever created it) the last sub-item.
  void Add(TMenuItem& Item);
  void Insert(int Index, TMenuItem& Item);
  void Remove(TMenuItem& Item);
  int IndexOf(const TMenuItem* Item) const;
  TMenuItem* Parent() const noexcept { return FParent; }
  // The menu the item belongs to, through its parents; null when none.
  TMenu* GetParentMenu() const;
  // A separator ("-") is no command.
  bool IsLine() const { return FCaption == "-"; }

  TNotifyEvent OnClick;
  // Fires OnClick.
  virtual void Click();

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const override;

 private:
  friend class TMenu;
  std::string FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  bool FChecked = false;
  bool FDefault = false;
  int FHelpContext = 0;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on the root item only
};

class TMenu : public TComponent {
  VN_DECLARE_CLASS(TMenu)
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  // The root item, whose sub-items are the menu's items.
  TMenuItem& Items() const noexcept { return *FItems; }
  void GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const override;

  // Where the designer shows the menu's icon on the form (form files: Left, Top).
  int DesignLeft() const noexcept { return FDesignLeft; }
  void SetDesignLeft(int Value) noexcept { FDesignLeft = Value; }
  int DesignTop() const noexcept { return FDesignTop; }
  void SetDesignTop(int Value) noexcept { FDesignTop = Value; }

 private:
  std::unique_ptr<TMenuItem> FItems;
  int FDesignLeft = 0;
  int FDesignTop = 0;
};

class TPopupMenu : public TMenu {
  VN_DECLARE_PUBLISHED(TPopupMenu)
 public:
  explicit TPopupMenu(TComponent* AOwner);

  // The component the menu was last opened on.
  TComponent* PopupComponent() const noexcept { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value);
  bool AutoPopup() const noexcept { return FAutoPopup; }
  void SetAutoPopup(bool Value) noexcept { FAutoPopup = Value; }

  TNotifyEvent OnPopup;
  // Shows the menu at X, Y (screen coordinates): OnPopup, then the host's
  // driver lets a person pick an item, whose OnClick runs; nothing when the
  // menu is dismissed.
  virtual void Popup(int X, int Y);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TComponent* FPopupComponent = nullptr;
  bool FAutoPopup = true;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Menus_Initialization();
void Menus_Finalization();
