// Captions as a person reads them: the letter that "&" underlines, Alt+letter
// on a form, and finding a button by the text on it.
#pragma once

#include <string>
#include <string_view>

#include "vcl/Forms.h"
#include "vcl/Menus.h"

namespace vn_vcl {

// Caption as shown: without the accelerator's "&" ("&&" shows one "&").
std::string WithoutAccelerator(std::string_view Caption);
// The character (UTF-8) that the first single "&" of Caption marks; "" when
// none ("&&" shows a plain "&").
std::string AcceleratorOf(std::string_view Caption);
// Whether Caption marks Key, one character, without regard to case.
bool IsAccel(std::string_view Key, std::string_view Caption);

// Alt+Key on Form: the first shown, enabled control (in the order the form
// holds them) whose caption marks Key does what the key does there: a button
// is clicked without taking the focus, a check box takes the focus and
// toggles, a label focuses its FocusControl, a page tab shows its page, a
// radio item is clicked. False when no control takes the key.
bool PressAccelerator(TCustomForm& Form, std::string_view Key);
// Whether Alt+Key would do anything on Form.
bool TakesAccelerator(const TCustomForm& Form, std::string_view Key);

// The visible, enabled item of Menu's top level whose caption marks Key.
TMenuItem* FindAcceleratedItem(const TPopupMenu& Menu, std::string_view Key);

// The button or check box whose caption, without the "&", is Caption (without
// regard to case); shown ones come first. Null when there is none.
TControl* FindControlByCaption(const TCustomForm& Form, std::string_view Caption);

}  // namespace vn_vcl
