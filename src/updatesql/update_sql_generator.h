// The statement generator of the UpdateSQL editor: the refresh, modify, insert
// and delete statements of an update object, written from a table name, two
// field lists and the field origins of the dataset's SQL.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/Classes.h"
#include "updatesql/origin_index.h"

namespace VNUpdSEd {

// One item of a field list box: the field name and whether it is selected.
struct TFieldChoice {
  std::string Name;
  bool Selected = true;
};
using TFieldChoices = std::vector<TFieldChoice>;

// The generation core of TVNUpdateSQLEditForm. The dialog copies its controls'
// state in (table combo text, quote check box, both list boxes) and fills the
// field origins through FieldInfo(); every operation reads that state when it
// runs. Only selected fields take part, in list order. Not thread-safe: the
// origin index is built on demand.
class TUpdateSQLGenerator {
 public:
  TUpdateSQLGenerator();
  ~TUpdateSQLGenerator();
  TUpdateSQLGenerator(const TUpdateSQLGenerator&) = delete;
  TUpdateSQLGenerator& operator=(const TUpdateSQLGenerator&) = delete;

  // The table combo's text as typed: neither trimmed nor unquoted.
  const std::string& TableText() const noexcept { return FTableText; }
  void SetTableText(std::string Value) { FTableText = std::move(Value); }
  // Whether the dataset's server accepts owner-qualified names; without it the
  // owner is dropped from the table reference.
  bool ObjOwnerSupported() const noexcept { return FObjOwnerSupported; }
  void SetObjOwnerSupported(bool Value) noexcept { FObjOwnerSupported = Value; }
  // The "Quote Field Names" check box.
  bool QuoteFields() const noexcept { return FQuoteFields; }
  void SetQuoteFields(bool Value) noexcept { FQuoteFields = Value; }

  TFieldChoices& UpdateFields() noexcept { return FUpdateFields; }
  const TFieldChoices& UpdateFields() const noexcept { return FUpdateFields; }
  void SetUpdateFields(TFieldChoices Value) { FUpdateFields = std::move(Value); }
  TFieldChoices& KeyFields() noexcept { return FKeyFields; }
  const TFieldChoices& KeyFields() const noexcept { return FKeyFields; }
  void SetKeyFields(TFieldChoices Value) { FKeyFields = std::move(Value); }

  // The field origins (FFieldInfo): name=value entries, the dataset field name
  // and "table.column". Fill it in place or through SetFieldInfo; any change
  // is noticed and the look-up index is rebuilt once, at the next look-up.
  TStrings& FieldInfo() noexcept { return FFieldInfo; }
  const TStrings& FieldInfo() const noexcept { return FFieldInfo; }
  void SetFieldInfo(const TStrings& Value) { FFieldInfo.Assign(Value); }

  // QuoteIdentifier of the runtime library with the quote flag.
  std::string QuoteName(const std::string& Name) const;
  // The dataset field name whose origin is column FieldName of table
  // TableText (both compared exactly), else FieldName itself.
  std::string FindFieldAlias(const std::string& TableText, const std::string& FieldName) const;
  // The table reference every statement names: the valid object name of the
  // table text, without its owner unless the server supports owners, quoted.
  std::string TableReference() const;

  // Each empties List and fills it with its statement; no other list changes.
  void GenerateModifySQL(TStrings& List) const;
  void GenerateRefreshSQL(TStrings& List) const;
  void GenerateInsertSQL(TStrings& List) const;
  void GenerateDeleteSQL(TStrings& List) const;
  // The four in the dialog's order, each field's alias looked up once for all
  // of them: the same lines as the four operations one after the other.
  void GenerateAllSQL(TStrings& ModifySQL, TStrings& InsertSQL, TStrings& DeleteSQL, TStrings& RefreshSQL) const;

 private:
  // A selected field with its alias; both view the field lists or the origins.
  using TResolved = TFieldAlias;
  using TResolvedFields = std::vector<TResolved>;

  class TWriter;

  const TOriginIndex& EnsureAliasIndex() const;
  // The selected fields in list order with their aliases.
  TResolvedFields Resolve(const TFieldChoices& Fields) const;

  template <class F>
  void Into(TStrings& List, F&& Write) const;
  void WriteKeys(TWriter& W, const TResolvedFields& Keys) const;
  void WriteModify(TStrings& List, const std::string& Table, const TResolvedFields& Updates,
                   const TResolvedFields& Keys) const;
  void WriteRefresh(TStrings& List, const std::string& Table, const TResolvedFields& Updates,
                    const TResolvedFields& Keys) const;
  void WriteInsert(TStrings& List, const std::string& Table, const TResolvedFields& Updates) const;
  void WriteDelete(TStrings& List, const std::string& Table, const TResolvedFields& Keys) const;

  std::string FTableText;
  bool FObjOwnerSupported = false;
  bool FQuoteFields = false;
  TFieldChoices FUpdateFields;
  TFieldChoices FKeyFields;
  TStringList FFieldInfo;

  // Built from FFieldInfo, whose every change marks it stale; it views the
  // list's lines for table names and for origins too long to copy.
  mutable std::unique_ptr<TOriginIndex> FIndex;
  mutable bool FAliasIndexStale = true;
  // A line being written for a list that has no line of its own to reuse,
  // its room kept from one generation to the next.
  mutable std::string FLine;
};

}  // namespace VNUpdSEd
