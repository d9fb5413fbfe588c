#include "rtl/DB.h"

#include <algorithm>

#include "rtl_consts.h"
#include "rtl_names.h"

VN_IMPLEMENT_ENUM_TYPEINFO(TFieldType, "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean",
                           "ftFloat", "ftCurrency", "ftBCD", "ftDate", "ftTime", "ftDateTime", "ftBytes",
                           "ftVarBytes", "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic", "ftFmtMemo", "ftParadoxOle",
                           "ftDBaseOle", "ftTypedBinary", "ftCursor", "ftFixedChar", "ftWideString", "ftLargeint",
                           "ftADT", "ftArray", "ftReference", "ftDataSet", "ftOraBlob", "ftOraClob", "ftVariant",
                           "ftInterface", "ftIDispatch", "ftGuid", "ftTimeStamp", "ftFMTBcd", "ftFixedWideChar",
                           "ftWideMemo")
VN_IMPLEMENT_ENUM_TYPEINFO(TParamType, "ptUnknown", "ptInput", "ptOutput", "ptInputOutput", "ptResult")

VN_IMPLEMENT_PUBLISHED(TParam, TCollectionItem)
VN_IMPLEMENT_CLASS(TParams, TCollection)

static_assert(ftWideMemo == 39, "the type names above follow the enumeration");

// ---------------------------------------------------------------------------
// TParam

const std::vector<TPropInfo>& TParam::PublishedProperties() {
  static const auto List = TPublisher<TParam>()
                               .Enum("DataType", &TParam::DataType, &TParam::SetDataType, ftUnknown)
                               .String("Name", &TParam::Name, &TParam::SetName)
                               .Enum("ParamType", &TParam::ParamType, &TParam::SetParamType, ptUnknown)
                               .Integer("Size", &TParam::Size, &TParam::SetSize, 0)
                               .Variant("Value", &TParam::Value, &TParam::SetValue)
                               .List();
  return List;
}

TParam::TParam(TCollection* ACollection) : TCollectionItem(ACollection) {}

TParam::TParam(TCollection* ACollection, const std::string& AName, TParamType AParamType)
    : TCollectionItem(ACollection), FName(AName), FParamType(AParamType) {}

void TParam::SetName(const std::string& Value) {
  if (FName == Value) return;
  FName = Value;
  Changed(false);
}

void TParam::SetValue(const Variant& AValue) {
  if (FDataType == ftUnknown) switch (AValue.VarType()) {
      case varBoolean: FDataType = ftBoolean; break;
      case varInt64: FDataType = ftLargeint; break;
      case varDouble: FDataType = ftFloat; break;
      case varString: FDataType = ftString; break;
      case varEmpty:
      case varNull: break;
    }
  FData = AValue;
}

void TParam::SetAsString(const std::string& Value) {
  FDataType = ftString;
  FData = Value;
}

void TParam::SetAsInteger(int Value) {
  FDataType = ftInteger;
  FData = Value;
}

void TParam::SetAsFloat(double Value) {
  FDataType = ftFloat;
  FData = Value;
}

void TParam::SetAsBoolean(bool Value) {
  FDataType = ftBoolean;
  FData = Value;
}

void TParam::Clear() { FData = Variant::Null(); }

void TParam::Assign(const TPersistent& Source) {
  const auto* Other = dynamic_cast<const TParam*>(&Source);
  if (Other == nullptr) {
    TCollectionItem::Assign(Source);
    return;
  }
  if (Other == this) return;
  FDataType = Other->FDataType;
  // Unassigned stays unassigned: queries refuse a parameter nobody gave a value.
  FData = Other->FData;
  FSize = Other->FSize;
  if (FParamType == ptUnknown) FParamType = Other->FParamType;
  SetName(Other->FName);
}

std::string TParam::DisplayName() const { return FName.empty() ? TCollectionItem::DisplayName() : FName; }

// ---------------------------------------------------------------------------
// TParams

