#include "design_root.h"

#include "rtl/FormFiles.h"

namespace vnide {

VN_IMPLEMENT_CLASS(TDesignRoot, TDataModule)

void TDesignRoot::LoadFromText(std::string_view Text, std::string_view SourceName) {
  FDeclaredClassName = ReadComponentText(Text, *this, SourceName).ClassName;
}

std::string TDesignRoot::SaveToText() const {
  return WriteComponentText(*this, FDeclaredClassName.empty() ? ClassName() : FDeclaredClassName);
}

}  // namespace vnide
