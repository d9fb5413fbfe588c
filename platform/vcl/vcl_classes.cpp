// Type information of the visual component library's types, the classes that
// form files may name, and the application and screen objects. Registered
// when the host's library loads, taken back when it unloads.
#include <array>

#include "vcl/ComCtrls.h"
#include "vcl/Controls.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"

VN_IMPLEMENT_INTEGER_TYPEINFO(TColor, VN_IDENT(clBlack), VN_IDENT(clMaroon), VN_IDENT(clGreen), VN_IDENT(clOlive),
                              VN_IDENT(clNavy), VN_IDENT(clPurple), VN_IDENT(clTeal), VN_IDENT(clGray),
                              VN_IDENT(clSilver), VN_IDENT(clRed), VN_IDENT(clLime), VN_IDENT(clYellow),
                              VN_IDENT(clBlue), VN_IDENT(clFuchsia), VN_IDENT(clAqua), VN_IDENT(clWhite),
                              VN_IDENT(clScrollBar), VN_IDENT(clBackground), VN_IDENT(clActiveCaption),
                              VN_IDENT(clInactiveCaption), VN_IDENT(clMenu), VN_IDENT(clWindow),
                              VN_IDENT(clWindowFrame), VN_IDENT(clMenuText), VN_IDENT(clWindowText),
                              VN_IDENT(clCaptionText), VN_IDENT(clActiveBorder), VN_IDENT(clInactiveBorder),
                              VN_IDENT(clAppWorkSpace), VN_IDENT(clHighlight), VN_IDENT(clHighlightText),
                              VN_IDENT(clBtnFace), VN_IDENT(clBtnShadow), VN_IDENT(clGrayText), VN_IDENT(clBtnText),
                              VN_IDENT(clInactiveCaptionText), VN_IDENT(clBtnHighlight), VN_IDENT(cl3DDkShadow),
                              VN_IDENT(cl3DLight), VN_IDENT(clInfoText), VN_IDENT(clInfoBk), VN_IDENT(clHotLight),
                              VN_IDENT(clNone), VN_IDENT(clDefault))

VN_IMPLEMENT_INTEGER_TYPEINFO(TCursor, VN_IDENT(crDefault), VN_IDENT(crNone), VN_IDENT(crArrow), VN_IDENT(crCross),
                              VN_IDENT(crIBeam), VN_IDENT(crSizeNESW), VN_IDENT(crSizeNS), VN_IDENT(crSizeNWSE),
                              VN_IDENT(crSizeWE), VN_IDENT(crUpArrow), VN_IDENT(crHourGlass), VN_IDENT(crDrag),
                              VN_IDENT(crNoDrop), VN_IDENT(crHSplit), VN_IDENT(crVSplit), VN_IDENT(crMultiDrag),
                              VN_IDENT(crSQLWait), VN_IDENT(crNo), VN_IDENT(crAppStart), VN_IDENT(crHelp),
                              VN_IDENT(crHandPoint), VN_IDENT(crSizeAll))

VN_IMPLEMENT_INTEGER_TYPEINFO(TFontCharset, VN_IDENT(ANSI_CHARSET), VN_IDENT(DEFAULT_CHARSET), VN_IDENT(SYMBOL_CHARSET),
                              VN_IDENT(MAC_CHARSET), VN_IDENT(SHIFTJIS_CHARSET), VN_IDENT(HANGEUL_CHARSET),
                              VN_IDENT(GB2312_CHARSET), VN_IDENT(CHINESEBIG5_CHARSET), VN_IDENT(GREEK_CHARSET),
                              VN_IDENT(TURKISH_CHARSET), VN_IDENT(HEBREW_CHARSET), VN_IDENT(ARABIC_CHARSET),
                              VN_IDENT(BALTIC_CHARSET), VN_IDENT(RUSSIAN_CHARSET), VN_IDENT(THAI_CHARSET),
                              VN_IDENT(EASTEUROPE_CHARSET), VN_IDENT(OEM_CHARSET))

