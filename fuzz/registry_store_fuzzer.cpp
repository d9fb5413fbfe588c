// The registry store's file: whatever reads as a store is written back as text
// that reads as the same keys and values, and writes back identically.
#include <string>

#include "fuzz_support.h"
#include "registry_store.h"

namespace {

bool SameValue(const vn_rtl::TRegValue& A, const vn_rtl::TRegValue& B) {
  return A.Name == B.Name && A.Type == B.Type && A.Data == B.Data;
}

bool SameEntry(const vn_rtl::TRegEntry& A, const vn_rtl::TRegEntry& B) {
  return A.Raw == B.Raw && SameValue(A.Value, B.Value);
}

// Empty when the keys hold the same values and kept lines; what differs otherwise.
std::string KeyDifference(const vn_rtl::TRegKey& A, const vn_rtl::TRegKey& B) {
  if (A.Path != B.Path) return "key " + vn_rtl::JoinKeyPath(A.Path) + " became " + vn_rtl::JoinKeyPath(B.Path);
  if (A.Entries.size() != B.Entries.size()) return "the entries of " + vn_rtl::JoinKeyPath(A.Path) + " changed in number";
  for (std::size_t I = 0; I < A.Entries.size(); ++I)
    if (!SameEntry(A.Entries[I], B.Entries[I]))
      return "entry " + std::to_string(I) + " of " + vn_rtl::JoinKeyPath(A.Path) + ": [" + A.Entries[I].Raw + "] " +
             A.Entries[I].Value.Name + " became [" + B.Entries[I].Raw + "] " + B.Entries[I].Value.Name;
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using vn_fuzz::Require;
  const vn_rtl::TRegStore Store = vn_rtl::TRegStore::Parse(vn_fuzz::AsText(Data, Size));
  if (!Store.Valid()) return 0;
  const std::string Text = Store.Text();
  const vn_rtl::TRegStore Again = vn_rtl::TRegStore::Parse(Text);
  Require(Again.Valid(), "the written store reads as a store", Text);
  Require(Again.Keys().size() == Store.Keys().size(), "the written store has the same keys", Text);
  for (std::size_t I = 0; I < Store.Keys().size(); ++I) {
    const std::string Difference = KeyDifference(Store.Keys()[I], Again.Keys()[I]);
    Require(Difference.empty(), "the written store has the same values", Difference + "\n" + Text);
  }
  Require(Again.Text() == Text, "the written store writes back identically", Text + "\n----\n" + Again.Text());
  return 0;
}
