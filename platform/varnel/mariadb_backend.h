// MariaDB support lives in a library of its own, the only one that links the
// server's client library (libmariadb): loaded the first time a database
// connects to MariaDB, as the PostgreSQL backend is.
#pragma once

#include <memory>

#include "server_connection.h"

struct TVNMariaDbBackend {
  std::unique_ptr<TVNServerConnection> (*CreateConnection)();
};

inline constexpr const char* MariaDbBackendFileName = "VarLibMy220.so";

// The loaded backend; raises EVNBackendMissing naming the file and why it could
// not be loaded.
const TVNMariaDbBackend& MariaDbBackend();

// The backend's one export, looked up by this name.
extern "C" const TVNMariaDbBackend* VNMariaDbBackend();
