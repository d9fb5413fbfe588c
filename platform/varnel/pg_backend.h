// PostgreSQL support lives in a library of its own, the only one that links
// libpq and libpg_query: a process that never meets a PostgreSQL database never
// loads them. The runtime loads it from its own folder the first time a
// database connects to PostgreSQL or a statement is read in PostgreSQL's
// grammar without a connection, and keeps it for the rest of the process.
#pragma once

#include <memory>
#include <string_view>

#include "select_parser.h"
#include "server_connection.h"

struct TVNPgBackend {
  std::unique_ptr<TVNServerConnection> (*CreateConnection)();
  // ParsePgSelect (pg_select_parser.h).
  TVNSelectInfo (*ParseSelect)(std::string_view SQL);
};

inline constexpr const char* PgBackendFileName = "VarLibPg220.so";

// The loaded backend; raises EVNBackendMissing naming the file and why it could
// not be loaded.
const TVNPgBackend& PgBackend();

// The backend's one export, looked up by this name.
extern "C" const TVNPgBackend* VNPgBackend();
