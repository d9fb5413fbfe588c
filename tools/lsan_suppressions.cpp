// Leak checker suppressions built into the sanitizer build's programs (the
// tests and vnide).
//
// Fontconfig keeps what a loaded configuration holds behind offsets rather
// than pointers, so the configuration that Pango loads for the process (and
// never frees before exit) looks unreferenced to the leak checker. The library
// has no frame pointers: its allocations are matched by the module alone.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
