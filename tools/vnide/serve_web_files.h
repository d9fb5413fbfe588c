// The page's files, built into the program from tools/vnide/web (the build
// regenerates them whenever one changes).
#pragma once

#include <span>
#include <string_view>

namespace vnide {

struct TWebFile {
  std::string_view Path;  // as requested: "/index.html", "/app.js" ...
  std::string_view ContentType;
  std::string_view Data;
};

std::span<const TWebFile> WebFiles();

}  // namespace vnide
