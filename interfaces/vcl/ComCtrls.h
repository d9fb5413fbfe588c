// Unit ComCtrls: page controls and their pages.
#pragma once

#include <vector>

#include "vcl/Controls.h"

class TPageControl;

// The same type as TCloseQueryEvent, whose record it shares.
using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;
VN_DECLARE_TYPEINFO(TTabChangingEvent)

// One page of a page control; what is on it shows only while it is the active
// page.
class TTabSheet : public TWinControl {
  VN_DECLARE_PUBLISHED(TTabSheet)
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;

  TPageControl* PageControl() const noexcept { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  // The position among the page control's pages; -1 when on none.
  int PageIndex() const;
  void SetPageIndex(int Value);
  bool TabVisible() const noexcept { return FTabVisible; }
  void SetTabVisible(bool Value) noexcept { FTabVisible = Value; }
  int ImageIndex() const noexcept { return FImageIndex; }
  void SetImageIndex(int Value) noexcept { FImageIndex = Value; }

  bool Showing() const override;
  void SetParentComponent(TComponent* Value) override;

 private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = -1;
};

class TPageControl : public TWinControl {
  VN_DECLARE_PUBLISHED(TPageControl)
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;

  int PageCount() const noexcept { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int Index) const;  // EListError when out of range
  // The page shown; setting it in code fires no events.
  TTabSheet* ActivePage() const noexcept { return FActivePage; }
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Value);

  TTabChangingEvent OnChanging;
  TNotifyEvent OnChange;

  // A person clicked the tab of Page: OnChanging may refuse, then the page
  // becomes active and OnChange follows. Returns whether it changed.
  bool UserSelectPage(TTabSheet& Page);

  void GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet& Page);
  void RemovePage(TTabSheet& Page);

  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void ComCtrls_Initialization();
void ComCtrls_Finalization();
