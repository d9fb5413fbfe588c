// What the runtime library keeps for the whole process: every session and every
// database, each list in order of creation. Objects enter in their constructor
// and leave in their destructor, so the lists never hold a destroyed object.
#pragma once

#include <memory>
#include <vector>

class TVNSession;
class TVNDatabase;

struct TVNLibraryState {
  std::vector<TVNSession*> Sessions;
  std::vector<TVNDatabase*> Databases;
  // Sessions the library owns: the default session, then those made by
  // GetSessionByName.
  std::vector<std::unique_ptr<TVNSession>> OwnedSessions;
  TVNSession* DefaultSession = nullptr;
};

TVNLibraryState& LibraryState();

// Destroys the sessions the library owns; Session() makes the default one again
// when asked.
void ShutDownSessions() noexcept;
