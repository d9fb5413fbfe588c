// What vnide check found, and the reports it writes of it: text for a person,
// JSON for programs, JUnit XML and SARIF 2.1.0 for CI systems.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "varnel/Vncheck.h"

namespace vnide {

struct TCheckedObject {
  std::string Name;
  TVNUpdateCheckResult Result;
};

// One form file: its update objects, or why it could not be checked at all.
struct TCheckedForm {
  std::string File;
  std::vector<TCheckedObject> Objects;
  std::string Error;  // "" when the form was checked
};

struct TCheckTotals {
  int Forms = 0, Objects = 0, Checked = 0, NotChecked = 0, Findings = 0, Errors = 0;
};
TCheckTotals TotalsOf(const std::vector<TCheckedForm>& Forms);

enum TCheckFormat { cfText, cfJson, cfJUnit, cfSarif };

// Writes the report of Forms in Format; DryRun says how they were checked.
void WriteCheckReport(const std::vector<TCheckedForm>& Forms, TCheckFormat Format, bool DryRun, std::ostream& Out);

// One form as JSON and back: how a form checked in a process of its own comes
// back to the one that reports.
nlohmann::ordered_json FormAsJson(const TCheckedForm& Form);
TCheckedForm FormFromJson(const nlohmann::ordered_json& Json);

}  // namespace vnide
