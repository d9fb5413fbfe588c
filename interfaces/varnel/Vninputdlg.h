// Unit Vninputdlg: the runtime library's dialog that asks for one value.
#pragma once

#include <string>

// Shows a modal dialog titled Caption that asks for one line of text, Prompt
// beside the edit, Value in it to start with. True, with Value set to the text
// as typed, when accepted with OK; false, with Value unchanged, otherwise.
bool InputValue(const std::string& Caption, const std::string& Prompt, std::string& Value);

// The same, for hosts that call the routine by name.
extern "C" bool Vninputdlg_InputValue(const std::string& Caption, const std::string& Prompt, std::string& Value);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Vninputdlg_Initialization();
void Vninputdlg_Finalization();
