// Leak checker suppressions built into the sanitizer build's programs (the
// tests and vnide).
//
// Fontconfig keeps what a loaded configuration holds behind offsets rather
// than pointers, so the configuration that Pango loads for the process (and
// never frees before exit) looks unreferenced to the leak checker. The library
// has no frame pointers: its allocations are matched by the module alone.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// The address sanitizer of GCC 12 guesses the size of a thread-local block
// that glibc 2.36 allocated for a library loaded at run time (the PostgreSQL
// backend's libpg_query and TLS libraries) from whatever precedes it in memory,
// and the leak checker then crashes at exit scanning the range it guessed.
// Without the interception those blocks are still scanned: the leak checker
// treats what the dynamic loader allocates as reachable.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