TParams::TParams(TPersistent* AOwner) : TCollection(TParam::StaticClass(), AOwner) {}

TParam& TParams::AddParam(std::unique_ptr<TParam> Value) {
  Value->SetCollection(this);
  return *Value.release();
}

TParam& TParams::CreateParam(TFieldType FldType, const std::string& ParamName, TParamType ParamType) {
  auto& Param = static_cast<TParam&>(*Add());
  Param.SetName(ParamName);
  Param.SetDataType(FldType);
  Param.SetParamType(ParamType);
  return Param;
}

TParam* TParams::FindParam(std::string_view Value) const {
  for (int I = 0; I < Count(); ++I)
    if (rtl_names::SameName(Items(I)->Name(), Value)) return Items(I);
  return nullptr;
}

TParam& TParams::ParamByName(std::string_view Value) const {
  if (TParam* Param = FindParam(Value)) return *Param;
  throw EDatabaseError(Format(rtl_consts::SParamNotFound, {Value}));
}

namespace {

bool IsNameChar(char C) noexcept {
  const auto U = static_cast<unsigned char>(C);
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' || U >= 0x80;
}

// The end (just past the closing quote) of the quoted text that starts at
// Start, where a doubled quote stays inside; npos when it is never closed.
std::size_t QuotedEnd(std::string_view SQL, std::size_t Start) {
  const char Quote = SQL[Start];
  std::size_t I = Start + 1;
  while (I < SQL.size()) {
    if (SQL[I] != Quote) {
      ++I;
    } else if (I + 1 < SQL.size() && SQL[I + 1] == Quote) {
      I += 2;
    } else {
      return I + 1;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::string TParams::ParseSQL(std::string_view SQL, bool DoCreate) {
  std::string Result;
  Result.reserve(SQL.size());
  std::size_t I = 0;
  auto Copy = [&](std::size_t End) {
    Result.append(SQL.substr(I, End - I));
    I = End;
  };
  auto Found = [&](const std::string& Name, std::size_t End) {
    if (DoCreate) CreateParam(ftUnknown, Name, ptUnknown);
    Result.push_back('?');
    I = End;
  };
  while (I < SQL.size()) {
    const char C = SQL[I];
    const char Next = I + 1 < SQL.size() ? SQL[I + 1] : '\0';
    if (C == '\'' || C == '"' || C == '`') {
      Copy(std::min(QuotedEnd(SQL, I), SQL.size()));
    } else if (C == '-' && Next == '-') {
      const std::size_t End = SQL.find('\n', I);
      Copy(End == std::string_view::npos ? SQL.size() : End);
    } else if (C == '/' && Next == '*') {
      const std::size_t End = SQL.find("*/", I + 2);
      Copy(End == std::string_view::npos ? SQL.size() : End + 2);
    } else if (C == ':' && Next == ':') {
      // A type cast (PostgreSQL): no parameter follows.
      std::size_t End = I;
      while (End < SQL.size() && SQL[End] == ':') ++End;
      Copy(End);
    } else if (C == ':' && Next == '"') {
      const std::size_t End = QuotedEnd(SQL, I + 1);
      // Unterminated or empty: no parameter; the quote is read as SQL.
      if (End == std::string_view::npos || End == I + 3) {
        Copy(I + 1);
        continue;
      }
      Found(StringReplaceAll(SQL.substr(I + 2, End - I - 3), "\"\"", "\""), End);
    } else if (C == ':' && IsNameChar(Next)) {
      std::size_t End = I + 1;
      while (End < SQL.size() && IsNameChar(SQL[End])) ++End;
      Found(std::string(SQL.substr(I + 1, End - I - 1)), End);
    } else {
      Copy(I + 1);
    }
  }
  return Result;
}

void TParams::AssignValues(const TParams& Value) {
  for (int I = 0; I < Value.Count(); ++I)
    if (TParam* Param = FindParam(Value.Items(I)->Name())) Param->Assign(*Value.Items(I));
}
