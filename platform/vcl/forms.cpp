#include "vcl/Forms.h"

#include <algorithm>
#include <exception>

#include "vcl/StdCtrls.h"
#include "rtl/FormFiles.h"
#include "rtl/Resources.h"
#include "rtl/SysInit.h"
#include "ui_driver.h"

VN_IMPLEMENT_PUBLISHED(TCustomForm, TWinControl)
VN_IMPLEMENT_CLASS(TForm, TCustomForm)

std::any TFormBindings::MethodAddress(TCustomForm& Form, std::string_view Name) const {
  for (const THandler& Handler : FHandlers)
    if (SameText(Handler.Name, Name)) return Handler.Bind(Form);
  return {};
}

namespace {

// The frame around the client area: both sides, and top plus bottom with the
// caption bar, in pixels.
struct TFrame {
  int Width;
  int Height;
};

TFrame FrameOf(TFormBorderStyle Style) {
  switch (Style) {
    case bsNone:
      return {0, 0};
    case bsSingle:
    case bsDialog:
      return {6, 25};
    case bsToolWindow:
      return {6, 21};
    case bsSizeToolWin:
      return {8, 23};
    case bsSizeable:
      break;
  }
  return {8, 27};
}

// A component name not taken among Owner's components: Name, else Name_1 ...
std::string UniqueName(const TComponent& Owner, const std::string& Name) {
  if (Name.empty() || Owner.FindComponent(Name) == nullptr) return Name;
  for (int I = 1;; ++I) {
    std::string Candidate = Name + "_" + IntToStr(I);
    if (Owner.FindComponent(Candidate) == nullptr) return Candidate;
  }
}

}  // namespace

const std::vector<TPropInfo>& TCustomForm::PublishedProperties() {
  using F = TCustomForm;
  auto Notify = [](auto Member) {
    return [Member](const F& Form) -> const auto& { return Form.*Member; };
  };
  static const auto List =
      TPublisher<F>()
          .Reference<TWinControl>("ActiveControl", &F::ActiveControl, &F::SetActiveControl)
          // Scroll bars of a form too small for its controls: a headless form never is.
          .Boolean(
              "AutoScroll", [](const F&) { return false; }, [](F&, bool) {}, false)
          .Set<TBorderIcons>("BorderIcons", &F::BorderIcons, &F::SetBorderIcons,
                             TBorderIcons{biSystemMenu, biMinimize, biMaximize})
          .Enum("BorderStyle", &F::BorderStyle, &F::SetBorderStyle, bsSizeable)
          .String("Caption", &F::Caption, &F::SetCaption)
          .Integer("ClientHeight", &F::ClientHeight, &F::SetClientHeight, std::nullopt)
          .Integer("ClientWidth", &F::ClientWidth, &F::SetClientWidth, std::nullopt)
          .Boolean("KeyPreview", &F::KeyPreview, &F::SetKeyPreview, false)
          // Written by older designers; nothing depends on it any more.
          .Boolean(
              "OldCreateOrder", [](const F&) { return false; }, [](F&, bool) {}, false)
          .Integer("PixelsPerInch", &F::PixelsPerInch, &F::SetPixelsPerInch, std::nullopt)
          .Enum("Position", &F::Position, &F::SetPosition, poDesigned)
          .Boolean("Scaled", &F::Scaled, &F::SetScaled, true)
          .Integer(
              "TextHeight", [](const F& Form) { return Form.Canvas().TextHeight("0"); }, [](F&, int) {}, std::nullopt)
          .Event<void(TObject*)>("OnCreate", Notify(&F::OnCreate),
                                 [](F& Form, TNotifyEvent V) { Form.OnCreate = std::move(V); })
          .Event<void(TObject*)>("OnDestroy", Notify(&F::OnDestroy),
                                 [](F& Form, TNotifyEvent V) { Form.OnDestroy = std::move(V); })
          .Event<void(TObject*)>("OnShow", Notify(&F::OnShow),
                                 [](F& Form, TNotifyEvent V) { Form.OnShow = std::move(V); })
          .Event<void(TObject*)>("OnHide", Notify(&F::OnHide),
                                 [](F& Form, TNotifyEvent V) { Form.OnHide = std::move(V); })
          .Event<void(TObject*, TCloseAction&)>("OnClose", Notify(&F::OnClose),
                                                [](F& Form, TCloseEvent V) { Form.OnClose = std::move(V); })
          .Event<void(TObject*, bool&)>("OnCloseQuery", Notify(&F::OnCloseQuery),
                                        [](F& Form, TCloseQueryEvent V) { Form.OnCloseQuery = std::move(V); })
          .List();
  return List;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  SetDefaultColor(clBtnFace, false);
  SetParentFont(false);
  SetClientWidth(0);
  SetClientHeight(0);
}

