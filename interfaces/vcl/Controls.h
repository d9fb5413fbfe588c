// Unit Controls (with the parts of Graphics the dialogs use): controls, fonts,
// canvases, colours and cursors of the headless visual component library.
//
// Controls keep what a person would see (position, caption, enabled, visible,
// font ...). Whatever a person does to them comes through the host's
// user-interface driver, which calls the same operations as a click or a key
// would: focus first, then the control's own reaction and its events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/Windows.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

VN_DECLARE_EXCEPTION(EInvalidOperation, Exception)

// ---------------------------------------------------------------------------
// Modal results: what closed a modal form or a message dialog.

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;
inline constexpr TModalResult mrClose = 11;

// ---------------------------------------------------------------------------
// Colours: an RGB value (0x00BBGGRR) or a system colour (0xFF000000 plus the
// index). Form files name them: Color = clBtnFace.

enum TColor : std::int32_t {
  clBlack = 0x000000,
  clMaroon = 0x000080,
  clGreen = 0x008000,
  clOlive = 0x008080,
  clNavy = 0x800000,
  clPurple = 0x800080,
  clTeal = 0x808000,
  clGray = 0x808080,
  clSilver = 0xC0C0C0,
  clRed = 0x0000FF,
  clLime = 0x00FF00,
  clYellow = 0x00FFFF,
  clBlue = 0xFF0000,
  clFuchsia = 0xFF00FF,
  clAqua = 0xFFFF00,
  clWhite = 0xFFFFFF,
  clScrollBar = -0x01000000 + 0,
  clBackground = -0x01000000 + 1,
  clActiveCaption = -0x01000000 + 2,
  clInactiveCaption = -0x01000000 + 3,
  clMenu = -0x01000000 + 4,
  clWindow = -0x01000000 + 5,
  clWindowFrame = -0x01000000 + 6,
  clMenuText = -0x01000000 + 7,
  clWindowText = -0x01000000 + 8,
  clCaptionText = -0x01000000 + 9,
  clActiveBorder = -0x01000000 + 10,
  clInactiveBorder = -0x01000000 + 11,
  clAppWorkSpace = -0x01000000 + 12,
  clHighlight = -0x01000000 + 13,
  clHighlightText = -0x01000000 + 14,
  clBtnFace = -0x01000000 + 15,
  clBtnShadow = -0x01000000 + 16,
  clGrayText = -0x01000000 + 17,
  clBtnText = -0x01000000 + 18,
  clInactiveCaptionText = -0x01000000 + 19,
  clBtnHighlight = -0x01000000 + 20,
  cl3DDkShadow = -0x01000000 + 21,
  cl3DLight = -0x01000000 + 22,
  clInfoText = -0x01000000 + 23,
  clInfoBk = -0x01000000 + 24,
  clHotLight = -0x01000000 + 26,
  clNone = 0x1FFFFFFF,
  clDefault = 0x20000000
};
VN_DECLARE_TYPEINFO(TColor)

// Mouse cursors; the screen's cursor is one of these. Form files name them.
enum TCursor : std::int32_t {
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crDrag = -12,
  crNoDrop = -13,
  crHSplit = -14,
  crVSplit = -15,
  crMultiDrag = -16,
  crSQLWait = -17,
  crNo = -18,
  crAppStart = -19,
  crHelp = -20,
  crHandPoint = -21,
  crSizeAll = -22
};
VN_DECLARE_TYPEINFO(TCursor)

// ---------------------------------------------------------------------------
// Fonts and canvases

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
VN_DECLARE_TYPEINFO(TFontStyle)
VN_DECLARE_TYPEINFO(TFontStyles)

enum TFontPitch { fpDefault, fpVariable, fpFixed };
VN_DECLARE_TYPEINFO(TFontPitch)

enum TFontCharset : std::int32_t {
  ANSI_CHARSET = 0,
  DEFAULT_CHARSET = 1,
  SYMBOL_CHARSET = 2,
  MAC_CHARSET = 77,
  SHIFTJIS_CHARSET = 128,
  HANGEUL_CHARSET = 129,
  GB2312_CHARSET = 134,
  CHINESEBIG5_CHARSET = 136,
  GREEK_CHARSET = 161,
  TURKISH_CHARSET = 162,
  HEBREW_CHARSET = 177,
  ARABIC_CHARSET = 178,
  BALTIC_CHARSET = 186,
  RUSSIAN_CHARSET = 204,
  THAI_CHARSET = 222,
  EASTEUROPE_CHARSET = 238,
  OEM_CHARSET = 255
};
VN_DECLARE_TYPEINFO(TFontCharset)

