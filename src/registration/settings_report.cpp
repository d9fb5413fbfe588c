#include "registration/settings_report.h"

#include "registration/design_settings.h"
#include "registration/vnreg.h"
#include "rtl/SysUtils.h"

namespace VNReg {

namespace {
void AddList(TStrings& Lines, const std::string& Title, const TStrings& List) {
  Lines.Add(Format("%s (%d):", {Title, List.Count()}));
  if (List.Count() == 0) Lines.Add("  (none)");
  for (int I = 0; I < List.Count(); ++I) Lines.Add(Format("  %s", {List.Strings(I)}));
}
}  // namespace

void DescribeDesignSettings(TDesignSettings& Settings, TStrings& Lines) {
  Lines.Add(Format("Settings directory:  %s", {Settings.RootDir()}));
  Lines.Add(Format("Settings file:       %s", {NativeFileName(Settings.IniFileName())}));
  Lines.Add(Format("SQL editor:          %s", {Settings.SQLEditor() ? "on" : "off"}));
  Lines.Add(Format("Default server type: %s", {GetServerTypeName(Settings.ReadDefaultServerType())}));
  AddList(Lines, "Default parameters", Settings.DbParams());
  TStringList Recent;
  const std::int32_t Limit = Settings.PeekRecentDatabases(Recent);
  AddList(Lines, Format("Recent databases, limit %d", {Limit}), Recent);
}

}  // namespace VNReg

extern "C" void VNReg_DesignSettingsReport(TStrings* Lines) {
  VN_ASSERT(Lines != nullptr, "a list to fill is required");
  // The package's own store while it is started: one store, never a second
  // beside it. Before its start-up, one made for the report.
  if (VNReg::DesignSettings != nullptr) {
    VNReg::DescribeDesignSettings(*VNReg::DesignSettings, *Lines);
    return;
  }
  VNReg::TDesignSettings Settings;
  VNReg::DescribeDesignSettings(Settings, *Lines);
}
