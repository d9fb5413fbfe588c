#include "code_editor.h"

#include <algorithm>

#include "ide/StFilSys.h"
#include "rtl/SysUtils.h"
#include "strings_file_system.h"
#include "vcl/Controls.h"
#include "vcl/Dialogs.h"

std::shared_ptr<IBorlandIDEServices> BorlandIDEServices =
    std::shared_ptr<IBorlandIDEServices>(std::shared_ptr<vn_ide::TIDEServices>(), &vn_ide::IDEServices());

namespace vn_ide {

namespace {

std::string Folded(const std::string& Name) { return AnsiLowerCase(Name); }

// "dfm.Form1.Query1.SQL" is also found as "Form1.Query1.SQL".
std::string LookupName(const TCodeEditorModule& Module) {
  if (Module.FileSystem() != StFilSys::sTStringsFileSystem) return "";
  const std::size_t Dot = Module.FileName().find('.');
  return Dot == std::string::npos ? "" : Folded(Module.FileName().substr(Dot + 1));
}

}  // namespace

TIDEServices& IDEServices() {
  // Never destroyed: modules may still be open while the process ends.
  static TIDEServices* const Services = new TIDEServices();
  return *Services;
}

// ---------------------------------------------------------------------------

TCodeEditorModule::TCodeEditorModule(TIDEServices& Services, std::string FileName, std::string FileSystem)
    : FServices(Services), FFileName(std::move(FileName)), FFileSystem(std::move(FileSystem)) {
  FDisplayName = FFileName.empty() ? "(unnamed " + IntToStr(++Services.FUnnamedCount) + ")" : FFileName;
  if (FFileSystem == StFilSys::sTStringsFileSystem) FEntry = std::make_unique<TStringsEntry>(FFileName);
}

TCodeEditorModule::~TCodeEditorModule() = default;

void* TCodeEditorModule::QueryInterface(const TGUID& IID) noexcept {
  if (void* Found = InterfaceOf<IOTAModule, IOTAEditor>(this, IID)) return Found;
  return TInterfacedObject::QueryInterface(IID);
}

std::shared_ptr<IOTAEditor> TCodeEditorModule::GetModuleFileEditor(int Index) {
  if (Index < 0 || Index >= GetModuleFileCount())
    throw EListError(Format("%s has no file editor %d", {FDisplayName, Index}));
  return std::shared_ptr<IOTAEditor>(shared_from_this(), this);
}

void TCodeEditorModule::MarkModified() {
  FModified = true;
  FServices.Notify(*this, meMarkedModified);
}

void TCodeEditorModule::Show() {
  if (!FOpen) return;
  FServices.FFront = this;
  FServices.Notify(*this, meShown);
}

void TCodeEditorModule::Load(std::string Text, bool ShowSource) {
  FText = std::move(Text);
  FHasEditor = FHasEditor || ShowSource;
}

void TCodeEditorModule::Edit(std::string Text) {
  FText = std::move(Text);
  MarkModified();
}

void TCodeEditorModule::Save() {
  if (FEntry != nullptr) FEntry->WriteBack(FText);
  FModified = false;
  FServices.Notify(*this, meSaved);
}

bool TCodeEditorModule::Close() {
  if (!FOpen) return true;
  if (FModified) {
    switch (MessageDlg(Format("Save changes to %s?", {FDisplayName}), mtConfirmation, mbYesNoCancel, 0)) {
      case mrYes:
        Save();
        break;
      case mrNo:
        break;
      default:
        return false;
    }
  }
  Discard();
  return true;
}

void TCodeEditorModule::Discard() {
  if (!FOpen) return;
  // Keeps this object alive until the services have let go of it.
  const std::shared_ptr<TCodeEditorModule> Self = shared_from_this();
  FOpen = false;
  FServices.Remove(*this);
  FServices.Notify(*this, meClosed);
}

// ---------------------------------------------------------------------------

TIDEServices::TIDEServices() = default;
TIDEServices::~TIDEServices() = default;

void* TIDEServices::QueryInterface(const TGUID& IID) noexcept {
  if (void* Found = InterfaceOf<IBorlandIDEServices, IOTAModuleServices>(this, IID)) return Found;
  return TInterfacedObject::QueryInterface(IID);
}

std::shared_ptr<IOTAModule> TIDEServices::CreateModule(const std::shared_ptr<IOTACreator>& Creator) {
  VN_ASSERT(Creator != nullptr, "CreateModule needs a creator");
  // Every question, in slot order, as the IDE asks them.
  const std::string CreatorType = Creator->GetCreatorType();
  Creator->GetExisting();
  const std::string FileSystem = Creator->GetFileSystem();
  Creator->GetOwner();
  const bool Unnamed = Creator->GetUnnamed();
  const auto ModuleCreator = Supports<IOTAModuleCreator>(Creator);
  if (ModuleCreator == nullptr || !SameText(CreatorType, "Text"))
    throw Exception(Format("The code editor opens text modules only, not \"%s\" modules", {CreatorType}));
  const std::string Ancestor = ModuleCreator->GetAncestorName();
  const std::string FileName = Unnamed ? std::string() : ModuleCreator->GetImplFileName();
  if (Unnamed) ModuleCreator->GetImplFileName();
  ModuleCreator->GetIntfFileName();
  const std::string FormName = ModuleCreator->GetFormName();
  ModuleCreator->GetMainForm();
  ModuleCreator->GetShowForm();
  const bool ShowSource = ModuleCreator->GetShowSource();
  ModuleCreator->NewFormFile(FormName, Ancestor);
  const std::shared_ptr<IOTAFile> Source = ModuleCreator->NewImplSource(FileName, FormName, Ancestor);
  ModuleCreator->NewIntfSource(FileName, FormName, Ancestor);
  ModuleCreator->FormCreated(nullptr);

  if (!FileSystem.empty() && !(FileSystem == StFilSys::sTStringsFileSystem && StringsFileSystemRegistered()))
    throw Exception(Format("The file system \"%s\" of %s is not registered", {FileSystem, FileName}));
  std::string Text = Source != nullptr ? Source->GetSource() : std::string();
  if (Source != nullptr) Source->GetAge();
  return OpenText(FileName, FileSystem, std::move(Text), ShowSource);
}

std::shared_ptr<TCodeEditorModule> TIDEServices::OpenText(const std::string& FileName, const std::string& FileSystem,
                                                          std::string Text, bool ShowSource) {
  const bool Strings = FileSystem == StFilSys::sTStringsFileSystem;
  if (!FileSystem.empty() && !(Strings && StringsFileSystemRegistered()))
    throw Exception(Format("The file system \"%s\" of %s is not registered", {FileSystem, FileName}));

  std::shared_ptr<TCodeEditorModule> Module = FileName.empty() ? nullptr : FindExact(FileName);
  if (Module != nullptr && Module->FileSystem() == FileSystem) {
    // Already open: it comes forward, keeping what the person has not saved.
    if (!Module->FModified) Module->FText = std::move(Text);
    Module->FHasEditor = Module->FHasEditor || ShowSource;
  } else {
    if (Module != nullptr)
      throw Exception(Format("%s is open already as a module of another file system", {FileName}));
    Module = std::make_shared<TCodeEditorModule>(*this, FileName, FileSystem);
    Module->Load(std::move(Text), ShowSource);
    FModules.push_back(Module);
    Index(*Module);
    Notify(*Module, meOpened);
  }
  if (Strings) StringsModuleOpened(Module);
  return Module;
}

std::shared_ptr<IOTAModule> TIDEServices::FindModule(const std::string& FileName) { return Find(FileName); }

std::shared_ptr<IOTAModule> TIDEServices::GetModule(int Index) {
  if (Index < 0 || Index >= GetModuleCount()) throw EListError(Format("There is no module %d", {Index}));
  return FModules[static_cast<std::size_t>(Index)];
}

std::shared_ptr<TCodeEditorModule> TIDEServices::FindExact(const std::string& FileName) const {
  if (FileName.empty()) return nullptr;
  const auto Found = FByName.find(Folded(FileName));
  return Found == FByName.end() ? nullptr : Found->second->shared_from_this();
}

std::shared_ptr<TCodeEditorModule> TIDEServices::Find(const std::string& FileName) const {
  if (auto Exact = FindExact(FileName)) return Exact;
  if (FileName.empty()) return nullptr;
  const auto Found = FByLookupName.find(Folded(FileName));
  return Found == FByLookupName.end() ? nullptr : Found->second.back()->shared_from_this();
}

void TIDEServices::DiscardAll() {
  while (!FModules.empty()) FModules.back()->Discard();
}

void TIDEServices::Notify(TCodeEditorModule& Module, TModuleEvent Event) {
  if (FOnEvent) FOnEvent(Module, Event);
}

void TIDEServices::Index(TCodeEditorModule& Module) {
  if (Module.FileName().empty()) return;
  FByName[Folded(Module.FileName())] = &Module;
  if (const std::string Lookup = LookupName(Module); !Lookup.empty()) FByLookupName[Lookup].push_back(&Module);
}

void TIDEServices::Remove(TCodeEditorModule& Module) {
  if (FFront == &Module) FFront = nullptr;
  if (!Module.FileName().empty()) {
    FByName.erase(Folded(Module.FileName()));
    if (const std::string Lookup = LookupName(Module); !Lookup.empty()) {
      auto& Same = FByLookupName[Lookup];
      std::erase(Same, &Module);
      if (Same.empty()) FByLookupName.erase(Lookup);
    }
  }
  std::erase_if(FModules, [&](const auto& M) { return M.get() == &Module; });
}

}  // namespace vn_ide
