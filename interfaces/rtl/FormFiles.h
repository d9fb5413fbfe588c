// Form files: the platform's text description of a root component (a form or a
// data module) and the components it owns.
//
//   object Form1: TForm1
//     Caption = 'Orders'
//     object VNDatabase1: TVNDatabase
//       DatabaseName = 'shop'
//       Params.Strings = (
//         'USER NAME=sa')
//     end
//   end
#pragma once

#include <string>
#include <string_view>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

// A malformed form file: the message names the source, the line and what was
// expected or what is wrong there.
class EParserError : public EFilerError {
 public:
  EParserError(std::string_view AMessage, std::string_view ASourceName, int ALine);
  std::string_view ClassName() const noexcept override { return "EParserError"; }
  int Line() const noexcept { return FLine; }

 private:
  int FLine;
};

// What a form file says of its root object.
struct TFormFileHeader {
  std::string Name;       // the root's component name
  std::string ClassName;  // the class the file declares, often one of the user's own
};

// Reads Text into Root: sets Root's name and published properties and creates
// the components described inside it, owned by Root, by class name through the
// class registry; references to components are resolved by name once all are
// created, then every new component's Loaded runs. Root must own no components
// yet. On any error nothing that was created stays: Root's owned components are
// destroyed again, and the error (EParserError, EClassNotFound, EPropertyError,
// EPropertyConvertError) names the line.
TFormFileHeader ReadComponentText(std::string_view Text, TComponent& Root, std::string_view SourceName = "");

// Writes Root and what it owns in the same format: only stored properties that
// differ from their defaults. RootClassName overrides the class name written
// for the root (a designer root standing in for a user's class).
std::string WriteComponentText(const TComponent& Root, std::string_view RootClassName = "");
