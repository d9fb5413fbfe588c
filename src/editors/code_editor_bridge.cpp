#include "editors/code_editor_bridge.h"

#include <utility>

#include "ide/StFilSys.h"
#include "rtl/SysUtils.h"

namespace VNReg {

TOTAFile::TOTAFile(std::string ASource, TDateTime AAge) : FSource(std::move(ASource)), FAge(AAge) {}

void* TOTAFile::QueryInterface(const TGUID& IID) noexcept {
  if (void* Found = InterfaceOf<IOTAFile>(this, IID)) return Found;
  return TInterfacedObject::QueryInterface(IID);
}

std::string TOTAFile::GetSource() { return FSource; }
TDateTime TOTAFile::GetAge() { return FAge; }

TStringsModuleCreator::TStringsModuleCreator(std::string FileName, std::unique_ptr<TStringStream> Stream,
                                             TDateTime Age)
    : FFileName(std::move(FileName)), FStream(std::move(Stream)), FAge(Age) {}

TStringsModuleCreator::~TStringsModuleCreator() = default;

void* TStringsModuleCreator::QueryInterface(const TGUID& IID) noexcept {
  if (void* Found = InterfaceOf<IOTAModuleCreator, IOTACreator>(this, IID)) return Found;
  return TInterfacedObject::QueryInterface(IID);
}

std::string TStringsModuleCreator::GetCreatorType() { return "Text"; }
bool TStringsModuleCreator::GetExisting() { return true; }
std::string TStringsModuleCreator::GetFileSystem() { return std::string(StFilSys::sTStringsFileSystem); }
std::shared_ptr<IOTAModule> TStringsModuleCreator::GetOwner() { return nullptr; }
bool TStringsModuleCreator::GetUnnamed() { return false; }
std::string TStringsModuleCreator::GetAncestorName() { return ""; }
std::string TStringsModuleCreator::GetImplFileName() { return FFileName; }
std::string TStringsModuleCreator::GetIntfFileName() { return ""; }
std::string TStringsModuleCreator::GetFormName() { return ""; }
bool TStringsModuleCreator::GetMainForm() { return false; }
bool TStringsModuleCreator::GetShowForm() { return false; }
bool TStringsModuleCreator::GetShowSource() { return true; }

std::shared_ptr<IOTAFile> TStringsModuleCreator::NewFormFile(const std::string&, const std::string&) {
  return nullptr;
}

std::shared_ptr<IOTAFile> TStringsModuleCreator::NewImplSource(const std::string&, const std::string&,
                                                               const std::string&) {
  return std::make_shared<TOTAFile>(FStream->DataString(), FAge);
}

std::shared_ptr<IOTAFile> TStringsModuleCreator::NewIntfSource(const std::string&, const std::string&,
                                                               const std::string&) {
  return nullptr;
}

void TStringsModuleCreator::FormCreated(const std::shared_ptr<IOTAFormEditor>&) {}

std::shared_ptr<IOTAModuleServices> GetModuleServices() {
  return AsInterface<IOTAModuleServices>(BorlandIDEServices);
}

namespace {

// Object's component when it is owned by the designer's root and that root has
// a name: the only case in which a module identifier exists.
TComponent* NamedComponent(IDesigner* Designer, TObject* Object) {
  auto* Component = dynamic_cast<TComponent*>(Object);
  if (Designer == nullptr || Component == nullptr) return nullptr;
  TComponent* Root = Designer->GetRoot();
  if (Root == nullptr || Component->Owner() != Root || Root->Name().empty()) return nullptr;
  return Component;
}

std::string LookupIdent(const TComponent& Component, const std::string& PropName) {
  return Component.Owner()->Name() + "." + Component.Name() + "." + PropName;
}

// The open module for the property, or null (also when no identifier exists).
std::shared_ptr<IOTAModule> FindStringsModule(IOTAModuleServices& Services, IDesigner* Designer, TObject* Object,
                                              const std::string& PropName) {
  const TComponent* Component = NamedComponent(Designer, Object);
  return Component == nullptr ? nullptr : Services.FindModule(LookupIdent(*Component, PropName));
}

}  // namespace

void ShowStringsInCodeEditor(IDesigner* Designer, TComponent* Component, const std::string& PropName,
                             TStrings& List, bool MarkModified) {
  const std::shared_ptr<IOTAModuleServices> Services = GetModuleServices();
  const TComponent* Named = NamedComponent(Designer, Component);
  const std::string Ident =
      Named == nullptr ? std::string() : Designer->GetDesignerExtension() + "." + LookupIdent(*Named, PropName);
  StFilSys::Register();
  auto Stream = std::make_unique<TStringStream>();
  List.SaveToStream(*Stream);
  Stream->SetPosition(0);
  const TDateTime Age = Now();
  const auto Creator = std::make_shared<TStringsModuleCreator>(Ident, std::move(Stream), Age);
  const std::shared_ptr<IOTAModule> Module =
      Services->CreateModule(AsInterface<IOTAModuleCreator>(std::shared_ptr<IInterface>(Creator)));
  if (!Module) return;
  StFilSys::StringsFileSystem().GetTStringsProperty(Ident, Component, PropName).SetFileDate(DateTimeToFileDate(Age));
  const std::shared_ptr<IOTAEditor> Editor = Module->GetModuleFileEditor(0);
  if (MarkModified) Editor->MarkModified();
  Editor->Show();
}

bool CloseStringsModule(IDesigner* Designer, TObject* Object, const std::string& PropName) {
  const std::shared_ptr<IOTAModuleServices> Services = GetModuleServices();
  const std::shared_ptr<IOTAModule> Module = FindStringsModule(*Services, Designer, Object, PropName);
  if (!Module || Module->GetModuleFileCount() < 1) return true;
  return Module->Close();
}

bool ShowOpenStringsModule(IDesigner* Designer, TObject* Object, const std::string& PropName) {
  const std::shared_ptr<IOTAModuleServices> Services = GetModuleServices();
  const std::shared_ptr<IOTAModule> Module = FindStringsModule(*Services, Designer, Object, PropName);
  if (!Module || Module->GetModuleFileCount() < 1) return false;
  Module->GetModuleFileEditor(0)->Show();
  return true;
}

}  // namespace VNReg

extern "C" void VNReg_ShowStringsInCodeEditor(IDesigner* Designer, TComponent* Component, const char* PropName,
                                              TStrings* List, bool MarkModified) {
  VN_ASSERT(List != nullptr && PropName != nullptr, "VNReg_ShowStringsInCodeEditor needs a list and a name");
  VNReg::ShowStringsInCodeEditor(Designer, Component, PropName, *List, MarkModified);
}

extern "C" bool VNReg_CloseStringsModule(IDesigner* Designer, TObject* Object, const char* PropName) {
  VN_ASSERT(PropName != nullptr, "VNReg_CloseStringsModule needs a property name");
  return VNReg::CloseStringsModule(Designer, Object, PropName);
}

extern "C" bool VNReg_ShowOpenStringsModule(IDesigner* Designer, TObject* Object, const char* PropName) {
  VN_ASSERT(PropName != nullptr, "VNReg_ShowOpenStringsModule needs a property name");
  return VNReg::ShowOpenStringsModule(Designer, Object, PropName);
}
