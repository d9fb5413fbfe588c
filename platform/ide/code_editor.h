// The host's code editor: the open tools services (BorlandIDEServices) and the
// text modules they open. A module of the strings file system is a live edit of
// a component's string-list property: saving it writes the text back.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ide/ToolsAPI.h"

namespace vn_ide {

class TStringsEntry;
class TIDEServices;

enum TModuleEvent { meOpened, meShown, meMarkedModified, meSaved, meClosed };

// A text module with one file. Its file editor is the module itself.
class TCodeEditorModule : public TInterfacedObject,
                          public IOTAModule,
                          public IOTAEditor,
                          public std::enable_shared_from_this<TCodeEditorModule> {
 public:
  TCodeEditorModule(TIDEServices& Services, std::string FileName, std::string FileSystem);
  ~TCodeEditorModule() override;

  void* QueryInterface(const TGUID& IID) noexcept override;
  // IOTAModule, IOTAEditor
  std::string GetFileName() override { return FFileName; }
  bool Close() override;
  int GetModuleFileCount() override { return FHasEditor ? 1 : 0; }
  std::shared_ptr<IOTAEditor> GetModuleFileEditor(int Index) override;
  bool GetModified() override { return FModified; }
  void MarkModified() override;
  void Show() override;

  // "" for a module without a name (never found by name).
  const std::string& FileName() const noexcept { return FFileName; }
  // What a person calls it: the file name, or "(unnamed N)".
  const std::string& DisplayName() const noexcept { return FDisplayName; }
  const std::string& FileSystem() const noexcept { return FFileSystem; }
  bool IsOpen() const noexcept { return FOpen; }
  const std::string& Text() const noexcept { return FText; }
  // The person typed: the text is replaced and the module modified.
  void Edit(std::string Text);
  // Writes the text where it belongs (the property of a strings module) and
  // clears the modified state; the host's errors pass on, the module stays modified.
  void Save();
  // Closes without asking; unsaved text is lost.
  void Discard();
  // The strings file system's entry; null for other modules.
  TStringsEntry* StringsEntry() const noexcept { return FEntry.get(); }

 private:
  friend class TIDEServices;
  void Load(std::string Text, bool ShowSource);

  TIDEServices& FServices;
  std::string FFileName;
  std::string FDisplayName;
  std::string FFileSystem;
  std::string FText;
  std::unique_ptr<TStringsEntry> FEntry;
  bool FHasEditor = false;
  bool FModified = false;
  bool FOpen = true;
};

// The IDE's services. One lives for the process (IDEServices); BorlandIDEServices
// points to it.
//
// Names: a module is found by its file name without regard to case. A module of
// the strings file system named "<extension>.<lookup>" ("dfm.Form1.Query1.SQL")
// is found by the lookup part too ("Form1.Query1.SQL"); the exact name wins,
// then the latest opened of that lookup name. Creating a module under a name
// already open brings that module forward and replaces its text unless it is
// modified. A module without a name is never found by name.
class TIDEServices : public TInterfacedObject, public IBorlandIDEServices, public IOTAModuleServices {
 public:
  TIDEServices();
  ~TIDEServices() override;

  void* QueryInterface(const TGUID& IID) noexcept override;
  std::shared_ptr<IOTAModule> CreateModule(const std::shared_ptr<IOTACreator>& Creator) override;
  std::shared_ptr<IOTAModule> FindModule(const std::string& FileName) override;
  int GetModuleCount() override { return static_cast<int>(FModules.size()); }
  std::shared_ptr<IOTAModule> GetModule(int Index) override;

  // The open modules, in the order opened.
  const std::vector<std::shared_ptr<TCodeEditorModule>>& Modules() const noexcept { return FModules; }
  std::shared_ptr<TCodeEditorModule> Find(const std::string& FileName) const;
  // The open module named exactly FileName (without regard to case), or null.
  std::shared_ptr<TCodeEditorModule> FindExact(const std::string& FileName) const;
  // The module shown last, or null.
  TCodeEditorModule* Front() const noexcept { return FFront; }
  // Closes every module without asking.
  void DiscardAll();
  // What CreateModule does once its creator answered: opens Text as module
  // FileName of FileSystem ("" none), or brings that module forward.
  std::shared_ptr<TCodeEditorModule> OpenText(const std::string& FileName, const std::string& FileSystem,
                                             std::string Text, bool ShowSource);

  // Told of what happens to modules, for a host's transcript; null for none.
  using TEventHandler = std::function<void(TCodeEditorModule& Module, TModuleEvent Event)>;
  void SetEventHandler(TEventHandler Handler) { FOnEvent = std::move(Handler); }

 private:
  friend class TCodeEditorModule;
  void Notify(TCodeEditorModule& Module, TModuleEvent Event);
  void Remove(TCodeEditorModule& Module);
  void Index(TCodeEditorModule& Module);

  std::vector<std::shared_ptr<TCodeEditorModule>> FModules;
  // Keys folded to lower case.
  std::unordered_map<std::string, TCodeEditorModule*> FByName;
  std::unordered_map<std::string, std::vector<TCodeEditorModule*>> FByLookupName;
  TCodeEditorModule* FFront = nullptr;
  int FUnnamedCount = 0;
  TEventHandler FOnEvent;
};

// The host's services.
TIDEServices& IDEServices();

}  // namespace vn_ide