// A control's font. Height below 0 is the character height in pixels without
// internal leading (-11 at 96 pixels per inch is an 8-point font), above 0 the
// cell height; Size is in points.
class TFont : public TPersistent {
  VN_DECLARE_PUBLISHED(TFont)
 public:
  TFont();

  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& Value);
  int Height() const noexcept { return FHeight; }
  void SetHeight(int Value);
  int Size() const;
  void SetSize(int Value);
  TColor Color() const noexcept { return FColor; }
  void SetColor(TColor Value);
  TFontStyles Style() const noexcept { return FStyle; }
  void SetStyle(TFontStyles Value);
  TFontCharset Charset() const noexcept { return FCharset; }
  void SetCharset(TFontCharset Value);
  TFontPitch Pitch() const noexcept { return FPitch; }
  void SetPitch(TFontPitch Value);
  int PixelsPerInch() const noexcept { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value) noexcept { FPixelsPerInch = Value; }

  void Assign(const TPersistent& Source) override;
  bool Equals(const TFont& Other) const noexcept;

  // Called after every change; the owning control follows it.
  std::function<void(TFont& Sender)> OnChange;

 private:
  void Changed();

  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = fpDefault;
  int FPixelsPerInch = 96;
};

struct TSize {
  int cx = 0;
  int cy = 0;
};

// What a control draws with. Text is measured for real, laid out with the
// canvas's font (the control's), in pixels.
class TCanvas : public TPersistent {
  VN_DECLARE_CLASS(TCanvas)
 public:
  explicit TCanvas(TFont& AFont) noexcept : FFont(&AFont) {}

  TFont& Font() const noexcept { return *FFont; }
  TSize TextExtent(std::string_view Text) const;
  int TextWidth(std::string_view Text) const { return TextExtent(Text).cx; }
  int TextHeight(std::string_view Text) const { return TextExtent(Text).cy; }

 private:
  TFont* FFont;
};

// ---------------------------------------------------------------------------
// Controls

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
VN_DECLARE_TYPEINFO(TAlign)

enum TMouseButton { mbLeft, mbRight, mbMiddle };
VN_DECLARE_TYPEINFO(TMouseButton)

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
VN_DECLARE_TYPEINFO(TMouseEvent)
using TKeyPressEvent = TEvent<void(TObject* Sender, char& Key)>;
VN_DECLARE_TYPEINFO(TKeyPressEvent)

// A visible element of a form. Its parent (a windowed control) shows it; its
// owner (usually the form) frees it.
class TControl : public TComponent {
  VN_DECLARE_PUBLISHED(TControl)
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const noexcept { return FParent; }
  // Moves the control into Value's children (null: out of any parent).
  virtual void SetParent(TWinControl* Value);

  int Left() const noexcept { return FLeft; }
  int Top() const noexcept { return FTop; }
  int Width() const noexcept { return FWidth; }
  int Height() const noexcept { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  // The area inside the control's borders that its children fill.
  virtual int ClientWidth() const { return FWidth; }
  virtual int ClientHeight() const { return FHeight; }

  // One text, shown as the caption (labels, buttons, forms) or edited as the
  // text (edits, combo boxes, memos).
  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& Value) { SetText(Value); }
  virtual std::string Text() const { return FText; }
  virtual void SetText(const std::string& Value);

  bool Enabled() const noexcept { return FEnabled; }
  virtual void SetEnabled(bool Value);
  bool Visible() const noexcept { return FVisible; }
  virtual void SetVisible(bool Value);
  // Visible, and so are its parents up to a form that is showing or being
  // designed; an inactive page hides what is on it.
  virtual bool Showing() const;
  // Enabled, and so are its parents: what a person can reach.
  bool EnabledInTree() const;

