// The Windows calls of the package, answered by the installed host (the visual
// component library: its controls, its user-interface driver).
#include <atomic>
#include <string>

#include "rtl/Windows.h"
#include "windows_host.h"

namespace {

std::atomic<vn_rtl::TWindowsHost*> Host{nullptr};

// Wide text (UTF-32 here) as UTF-8; a value that is no character becomes U+FFFD.
std::string Utf8(const wchar_t* Text) {
  std::string Result;
  if (Text == nullptr) return Result;
  for (; *Text != 0; ++Text) {
    auto C = static_cast<std::uint32_t>(*Text);
    if (C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) C = 0xFFFD;
    if (C < 0x80) {
      Result += static_cast<char>(C);
    } else if (C < 0x800) {
      Result += static_cast<char>(0xC0 | (C >> 6));
      Result += static_cast<char>(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
      Result += static_cast<char>(0xE0 | (C >> 12));
      Result += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
      Result += static_cast<char>(0x80 | (C & 0x3F));
    } else {
      Result += static_cast<char>(0xF0 | (C >> 18));
      Result += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
      Result += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
      Result += static_cast<char>(0x80 | (C & 0x3F));
    }
  }
  return Result;
}

}  // namespace

void vn_rtl::SetWindowsHost(TWindowsHost* AHost) noexcept { Host = AHost; }

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  vn_rtl::TWindowsHost* Current = Host;
  return Current == nullptr ? 0 : Current->SendMessage(hWnd, Msg, wParam, lParam);
}

std::int16_t GetAsyncKeyState(int vKey) {
  vn_rtl::TWindowsHost* Current = Host;
  return Current != nullptr && Current->IsKeyDown(vKey) ? static_cast<std::int16_t>(0x8000) : std::int16_t{0};
}

HINSTANCE ShellExecuteW(HWND, const wchar_t* lpOperation, const wchar_t* lpFile, const wchar_t* lpParameters,
                        const wchar_t*, int) {
  std::string File = Utf8(lpFile);
  if (File.empty()) return SE_ERR_FNF;
  const std::string Parameters = Utf8(lpParameters);
  if (!Parameters.empty()) File += " " + Parameters;
  const std::string Verb = lpOperation == nullptr ? "open" : Utf8(lpOperation);
  // Any value above 32 means success; 42 is what the platform's shell
  // commonly answers.
  vn_rtl::TWindowsHost* Current = Host;
  return Current != nullptr && Current->ShellExecute(Verb, File) ? 42 : SE_ERR_NOASSOC;
}
