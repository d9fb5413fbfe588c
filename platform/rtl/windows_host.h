// What the Windows calls need of a user interface: the windows that messages go
// to, the key state and the shell. The visual component library answers them
// once it is loaded (it installs its answers at start-up); shared with vcl220.
#pragma once

#include <string>

#include "rtl/Windows.h"

namespace vn_rtl {

class TWindowsHost {
 public:
  virtual ~TWindowsHost() = default;
  // What the window procedure of hWnd returns; 0 when no window has the handle.
  virtual LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) = 0;
  virtual bool IsKeyDown(int VirtualKey) = 0;
  // Opens File with Verb ("open"); false when nothing can open it.
  virtual bool ShellExecute(const std::string& Verb, const std::string& File) = 0;
};

// Host answers the Windows calls from now on; null: no window exists, no key is
// down and nothing opens a file.
void SetWindowsHost(TWindowsHost* Host) noexcept;

}  // namespace vn_rtl
