#include "serve_layout.h"

#include <nlohmann/json.hpp>

#include "form_layout.h"

namespace vnide {

TJson FormLayoutJson(const TCustomForm& Form) { return TJson(vn_vcl::LayoutJson(vn_vcl::LayoutForm(Form))); }

}  // namespace vnide
