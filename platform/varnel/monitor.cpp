#include "varnel/Vnengine.h"

#include <algorithm>

#include "monitor_hook.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

VN_IMPLEMENT_PUBLISHED(TVNMonitor, TComponent)

namespace {

// Every monitor of the process; each enters and leaves with its own life.
std::vector<TVNMonitor*>& Monitors() {
  static std::vector<TVNMonitor*> List;
  return List;
}

// One statement, one line: its line breaks and the blanks around them become
// a single blank.
std::string OneLine(const std::string& SQL) {
  std::string Result;
  Result.reserve(SQL.size());
  bool Break = false;
  for (const char C : SQL) {
    if (C == '\r' || C == '\n') {
      Break = true;
      continue;
    }
    if (Break) {
      while (!Result.empty() && (Result.back() == ' ' || Result.back() == '\t')) Result.pop_back();
      if (C == ' ' || C == '\t') continue;
      if (!Result.empty()) Result.push_back(' ');
      Break = false;
    }
    Result.push_back(C);
  }
  return Result;
}

void KeepLast(TStrings& Lines, int MaxLines) {
  if (Lines.Count() <= MaxLines) return;
  Lines.BeginUpdate();
  while (Lines.Count() > MaxLines) Lines.Delete(0);
  Lines.EndUpdate();
}

}  // namespace

void NotifyMonitors(const std::string& SQL) {
  const std::vector<TVNMonitor*> List = Monitors();
  std::string Line;
  for (TVNMonitor* Monitor : List) {
    if (!Monitor->Active()) continue;
    if (Line.empty()) Line = OneLine(SQL);
    Monitor->Lines().Add(Line);
    KeepLast(Monitor->Lines(), Monitor->MaxLines());
  }
}

const std::vector<TPropInfo>& TVNMonitor::PublishedProperties() {
  static const auto List = TPublisher<TVNMonitor>()
                               .Boolean("Active", &TVNMonitor::Active, &TVNMonitor::SetActive, false)
                               .Integer("MaxLines", &TVNMonitor::MaxLines, &TVNMonitor::SetMaxLines, 1000)
                               .List();
  return List;
}

TVNMonitor::TVNMonitor(TComponent* AOwner) : TComponent(AOwner), FLines(std::make_unique<TStringList>()) {
  Monitors().push_back(this);
}

TVNMonitor::~TVNMonitor() { std::erase(Monitors(), this); }

void TVNMonitor::SetMaxLines(int Value) {
  if (Value < 1) throw EDatabaseError(Format("%d is no valid MaxLines: a monitor keeps at least one line", {Value}));
  FMaxLines = Value;
  KeepLast(*FLines, FMaxLines);
}
