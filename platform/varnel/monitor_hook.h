// The process-wide hook through which components report the statements they send.
#pragma once

#include <string>

// Tells every active TVNMonitor that SQL is being sent.
void NotifyMonitors(const std::string& SQL);
