// Unit Vnconsts: the runtime library's resource strings.
#pragma once

#include <string_view>

// Verbs of the components' context menus.
extern const std::string_view SEditSQLVerb;
extern const std::string_view SBindVerb;
extern const std::string_view SBindMacrosVerb;
extern const std::string_view SEditDatabaseVerb;
extern const std::string_view SDatasetDesignerVerb;
extern const std::string_view SUpdateSQLEditor;

// Messages of the UpdateSQL editor.
extern const std::string_view SSQLDataSetOpen;  // one %s: the table name
extern const std::string_view SSQLNotGenerated;
extern const std::string_view SSQLGenSelect;
extern const std::string_view SNoDataSet;

// The primary index as index lists show it, and the Boolean true value as the
// Object Inspector shows it.
extern const std::string_view SPrimary;
extern const std::string_view STextTrue;

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Vnconsts_Initialization();
void Vnconsts_Finalization();
