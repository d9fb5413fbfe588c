#include "strings_file_system.h"

#include <map>

#include "code_editor.h"
#include "form_designer.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace vn_ide {

// Told when the bound component is destroyed, so that a later save reports it
// instead of writing into freed memory.
class TStringsEntry::TWatch : public TComponent {
 public:
  TWatch(TStringsEntry& Entry, TComponent& Watched) : TComponent(nullptr), FEntry(Entry), FWatched(&Watched) {
    FWatched->FreeNotification(*this);
  }
  ~TWatch() override {
    if (FWatched != nullptr) FWatched->RemoveFreeNotification(*this);
  }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove && AComponent == FWatched) {
      FWatched = nullptr;
      FEntry.Forget();
    }
    TComponent::Notification(AComponent, Operation);
  }

 private:
  TStringsEntry& FEntry;
  TComponent* FWatched;
};

TStringsEntry::TStringsEntry(std::string Ident) : FIdent(std::move(Ident)) {}

TStringsEntry::~TStringsEntry() = default;

void TStringsEntry::Bind(TComponent& Component, const std::string& PropName) {
  FWatch.reset();
  FComponent = &Component;
  FPropName = PropName;
  FWatch = std::make_unique<TWatch>(*this, Component);
}

void TStringsEntry::WriteBack(const std::string& Text) {
  const std::string Name = FIdent.empty() ? std::string("the unnamed module") : FIdent;
  if (FWatch == nullptr) throw Exception(Format("%s stands for no property: there is nothing to save it into", {Name}));
  if (FComponent == nullptr)
    throw Exception(Format("%s cannot be saved: its component no longer exists", {Name}));
  const PPropInfo Prop = GetPropInfo(*FComponent, FPropName);
  TStrings* List = Prop != nullptr && Prop->PropType->Kind == tkClass && Prop->GetObj
                       ? dynamic_cast<TStrings*>(GetObjectProp(*FComponent, *Prop))
                       : nullptr;
  if (List == nullptr)
    throw Exception(Format("%s cannot be saved: %s has no string-list property %s",
                           {Name, FComponent->Name(), FPropName}));
  List->SetText(Text);
  FFileDate = DateTimeToFileDate(Now());
  for (TComponent* Owner = FComponent; Owner != nullptr; Owner = Owner->Owner())
    if (TFormDesigner* Designer = TFormDesigner::DesignerOf(*Owner)) {
      Designer->Modified();
      break;
    }
}

namespace {

class TStringsFileSystemImpl : public StFilSys::TStringsFileSystem {
 public:
  StFilSys::TStringsProperty& GetTStringsProperty(const std::string& Ident, TComponent* Component,
                                                  const std::string& PropName) override {
    VN_ASSERT(Component != nullptr, "GetTStringsProperty needs a component");
    std::shared_ptr<TCodeEditorModule> Module = FOpened.lock();
    FOpened.reset();
    if (Module == nullptr || Module->FileName() != Ident || !Module->IsOpen())
      Module = Ident.empty() ? nullptr : IDEServices().FindExact(Ident);
    TStringsEntry* Entry = Module != nullptr ? Module->StringsEntry() : nullptr;
    if (Entry == nullptr) {
      // No module stands for it: the entry is kept for the name alone.
      auto& Loose = FLoose[Ident];
      if (Loose == nullptr) Loose = std::make_unique<TStringsEntry>(Ident);
      Entry = Loose.get();
    }
    Entry->Bind(*Component, PropName);
    return *Entry;
  }

  bool Registered = false;
  std::weak_ptr<TCodeEditorModule> FOpened;
  std::map<std::string, std::unique_ptr<TStringsEntry>> FLoose;
};

TStringsFileSystemImpl& Impl() {
  static TStringsFileSystemImpl FileSystem;
  return FileSystem;
}

}  // namespace

bool StringsFileSystemRegistered() noexcept { return Impl().Registered; }

void StringsModuleOpened(const std::shared_ptr<TCodeEditorModule>& Module) { Impl().FOpened = Module; }

}  // namespace vn_ide

namespace StFilSys {

void Register() { vn_ide::Impl().Registered = true; }

TStringsFileSystem& StringsFileSystem() {
  VN_ASSERT(vn_ide::Impl().Registered, "The strings file system is used before it is registered");
  return vn_ide::Impl();
}

}  // namespace StFilSys
