// The libraries that carry a server's client (PostgreSQL's, MariaDB's) are
// loaded the first time a process needs them, from the runtime's own folder,
// and kept until it ends.
#pragma once

// Loads FileName beside the runtime library and returns what its function
// Entry returns; EVNBackendMissing naming Server, the file and the reason when
// either cannot be found.
const void* LoadBackendLibrary(const char* Server, const char* FileName, const char* Entry);
