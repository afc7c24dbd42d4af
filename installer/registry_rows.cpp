// What a COM server DLL of ours registers, taken from the DLL itself: its DllInstall registers
// per user while HKEY_CURRENT_USER stands for a scratch key, so the package's registry rows are
// the DLL's own table and the build's registry stays as it was.
//   registry_rows wix <folder property> (<dll> <file id> <out.wxi>)...
//       writes each DLL's values as WiX RegistryValue elements below HKMU into its .wxi, the
//       DLL's path as [#file id] and its folder as [folder property] (one process for all:
//       a 32-bit one starts slowly under emulation)
//   registry_rows compare <dll> user|machine
//       compares the DLL's values, registered from where it lies, with what the hive holds below
//       the same keys; prints each difference and exits 1 when there is one
#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {

// A value as the registry holds it: REG_SZ text or a REG_DWORD number (all our tables use).
struct Value {
  DWORD Type = REG_NONE;
  std::wstring Text;
  DWORD Number = 0;
  bool operator==(const Value&) const = default;
};
// A value where it lies: its key's path below the hive and its name (empty: the default value).
struct Entry {
  std::wstring Key, Name;
  Value Data;
};
// By path and name in lower case, as the registry compares them.
using Values = std::map<std::pair<std::wstring, std::wstring>, Entry>;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// Reads every value below key into values, paths relative to the hive as prefix names them.
void ReadTree(HKEY key, const std::wstring& prefix, Values& values) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, size = 0;
    if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::vector<BYTE> data(size + sizeof(wchar_t));
    nameLength = 16384;
    if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) continue;
    Value value{type, {}, 0};
    if (type == REG_DWORD && size == sizeof(DWORD))
      value.Number = *reinterpret_cast<const DWORD*>(data.data());
    else
      value.Text = std::wstring(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t)).c_str();
    values[{Lower(prefix), Lower(name)}] = Entry{prefix, name, value};
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (::RegOpenKeyExW(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    // A key without values still counts: its default value is then "absent".
    const std::wstring path = prefix + L"\\" + name;
    values[{Lower(path), L"\x1"}] = Entry{path, {}, {}};
    ReadTree(child, path, values);
    ::RegCloseKey(child);
  }
}

// The DLL's registration per user, written into a scratch key.
bool RegisterIntoScratch(const wchar_t* dll, Values& values) {
  const std::wstring scratchName = L"Software\\Bellnest registry rows " + std::to_wstring(::GetCurrentProcessId());
  HKEY scratch = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, scratchName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch,
                        nullptr) != ERROR_SUCCESS) {
    std::fwprintf(stderr, L"registry_rows: cannot create HKCU\\%ls\n", scratchName.c_str());
    return false;
  }
  HMODULE module = ::LoadLibraryW(dll);
  using DllInstallProc = HRESULT(WINAPI*)(BOOL, LPCWSTR);
  auto install = module
                     ? reinterpret_cast<DllInstallProc>(reinterpret_cast<void*>(::GetProcAddress(module, "DllInstall")))
                     : nullptr;
  HRESULT result = E_FAIL;
  if (install && ::RegOverridePredefKey(HKEY_CURRENT_USER, scratch) == ERROR_SUCCESS) {
    result = install(TRUE, L"user");
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  }
  Values all;
  ReadTree(scratch, L"", all);
  ::RegCloseKey(scratch);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchName.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, scratchName.c_str());
  if (module) ::FreeLibrary(module);
  if (!install || FAILED(result)) {
    std::fwprintf(stderr, L"registry_rows: %ls: %ls (0x%08lx)\n", dll,
                  install ? L"DllInstall failed" : L"no DllInstall", static_cast<unsigned long>(result));
    return false;
  }
  // Paths below the scratch key begin with a backslash; keys without values are no rows.
  for (auto& [where, entry] : all) {
    if (where.second == L"\x1") continue;
    entry.Key = entry.Key.substr(1);
    values[{where.first.substr(1), where.second}] = entry;
  }
  return true;
}

std::wstring Replace(std::wstring text, const std::wstring& what, const std::wstring& with) {
  const std::wstring lower = Lower(text), lowerWhat = Lower(what);
  for (size_t at = lower.rfind(lowerWhat); !what.empty() && at != std::wstring::npos;
       at = at == 0 ? std::wstring::npos : lower.rfind(lowerWhat, at - 1))
    text.replace(at, what.size(), with);
  return text;
}

std::wstring Xml(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'&')
      out += L"&amp;";
    else if (c == L'<')
      out += L"&lt;";
    else if (c == L'>')
      out += L"&gt;";
    else if (c == L'"')
      out += L"&quot;";
    else
      out += c;
  }
  return out;
}

std::wstring ModulePath(const wchar_t* dll) {
  wchar_t full[MAX_PATH];
  const DWORD length = ::GetFullPathNameW(dll, MAX_PATH, full, nullptr);
  return length && length < MAX_PATH ? std::wstring(full) : std::wstring(dll);
}

