#include "serve_layout.h"

namespace vnide {

TJson FormLayoutJson(const TCustomForm&) { return nullptr; }

}  // namespace vnide
