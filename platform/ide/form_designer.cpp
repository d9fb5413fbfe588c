#include "form_designer.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vn_ide {

namespace {
// A host designs a handful of roots at a time: a list is enough.
std::vector<TFormDesigner*>& LiveDesigners() {
  static std::vector<TFormDesigner*> Designers;
  return Designers;
}
}  // namespace

TFormDesigner::TFormDesigner(TComponent& Root, std::string Extension)
    : FRoot(Root), FExtension(std::move(Extension)) {
  LiveDesigners().push_back(this);
}

TFormDesigner::~TFormDesigner() { std::erase(LiveDesigners(), this); }

void TFormDesigner::Modified() {
  FModified = true;
  ++FModifiedCount;
}

TFormDesigner* TFormDesigner::DesignerOf(const TComponent& Root) noexcept {
  const auto& Designers = LiveDesigners();
  // The latest designer of a root wins, as the newest window does in an IDE.
  const auto Found = std::find_if(Designers.rbegin(), Designers.rend(),
                                  [&](const TFormDesigner* D) { return &D->FRoot == &Root; });
  return Found == Designers.rend() ? nullptr : *Found;
}

}  // namespace vn_ide
