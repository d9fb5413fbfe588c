// The root component of a form file opened in the host. It stands in for the
// user's own form or data-module class, whose name it keeps for writing back;
// it takes the properties the builder writes of a data module.
#pragma once

#include <string>
#include <string_view>

#include "rtl/Classes.h"

namespace vnide {

class TDesignRoot : public TDataModule {
  VN_DECLARE_CLASS(TDesignRoot)
 public:
  TDesignRoot() : TDataModule(nullptr) { SetDesigning(true); }

  // Reads a form file into this root (which must be empty).
  void LoadFromText(std::string_view Text, std::string_view SourceName);
  std::string SaveToText() const;
  const std::string& DeclaredClassName() const noexcept { return FDeclaredClassName; }

 private:
  std::string FDeclaredClassName;
};

}  // namespace vnide
