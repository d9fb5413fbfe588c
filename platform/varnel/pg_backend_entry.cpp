// The entry of the PostgreSQL backend library.
#include "pg_backend.h"
#include "pg_connection.h"
#include "pg_select_parser.h"

extern "C" const TVNPgBackend* VNPgBackend() {
  static const TVNPgBackend Backend{
      []() -> std::unique_ptr<TVNServerConnection> { return std::make_unique<TVNPgConnection>(); },
      &ParsePgSelect};
  return &Backend;
}
