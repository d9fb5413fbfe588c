// The host's form designer: one per root component being designed.
#pragma once

#include <string>

#include "ide/DesignIntf.h"

namespace vn_ide {

// The designer of one root. It remembers whether anyone marked the root
// modified, so that the host saves the form only then. Designers are known to
// the host while they live, so that a change made outside any editor (a code
// editor module saved back into a property) reaches the right one.
class TFormDesigner : public IDesigner {
 public:
  // Extension: the designer's file kind, see GetDesignerExtension.
  explicit TFormDesigner(TComponent& Root, std::string Extension = "dfm");
  ~TFormDesigner() override;
  TFormDesigner(const TFormDesigner&) = delete;
  TFormDesigner& operator=(const TFormDesigner&) = delete;

  void Modified() override;
  TComponent* GetRoot() override { return &FRoot; }
  std::string GetDesignerExtension() override { return FExtension; }

  bool IsModified() const noexcept { return FModified; }
  // The root was saved: later changes count anew.
  void ClearModified() noexcept { FModified = false; }
  // How often Modified was called, for transcripts and tests.
  int ModifiedCount() const noexcept { return FModifiedCount; }

  // The live designer of Root, or null.
  static TFormDesigner* DesignerOf(const TComponent& Root) noexcept;

 private:
  TComponent& FRoot;
  std::string FExtension;
  bool FModified = false;
  int FModifiedCount = 0;
};

}  // namespace vn_ide
