// The entry of the MariaDB backend library.
#include "mariadb_backend.h"
#include "mariadb_connection.h"

extern "C" const TVNMariaDbBackend* VNMariaDbBackend() {
  static const TVNMariaDbBackend Backend{
      []() -> std::unique_ptr<TVNServerConnection> { return std::make_unique<TVNMariaDbConnection>(); }};
  return &Backend;
}
