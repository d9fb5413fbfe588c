// vnide serve: a modal form as the page draws it (docs/vnide-serve.md, Layout).
#pragma once

#include "serve_channel.h"
#include "vcl/Forms.h"

namespace vnide {

// The form's layout, or null where the platform cannot lay forms out.
TJson FormLayoutJson(const TCustomForm& Form);

}  // namespace vnide
