// The host's strings file system: which component property each module of the
// file system stands for, and writing a module's text back into it.
#pragma once

#include <memory>
#include <string>

#include "ide/StFilSys.h"

class TComponent;

namespace vn_ide {

// The entry of one module: bound to a property by GetTStringsProperty. It
// forgets the component when the component is destroyed.
class TStringsEntry : public StFilSys::TStringsProperty {
 public:
  explicit TStringsEntry(std::string Ident);
  ~TStringsEntry() override;
  TStringsEntry(const TStringsEntry&) = delete;
  TStringsEntry& operator=(const TStringsEntry&) = delete;

  const std::string& Ident() const override { return FIdent; }
  TComponent* Component() const override { return FComponent; }
  const std::string& PropName() const override { return FPropName; }
  std::int32_t FileDate() const override { return FFileDate; }
  void SetFileDate(std::int32_t Value) override { FFileDate = Value; }

  void Bind(TComponent& Component, const std::string& PropName);
  // Replaces the property's lines with Text, stamps the entry and marks the
  // designer of the component's root modified. An error names what is missing
  // (no property bound, the component gone, no such string-list property).
  void WriteBack(const std::string& Text);

 private:
  class TWatch;
  void Forget() noexcept { FComponent = nullptr; }

  std::string FIdent;
  std::string FPropName;
  TComponent* FComponent = nullptr;
  std::int32_t FFileDate = 0;
  std::unique_ptr<TWatch> FWatch;
};

class TCodeEditorModule;

// Whether Register was called.
bool StringsFileSystemRegistered() noexcept;
// Called by the module services when CreateModule answers Module: the next
// GetTStringsProperty under its name binds that module's entry.
void StringsModuleOpened(const std::shared_ptr<TCodeEditorModule>& Module);

}  // namespace vn_ide
