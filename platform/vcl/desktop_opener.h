// Opening an address (a web page, a mail address, a file) with the desktop's
// own opener, as the shell's "open" does on the platform.
#pragma once

#include <string>

namespace vn_vcl {

// Starts Program (found on PATH, "xdg-open" for the desktop) with Address as
// its one argument, without a shell: nothing in Address is interpreted. The
// opener gets no terminal (its standard streams are /dev/null) and a process
// group of its own, so that it neither garbles nor hears the person's
// terminal; it runs on by itself and is reaped by a later call.
// False when Address is refused (empty, or starting with "-", which the
// opener would take for an option) or Program cannot be started.
bool OpenWithDesktop(const std::string& Program, const std::string& Address);

}  // namespace vn_vcl
