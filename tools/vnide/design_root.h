// The root component of a form file opened in the host. It stands in for the
// user's own form or data-module class, whose name it keeps for writing back.
// Which of the two a file holds shows in the root's own properties: only a
// form has a caption, a client size, a font and the like.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "rtl/Classes.h"

namespace vnide {

enum TDesignRootKind { rkDataModule, rkForm };

// The kind of root the form file Text describes.
TDesignRootKind DesignRootKindOf(std::string_view Text);

class TDesignRoot {
 public:
  TDesignRoot() = default;
  TDesignRoot(const TDesignRoot&) = delete;
  TDesignRoot& operator=(const TDesignRoot&) = delete;

  // Reads a form file, creating a root of the kind it describes.
  void LoadFromText(std::string_view Text, std::string_view SourceName);
  std::string SaveToText() const;

  TComponent& Component() const { return *FComponent; }
  TDesignRootKind Kind() const noexcept { return FKind; }
  const std::string& DeclaredClassName() const noexcept { return FDeclaredClassName; }

 private:
  std::unique_ptr<TComponent> FComponent;
  TDesignRootKind FKind = rkDataModule;
  std::string FDeclaredClassName;
};

}  // namespace vnide
