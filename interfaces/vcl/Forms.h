// Unit Forms: forms, the application object, the screen and its cursor.
//
// A dialog is a class derived from TForm whose controls and event handlers are
// described in a form resource: the text form description carried as an RCDATA
// resource named after the class in upper case, in the module file that holds
// the class. Constructing the form with an owner reads that description, binds
// the class's fields and handlers by name, and fires OnCreate.
//
//   class TAboutDlg : public TForm {
//     VN_DECLARE_FORM(TAboutDlg, TForm)
//    public:
//     TButton* btOk = nullptr;
//     void FormCreate(TObject* Sender);
//   };
//
//   VN_IMPLEMENT_CLASS(TAboutDlg, TForm)
//   const TFormBindings& TAboutDlg::Bindings() {
//     static const TFormBindings B = TFormBinder<TAboutDlg>()
//         .Field("btOk", &TAboutDlg::btOk)
//         .Handler("FormCreate", &TAboutDlg::FormCreate)
//         .Done();
//     return B;
//   }
#pragma once

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "vcl/Controls.h"

VN_DECLARE_EXCEPTION(EResNotFound, Exception)

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
VN_DECLARE_TYPEINFO(TFormBorderStyle)

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
VN_DECLARE_TYPEINFO(TBorderIcon)
VN_DECLARE_TYPEINFO(TBorderIcons)

enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
VN_DECLARE_TYPEINFO(TPosition)

enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
VN_DECLARE_TYPEINFO(TCloseEvent)
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;
VN_DECLARE_TYPEINFO(TCloseQueryEvent)

class TCustomForm;

// ---------------------------------------------------------------------------
// Binding a form class to its form description

// The fields and handlers of one form class, by the names its form resource
// uses. Built once per class with TFormBinder.
class TFormBindings {
 public:
  struct TField {
    std::string Name;
    const TMetaClass* Class;  // the class the field points to
    std::function<void(TCustomForm& Form, TComponent* Component)> Assign;
  };
  struct THandler {
    std::string Name;
    // A std::function of the method's signature bound to Form.
    std::function<std::any(TCustomForm& Form)> Bind;
  };

  const std::vector<TField>& Fields() const noexcept { return FFields; }
  const std::vector<THandler>& Handlers() const noexcept { return FHandlers; }
  // The handler Name (without regard to case) bound to Form; empty when the
  // class lists none of that name.
  std::any MethodAddress(TCustomForm& Form, std::string_view Name) const;

 private:
  template <class F>
  friend class TFormBinder;
  std::vector<TField> FFields;
  std::vector<THandler> FHandlers;
};

template <class F>
class TFormBinder {
 public:
  // The component Name of the form description goes into Member. Reading the
  // form fails with a message naming the form and the field when there is no
  // such component or it is not a T.
  template <class T>
  TFormBinder& Field(std::string Name, T* F::*Member) {
    static_assert(std::is_base_of_v<TComponent, T>);
    FBindings.FFields.push_back({std::move(Name), &T::StaticClass(), [Member](TCustomForm& Form, TComponent* C) {
                                   static_cast<F&>(Form).*Member = dynamic_cast<T*>(C);
                                 }});
    return *this;
  }

  // Event properties of the form description that name Name call Method.
  template <class R, class... A>
  TFormBinder& Handler(std::string Name, R (F::*Method)(A...)) {
    FBindings.FHandlers.push_back({std::move(Name), [Method](TCustomForm& Form) -> std::any {
                                     F* Self = &static_cast<F&>(Form);
                                     return std::function<R(A...)>(
                                         [Self, Method](A... Args) { return (Self->*Method)(Args...); });
                                   }});
    return *this;
  }

  template <class R, class... A>
  TFormBinder& Handler(std::string Name, R (F::*Method)(A...) const) {
    FBindings.FHandlers.push_back({std::move(Name), [Method](TCustomForm& Form) -> std::any {
                                     const F* Self = &static_cast<F&>(Form);
                                     return std::function<R(A...)>(
                                         [Self, Method](A... Args) { return (Self->*Method)(Args...); });
                                   }});
    return *this;
  }

  TFormBindings Done() { return std::move(FBindings); }

 private:
  TFormBindings FBindings;
};

// In the body of a form class derived from Base (TForm): its class
// information, its binding table `static const TFormBindings& Bindings()`, a
// constructor taking the owner that reads the form resource, and a destructor
// that fires OnDestroy while the class's members still exist.
#define VN_DECLARE_FORM(Cls, Base)                                                          \
  VN_DECLARE_CLASS(Cls)                                                                     \
 public:                                                                                    \
  explicit Cls(::TComponent* AOwner) : Base(AOwner) { InitInheritedComponent(Bindings()); } \
  ~Cls() override { DoDestroy(); }                                                          \
  static const ::TFormBindings& Bindings();

// ---------------------------------------------------------------------------
// Forms

class TCustomForm : public TWinControl {
  VN_DECLARE_PUBLISHED(TCustomForm)
 public:
  // A form without a form description (forms built in code, design roots).
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  int ClientWidth() const override { return FClientWidth; }
  int ClientHeight() const override { return FClientHeight; }
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  TFormBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const noexcept { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value) noexcept { FBorderIcons = Value; }
  TPosition Position() const noexcept { return FPosition; }
  void SetPosition(TPosition Value) noexcept { FPosition = Value; }
  int PixelsPerInch() const noexcept { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value);
  bool Scaled() const noexcept { return FScaled; }
  void SetScaled(bool Value) noexcept { FScaled = Value; }
  bool KeyPreview() const noexcept { return FKeyPreview; }
  void SetKeyPreview(bool Value) noexcept { FKeyPreview = Value; }

