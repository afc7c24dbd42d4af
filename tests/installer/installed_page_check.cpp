// What the installer test asks of an installed Bellnest, from inside the Wine prefix:
//   page                      create the page by its ProgID through the per-user registration
//                             and print the DLL it came from
//   outlook <program> [args]  run a program while a window of Outlook's main window class is
//                             open, and exit with its exit code
// Wine's COM finds classes under HKLM only, where Windows merges the per-user ones over them,
// so "page" follows HKCU\Software\Classes itself, as Windows would for an ordinary user.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>

#include "com/ppbellnest_h.h"

namespace {

std::wstring ReadDefault(const std::wstring& key) {
  wchar_t value[MAX_PATH] = {};
  DWORD bytes = sizeof value;
  if (::RegGetValueW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + key).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                     &bytes) != ERROR_SUCCESS)
    return L"";
  return value;
}

int CreatePage() {
  const std::wstring clsidText = ReadDefault(L"PPBellnest.UserControl1\\CLSID");
  CLSID clsid{};
  if (clsidText.empty() || FAILED(::CLSIDFromString(clsidText.c_str(), &clsid))) {
    std::puts("no per-user ProgID PPBellnest.UserControl1");
    return 1;
  }
  const std::wstring path = ReadDefault(L"CLSID\\" + clsidText + L"\\InprocServer32");
  HMODULE module = ::LoadLibraryW(path.c_str());
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = module ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")))
                    : nullptr;
  IClassFactory* factory = nullptr;
  PropertyPage* page = nullptr;
  const HRESULT result = !get ? E_FAIL
                         : FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))
                             ? E_NOINTERFACE
                             : factory->CreateInstance(nullptr, IID_PropertyPage, reinterpret_cast<void**>(&page));
  std::printf("%s %ls\n", SUCCEEDED(result) ? "created from" : "cannot create from", path.c_str());
  if (page) page->Release();
  if (factory) factory->Release();
  return SUCCEEDED(result) ? 0 : 1;
}

int RunWhileOutlookIsOpen(wchar_t* commandLine) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"rctrl_renwnd32";
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowW(L"rctrl_renwnd32", L"Inbox - Outlook", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::CoInitialize(nullptr);
  const std::wstring command = argc > 1 ? argv[1] : L"";
  int code = 2;
  if (command == L"page") {
    code = CreatePage();
  } else if (wchar_t* rest = ::wcsstr(::GetCommandLineW(), L" outlook "); command == L"outlook" && rest && argc > 2) {
    code = RunWhileOutlookIsOpen(rest + 9);  // the rest of the command line, as typed
  } else {
    std::puts("usage: installed_page_check page | outlook <program> [arguments]");
  }
  ::CoUninitialize();
  return code;
}
