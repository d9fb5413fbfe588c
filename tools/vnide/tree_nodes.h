// What a person names in the structure view and on the palette, looked up as
// vnide drag and palette-drop do: shared with the browser host.
#pragma once

#include <string>

#include "rtl/Classes.h"

class TSprig;

namespace vn_ide {
class TStructureView;
}

namespace vnide {

// The palette's class of that name (without regard to case), or EHostError
// naming the closest.
const TMetaClass& PaletteClass(const std::string& Name);
// The node a person names (TStructureView::FindNode), or EHostError.
TSprig& NodeNamed(const vn_ide::TStructureView& View, const std::string& Name);

}  // namespace vnide
