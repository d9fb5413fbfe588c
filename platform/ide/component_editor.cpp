// The host's component editors: the base class and how the host picks, makes
// and creates the editor of a component.
#include "ide/DesignEditors.h"

#include "registrations.h"
#include "rtl/SysUtils.h"
#include "vcl/Menus.h"

VN_IMPLEMENT_CLASS(TComponentEditor, TObject)

void TComponentEditor::Create(TComponent* AComponent, IDesigner* ADesigner) {
  VN_ASSERT(AComponent != nullptr, "a component editor needs a component");
  FComponent = AComponent;
  FDesigner = ADesigner;
}

void TComponentEditor::Edit() {
  if (GetVerbCount() > 0) ExecuteVerb(0);
}

void TComponentEditor::ExecuteVerb(int) {}

std::string TComponentEditor::GetVerb(int) { return ""; }

int TComponentEditor::GetVerbCount() { return 0; }

void TComponentEditor::Copy() {}

void TComponentEditor::PrepareItem(int, TMenuItem&) {}

TComponent& TComponentEditor::Component() const {
  VN_ASSERT(FComponent != nullptr, "the component editor was not created");
  return *FComponent;
}

namespace {

// The editor class registered for the most derived class of Component, or null.
const TMetaClass* RegisteredEditorClass(const TComponent& Component) {
  const std::vector<vn_ide::TRegistration> List = vn_ide::Registrations();
  for (const TMetaClass* Class = &Component.ClassType(); Class != nullptr; Class = Class->ClassParent())
    for (auto R = List.rbegin(); R != List.rend(); ++R)
      if (R->Kind == vn_ide::rkComponentEditor && R->ComponentClass == Class) return R->EditorClass;
  return nullptr;
}

}  // namespace

std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent& Component, IDesigner* Designer) {
  std::unique_ptr<TComponentEditor> Editor;
  if (const TMetaClass* Class = RegisteredEditorClass(Component)) {
    if (!Class->InheritsFrom(TComponentEditor::StaticClass()) || Class->IsAbstract())
      throw EInvalidCast(Format("%s, registered for %s, is no component editor the host can make",
                                {Class->ClassName(), Component.ClassName()}));
    std::unique_ptr<TObject> Instance = Class->CreateInstance(nullptr);
    Editor.reset(static_cast<TComponentEditor*>(Instance.release()));
  } else {
    Editor = std::make_unique<TComponentEditor>();
  }
  Editor->Create(&Component, Designer);
  return Editor;
}
