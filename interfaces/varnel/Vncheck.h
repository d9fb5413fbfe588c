// Unit Vncheck: proves the statements of an update object on its live database,
// for design tools that want to know before run time whether they still fit.
// Hosts that load the runtime library at run time find the entry point by its
// exported name.
#pragma once

#include <string>
#include <vector>

class TComponent;

struct TVNUpdateCheckFinding {
  std::string Statement;  // "RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL" or "DataSet"
  std::string Reason;     // short, naming the parameter, field, column or key at fault
  bool Note = false;      // something the check could not try, not a fault of the statements
};

enum TVNUpdateCheckMode {
  cmPrepare,  // compile the statements and compare them with the catalog; reads only
  cmDryRun    // also run them on one existing row, inside a transaction that is always rolled back
};

// Checks UpdateObject (a TVNUpdateSQL) against the database its dataset would
// open, through a connection of its own: the form's components stay as they
// are. Appends one finding per fault. Raises EDatabaseError when the database
// cannot be reached or the connection is lost; never leaves a change behind.
extern "C" void Vncheck_CheckUpdateObject(TComponent& UpdateObject, TVNUpdateCheckMode Mode,
                                          std::vector<TVNUpdateCheckFinding>& Findings);
using TVNCheckUpdateObjectProc = void (*)(TComponent&, TVNUpdateCheckMode, std::vector<TVNUpdateCheckFinding>&);
inline constexpr const char* CheckUpdateObjectExport = "Vncheck_CheckUpdateObject";
