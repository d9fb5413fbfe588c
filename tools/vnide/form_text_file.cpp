#include "form_text_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "rtl/SysUtils.h"

namespace vnide {

std::string ReadTextFile(const std::string& FileName) {
  std::ifstream In(NativeFileName(FileName), std::ios::binary);
  if (!In) throw EFOpenError(Format("Cannot open file \"%s\"", {FileName}));
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

void WriteTextFile(const std::string& FileName, const std::string& Text) {
  // A form that cannot be saved whole is not saved at all.
  const std::string Temporary = NativeFileName(FileName) + ".saving";
  {
    std::ofstream Out(Temporary, std::ios::binary | std::ios::trunc);
    Out << Text;
    Out.flush();
    if (!Out) throw EFCreateError(Format("Cannot create file \"%s\"", {FileName}));
  }
  std::error_code Error;
  std::filesystem::rename(Temporary, NativeFileName(FileName), Error);
  if (Error) {
    std::filesystem::remove(Temporary, Error);
    throw EFCreateError(Format("Cannot create file \"%s\"", {FileName}));
  }
}

}  // namespace vnide