TCustomForm::~TCustomForm() {
  // A form of a class with bindings fired OnDestroy in its own destructor,
  // while the handlers' object still existed.
  if (FBindings == nullptr) DoDestroy();
  if (Screen != nullptr) std::erase(Screen->FForms, this);
  SetActiveControl(nullptr);
}

void TCustomForm::SetClientWidth(int Value) {
  FClientWidth = std::max(Value, 0);
  TControl::SetBounds(Left(), Top(), FClientWidth + FrameOf(FBorderStyle).Width, Height());
  Realign();
}

void TCustomForm::SetClientHeight(int Value) {
  FClientHeight = std::max(Value, 0);
  TControl::SetBounds(Left(), Top(), Width(), FClientHeight + FrameOf(FBorderStyle).Height);
  Realign();
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const TFrame Frame = FrameOf(FBorderStyle);
  FClientWidth = std::max(AWidth - Frame.Width, 0);
  FClientHeight = std::max(AHeight - Frame.Height, 0);
  TControl::SetBounds(ALeft, ATop, FClientWidth + Frame.Width, FClientHeight + Frame.Height);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  // The client area keeps its size; the frame around it changes.
  FBorderStyle = Value;
  const TFrame Frame = FrameOf(Value);
  TControl::SetBounds(Left(), Top(), FClientWidth + Frame.Width, FClientHeight + Frame.Height);
}

void TCustomForm::SetPixelsPerInch(int Value) {
  if (Value <= 0) throw EInvalidOperation(Format("Invalid PixelsPerInch %d", {Value}));
  FPixelsPerInch = Value;
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (Control == FActiveControl) return;
  if (Control != nullptr && !ComponentState().Contains(csLoading)) {
    if (Control->GetParentForm() != this)
      throw EInvalidOperation(Format("%s is not on form %s", {Control->Name(), Name()}));
    if (FShowing) {
      if (!Control->CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
      FocusControl(Control);
      return;
    }
  }
  if (FActiveControl != nullptr) FActiveControl->RemoveFreeNotification(*this);
  FActiveControl = Control;
  if (FActiveControl != nullptr) FActiveControl->FreeNotification(*this);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr && AComponent == FActiveControl) FActiveControl = nullptr;
  TWinControl::Notification(AComponent, Operation);
}

void TCustomForm::FocusControl(TWinControl* Control) {
  if (Control == FActiveControl) return;
  if (Control != nullptr && Control->GetParentForm() != this)
    throw EInvalidOperation(Format("%s is not on form %s", {Control->Name(), Name()}));
  TWinControl* Old = FActiveControl;
  if (!FShowing) {
    SetActiveControl(Control);
    return;
  }
  // Exits from the inside out, up to the first control that holds the new one.
  // A handler that moves the focus itself ends this move.
  for (TWinControl* W = Old; W != nullptr && W != this && !W->ContainsControl(Control); W = W->Parent()) {
    W->DoExit();
    if (FActiveControl != Old) return;
  }
  if (FActiveControl != nullptr) FActiveControl->RemoveFreeNotification(*this);
  FActiveControl = Control;
  if (FActiveControl != nullptr) FActiveControl->FreeNotification(*this);
  if (Control == nullptr) return;
  // Enters from the outside in, from the first control that did not hold the old one.
  std::vector<TWinControl*> Entered;
  for (TWinControl* W = Control; W != nullptr && W != this && !W->ContainsControl(Old); W = W->Parent())
    Entered.push_back(W);
  for (auto It = Entered.rbegin(); It != Entered.rend(); ++It) {
    (*It)->DoEnter();
    if (FActiveControl != Control) return;
  }
}

bool TCustomForm::Showing() const { return FShowing; }

bool TCustomForm::CanFocus() const { return Enabled(); }

