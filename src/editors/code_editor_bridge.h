// Unit VNReg: a component's string-list property opened as a text module of
// the IDE's strings file system, found again and closed by name.
#pragma once

#include <memory>
#include <string>

#include "ide/DesignIntf.h"
#include "ide/ToolsAPI.h"
#include "rtl/Classes.h"

namespace VNReg {

// The text of a module as the IDE reads it.
class TOTAFile : public TInterfacedObject, public IOTAFile {
 public:
  TOTAFile(std::string ASource, TDateTime AAge);

  void* QueryInterface(const TGUID& IID) noexcept override;
  std::string GetSource() override;
  TDateTime GetAge() override;

 private:
  std::string FSource;
  TDateTime FAge;
};

// Describes a plain text module of the strings file system named FileName,
// whose text is the stream's. One object answers as IOTACreator and as
// IOTAModuleCreator.
class TStringsModuleCreator : public TInterfacedObject, public IOTAModuleCreator {
 public:
  // Takes the stream over.
  TStringsModuleCreator(std::string FileName, std::unique_ptr<TStringStream> Stream, TDateTime Age);
  ~TStringsModuleCreator() override;

  void* QueryInterface(const TGUID& IID) noexcept override;
  // IOTACreator
  std::string GetCreatorType() override;
  bool GetExisting() override;
  std::string GetFileSystem() override;
  std::shared_ptr<IOTAModule> GetOwner() override;
  bool GetUnnamed() override;
  // IOTAModuleCreator
  std::string GetAncestorName() override;
  std::string GetImplFileName() override;
  std::string GetIntfFileName() override;
  std::string GetFormName() override;
  bool GetMainForm() override;
  bool GetShowForm() override;
  bool GetShowSource() override;
  std::shared_ptr<IOTAFile> NewFormFile(const std::string& FormIdent, const std::string& AncestorIdent) override;
  std::shared_ptr<IOTAFile> NewImplSource(const std::string& ModuleIdent, const std::string& FormIdent,
                                          const std::string& AncestorIdent) override;
  std::shared_ptr<IOTAFile> NewIntfSource(const std::string& ModuleIdent, const std::string& FormIdent,
                                          const std::string& AncestorIdent) override;
  void FormCreated(const std::shared_ptr<IOTAFormEditor>& FormEditor) override;

 private:
  std::string FFileName;
  std::unique_ptr<TStringStream> FStream;
  TDateTime FAge;
};

// The IDE's module services; EIntfCastError when the IDE offers none.
std::shared_ptr<IOTAModuleServices> GetModuleServices();

// Opens List (Component's property PropName) in the code editor as a module of
// the strings file system, marked modified when MarkModified is true.
void ShowStringsInCodeEditor(IDesigner* Designer, TComponent* Component, const std::string& PropName,
                             TStrings& List, bool MarkModified);
// True when no module for Object's property PropName is open, or when the open
// one closed; false when it stays open.
bool CloseStringsModule(IDesigner* Designer, TObject* Object, const std::string& PropName);
// Brings the open module for Object's property PropName forward: true; false
// when none is open.
bool ShowOpenStringsModule(IDesigner* Designer, TObject* Object, const std::string& PropName);

}  // namespace VNReg

// The routines for hosts that call the package by name.
extern "C" void VNReg_ShowStringsInCodeEditor(IDesigner* Designer, TComponent* Component, const char* PropName,
                                              TStrings* List, bool MarkModified);
extern "C" bool VNReg_CloseStringsModule(IDesigner* Designer, TObject* Object, const char* PropName);
extern "C" bool VNReg_ShowOpenStringsModule(IDesigner* Designer, TObject* Object, const char* PropName);
