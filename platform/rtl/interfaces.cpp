#include "rtl/System.h"

#include <cstdio>

#include "rtl/SysUtils.h"

VN_IMPLEMENT_CLASS(TInterfacedObject, TObject)

void* TInterfacedObject::QueryInterface(const TGUID& IID) noexcept { return InterfaceOf<IInterface>(this, IID); }

std::string GUIDToString(const TGUID& GUID) {
  char Text[39];
  std::snprintf(Text, sizeof Text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", GUID.D1, GUID.D2, GUID.D3,
                GUID.D4[0], GUID.D4[1], GUID.D4[2], GUID.D4[3], GUID.D4[4], GUID.D4[5], GUID.D4[6], GUID.D4[7]);
  return Text;
}
