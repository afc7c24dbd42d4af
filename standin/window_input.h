// A user's input and eyes for the stand-in and the Windows tests: mouse clicks and keys posted
// to a window, the message pump run until a condition holds or the queue is idle, and a
// picture of a window as BMP or PNG.
#pragma once

#include <filesystem>
#include <functional>

#include "platform/win32/windows_api.h"

namespace bellnest::standin {

// A click (button down and up) at a point of the window's client area.
void PostClick(HWND window, POINT at);
// A key press; character, when not 0, follows as WM_CHAR.
void PostKey(HWND window, WPARAM key, wchar_t character = 0);
// Runs the pump until done() holds or the time-out passes; false on time-out. translate sees
// each message first and keeps it when it returns true (a dialog's keys).
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000,
               const std::function<bool(MSG&)>& translate = nullptr);
// Runs the pump until nothing is queued: what a click set off has run.
void DrainMessages(const std::function<bool(MSG&)>& translate = nullptr);

// A visible or hidden top-level window of this process with that class and title (either may
// be null to match any). Other programs on the same desktop (tests run side by side) may show
// windows of the same class and title; they are never ours to press keys on.
HWND FindOwnWindow(const wchar_t* className, const wchar_t* title);

// The window as it is on the screen, as a 24-bit BMP or a PNG (by the file's extension).
bool SaveBmp(HWND window, const std::filesystem::path& file);
bool SavePng(HWND window, const std::filesystem::path& file);

}  // namespace bellnest::standin
