// What a person sees of a form and of an open context menu, as text.
#pragma once

#include <string>

#include "vcl/Forms.h"
#include "vcl/Menus.h"

namespace vn_vcl {

// One line for the form, then one per control it shows, indented under its
// parent: kind, caption or text, items with their selection, checked state,
// active page, memo lines, horizontal extent, and whether it is disabled,
// focused, the default or the cancel button. Controls out of sight (hidden,
// or on a page that is not active) are named without their contents.
std::string DescribeForm(const TCustomForm& Form);

// What kind of control a person sees: label, button, edit, combo, list, check,
// memo, radio, group, pages, page, panel, bevel, image (else the class name).
std::string KindOf(const TControl& Control);

// The items of an open menu, one a line: name, caption, disabled or checked.
std::string DescribeMenu(const TPopupMenu& Menu);

// Text in double quotes, with quotes, backslashes and control characters
// escaped (\", \\, \r, \n, \t, \xNN).
std::string QuoteText(std::string_view Text);

}  // namespace vn_vcl
