// What the form writer makes of each component's properties, one entry per
// property it writes (a dotted name for the properties of an owned object, a
// collection or a string list whole), for the records a read keeps.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/FormFiles.h"

namespace form_files {

using TFormEntry = TFormFileEntry;
using TFormEntries = std::vector<TFormEntry>;

using TWrittenEntries = std::vector<std::pair<const TComponent*, TFormEntries>>;

// The entries WriteComponentText(Root) writes for Root and each component it
// writes, in the order written, as if no component had a record, with lines
// ending in LineBreak.
TWrittenEntries WrittenEntries(const TComponent& Root, std::string_view LineBreak);

}  // namespace form_files
