#include "varnel/Vnengine.h"

#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

VN_IMPLEMENT_CLASS(TVNDataSetUpdateObject, TComponent)
VN_IMPLEMENT_PUBLISHED(TVNUpdateSQL, TVNDataSetUpdateObject)

// ---------------------------------------------------------------------------
// TVNDataSetUpdateObject

TVNDataSetUpdateObject::TVNDataSetUpdateObject(TComponent* AOwner) : TComponent(AOwner) {}

TVNDataSetUpdateObject::~TVNDataSetUpdateObject() { SetDataSet(nullptr); }

// The dataset keeps both ends of the link.
void TVNDataSetUpdateObject::SetDataSet(TVNDataSet* Value) {
  if (Value == FDataSet) return;
  if (Value != nullptr)
    Value->SetUpdateObject(this);
  else
    FDataSet->SetUpdateObject(nullptr);
}

void TVNDataSetUpdateObject::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr && AComponent == FDataSet) SetDataSet(nullptr);
  TComponent::Notification(AComponent, Operation);
}

// ---------------------------------------------------------------------------
// TVNUpdateSQL

const std::vector<TPropInfo>& TVNUpdateSQL::PublishedProperties() {
  using U = TVNUpdateSQL;
  static const auto List = TPublisher<U>()
                               .Owned<TStrings>("RefreshSQL", &U::RefreshSQL)
                               .Owned<TStrings>("ModifySQL", &U::ModifySQL)
                               .Owned<TStrings>("InsertSQL", &U::InsertSQL)
                               .Owned<TStrings>("DeleteSQL", &U::DeleteSQL)
                               .List();
  return List;
}

TVNUpdateSQL::TVNUpdateSQL(TComponent* AOwner) : TVNDataSetUpdateObject(AOwner) {
  for (auto& List : FSQL) List = std::make_unique<TStringList>();
}

TVNUpdateSQL::~TVNUpdateSQL() = default;

TStrings& TVNUpdateSQL::GetSQLIndex(int Index) const {
  if (Index < ukRefresh || Index > ukDelete) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return *FSQL[Index];
}
