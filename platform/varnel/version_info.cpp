// The library's own version routines, which the About boxes of its packages use.
#include "varnel/Vncommon.h"

#include <optional>

#include "rtl/SysUtils.h"

namespace {

// The file's version information; none when it has none or cannot be read or
// parsed, as the platform's version functions answer.
std::optional<TVersionInfo> FileVersionInfo(const std::string& FileName) {
  try {
    for (const TResource& R : ReadModuleResources(FileName))
      if (R.Type.Matches(RT_VERSION)) return TVersionInfo(R.Data, FileName);
  } catch (const EOSError&) {
  } catch (const EReadError&) {
  }
  return std::nullopt;
}

// The string table of the first translation; without translations, the first
// table there is.
std::string StringTableKey(const TVersionInfo& Info) {
  const std::vector<TTranslation> Translations = Info.Translations();
  if (!Translations.empty())
    return Format("%.4x%.4x", {Translations.front().Language, Translations.front().CodePage});
  const TVersionBlock* Tables = Info.Query("\\StringFileInfo");
  return Tables != nullptr && !Tables->Children.empty() ? Tables->Children.front().Key : std::string();
}

}  // namespace

std::string GetModuleFileNameStr(HINSTANCE Instance) { return GetModuleFileName(Instance); }

bool ReadFileVersInfo(const std::string& FileName, std::string& ProductName, std::string& Version) {
  const std::optional<TVersionInfo> Info = FileVersionInfo(FileName);
  if (!Info) return false;
  const std::string Key = StringTableKey(*Info);
  if (!Key.empty()) Info->QueryString("\\StringFileInfo\\" + Key + "\\ProductName", ProductName);
  VS_FIXEDFILEINFO Fixed;
  if (Info->FixedFileInfo(Fixed))
    Version = Format("%d.%d.%d.%d", {Fixed.dwProductVersionMS >> 16, Fixed.dwProductVersionMS & 0xFFFF,
                                     Fixed.dwProductVersionLS >> 16, Fixed.dwProductVersionLS & 0xFFFF});
  return true;
}
