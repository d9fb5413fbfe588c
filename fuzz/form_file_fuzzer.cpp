// Form files: whatever the reader takes, the writer writes as a text that
// reads again and writes back identically.
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "design_form.h"
#include "published_classes.h"
#include "rtl/FormFiles.h"

namespace {

// Test classes with every kind of property, next to the visual controls and
// the runtime library's components, which their libraries register.
TRegisteredClasses* Registered = nullptr;

// A dialog is read into a form as the designer holds it, whose handlers are
// names only; other files go to the test root, which binds its handlers.
bool IsDialog(std::string_view Text) {
  const std::string_view FirstLine = Text.substr(0, Text.find('\n'));
  return FirstLine.find("Form") != std::string_view::npos || FirstLine.find("Dialog") != std::string_view::npos;
}

std::unique_ptr<TComponent> NewRoot(bool Dialog) {
  if (!Dialog) return std::make_unique<TTestRoot>();
  return NewDesignForm();
}

// Connecting a database or opening a query on load would reach files on disk.
bool Connects(std::string_view Text) {
  const std::string Lower = LowerCase(Text);
  return Lower.find("connected") != std::string::npos || Lower.find("active") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Registered = new TRegisteredClasses;  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using vn_fuzz::Require;
  const std::string_view Text = vn_fuzz::AsText(Data, Size);
  if (Connects(Text)) return 0;
  EventLog().clear();

  const bool Dialog = IsDialog(Text);
  const std::unique_ptr<TComponent> Root = NewRoot(Dialog);
  std::string Written;
  try {
    const TFormFileHeader Header = ReadComponentText(Text, *Root, "fuzz.vfm");
    Written = WriteComponentText(*Root, Header.ClassName);
  } catch (const Exception&) {
    return 0;
  }
  const std::unique_ptr<TComponent> Again = NewRoot(Dialog);
  std::string Rewritten;
  try {
    const TFormFileHeader Header = ReadComponentText(Written, *Again, "written.vfm");
    Rewritten = WriteComponentText(*Again, Header.ClassName);
  } catch (const Exception& E) {
    vn_fuzz::Fail("a written form file reads back", std::string(E.Message()) + "\n" + Written);
  }
  Require(Rewritten == Written, "a written form file writes back identically", Written + "\n----\n" + Rewritten);
  return 0;
}
