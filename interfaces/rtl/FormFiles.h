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

#include <memory>
#include <string>
#include <vector>
#include <string_view>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "rtl/System.h"

// A malformed form file: the message names the source, the line and what was
// expected or what is wrong there: "main.vfm(12): ']' expected", or
// "Line 12: ']' expected" when the source has no name.
class EParserError : public EFilerError {
 public:
  EParserError(std::string_view AMessage, std::string_view ASourceName, int ALine);
  std::string_view ClassName() const noexcept override { return "EParserError"; }
  const std::string& SourceName() const noexcept { return FSourceName; }
  int Line() const noexcept { return FLine; }

 private:
  std::string FSourceName;
  int FLine;
};

// What a form file says of its root object.
struct TFormFileHeader {
  std::string Name;       // the root's component name
  std::string ClassName;  // the class the file declares, often one of the user's own
};

// One property as the form writer writes it: its name as the file names it
// (Caption, Font.Name, SQL.Strings, Left) and its lines, indented, each with
// its line break.
struct TFormFileEntry {
  std::string Name;
  std::string Text;
};

// What a form file said of one object when it was read, kept with its
// component (TComponent::FormFileRecord) so that WriteComponentText writes back
// what nobody changed as the file had it: each property as the file gave it,
// in the file's order; what the writer made of the component right after
// reading; the header's creation-order index.
struct TFormFileRecord {
  // The file's lines, shared by the records of all its components.
  struct TSource {
    std::string Text;
    std::vector<std::size_t> Starts;  // where each line starts in Text
    std::size_t LineCount() const noexcept { return Starts.size(); }
    // Line N (1-based) without its line break.
    std::string_view Line(std::size_t N) const noexcept {
      const std::size_t Start = Starts[N - 1], Next = N < Starts.size() ? Starts[N] : Text.size();
      std::string_view L(Text.data() + Start, Next - Start);
      if (L.ends_with('\n')) L.remove_suffix(1);
      if (L.ends_with('\r')) L.remove_suffix(1);
      return L;
    }
  };
  struct TProperty {
    std::string Name;   // as the file gives it: Caption, Font.Name, SQL.Strings
    int FirstLine = 0;  // its lines in Source, 1-based
    int LastLine = 0;
    bool Known = true;  // false: the component has no such property; kept as read
  };
  std::shared_ptr<const TSource> Source;
  std::vector<TProperty> Properties;
  // What the writer wrote of the component right after the file was read,
  // each property's lines as a hash: a property whose lines still hash to it
  // was not changed since.
  struct TWritten {
    std::string Name;
    std::size_t Hash = 0;
  };
  std::vector<TWritten> AsRead;
  int Index = -1;  // the [n] after the class in the header, or -1
  std::string LineBreak;  // the root's: the file's line break, "\r\n" or "\n"
};

// How ReadComponentText treats what the components do not know.
struct TFormReadOptions {
  // A property no component has is kept as the file gives it (and written
  // back), with a notice, instead of failing the read: a form the builder
  // wrote may hold properties this platform does not model.
  bool KeepUnknownProperties = false;
};

// The type of a property whose value is binary data (a picture, an icon): a
// string property of bytes that a class publishes and then gives this type.
// Form files hold such a value as hexadecimal digits in braces: { 0A1B ... }.
PTypeInfo BinaryDataTypeInfo();

// Reads Text into Root: sets Root's name and published properties and creates
// the components described inside it, owned by Root, by class name through the
// class registry; references to components are resolved by name once all are
// created, then every new component's Loaded runs. Root must own no components
// yet. On any error nothing that was created stays: Root's owned components are
// destroyed again, and the error (EParserError, EClassNotFound, EPropertyError,
// EPropertyConvertError, or what a component raised) names the line, prefixed
// as EParserError's message is.
//
// An object given as `inherited` is one an ancestor creates: when its owner
// has a component of that name already, its properties are read into that one,
// otherwise it is created; either way it is marked csAncestor. An `inline`
// object (a frame) is created, marked csInline, and owns the objects inside it;
// references and events inside it are resolved against it first. Left and Top
// of a component that publishes no such properties are its DesignInfo (from
// -32768 up to 65535 each, as the builder writes them).
//
// Each object nested in another one gets SetParentComponent(that object) before
// its properties are read (top-level objects: Root). An event property is bound
// to Root.MethodAddress(name); a designing Root may lack the method and keeps
// the name alone. Root and the new components carry csLoading until Loaded,
// which runs on Root first, then on the new components in the order created.
//
// Each component read gets its TFormFileRecord; WriteComponentText keeps, for
// a component with one, the file's lines of every property nobody changed
// since (also those the platform does not model or writes differently), in the
// file's order, places the properties that changed where they were and those
// newly set where the writer puts them, and keeps the header's [n] index.
TFormFileHeader ReadComponentText(std::string_view Text, TComponent& Root, std::string_view SourceName = "",
                                  const TFormReadOptions& Options = {});

// Writes Root and what it owns in the same format: only stored properties that
// differ from their defaults, in GetPropList order, then a DesignInfo that is
// not zero as Left and Top (each a 16-bit word, as the builder writes them);
// the components inside an object are those its GetChildren gives, an inline
// object's with itself as the root. The keyword is `inherited` for a component
// marked csAncestor, `inline` for one marked csInline. Lines end with
// sLineBreak.
// RootClassName overrides the class name written for the root (a designer root
// standing in for a user's class). A floating-point value that is no finite
// number raises EWriteError: no form file could hold it.
std::string WriteComponentText(const TComponent& Root, std::string_view RootClassName = "");

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void FormFiles_Initialization();
void FormFiles_Finalization();