VN_IMPLEMENT_ENUM_TYPEINFO(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut")
VN_IMPLEMENT_SET_TYPEINFO(TFontStyles, "TFontStyles", TFontStyle)
VN_IMPLEMENT_ENUM_TYPEINFO(TFontPitch, "fpDefault", "fpVariable", "fpFixed")
VN_IMPLEMENT_ENUM_TYPEINFO(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom")
VN_IMPLEMENT_ENUM_TYPEINFO(TMouseButton, "mbLeft", "mbRight", "mbMiddle")
VN_IMPLEMENT_EVENT_TYPEINFO(TMouseEvent)
VN_IMPLEMENT_EVENT_TYPEINFO(TKeyPressEvent)
VN_IMPLEMENT_ENUM_TYPEINFO(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                           "bsSizeToolWin")
VN_IMPLEMENT_ENUM_TYPEINFO(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp")
VN_IMPLEMENT_SET_TYPEINFO(TBorderIcons, "TBorderIcons", TBorderIcon)
VN_IMPLEMENT_ENUM_TYPEINFO(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                           "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter")
VN_IMPLEMENT_EVENT_TYPEINFO(TCloseEvent)
// TTabChangingEvent has the same signature, hence the same type and record.
VN_IMPLEMENT_EVENT_TYPEINFO(TCloseQueryEvent)
VN_IMPLEMENT_ENUM_TYPEINFO(TAlignment, "taLeftJustify", "taRightJustify", "taCenter")
VN_IMPLEMENT_ENUM_TYPEINFO(TTextLayout, "tlTop", "tlCenter", "tlBottom")
VN_IMPLEMENT_ENUM_TYPEINFO(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth")
VN_IMPLEMENT_ENUM_TYPEINFO(TComboBoxStyle, "csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed",
                           "csOwnerDrawVariable")
VN_IMPLEMENT_ENUM_TYPEINFO(TCheckBoxState, "cbUnchecked", "cbChecked", "cbGrayed")
VN_IMPLEMENT_ENUM_TYPEINFO(TPanelBevel, "bvNone", "bvLowered", "bvRaised", "bvSpace")
VN_IMPLEMENT_ENUM_TYPEINFO(TBevelShape, "bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine",
                           "bsSpacer")
VN_IMPLEMENT_ENUM_TYPEINFO(TBevelStyle, "bsLowered", "bsRaised")

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

const std::array<const TMetaClass*, 21>& VclClasses() {
  static const std::array<const TMetaClass*, 21> Classes = {
      &TControl::StaticClass(),       &TWinControl::StaticClass(), &TGraphicControl::StaticClass(),
      &TCustomControl::StaticClass(), &TCustomForm::StaticClass(), &TForm::StaticClass(),
      &TLabel::StaticClass(),         &TButton::StaticClass(),     &TEdit::StaticClass(),
      &TComboBox::StaticClass(),      &TListBox::StaticClass(),    &TCheckBox::StaticClass(),
      &TMemo::StaticClass(),          &TGroupBox::StaticClass(),   &TRadioGroup::StaticClass(),
      &TPanel::StaticClass(),         &TBevel::StaticClass(),      &TImage::StaticClass(),
      &TPageControl::StaticClass(),   &TTabSheet::StaticClass(),   &TMenuItem::StaticClass(),
  };
  return Classes;
}

// The screen outlives the application, whose forms take themselves off it.
struct TVclLifetime {
  TVclLifetime() {
    for (const TMetaClass* Class : VclClasses()) RegisterClass(*Class);
    RegisterClass(TPopupMenu::StaticClass());
    FScreen = std::make_unique<TScreen>(nullptr);
    Screen = FScreen.get();
    FApplication = std::make_unique<TApplication>(nullptr);
    Application = FApplication.get();
  }
  ~TVclLifetime() {
    FApplication.reset();
    Application = nullptr;
    FScreen.reset();
    Screen = nullptr;
    UnRegisterClass(TPopupMenu::StaticClass());
    for (const TMetaClass* Class : VclClasses()) UnRegisterClass(*Class);
  }
  TVclLifetime(const TVclLifetime&) = delete;
  TVclLifetime& operator=(const TVclLifetime&) = delete;

  std::unique_ptr<TScreen> FScreen;
  std::unique_ptr<TApplication> FApplication;
};

const TVclLifetime VclLifetime;

}  // namespace
