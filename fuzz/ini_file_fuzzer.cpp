// The ini reader on any file, and one change written into it: what the file
// said before must still read the same afterwards, apart from the key changed;
// a change the format refuses must leave the file byte for byte as it was.
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "rtl/IniFiles.h"
#include "same_name.h"
#include "support/temp_dir.h"

namespace {

struct TEntry {
  std::string Section, Ident, Value;
  bool operator==(const TEntry&) const = default;
};

// What a reader sees, bounded: every lookup reads the whole file again.
struct TSnapshot {
  std::vector<std::string> Sections;
  std::vector<TEntry> Entries;
};

std::vector<std::string> Lines(const TStrings& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List.Strings(I));
  return Result;
}

TSnapshot Snapshot(const TIniFile& Ini) {
  constexpr std::size_t MaxSections = 6, MaxKeys = 6;
  TSnapshot Result;
  TStringList List;
  Ini.ReadSections(List);
  Result.Sections = Lines(List);
  for (std::size_t S = 0; S < Result.Sections.size() && S < MaxSections; ++S) {
    const std::string& Section = Result.Sections[S];
    Ini.ReadSection(Section, List);
    const std::vector<std::string> Keys = Lines(List);
    Ini.ReadSectionValues(Section, List);
    for (std::size_t K = 0; K < Keys.size() && K < MaxKeys; ++K) {
      vn_fuzz::Require(Ini.ValueExists(Section, Keys[K]), "a listed key exists", Section + "/" + Keys[K]);
      Result.Entries.push_back({Section, Keys[K], Ini.ReadString(Section, Keys[K], "\x01")});
    }
    Ini.ReadInteger(Section, Keys.empty() ? "" : Keys.front(), 0);
    Ini.ReadBool(Section, Keys.empty() ? "" : Keys.front(), false);
  }
  return Result;
}

// Removed with its files when the process exits.
std::unique_ptr<vn_test::TTempDir> Dir;

// Writes the value; false when the file refuses it (a name the format cannot
// hold, or a file that cannot be rewritten without loss), which must leave the
// file as it was.
bool Writes(TIniFile& Ini, const std::string& Section, const std::string& Ident, const std::string& Value) {
  const std::string Original = vn_test::ReadFileText(Ini.FileName());
  try {
    Ini.WriteString(Section, Ident, Value);
    return true;
  } catch (const EIniFileException&) {
    vn_fuzz::Require(vn_test::ReadFileText(Ini.FileName()) == Original, "a refused change leaves the file as it was",
                     Section + "/" + Ident);
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Every change replaces the file and syncs it: memory-backed files keep that fast.
  if (std::filesystem::is_directory("/dev/shm")) setenv("TMPDIR", "/dev/shm", 0);
  Dir = std::make_unique<vn_test::TTempDir>();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using vn_fuzz::Require;
  const std::string FileName = Dir->File("fuzz.ini");
  vn_test::WriteFileText(FileName, std::string(vn_fuzz::AsText(Data, Size)));
  TIniFile Ini(FileName);
  const TSnapshot Before = Snapshot(Ini);

  // A value that needs its protecting quotes, into a section of its own.
  const std::string NewSection = "0-1", NewIdent = "2-3", NewValue = " 'q\" ";
  bool Taken = false;
  for (const std::string& S : Before.Sections) Taken = Taken || vn_rtl::SameName(S, NewSection);
  if (!Taken && Writes(Ini, NewSection, NewIdent, NewValue)) {
    const TSnapshot After = Snapshot(Ini);
    std::vector<std::string> Sections = Before.Sections;
    Sections.push_back(NewSection);
    Require(After.Sections == Sections, "a new section is added after the others");
    Require(Ini.ReadString(NewSection, NewIdent, "") == NewValue, "a written value reads back");
    std::vector<TEntry> Entries = After.Entries;
    std::erase(Entries, TEntry{NewSection, NewIdent, NewValue});
    Require(Entries == Before.Entries, "a new section changes no other value");
    Ini.EraseSection(NewSection);
  }

  // The first key read gets a new value, in place.
  if (Before.Entries.empty()) return 0;
  const TEntry& First = Before.Entries.front();
  if (!Writes(Ini, First.Section, First.Ident, "w")) return 0;
  Require(Ini.ReadString(First.Section, First.Ident, "") == "w", "a changed value reads back");
  const TSnapshot After = Snapshot(Ini);
  Require(After.Sections == Before.Sections, "changing a key keeps the sections");
  for (std::size_t I = 0; I < Before.Entries.size(); ++I) {
    const TEntry& Old = Before.Entries[I];
    if (vn_rtl::SameName(Old.Section, First.Section) && vn_rtl::SameName(Old.Ident, First.Ident)) continue;
    bool Kept = false;
    for (const TEntry& New : After.Entries) Kept = Kept || New == Old;
    Require(Kept, "changing a key changes no other value", Old.Section + "/" + Old.Ident + "=" + Old.Value);
  }
  return 0;
}
