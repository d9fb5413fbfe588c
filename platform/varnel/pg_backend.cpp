#include "pg_backend.h"

#include "backend_library.h"

const TVNPgBackend& PgBackend() {
  // A failed load raises and is tried again by the next call.
  static const TVNPgBackend& Backend =
      *static_cast<const TVNPgBackend*>(LoadBackendLibrary("PostgreSQL", PgBackendFileName, "VNPgBackend"));
  return Backend;
}
