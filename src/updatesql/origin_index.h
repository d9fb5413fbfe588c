// The field origins of a dataset by table and column: which dataset field
// each origin "table.column" gives, for the statements to name as a column's
// parameter. Built once from the origin list, name=value lines, where a name
// stands for the first line that the list's own name look-up (IndexOfName)
// finds for it, and the first of several lines with one origin names it.
// Asked with a table's key, then per column: both compared exactly.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "rtl/Classes.h"

namespace VNUpdSEd {

// A field named in a statement and the dataset field that gives its value.
struct TFieldAlias {
  std::string_view Name, Alias;
};

class TOriginIndex {
 public:
  // Views FieldInfo's lines, which must stay as they are while it is used.
  explicit TOriginIndex(const TStringList& FieldInfo);
  ~TOriginIndex();
  TOriginIndex(const TOriginIndex&) = delete;
  TOriginIndex& operator=(const TOriginIndex&) = delete;

  // The key of a table text, 0 when no origin names that table.
  std::uint32_t TableKey(std::string_view Table) const;
  // The dataset field whose origin is Column of table Key, else Column itself.
  std::string_view Alias(std::uint32_t Key, std::string_view Column) const;
  // Alias of each field's Name, into its Alias.
  void FillAliases(std::uint32_t Key, std::span<TFieldAlias> Fields) const;

 private:
  struct TTable;
  std::unique_ptr<TTable> FTable;
};

}  // namespace VNUpdSEd
