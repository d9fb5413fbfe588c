// The syntax of text form files, read into a tree before any object is made, so
// that a malformed file is rejected before it changes anything.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace form_files {

struct TFormProperty;

// One `item ... end` of a collection.
struct TFormItem {
  int Line = 0;
  std::vector<TFormProperty> Properties;
};

struct TFormValue {
  enum TKind { vkString, vkInteger, vkFloat, vkIdent, vkSet, vkList, vkCollection, vkBinary };
  TKind Kind = vkIdent;
  int Line = 0;
  std::string Text;  // vkString (UTF-8), vkIdent (dotted names kept whole), vkBinary (the bytes)
  std::int64_t Integer = 0;
  double Float = 0;
  std::vector<std::string> Elements;  // vkSet
  std::vector<TFormValue> Items;      // vkList
  std::vector<TFormItem> CollectionItems;
};

struct TFormProperty {
  std::string Name;  // may be a dotted path: Font.Name, Lines.Strings
  int Line = 0;
  int EndLine = 0;  // the line its value ends on
  TFormValue Value;
};

// The keyword an object starts with: `inherited` for one that an ancestor form
// creates (the file gives only what differs), `inline` for a frame placed on
// the form with the components it owns.
enum TFormObjectKind { okObject, okInherited, okInline };

struct TFormObject {
  TFormObjectKind Kind = okObject;
  std::string Name;  // "" when the file gives none
  std::string ClassName;
  int Index = -1;  // the creation-order index after the class: object Q: TVNQuery [2]
  int Line = 0;
  std::vector<TFormProperty> Properties;
  std::vector<TFormObject> Children;
};

// The root object of Text; EParserError (naming SourceName and the line) when
// the text is not a well-formed form file.
TFormObject ParseFormText(std::string_view Text, std::string_view SourceName);

// Message prefixed by where it happened: "main.vfm(12): ..." or "Line 12: ...".
std::string Located(std::string_view Message, std::string_view SourceName, int Line);

// The value kind as a person would name it: "a string", "a set" ...
const char* KindName(TFormValue::TKind Kind);

}  // namespace form_files
