#include "design_root.h"

#include "name_suggestion.h"
#include "registrations.h"
#include "rtl/FormFiles.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "vcl/Forms.h"

namespace vnide {

namespace {

// Roots are designed, not run: components read into them are in design state.
class TDesignModule : public TDataModule {
  VN_DECLARE_CLASS(TDesignModule)
 public:
  TDesignModule() : TDataModule(nullptr) { SetDesigning(true); }
};

class TDesignForm : public TForm {
  VN_DECLARE_CLASS(TDesignForm)
 public:
  TDesignForm() : TForm(nullptr) { SetDesigning(true); }
};

VN_IMPLEMENT_CLASS(TDesignModule, TDataModule)
VN_IMPLEMENT_CLASS(TDesignForm, TForm)

bool IsIdentifierChar(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_';
}

}  // namespace

TDesignRootKind DesignRootKindOf(std::string_view Text) {
  // The root's own properties are the lines indented by two blanks before its
  // first nested object; their values' continuation lines are indented deeper.
  std::size_t Pos = Text.find('\n');
  while (Pos != std::string_view::npos && Pos + 1 < Text.size()) {
    const std::size_t Start = Pos + 1;
    Pos = Text.find('\n', Start);
    const std::string_view Line = Text.substr(Start, Pos == std::string_view::npos ? Text.npos : Pos - Start);
    if (Line.size() < 3 || Line[0] != ' ' || Line[1] != ' ' || !IsIdentifierChar(Line[2])) continue;
    std::size_t End = 2;
    while (End < Line.size() && IsIdentifierChar(Line[End])) ++End;
    const std::string_view Name = Line.substr(2, End - 2);
    if (End == Line.size() || (Line[End] != ' ' && Line[End] != '.' && Line[End] != '=')) {
      if (Name == "object" || Name == "inherited" || Name == "inline" || Name == "end") break;
      continue;
    }
    if (GetPropInfo(TDataModule::StaticClass(), Name) == nullptr &&
        GetPropInfo(TForm::StaticClass(), Name) != nullptr)
      return rkForm;
  }
  return rkDataModule;
}

void TDesignRoot::LoadFromText(std::string_view Text, std::string_view SourceName) {
  FKind = DesignRootKindOf(Text);
  if (FKind == rkForm)
    FComponent = std::make_unique<TDesignForm>();
  else
    FComponent = std::make_unique<TDesignModule>();
  try {
    // A form the builder wrote may hold properties the stand-in does not model:
    // they are kept as the file gives them, and said.
    TFormReadOptions Options;
    Options.KeepUnknownProperties = true;
    FDeclaredClassName = ReadComponentText(Text, *FComponent, SourceName, Options).ClassName;
  } catch (const EClassNotFound& E) {
    // A misspelt class is most often a component's: offer the palette's closest.
    const std::string& Message = E.Message();
    const std::size_t Start = Message.find("Class ");
    const std::size_t End = Message.find(" not found", Start);
    if (Start == std::string::npos || End == std::string::npos) throw;
    std::vector<std::string> Names;
    for (const auto& [Page, Classes] : vn_ide::PalettePages())
      for (const TMetaClass* Class : Classes) Names.push_back(Class->ClassName());
    const std::string Hint = vn_vcl::DidYouMean(Message.substr(Start + 6, End - Start - 6), Names);
    if (Hint.empty()) throw;
    throw EClassNotFound(Message + Hint);
  }
}

std::string TDesignRoot::SaveToText() const {
  return WriteComponentText(*FComponent,
                            FDeclaredClassName.empty() ? FComponent->ClassName() : FDeclaredClassName);
}

}  // namespace vnide
