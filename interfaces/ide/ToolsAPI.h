// Unit ToolsAPI: the IDE's open tools services, as far as design packages use
// them to open text modules in the code editor. Every interface is reference
// counted (std::shared_ptr to the implementing object) and asked for by its
// identifier (Supports, AsInterface).
#pragma once

#include <memory>
#include <string>

#include "rtl/System.h"

class IOTAModule;

// The text of a new module's file, as a creator hands it to the IDE.
class IOTAFile : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{7F6540B0-F6FF-4E3F-BEB0-D2A3E8E36D34}");
  // Called once when the IDE reads the file: its whole text.
  virtual std::string GetSource() = 0;
  // Called with GetSource: the text's time stamp.
  virtual TDateTime GetAge() = 0;
};

// The form designer of a module that has a form; text modules have none.
class IOTAFormEditor : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{040EB2A4-184E-4ADD-B3D7-B0E04FBF333A}");
};

// What the IDE asks of anything that creates a module. The IDE asks every
// question once per CreateModule, in the order declared.
class IOTACreator : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{B8167092-7364-4DA6-90F3-BAEDA406F5C9}");
  // The kind of module: "Text" for a plain text module.
  virtual std::string GetCreatorType() = 0;
  // True when the module stands for something that exists already (a file, a
  // property), false for a new one.
  virtual bool GetExisting() = 0;
  // The identifier of the file system that reads and writes the module's
  // files; "" for the disk.
  virtual std::string GetFileSystem() = 0;
  // The project the module belongs to; null for none.
  virtual std::shared_ptr<IOTAModule> GetOwner() = 0;
  // True when the module has no name yet and the IDE should make one up.
  virtual bool GetUnnamed() = 0;
};

// What the IDE asks of a creator of a unit-like module, after IOTACreator's
// questions, in the order declared.
class IOTAModuleCreator : public virtual IOTACreator {
 public:
  static constexpr TGUID IID = TGUID::Parse("{105346BF-5BF9-490E-BE45-F64E447DCC5F}");
  // The form the module's form inherits from; "" for none.
  virtual std::string GetAncestorName() = 0;
  // The file name of the module's main file: the name the module is known by.
  virtual std::string GetImplFileName() = 0;
  // The file name of a separate interface file; "" for none.
  virtual std::string GetIntfFileName() = 0;
  // The name of the module's form; "" for none.
  virtual std::string GetFormName() = 0;
  // True when the form becomes the project's main form.
  virtual bool GetMainForm() = 0;
  // True when the IDE should show the form.
  virtual bool GetShowForm() = 0;
  // True when the IDE should show the main file in the code editor; a module
  // opened without it has no file editor.
  virtual bool GetShowSource() = 0;
  // The form file's text, or null for a module without a form.
  virtual std::shared_ptr<IOTAFile> NewFormFile(const std::string& FormIdent, const std::string& AncestorIdent) = 0;
  // The main file's text, or null for an empty one.
  virtual std::shared_ptr<IOTAFile> NewImplSource(const std::string& ModuleIdent, const std::string& FormIdent,
                                                  const std::string& AncestorIdent) = 0;
  // The interface file's text, or null for none.
  virtual std::shared_ptr<IOTAFile> NewIntfSource(const std::string& ModuleIdent, const std::string& FormIdent,
                                                  const std::string& AncestorIdent) = 0;
  // Called last with the module's form editor (null when it has no form).
  virtual void FormCreated(const std::shared_ptr<IOTAFormEditor>& FormEditor) = 0;
};

// One file of a module as the IDE shows it.
class IOTAEditor : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{27E0695F-53F0-4F4E-8445-0A385A0651FA}");
  virtual std::string GetFileName() = 0;
  virtual bool GetModified() = 0;
  // Marks the file changed, so that closing it asks whether to save.
  virtual void MarkModified() = 0;
  // Brings the file's editor to the front.
  virtual void Show() = 0;
};

// A module open in the IDE: one or more files (a unit and its form, a text).
class IOTAModule : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{6D9ADCA4-2876-4EE7-805F-E25CAB9FCEB1}");
  // The file name the module is known by.
  virtual std::string GetFileName() = 0;
  // Closes the module; a modified one asks the person first (save, discard or
  // keep it open). False when it stays open.
  virtual bool Close() = 0;
  // How many file editors the module has; 0 when none is open.
  virtual int GetModuleFileCount() = 0;
  // File editor Index (0 ... count - 1); EListError otherwise.
  virtual std::shared_ptr<IOTAEditor> GetModuleFileEditor(int Index) = 0;
};

// The IDE's open modules.
class IOTAModuleServices : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{55A5E848-27FB-4880-8E7C-7F05A9802482}");
  // Opens the module that Creator describes (the IDE asks every question of
  // the creator's interfaces); null when none could be made.
  virtual std::shared_ptr<IOTAModule> CreateModule(const std::shared_ptr<IOTACreator>& Creator) = 0;
  // The open module of that file name, or null.
  virtual std::shared_ptr<IOTAModule> FindModule(const std::string& FileName) = 0;
  virtual int GetModuleCount() = 0;
  virtual std::shared_ptr<IOTAModule> GetModule(int Index) = 0;
};

// The IDE itself, asked for its services by interface (IOTAModuleServices ...).
class IBorlandIDEServices : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{FE8306E6-1FD0-4625-99B3-7427DDCF980E}");
};

// Set by the IDE before it loads any package; null where there is no IDE.
extern std::shared_ptr<IBorlandIDEServices> BorlandIDEServices;

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void ToolsAPI_Initialization();
void ToolsAPI_Finalization();