bool TCustomForm::CloseQuery() {
  bool CanClose = true;
  if (OnCloseQuery) OnCloseQuery(this, CanClose);
  return CanClose;
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::DoDestroy() noexcept {
  if (FDestroyed) return;
  FDestroyed = true;
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (const std::exception& E) {
    Application->HandleException(E);
  } catch (...) {
    Application->HandleException(Exception("Unknown exception in OnDestroy of " + Name()));
  }
}

void TCustomForm::CloseModal() {
  try {
    TCloseAction Action = caNone;
    if (CloseQuery()) {
      Action = caHide;
      DoClose(Action);
    }
    if (Action == caNone) FModalResult = mrNone;
  } catch (const std::exception& E) {
    FModalResult = mrNone;
    Application->HandleException(E);
  }
}

TModalResult TCustomForm::ShowModal() {
  if (FShowing) throw EInvalidOperation("Cannot make a visible window modal");
  vn_vcl::TUserInterfaceDriver& Driver = vn_vcl::UserInterfaceDriver();
  FModalResult = mrNone;
  FModal = true;
  Screen->FForms.push_back(this);
  struct THide {
    TCustomForm& Form;
    ~THide() {
      Form.FShowing = false;
      Form.FModal = false;
      std::erase(Screen->FForms, &Form);
    }
  } Hide{*this};

  // OnShow runs before the form is up: a focus set there is only recorded.
  DoShow();
  FShowing = true;
  TWinControl* First = FActiveControl;
  if (First == nullptr || !First->CanFocus()) First = FindNextControl(nullptr, true);
  if (FActiveControl != nullptr) FActiveControl->RemoveFreeNotification(*this);
  FActiveControl = nullptr;
  FocusControl(First);
  Driver.FormShown(*this);

  while (true) {
    bool Acted = false;
    try {
      Acted = Driver.HandleMessage(*this);
    } catch (const std::exception& E) {
      Application->HandleException(E);
      Acted = true;
    }
    if (!Acted) {
      // No one will act any more: the application is ending.
      FModalResult = mrCancel;
      break;
    }
    if (FModalResult != mrNone) {
      CloseModal();
      if (FModalResult != mrNone) break;
    }
  }
  const TModalResult Result = FModalResult;
  if (OnHide) {
    try {
      OnHide(this);
    } catch (const std::exception& E) {
      Application->HandleException(E);
    }
  }
  Driver.FormClosed(*this, Result);
  return Result;
}

void TCustomForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!FShowing || !CloseQuery()) return;
  TCloseAction Action = caHide;
  DoClose(Action);
  if (Action != caNone) FShowing = false;
}

bool TCustomForm::DialogKey(int VirtualKey) {
  if (!FShowing) return false;
  auto FindButton = [this](auto Matches) -> TButton* {
    std::vector<TControl*> Pending{this};
    while (!Pending.empty()) {
      TControl* C = Pending.front();
      Pending.erase(Pending.begin());
      if (auto* Button = dynamic_cast<TButton*>(C);
          Button != nullptr && Matches(*Button) && Button->Showing() && Button->EnabledInTree())
        return Button;
      if (auto* W = dynamic_cast<TWinControl*>(C))
        for (int I = 0; I < W->ControlCount(); ++I) Pending.push_back(W->Controls(I));
    }
    return nullptr;
  };
  switch (VirtualKey) {
    case VK_ESCAPE:
      if (TButton* Button = FindButton([](const TButton& B) { return B.Cancel(); })) {
        Button->Click();
        return true;
      }
      return false;
    case VK_RETURN: {
      // A focused button takes Enter itself; otherwise the default button does.
      TButton* Button = dynamic_cast<TButton*>(FActiveControl);
      if (Button == nullptr) Button = FindButton([](const TButton& B) { return B.Default(); });
      if (Button == nullptr) return false;
      Button->Click();
      return true;
    }
    case VK_TAB: {
      TWinControl* Next = FindNextControl(FActiveControl, true);
      if (Next == nullptr) return false;
      FocusControl(Next);
      return true;
    }
    default:
      return false;
  }
}

std::any TCustomForm::MethodAddress(std::string_view Name) const {
  if (FBindings == nullptr) return {};
  return FBindings->MethodAddress(const_cast<TCustomForm&>(*this), Name);
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  Realign();
}

