// Runs a program while Outlook seems to run: a window of Outlook's main window class is open
// until the program ends. Exits with the program's exit code (100: it could not start).
//   outlook_running <program> [arguments]
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t**) {
  // The rest of this program's own command line, as typed.
  const wchar_t* line = ::GetCommandLineW();
  const wchar_t* rest = line[0] == L'"' ? std::wcschr(line + 1, L'"') : std::wcschr(line, L' ');
  rest = rest ? std::wcschr(rest, L' ') : nullptr;
  if (argc < 2 || !rest) {
    std::puts("usage: outlook_running <program> [arguments]");
    return 100;
  }
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"rctrl_renwnd32";
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowW(L"rctrl_renwnd32", L"Inbox - Outlook", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  wchar_t* commandLine = ::_wcsdup(rest + 1);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!window || !::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::puts("cannot open the window or start the program");
    return 100;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  ::DestroyWindow(window);
  return static_cast<int>(code);
}
