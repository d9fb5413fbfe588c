// Test dialogs streamed from the test program's own form resources: one that
// works like a small editor dialog, and broken ones.
#pragma once

#include <string>
#include <vector>

#include "vcl/ComCtrls.h"
#include "vcl/Dialogs.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"

// What the dialogs' handlers did, in order; kept past a dialog's end.
std::vector<std::string>& DialogLog();

// Three statements, one shown in the memo per radio item; the memo's edits go
// back when it loses the focus. OK asks first when the second one is empty.
class TTestDialog : public TForm {
  VN_DECLARE_FORM(TTestDialog, TForm)
 public:
  TPageControl* pcMain = nullptr;
  TTabSheet* tsFirst = nullptr;
  TTabSheet* tsSecond = nullptr;
  TLabel* lblName = nullptr;
  TComboBox* cbName = nullptr;
  TListBox* lbFields = nullptr;
  TCheckBox* cbQuoted = nullptr;
  TButton* btAction = nullptr;
  TButton* btAsk = nullptr;
  TRadioGroup* rgrKind = nullptr;
  TMemo* meText = nullptr;
  TPanel* pnlButtons = nullptr;
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;
  TPopupMenu* pmFields = nullptr;
  TMenuItem* miSelectAll = nullptr;
  TMenuItem* miClearAll = nullptr;

  std::vector<std::string> Statements{"first", "", "third"};
  // btAction raises this message when set.
  std::string ActionFails;

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void cbNameChange(TObject* Sender);
  void ControlExit(TObject* Sender);
  void meTextExit(TObject* Sender);
  void rgrKindClick(TObject* Sender);
  void pcMainChange(TObject* Sender);
  void cbQuotedClick(TObject* Sender);
  void btActionClick(TObject* Sender);
  void btAskClick(TObject* Sender);
  void SelectAllClick(TObject* Sender);
  void ClearAllClick(TObject* Sender);
  void lblNameMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
};

// Binds a field its resource lacks.
class TMissingFieldDialog : public TForm {
  VN_DECLARE_FORM(TMissingFieldDialog, TForm)
 public:
  TButton* btOk = nullptr;
  TButton* btCancel = nullptr;
};

// Its resource makes btOk a label.
class TWrongClassDialog : public TForm {
  VN_DECLARE_FORM(TWrongClassDialog, TForm)
 public:
  TButton* btOk = nullptr;
};

// Its resource names a handler the class does not list.
class TUnknownHandlerDialog : public TForm {
  VN_DECLARE_FORM(TUnknownHandlerDialog, TForm)
};

// A form class whose module carries no resource for it.
class TNoResourceDialog : public TForm {
  VN_DECLARE_FORM(TNoResourceDialog, TForm)
};
