// Unit Windows: the few calls of the operating system's user interface that the
// package makes. The visual component library answers them once loaded: window
// messages go to its controls, the key state and the shell go through its
// user-interface driver. Without it no window exists, no key is down and
// nothing opens a file.
#pragma once

#include <cstdint>

#include "rtl/Resources.h"

using HWND = std::uintptr_t;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// List-box messages.
inline constexpr UINT LB_GETHORIZONTALEXTENT = 0x0193;
// wParam: the width in pixels that the list scrolls sideways over.
inline constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194;

// Sends Msg to the window Handle and returns what its window procedure returns;
// 0 when no window has that handle (a window already destroyed, say).
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// Virtual-key codes.
inline constexpr int VK_LBUTTON = 0x01;
inline constexpr int VK_RBUTTON = 0x02;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;  // Alt
inline constexpr int VK_ESCAPE = 0x1B;

// The state of a key: the most significant bit (the result is negative) while
// it is held down.
std::int16_t GetAsyncKeyState(int vKey);

// Show commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

// Opens File (a document or an address) with the verb Operation ("open").
// Returns a value above 32 on success; 32 or less is an error code, e.g.
// SE_ERR_NOASSOC when nothing can open it. Null texts stand for none.
HINSTANCE ShellExecuteW(HWND hwnd, const wchar_t* lpOperation, const wchar_t* lpFile, const wchar_t* lpParameters,
                        const wchar_t* lpDirectory, int nShowCmd);

inline constexpr HINSTANCE SE_ERR_FNF = 2;
inline constexpr HINSTANCE SE_ERR_ACCESSDENIED = 5;
inline constexpr HINSTANCE SE_ERR_NOASSOC = 31;

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Windows_Initialization();
void Windows_Finalization();