  // The control that has the focus while the form is showing, or that gets it
  // when the form is shown. Setting it while showing moves the focus.
  TWinControl* ActiveControl() const noexcept { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);

  TModalResult ModalResult() const noexcept { return FModalResult; }
  // A non-zero value asks a modal form to close (after OnCloseQuery).
  void SetModalResult(TModalResult Value) noexcept { FModalResult = Value; }

  // Shows the form modally: the host's user-interface driver acts on it until
  // its ModalResult is set and OnCloseQuery lets it close, and returns that
  // result. An exception of an event handler meanwhile is reported by the
  // application and the form stays open. When no one can act any more (the
  // script ended) the form closes with mrCancel. EInvalidOperation when the
  // form is showing already.
  TModalResult ShowModal();
  // Asks the form to close: a modal form closes with mrCancel.
  void Close();
  // True while the form is shown.
  bool Showing() const override;
  bool IsModal() const noexcept { return FModal; }
  // OnCloseQuery's answer (true when it has none).
  virtual bool CloseQuery();

  bool CanFocus() const override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  std::any MethodAddress(std::string_view Name) const override;
  void Loaded() override;

  // The focus model. Moves the focus to Control (null: nowhere): OnExit of the
  // control that had it and of its parents that do not contain Control, then
  // OnEnter of Control's parents that did not contain the old one and of
  // Control. When an OnExit raises, the focus stays where it was.
  void FocusControl(TWinControl* Control);

  // What a person presses on a showing form: Esc clicks the cancel button,
  // Enter the focused button or else the default button, Tab moves to the next
  // control. Returns false when the key had nothing to act on.
  bool DialogKey(int VirtualKey);

  // Checks the form's invariants (focus, parent links, tab order); returns the
  // first violation, or "" when there is none.
  std::string ConsistencyCheck() const;

 protected:
  // Reads the form resource of the object's class, binds Bindings' fields and
  // handlers, and fires OnCreate. A form class's constructor calls it last.
  // Raises EResNotFound when the module of the class has no such resource,
  // EComponentError when a bound field finds no component of its name or one
  // of another class; errors of the description are those of the form reader.
  void InitInheritedComponent(const TFormBindings& ABindings);
  // Fires OnDestroy once. A form class's destructor calls it first.
  void DoDestroy() noexcept;
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoClose(TCloseAction& Action);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Ends a modal loop that has a result: CloseQuery, OnClose; a refusal clears
  // the result.
  void CloseModal();

  int FClientWidth = 0;
  int FClientHeight = 0;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TPosition FPosition = poDesigned;
  int FPixelsPerInch = 96;
  bool FScaled = true;
  bool FKeyPreview = false;
  TWinControl* FActiveControl = nullptr;
  TModalResult FModalResult = mrNone;
  bool FShowing = false;
  bool FModal = false;
  const TFormBindings* FBindings = nullptr;
  bool FDestroyed = false;
};

class TForm : public TCustomForm {
  VN_DECLARE_CLASS(TForm)
 public:
  using TCustomForm::TCustomForm;
};

// ---------------------------------------------------------------------------
// Application and screen

class TApplication : public TComponent {
  VN_DECLARE_PUBLISHED(TApplication)
 public:
  explicit TApplication(TComponent* AOwner);

  const std::string& Title() const noexcept { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }

  // A new form of InstanceClass owned by the application; Reference points to
  // it as soon as it is constructed. Whoever calls it frees the form when done
  // with it (or leaves that to the application's end).
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = nullptr;
    Reference = &As<T>(CreateFormOfClass(T::StaticClass()));
  }
  TCustomForm& CreateFormOfClass(const TMetaClass& InstanceClass);

  // Reports an exception that an event handler raised, as the IDE does.
  void HandleException(const std::exception& E);

 private:
  std::string FTitle = "vnide";
};

class TScreen : public TComponent {
  VN_DECLARE_CLASS(TScreen)
 public:
  explicit TScreen(TComponent* AOwner);

  TCursor Cursor() const noexcept { return FCursor; }
  void SetCursor(TCursor Value) noexcept { FCursor = Value; }
  int PixelsPerInch() const noexcept { return 96; }
  // The form a person acts on: the topmost one shown; null when none is.
  TCustomForm* ActiveForm() const;
  // The forms shown, the first shown first.
  int FormCount() const noexcept { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int Index) const;  // EListError when out of range

 private:
  friend class TCustomForm;
  TCursor FCursor = crDefault;
  std::vector<TCustomForm*> FForms;
};

// The one application object and screen of the host, created when the host's
// library loads.
extern TApplication* Application;
extern TScreen* Screen;

// Sets the screen's cursor for its lifetime and restores the previous one on
// every way out.
class TCursorGuard {
 public:
  explicit TCursorGuard(TCursor NewCursor) noexcept : FSaved(Screen->Cursor()) { Screen->SetCursor(NewCursor); }
  ~TCursorGuard() { Screen->SetCursor(FSaved); }
  TCursorGuard(const TCursorGuard&) = delete;
  TCursorGuard& operator=(const TCursorGuard&) = delete;

 private:
  TCursor FSaved;
};

// The form that shows Control; null when it is on none.
TCustomForm* GetParentForm(const TControl& Control);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Forms_Initialization();
void Forms_Finalization();
