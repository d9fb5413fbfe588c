#include "varnel/Vnconsts.h"

const std::string_view SEditSQLVerb = "Edit SQL...";
const std::string_view SBindVerb = "Edit Parameters...";
const std::string_view SBindMacrosVerb = "Edit Macros...";
const std::string_view SEditDatabaseVerb = "Database Editor...";
const std::string_view SDatasetDesignerVerb = "Fields Editor...";
const std::string_view SUpdateSQLEditor = "UpdateSQL Editor...";

const std::string_view SSQLDataSetOpen = "Unable to determine the field names of table %s";
const std::string_view SSQLNotGenerated = "The update statements have not been generated. Exit anyway?";
const std::string_view SSQLGenSelect = "Select at least one key field and one update field";
const std::string_view SNoDataSet = "no dataset";

const std::string_view SPrimary = "Primary";
const std::string_view STextTrue = "True";
