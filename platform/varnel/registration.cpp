// Start-up and shut-down of unit Vnengine. The library starts itself when it is
// loaded and stops when it is unloaded; packages that use it count their own
// start-ups on top, so it stays started as long as anyone relies on it.
#include "varnel/Vnengine.h"

#include <array>
#include <cstdint>

#include "library_state.h"

namespace {

// Below 0 while started: each start-up counts down, each shut-down back up.
std::int32_t StartupCounter = 0;

const std::array<const TMetaClass*, 12>& ComponentClasses() {
  static const std::array<const TMetaClass*, 12> Classes = {
      &TVNSession::StaticClass(),    &TVNDatabase::StaticClass(),
      &TVNDataSet::StaticClass(),    &TVNQuery::StaticClass(),
      &TVNMacroQuery::StaticClass(), &TVNStoredProc::StaticClass(),
      &TVNTable::StaticClass(),      &TVNDataSetUpdateObject::StaticClass(),
      &TVNUpdateSQL::StaticClass(),  &TVNScript::StaticClass(),
      &TVNMonitor::StaticClass(),    &TVNSQLBaseServer::StaticClass(),
  };
  return Classes;
}

void UnregisterComponentClasses() {
  for (const TMetaClass* Class : ComponentClasses()) UnRegisterClass(*Class);
}

struct TLibraryLifetime {
  TLibraryLifetime() { Vnengine_Initialization(); }
  ~TLibraryLifetime() { Vnengine_Finalization(); }
  TLibraryLifetime(const TLibraryLifetime&) = delete;
  TLibraryLifetime& operator=(const TLibraryLifetime&) = delete;
};
const TLibraryLifetime LibraryLifetime;

}  // namespace

void Vnengine_Initialization() {
  if (StartupCounter-- != 0) return;
  // A class name another library took already fails the start-up, which then
  // leaves nothing registered and can be tried again.
  struct TUndo {
    bool Done = false;
    ~TUndo() {
      if (Done) return;
      ++StartupCounter;
      UnregisterComponentClasses();
    }
  } Undo;
  for (const TMetaClass* Class : ComponentClasses()) RegisterClass(*Class);
  Session();
  Undo.Done = true;
}

void Vnengine_Finalization() {
  // A shut-down without a start-up has nothing to undo.
  if (StartupCounter == 0) return;
  if (++StartupCounter != 0) return;
  UnregisterComponentClasses();
  ShutDownSessions();
}
