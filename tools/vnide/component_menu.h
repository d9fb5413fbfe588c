// A component's context menu as the builder builds it from the component's
// editor: shared by vnide verbs, verb and the browser host.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

class TComponentEditor;

namespace vnide {

struct TMenuEntry {
  int Index = 0;
  std::string Caption;
  bool Separator = false;
  bool Enabled = true;
  bool Visible = true;
};

// The entries as the builder puts them in the menu: caption first, then the
// editor prepares each item.
std::vector<TMenuEntry> MenuEntries(TComponentEditor& Editor);
// The entry a person named by index or caption (without regard to case, "&"
// and a closing "..."); EHostError for none, a separator, a hidden or a
// disabled entry.
const TMenuEntry& ChooseEntry(const std::vector<TMenuEntry>& Entries, const std::string& Name,
                              const std::string& ComponentName);
nlohmann::ordered_json EntriesJson(const std::vector<TMenuEntry>& Entries);

}  // namespace vnide
