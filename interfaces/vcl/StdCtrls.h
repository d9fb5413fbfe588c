// Unit StdCtrls: labels, buttons, edits, combo boxes, list boxes, check boxes,
// memos and group boxes.
//
// Changes made in code fire no change events; a person's typing, choosing and
// clicking (through the host's driver) do, as on the platform.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vcl/Controls.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
VN_DECLARE_TYPEINFO(TAlignment)
enum TTextLayout { tlTop, tlCenter, tlBottom };
VN_DECLARE_TYPEINFO(TTextLayout)
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
VN_DECLARE_TYPEINFO(TScrollStyle)
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
VN_DECLARE_TYPEINFO(TComboBoxStyle)
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
VN_DECLARE_TYPEINFO(TCheckBoxState)

// The items of a combo box, list box or radio group: lines that tell their
// control of every insertion and deletion, and keep a list box item's
// selected state with the item.
class TItemStrings;

// ---------------------------------------------------------------------------

class TLabel : public TGraphicControl {
  VN_DECLARE_PUBLISHED(TLabel)
 public:
  explicit TLabel(TComponent* AOwner);

  TAlignment Alignment() const noexcept { return FAlignment; }
  void SetAlignment(TAlignment Value) noexcept { FAlignment = Value; }
  TTextLayout Layout() const noexcept { return FLayout; }
  void SetLayout(TTextLayout Value) noexcept { FLayout = Value; }
  // A label that sizes itself takes the width of its caption in its font.
  bool AutoSize() const noexcept { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool WordWrap() const noexcept { return FWordWrap; }
  void SetWordWrap(bool Value) noexcept { FWordWrap = Value; }
  bool Transparent() const noexcept { return FTransparent; }
  void SetTransparent(bool Value) noexcept { FTransparent = Value; }
  bool ShowAccelChar() const noexcept { return FShowAccelChar; }
  void SetShowAccelChar(bool Value) noexcept { FShowAccelChar = Value; }
  // The control that its accelerator ("&Name") focuses.
  TWinControl* FocusControl() const noexcept { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  // The caption as shown: without the accelerator's "&" ("&&" shows one "&").
  std::string DisplayText() const;

  void Loaded() override;

 protected:
  void TextChanged() override;
  void FontChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void AdjustBounds();

  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TButton : public TWinControl {
  VN_DECLARE_PUBLISHED(TButton)
 public:
  explicit TButton(TComponent* AOwner);

  // Enter on the form clicks the default button (unless another button has
  // the focus); Esc clicks the cancel button.
  bool Default() const noexcept { return FDefault; }
  void SetDefault(bool Value) noexcept { FDefault = Value; }
  bool Cancel() const noexcept { return FCancel; }
  void SetCancel(bool Value) noexcept { FCancel = Value; }
  // Clicking sets the form's modal result to this value (when not mrNone)
  // before OnClick runs.
  TModalResult ModalResult() const noexcept { return FModalResult; }
  void SetModalResult(TModalResult Value) noexcept { FModalResult = Value; }

  void Click() override;

 private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

class TEdit : public TWinControl {
  VN_DECLARE_PUBLISHED(TEdit)
 public:
  explicit TEdit(TComponent* AOwner);

  bool ReadOnly() const noexcept { return FReadOnly; }
  void SetReadOnly(bool Value) noexcept { FReadOnly = Value; }
  int MaxLength() const noexcept { return FMaxLength; }
  void SetMaxLength(int Value) noexcept { FMaxLength = Value; }

  TNotifyEvent OnChange;
  // A person replaced the text (typing or pasting): sets it and fires OnChange.
  virtual void UserSetText(const std::string& Value);

 protected:
  virtual void Change();

 private:
  bool FReadOnly = false;
  int FMaxLength = 0;
};

class TComboBox : public TWinControl {
  VN_DECLARE_PUBLISHED(TComboBox)
 public:
  explicit TComboBox(TComponent* AOwner);
  ~TComboBox() override;

  TComboBoxStyle Style() const noexcept { return FStyle; }
  void SetStyle(TComboBoxStyle Value) noexcept { FStyle = Value; }
  TStrings& Items() const noexcept;
  // The chosen item, -1 for none. Choosing one in code makes its text the
  // combo's text without OnChange.
  int ItemIndex() const noexcept { return FItemIndex; }
  void SetItemIndex(int Value);
  int ItemHeight() const noexcept { return FItemHeight; }
  void SetItemHeight(int Value) noexcept { FItemHeight = Value; }
  int DropDownCount() const noexcept { return FDropDownCount; }
  void SetDropDownCount(int Value) noexcept { FDropDownCount = Value; }
  bool Sorted() const noexcept { return FSorted; }
  void SetSorted(bool Value);
  int MaxLength() const noexcept { return FMaxLength; }
  void SetMaxLength(int Value) noexcept { FMaxLength = Value; }
  void Clear();

  void SetText(const std::string& Value) override;
  void Loaded() override;

  TNotifyEvent OnChange;
  // A person typed: the text becomes Value (an edit text of its own, which an
  // item of the same text selects), then OnChange. Only an editable style
  // takes typing: EInvalidOperation for csDropDownList.
  void UserSetText(const std::string& Value);
  // A person chose item Index from the list: it becomes the text, then
  // OnChange and OnClick.
  void UserSelect(int Index);

 protected:
  virtual void Change();

 private:
  int MatchingItem(const std::string& Value) const;

  std::unique_ptr<TItemStrings> FItems;
  TComboBoxStyle FStyle = csDropDown;
  int FItemIndex = -1;
  int FItemHeight = 13;
  int FDropDownCount = 8;
  bool FSorted = false;
  int FMaxLength = 0;
};

class TListBox : public TWinControl {
  VN_DECLARE_PUBLISHED(TListBox)
 public:
  explicit TListBox(TComponent* AOwner);
  ~TListBox() override;

  // The items; each keeps its selected state while items are added or deleted.
  TStrings& Items() const noexcept;
  bool MultiSelect() const noexcept { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ExtendedSelect() const noexcept { return FExtendedSelect; }
  void SetExtendedSelect(bool Value) noexcept { FExtendedSelect = Value; }
  // The focused item (multi-select) or the selected one; -1 for none.
  int ItemIndex() const noexcept { return FItemIndex; }
  void SetItemIndex(int Value);
  bool Selected(int Index) const;  // EListError when out of range
  void SetSelected(int Index, bool Value);
  int SelCount() const;
  int ItemHeight() const noexcept { return FItemHeight; }
  void SetItemHeight(int Value) noexcept { FItemHeight = Value; }
  bool Sorted() const noexcept { return FSorted; }
  void SetSorted(bool Value);
  int Columns() const noexcept { return FColumns; }
  void SetColumns(int Value) noexcept { FColumns = Value; }
  // The width in pixels that the list scrolls sideways over; 0 for none.
  // LB_SETHORIZONTALEXTENT sets it too.
  int ScrollWidth() const noexcept { return FScrollWidth; }
  void SetScrollWidth(int Value) noexcept { FScrollWidth = Value < 0 ? 0 : Value; }
  void Clear();

  // LB_SETHORIZONTALEXTENT and LB_GETHORIZONTALEXTENT.
  LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam) override;

  // A person clicked item Index: in a multi-select list with Ctrl (Toggle) the
  // item's selected state flips, otherwise it becomes the only selected one.
  // OnClick follows.
  void UserClickItem(int Index, bool Toggle);

  void Loaded() override;

 private:
  std::unique_ptr<TItemStrings> FItems;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  int FItemIndex = -1;
  int FItemHeight = 13;
  bool FSorted = false;
  int FColumns = 0;
  int FScrollWidth = 0;
};

class TCheckBox : public TWinControl {
  VN_DECLARE_PUBLISHED(TCheckBox)
 public:
  explicit TCheckBox(TComponent* AOwner);

  bool Checked() const noexcept { return FState == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const noexcept { return FState; }
  void SetState(TCheckBoxState Value);
  bool AllowGrayed() const noexcept { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) noexcept { FAllowGrayed = Value; }
  TAlignment Alignment() const noexcept { return FAlignment; }
  void SetAlignment(TAlignment Value) noexcept { FAlignment = Value; }

  // A click moves to the next state (unchecked, checked, grayed when allowed),
  // then OnClick.
  void Click() override;

 private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TAlignment FAlignment = taRightJustify;
};

class TMemo : public TWinControl {
  VN_DECLARE_PUBLISHED(TMemo)
 public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;

  TStrings& Lines() const noexcept { return *FLines; }
  // All lines, each followed by a line break.
  std::string Text() const override;
  void SetText(const std::string& Value) override;
  TScrollStyle ScrollBars() const noexcept { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value) noexcept { FScrollBars = Value; }
  bool WordWrap() const noexcept { return FWordWrap; }
  void SetWordWrap(bool Value) noexcept { FWordWrap = Value; }
  bool WantReturns() const noexcept { return FWantReturns; }
  void SetWantReturns(bool Value) noexcept { FWantReturns = Value; }
  bool WantTabs() const noexcept { return FWantTabs; }
  void SetWantTabs(bool Value) noexcept { FWantTabs = Value; }
  bool ReadOnly() const noexcept { return FReadOnly; }
  void SetReadOnly(bool Value) noexcept { FReadOnly = Value; }
  int MaxLength() const noexcept { return FMaxLength; }
  void SetMaxLength(int Value) noexcept { FMaxLength = Value; }

  TNotifyEvent OnChange;
  // A person replaced the text with these lines; OnChange follows.
  // EInvalidOperation for a read-only memo.
  void UserSetLines(const std::vector<std::string>& Value);

 protected:
  virtual void Change();

 private:
  std::unique_ptr<TStringList> FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FReadOnly = false;
  int FMaxLength = 0;
};

class TCustomGroupBox : public TCustomControl {
  VN_DECLARE_CLASS(TCustomGroupBox)
 public:
  using TCustomControl::TCustomControl;
};

class TGroupBox : public TCustomGroupBox {
  VN_DECLARE_PUBLISHED(TGroupBox)
 public:
  explicit TGroupBox(TComponent* AOwner);
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void StdCtrls_Initialization();
void StdCtrls_Finalization();