int WriteWix(const wchar_t* dll, const std::wstring& fileId, const std::wstring& folderProperty, const wchar_t* out) {
  Values values;
  if (!RegisterIntoScratch(dll, values)) return 1;
  const std::wstring path = ModulePath(dll);
  const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
  std::wstring xml =
      L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- Generated from the DLL's own registration table by "
      L"registry_rows. -->\n<Include>\n";
  for (const auto& [where, entry] : values) {
    const Value& value = entry.Data;
    std::wstring text;
    if (value.Type == REG_DWORD) {
      text = std::to_wstring(value.Number);
    } else {
      // Brackets would be read as properties: none of ours has one, and none may slip in.
      if (value.Text.find_first_of(L"[]") != std::wstring::npos) {
        std::fwprintf(stderr, L"registry_rows: a value with brackets: %ls\n", value.Text.c_str());
        return 1;
      }
      text = Replace(Replace(value.Text, path, L"[#" + fileId + L"]"), folder, L"[" + folderProperty + L"]");
    }
    xml += L"  <RegistryValue Root=\"HKMU\" Key=\"" + Xml(entry.Key) + L"\"" +
           (entry.Name.empty() ? L"" : L" Name=\"" + Xml(entry.Name) + L"\"") + L" Type=\"" +
           (value.Type == REG_DWORD ? L"integer" : L"string") + L"\" Value=\"" + Xml(text) + L"\"/>\n";
  }
  xml += L"</Include>\n";
  // In UTF-8, as the rows declare (the add-in's description has a registered sign).
  std::string bytes(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, xml.data(), static_cast<int>(xml.size()),
                                                              nullptr, 0, nullptr, nullptr)),
                    '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, xml.data(), static_cast<int>(xml.size()), bytes.data(),
                        static_cast<int>(bytes.size()), nullptr, nullptr);
  FILE* file = ::_wfopen(out, L"wb");
  const bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file) std::fclose(file);
  if (!written) std::fwprintf(stderr, L"registry_rows: cannot write %ls\n", out);
  return written ? 0 : 1;
}

std::wstring Describe(const Entry& entry) {
  const Value& value = entry.Data;
  std::wstring text = entry.Key + L" [" + (entry.Name.empty() ? L"(default)" : entry.Name) + L"] = ";
  return text + (value.Type == REG_DWORD ? std::to_wstring(value.Number) : L"\"" + value.Text + L"\"");
}

int Compare(const wchar_t* dll, const std::wstring& scope) {
  Values expected;
  if (!RegisterIntoScratch(dll, expected)) return 1;
  const HKEY hive = Lower(scope) == L"user" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  // The topmost keys holding a value: below each, the hive must hold what the DLL writes and
  // nothing else (the type library's key above its version may hold the other bitness's).
  std::vector<std::wstring> roots;
  for (const auto& [where, entry] : expected) {
    bool below = false;
    for (const std::wstring& root : roots)
      below = below || where.first.rfind(Lower(root) + L"\\", 0) == 0 || where.first == Lower(root);
    if (!below) roots.push_back(entry.Key);
  }
  Values actual;
  for (const std::wstring& root : roots) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(hive, root.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    ReadTree(key, root, actual);
    ::RegCloseKey(key);
  }
  int differences = 0;
  for (const auto& [where, entry] : expected) {
    const Value& value = entry.Data;
    auto found = actual.find(where);
    // A folder the package writes ends in a backslash (Windows Installer's folder properties
    // do): the same folder.
    const bool same = found != actual.end() &&
                      (found->second.Data == value || (value.Type == REG_SZ && found->second.Data.Type == REG_SZ &&
                                                       Lower(found->second.Data.Text) == Lower(value.Text) + L"\\"));
    if (!same) {
      std::wprintf(L"missing or different: %ls%ls\n", Describe(entry).c_str(),
                   found == actual.end() ? L"" : (L" (holds " + Describe(found->second) + L")").c_str());
      ++differences;
    }
  }
  for (const auto& [where, entry] : actual) {
    if (where.second == L"\x1" || expected.count(where)) continue;
    std::wprintf(L"not written by the DLL: %ls\n", Describe(entry).c_str());
    ++differences;
  }
  std::wprintf(L"%zu values compared below %zu keys: %d differences\n", expected.size(), roots.size(), differences);
  return differences == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"wix" && argc >= 6 && (argc - 3) % 3 == 0) {
    for (int i = 3; i < argc; i += 3)
      if (WriteWix(argv[i], argv[i + 1], argv[2], argv[i + 2]) != 0) return 1;
    return 0;
  }
  if (mode == L"compare" && argc == 4) return Compare(argv[2], argv[3]);
  std::fputs("usage: registry_rows wix <folder property> (<dll> <file id> <out.wxi>)... | compare <dll> user|machine\n",
             stderr);
  return 2;
}
