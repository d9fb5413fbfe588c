// The text of a query as design-time catalog questions read it.
#pragma once

#include <string>
#include <string_view>

class TVNMacroQuery;

// SQL with each %name macro replaced by the value of Query's macro of that
// name; a macro Query does not have, or one without a value, gives nothing.
std::string ExpandMacrosLeniently(const TVNMacroQuery& Query, std::string_view SQL);
