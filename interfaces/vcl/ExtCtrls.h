// Unit ExtCtrls: panels, bevels, images and radio groups.
#pragma once

#include <memory>
#include <string>

#include "vcl/Controls.h"
#include "vcl/Graphics.h"
#include "vcl/StdCtrls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
VN_DECLARE_TYPEINFO(TPanelBevel)
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
VN_DECLARE_TYPEINFO(TBevelShape)
enum TBevelStyle { bsLowered, bsRaised };
VN_DECLARE_TYPEINFO(TBevelStyle)

class TPanel : public TCustomControl {
  VN_DECLARE_PUBLISHED(TPanel)
 public:
  explicit TPanel(TComponent* AOwner);

  TPanelBevel BevelInner() const noexcept { return FBevelInner; }
  void SetBevelInner(TPanelBevel Value) noexcept { FBevelInner = Value; }
  TPanelBevel BevelOuter() const noexcept { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel Value) noexcept { FBevelOuter = Value; }
  int BevelWidth() const noexcept { return FBevelWidth; }
  void SetBevelWidth(int Value) noexcept { FBevelWidth = Value; }
  int BorderWidth() const noexcept { return FBorderWidth; }
  void SetBorderWidth(int Value) noexcept { FBorderWidth = Value; }
  TAlignment Alignment() const noexcept { return FAlignment; }
  void SetAlignment(TAlignment Value) noexcept { FAlignment = Value; }

 private:
  TPanelBevel FBevelInner = bvNone;
  TPanelBevel FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TAlignment FAlignment = taCenter;
};

class TBevel : public TGraphicControl {
  VN_DECLARE_PUBLISHED(TBevel)
 public:
  explicit TBevel(TComponent* AOwner);

  TBevelShape Shape() const noexcept { return FShape; }
  void SetShape(TBevelShape Value) noexcept { FShape = Value; }
  TBevelStyle Style() const noexcept { return FStyle; }
  void SetStyle(TBevelStyle Value) noexcept { FStyle = Value; }

 private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

// An image showing a picture. With AutoSize it takes the picture's size
// whenever the picture changes.
class TImage : public TGraphicControl {
  VN_DECLARE_PUBLISHED(TImage)
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  bool AutoSize() const noexcept { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool Stretch() const noexcept { return FStretch; }
  void SetStretch(bool Value) noexcept { FStretch = Value; }
  bool Center() const noexcept { return FCenter; }
  void SetCenter(bool Value) noexcept { FCenter = Value; }
  bool Proportional() const noexcept { return FProportional; }
  void SetProportional(bool Value) noexcept { FProportional = Value; }
  bool Transparent() const noexcept { return FTransparent; }
  void SetTransparent(bool Value) noexcept { FTransparent = Value; }
  TPicture& Picture() const noexcept { return *FPicture; }
  void SetPicture(const TPicture& Value) { FPicture->Assign(Value); }

 private:
  void PictureChanged();

  bool FAutoSize = false;
  bool FStretch = false;
  bool FCenter = false;
  bool FProportional = false;
  bool FTransparent = false;
  std::unique_ptr<TPicture> FPicture;
};

// A group of radio buttons, one per item, laid out in Columns.
class TRadioGroup : public TCustomGroupBox {
  VN_DECLARE_PUBLISHED(TRadioGroup)
 public:
  explicit TRadioGroup(TComponent* AOwner);
  ~TRadioGroup() override;

  TStrings& Items() const noexcept;
  // The selected item, -1 for none; setting it in code fires no OnClick.
  int ItemIndex() const noexcept { return FItemIndex; }
  void SetItemIndex(int Value);
  int Columns() const noexcept { return FColumns; }
  void SetColumns(int Value);

  // A person clicked the radio button of item Index: when that changes the
  // selection, it becomes the selected item and OnClick follows.
  void UserClickItem(int Index);

  void Loaded() override;

 private:
  std::unique_ptr<TItemStrings> FItems;
  int FItemIndex = -1;
  int FColumns = 1;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void ExtCtrls_Initialization();
void ExtCtrls_Finalization();