void TCustomForm::InitInheritedComponent(const TFormBindings& ABindings) {
  FBindings = &ABindings;
  const std::string ResName = UpperCase(ClassName());
  // Read from the class's module, or from its resource module when it loaded one.
  const std::string FileName = GetModuleFileName(FindResourceHInstance(FindModuleHandle(&ClassType())));
  if (FileName.empty())
    throw EResNotFound(Format("Resource %s not found: no loaded module holds class %s", {ResName, ClassName()}));
  const TResourceList Resources = ReadModuleResources(FileName);
  const TResource* Resource = FindResource(Resources, RT_RCDATA, ResName);
  if (Resource == nullptr) throw EResNotFound(Format("Resource %s not found in %s", {ResName, FileName}));
  std::string Text(Resource->Data.begin(), Resource->Data.end());
  if (Text.starts_with("\xEF\xBB\xBF")) Text.erase(0, 3);
  while (!Text.empty() && Text.back() == '\0') Text.pop_back();

  // The form is read away from its owner: another form of the same class
  // already there has taken the name the description gives.
  TComponent* TheOwner = Owner();
  if (TheOwner != nullptr) TheOwner->RemoveComponent(*this);
  const std::string SourceName = ExtractFileName(FileName) + "(" + ResName + ")";
  const TFormFileHeader Header = ReadComponentText(Text, *this, SourceName);
  if (!SameText(Header.ClassName, ClassName()))
    throw EResNotFound(
        Format("Resource %s in %s describes a %s, not a %s", {ResName, FileName, Header.ClassName, ClassName()}));
  if (TheOwner != nullptr) {
    SetName(UniqueName(*TheOwner, Name()));
    TheOwner->InsertComponent(*this);
  }

  for (const TFormBindings::TField& Field : ABindings.Fields()) {
    TComponent* Component = FindComponent(Field.Name);
    if (Component == nullptr)
      throw EComponentError(
          Format("%s.%s: the form resource %s has no component of that name", {ClassName(), Field.Name, ResName}));
    if (!Component->InheritsFrom(*Field.Class))
      throw EComponentError(
          Format("%s.%s: the form resource %s makes it a %s, not a %s",
                 {ClassName(), Field.Name, ResName, Component->ClassName(), Field.Class->ClassName()}));
    Field.Assign(*this, Component);
  }
  DoCreate();
}

std::string TCustomForm::ConsistencyCheck() const {
  if (FActiveControl != nullptr && FActiveControl->GetParentForm() != this)
    return "the active control " + FActiveControl->Name() + " is not on the form";
  if (FShowing && FActiveControl != nullptr && !FActiveControl->CanFocus())
    return "the focused control " + FActiveControl->Name() + " cannot have the focus";
  std::string Problem;
  auto Check = [&](const TWinControl& Parent, auto& Self) -> void {
    for (int I = 0; I < Parent.ControlCount() && Problem.empty(); ++I) {
      const TControl* Child = Parent.Controls(I);
      if (Child->Parent() != &Parent) {
        Problem = Child->Name() + " is listed under " + Parent.Name() + " but has another parent";
        return;
      }
      if (const auto* W = dynamic_cast<const TWinControl*>(Child)) {
        if (W->TabOrder() < 0) Problem = W->Name() + " has no place in its parent's tab order";
        Self(*W, Self);
      }
    }
  };
  Check(*this, Check);
  return Problem;
}

// ---------------------------------------------------------------------------
// Application and screen

VN_IMPLEMENT_PUBLISHED(TApplication, TComponent)
VN_IMPLEMENT_CLASS(TScreen, TComponent)

const std::vector<TPropInfo>& TApplication::PublishedProperties() {
  static const auto List =
      TPublisher<TApplication>().String("Title", &TApplication::Title, &TApplication::SetTitle).List();
  return List;
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TCustomForm& TApplication::CreateFormOfClass(const TMetaClass& InstanceClass) {
  if (!InstanceClass.InheritsFrom(TCustomForm::StaticClass()))
    throw EInvalidCast(Format("%s is not a form class", {InstanceClass.ClassName()}));
  std::unique_ptr<TObject> Instance = InstanceClass.CreateInstance(this);
  auto& Form = dynamic_cast<TCustomForm&>(*Instance);
  Instance.release();  // the application owns it now
  return Form;
}

void TApplication::HandleException(const std::exception& E) {
  const auto* Platform = dynamic_cast<const Exception*>(&E);
  vn_vcl::UserInterfaceDriver().ShowException(Platform != nullptr ? std::string(Platform->ClassName()) : "Exception",
                                              E.what());
}

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

TCustomForm* TScreen::ActiveForm() const { return FForms.empty() ? nullptr : FForms.back(); }

TCustomForm* TScreen::Forms(int Index) const {
  if (Index < 0 || Index >= FormCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FForms[static_cast<std::size_t>(Index)];
}