  TFont& Font() const noexcept { return *FFont; }
  // True while the control follows its parent's font; setting the font itself
  // makes it false.
  bool ParentFont() const noexcept { return FParentFont; }
  void SetParentFont(bool Value);
  TCanvas& Canvas() const noexcept { return *FCanvas; }
  TColor Color() const noexcept { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const noexcept { return FParentColor; }
  void SetParentColor(bool Value);
  TAlign Align() const noexcept { return FAlign; }
  void SetAlign(TAlign Value);
  TPopupMenu* PopupMenu() const noexcept { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  TCursor Cursor() const noexcept { return FCursor; }
  void SetCursor(TCursor Value) noexcept { FCursor = Value; }
  const std::string& Hint() const noexcept { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  bool ShowHint() const noexcept { return FShowHint; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const noexcept { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  int HelpContext() const noexcept { return FHelpContext; }
  void SetHelpContext(int Value) noexcept { FHelpContext = Value; }

  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // Runs the control's reaction to a click and then OnClick (what a button
  // press or a person's click leads to; the driver moves the focus first).
  virtual void Click();
  // A mouse button went down on the control at X, Y (client coordinates).
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

  // The form that shows the control (null when it is on none).
  TCustomForm* GetParentForm() const;

  bool HasParent() const override;
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Called after the text changed, whoever changed it.
  virtual void TextChanged() {}
  // Called after the font changed, whoever changed it.
  virtual void FontChanged() {}
  // The colour a control of this class has unless set: form files leave it out.
  void SetDefaultColor(TColor Value, bool AParentColor);
  // Called when the parent's font or colour changed, or ParentFont was set.
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  // Asks the parent to lay out its aligned children again.
  void RequestAlign();

 private:
  friend class TWinControl;
  void HandleFontChange();
  bool ColorStored() const noexcept { return !FParentColor && FColor != FDefaultColor; }

  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  std::string FText;
  bool FEnabled = true;
  bool FVisible = true;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TCanvas> FCanvas;
  bool FParentFont = true;
  bool FFollowingParent = false;
  TColor FColor = clBtnFace;
  TColor FDefaultColor = clBtnFace;
  bool FParentColor = true;
  TAlign FAlign = alNone;
  TPopupMenu* FPopupMenu = nullptr;
  TCursor FCursor = crDefault;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  int FHelpContext = 0;
};

// A control without a window of its own (labels, bevels, images): it cannot
// take the focus.
class TGraphicControl : public TControl {
  VN_DECLARE_CLASS(TGraphicControl)
 public:
  using TControl::TControl;
};

// A control with a window: it has a handle for messages, holds child controls,
// and can take the focus.
class TWinControl : public TControl {
  VN_DECLARE_PUBLISHED(TWinControl)
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The handle that window messages (SendMessageW) reach the control by; unique
  // for the process's lifetime, never reused.
  HWND Handle() const noexcept { return FHandle; }
  // Called for each message sent to Handle; the default answers 0.
  virtual LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);

  int ControlCount() const noexcept { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const;  // EListError when out of range
  bool ContainsControl(const TControl* Control) const;

  int TabOrder() const;
  void SetTabOrder(int Value);
  bool TabStop() const noexcept { return FTabStop; }
  void SetTabStop(bool Value) noexcept { FTabStop = Value; }

  // Showing and enabled (with all its parents) on a form: SetFocus will work.
  virtual bool CanFocus() const;
  // Moves the focus here: the control that had it gets its OnExit first.
  // EInvalidOperation when the control cannot take the focus.
  virtual void SetFocus();
  bool Focused() const;
  // The next windowed control in tab order after CurControl (from the first when
  // null) that can take the focus and stops tabs; null when there is none.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward) const;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  void GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const override;
  void Loaded() override;

  // Lays out the children that have an Align.
  void Realign();

 protected:
  // Called when the focus arrives or leaves; the defaults fire OnEnter and OnExit.
  virtual void DoEnter();
  virtual void DoExit();
  void ParentFontChanged() override;
  void ParentColorChanged() override;

 private:
  friend class TControl;
  friend class TCustomForm;
  void InsertControl(TControl& Control);
  void RemoveControl(TControl& Control);
  void ListTabOrder(std::vector<TWinControl*>& List) const;

  HWND FHandle = 0;
  bool FAligning = false;
  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  int FPendingTabOrder = -1;
  bool FTabStop = false;
};

// Windowed controls that paint themselves (panels, group boxes, list boxes).
class TCustomControl : public TWinControl {
  VN_DECLARE_CLASS(TCustomControl)
 public:
  using TWinControl::TWinControl;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Controls_Initialization();
void Controls_Finalization();
