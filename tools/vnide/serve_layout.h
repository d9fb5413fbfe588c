// vnide serve: a modal form as the page draws it (docs/vnide-serve.md, Layout).
#pragma once

#include "serve_channel.h"
#include "vcl/Forms.h"

namespace vnide {

// The form's layout (vn_vcl::LayoutForm), as the page reads it.
TJson FormLayoutJson(const TCustomForm& Form);

}  // namespace vnide
