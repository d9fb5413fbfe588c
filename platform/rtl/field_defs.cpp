#include "rtl/DB.h"

#include "rtl_consts.h"
#include "rtl_names.h"

VN_IMPLEMENT_ENUM_TYPEINFO(TFieldKind, "fkData", "fkCalculated", "fkLookup", "fkInternalCalc", "fkAggregate")
VN_IMPLEMENT_ENUM_TYPEINFO(TIndexOption, "ixPrimary", "ixUnique", "ixDescending", "ixCaseInsensitive", "ixExpression",
                           "ixNonMaintained")
VN_IMPLEMENT_SET_TYPEINFO(TIndexOptions, "TIndexOptions", TIndexOption)

std::vector<std::string> SplitFieldList(std::string_view Fields) {
  std::vector<std::string> Names;
  std::size_t Start = 0;
  while (Start <= Fields.size()) {
    std::size_t End = Fields.find(';', Start);
    if (End == std::string_view::npos) End = Fields.size();
    std::string Name = Trim(Fields.substr(Start, End - Start));
    if (!Name.empty()) Names.push_back(std::move(Name));
    Start = End + 1;
  }
  return Names;
}

VN_IMPLEMENT_PUBLISHED(TFieldDef, TCollectionItem)
VN_IMPLEMENT_CLASS(TFieldDefs, TCollection)
VN_IMPLEMENT_PUBLISHED(TIndexDef, TCollectionItem)
VN_IMPLEMENT_CLASS(TIndexDefs, TCollection)

namespace {


// Whether Index's fields begin with Wanted (Exact: are exactly Wanted).
bool LeadingFieldsMatch(const std::vector<std::string>& Index, const std::vector<std::string>& Wanted, bool Exact) {
  if (Index.size() < Wanted.size() || (Exact && Index.size() != Wanted.size())) return false;
  for (std::size_t I = 0; I < Wanted.size(); ++I)
    if (!rtl_names::SameName(Index[I], Wanted[I])) return false;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// TFieldDef, TFieldDefs

const std::vector<TPropInfo>& TFieldDef::PublishedProperties() {
  static const auto List = TPublisher<TFieldDef>()
                               .String("Name", &TFieldDef::Name, &TFieldDef::SetName)
                               .Enum("DataType", &TFieldDef::DataType, &TFieldDef::SetDataType, ftUnknown)
                               .Integer("Size", &TFieldDef::Size, &TFieldDef::SetSize, 0)
                               .Boolean("Required", &TFieldDef::Required, &TFieldDef::SetRequired, false)
                               .List();
  return List;
}

TFieldDef::TFieldDef(TCollection* ACollection) : TCollectionItem(ACollection) {}

TFieldDefs::TFieldDefs(TPersistent* AOwner) : TCollection(TFieldDef::StaticClass(), AOwner) {}

TFieldDef* TFieldDefs::Items(int Index) const { return static_cast<TFieldDef*>(TCollection::Items(Index)); }

TFieldDef& TFieldDefs::AddFieldDef(const std::string& Name, TFieldType DataType, int Size, bool Required) {
  auto& Def = static_cast<TFieldDef&>(*Add());
  Def.SetName(Name);
  Def.SetDataType(DataType);
  Def.SetSize(Size);
  Def.SetRequired(Required);
  return Def;
}

int TFieldDefs::IndexOf(std::string_view Name) const {
  for (int I = 0; I < Count(); ++I)
    if (rtl_names::SameName(Items(I)->Name(), Name)) return I;
  return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view Name) const {
  const int Index = IndexOf(Name);
  return Index < 0 ? nullptr : Items(Index);
}

// ---------------------------------------------------------------------------
// TIndexDef, TIndexDefs

const std::vector<TPropInfo>& TIndexDef::PublishedProperties() {
  static const auto List = TPublisher<TIndexDef>()
                               .String("Name", &TIndexDef::Name, &TIndexDef::SetName)
                               .String("Fields", &TIndexDef::Fields, &TIndexDef::SetFields)
                               .Set<TIndexOptions>("Options", &TIndexDef::Options, &TIndexDef::SetOptions)
                               .List();
  return List;
}

TIndexDef::TIndexDef(TCollection* ACollection) : TCollectionItem(ACollection) {}

TIndexDefs::TIndexDefs(TPersistent* AOwner) : TCollection(TIndexDef::StaticClass(), AOwner) {}

TIndexDef* TIndexDefs::Items(int Index) const { return static_cast<TIndexDef*>(TCollection::Items(Index)); }

TIndexDef& TIndexDefs::AddIndexDef(const std::string& Name, const std::string& Fields, TIndexOptions Options) {
  auto& Def = static_cast<TIndexDef&>(*Add());
  Def.SetName(Name);
  Def.SetFields(Fields);
  Def.SetOptions(Options);
  return Def;
}

int TIndexDefs::IndexOf(std::string_view Name) const {
  for (int I = 0; I < Count(); ++I)
    if (rtl_names::SameName(Items(I)->Name(), Name)) return I;
  return -1;
}

TIndexDef* TIndexDefs::FindIndex(std::string_view Name) const {
  const int Index = IndexOf(Name);
  return Index < 0 ? nullptr : Items(Index);
}

TIndexDef& TIndexDefs::Find(std::string_view Name) const {
  if (TIndexDef* Def = FindIndex(Name)) return *Def;
  throw EDatabaseError(Format(rtl_consts::SIndexNotFound, {Name}));
}

TIndexDef* TIndexDefs::GetIndexForFields(std::string_view Fields) const {
  const std::vector<std::string> Wanted = SplitFieldList(Fields);
  if (Wanted.empty()) return nullptr;
  for (const bool Exact : {true, false})
    for (int I = 0; I < Count(); ++I)
      if (LeadingFieldsMatch(SplitFieldList(Items(I)->Fields()), Wanted, Exact)) return Items(I);
  return nullptr;
}
