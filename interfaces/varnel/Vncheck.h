// Unit Vncheck: proves the statements of an update object on its live database,
// for design tools that want to know before run time whether they still fit.
// Hosts that load the runtime library at run time find the entry point by its
// exported name.
//
// The statements come from a form file, which is untrusted: each is vetted by
// the server's own grammar before anything compiles or runs it, and everything
// the check does happens in one transaction that is always rolled back.
#pragma once

#include <string>
#include <vector>

#include "rtl/DB.h"

class TComponent;

enum TVNCheckFindingKind {
  fkFinding,     // a fault of the statements: they fail, or do harm, at run time
  fkNotChecked,  // something the check could not try: never taken as proven
  fkNote         // for information only
};

struct TVNUpdateCheckFinding {
  // "RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL", several of them joined
  // by ", " when they share the problem, "DataSet", or "" for the update
  // object as a whole (the table all its statements write).
  std::string Statement;
  std::string Reason;  // short, naming the parameters, fields, columns or key at fault
  TVNCheckFindingKind Kind = fkFinding;
  std::string Hint;  // what to do about it in the UpdateSQL editor, where that is known; else ""
  std::string Rule;  // which rule it is, for reports that sort findings ("unfilled-parameter")
};

enum TVNUpdateCheckMode {
  cmPrepare,  // compile the statements and compare them with the catalog; reads only
  cmDryRun    // also run them on one existing row, inside a transaction that is always rolled back
};

struct TVNUpdateCheckOptions {
  TVNUpdateCheckMode Mode = cmPrepare;
  // How long one statement may run, or wait for a lock another session holds.
  int TimeoutSeconds = 5;
  // A dry run refuses to run a form's statements as a superuser unless set.
  bool AllowSuperuser = false;
};

struct TVNUpdateCheckResult {
  std::vector<TVNUpdateCheckFinding> Findings;
  int Checked = 0;     // statements fully checked (and, in a dry run, run), with or without findings
  int NotChecked = 0;  // statements some stage could not try; an fkNotChecked finding says why
};

// What the UpdateSQL editor should be given to write statements that fit: the
// inputs a person should choose, read from the dataset's field origins and the
// catalog.
struct TVNUpdatePlan {
  std::string Table;                      // the table the statements write, as the editor lists it
  std::vector<std::string> Columns;       // its columns, as Get Table Fields lists them
  std::vector<std::string> KeyFields;     // its primary key (else first unique index), all selected by the dataset
  std::vector<std::string> UpdateFields;  // the columns the dataset selects that can be written
  bool QuoteNames = false;                // some name needs quotes
  std::string Why;                        // "" when the plan can be used; else why no statements fit
};

// Plans UpdateObject's statements (read only); EDatabaseError when the
// database cannot be reached.
extern "C" void Vncheck_PlanUpdateStatements(TComponent& UpdateObject, TVNUpdatePlan& Plan);
using TVNPlanUpdateStatementsProc = void (*)(TComponent&, TVNUpdatePlan&);
inline constexpr const char* PlanUpdateStatementsExport = "Vncheck_PlanUpdateStatements";

// Raised instead of running anything when a dry run would run a form's
// statements as a superuser and the options do not allow it.
VN_DECLARE_EXCEPTION(EVNCheckRefused, EDatabaseError)

// Checks UpdateObject (a TVNUpdateSQL) against the database its dataset would
// open, through a connection of its own: the form's components stay as they
// are. Appends the findings to Result. Raises EDatabaseError when the database
// cannot be reached or the connection is lost; never leaves a change behind.
extern "C" void Vncheck_CheckUpdateObject(TComponent& UpdateObject, const TVNUpdateCheckOptions& Options,
                                          TVNUpdateCheckResult& Result);
using TVNCheckUpdateObjectProc = void (*)(TComponent&, const TVNUpdateCheckOptions&, TVNUpdateCheckResult&);
inline constexpr const char* CheckUpdateObjectExport = "Vncheck_CheckUpdateObject";

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Vncheck_Initialization();
void Vncheck_Finalization();
