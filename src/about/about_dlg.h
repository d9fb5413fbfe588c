// Unit VNAbout: the About dialog. It names the product, shows the version that
// the package file records, and opens the product's addresses.
#pragma once

#include <string_view>

#include "vcl/Controls.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

namespace VNAbout {

// The addresses the dialog's links open.
inline constexpr std::string_view HomePageAddress = "https://www.example.org/varnel/";
inline constexpr std::string_view OrderStdAddress = "https://www.example.org/varnel/order/standard";
inline constexpr std::string_view OrderProAddress = "https://www.example.org/varnel/order/professional";
inline constexpr std::string_view SupportAddress = "mailto:support@example.org";
inline constexpr std::string_view CopyrightLine = "Copyright (C) the Varnel developers";

class TVNAboutDlg : public TForm {
  VN_DECLARE_FORM(TVNAboutDlg, TForm)

 public:
  TImage* imgLogo = nullptr;
  TLabel* lblCopyright = nullptr;
  TBevel* bvCopyright = nullptr;
  TButton* btOk = nullptr;
  TLabel* lblHome = nullptr;
  TLabel* lblOrder = nullptr;
  TLabel* lblProductName = nullptr;
  TLabel* lblVersion = nullptr;
  TLabel* lblSupport = nullptr;
  TLabel* lblLinks = nullptr;
  TLabel* lblOrderVarnelStd = nullptr;
  TLabel* lblOrderVarnelPro = nullptr;

  // A left button opens the link's address; any other button does nothing.
  void lblHomeMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  // Fills the product name, version and copyright line in.
  void FormCreate(TObject* Sender);
  void lblOrderMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void lblSupportMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
};

// Shows the About dialog modally; it is freed on every way out.
void ShowAboutBox();

}  // namespace VNAbout

// Called by the design host by name: ShowAboutBox.
extern "C" void VNAbout_ShowAboutBox();
