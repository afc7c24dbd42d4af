// The per-thread platform object and the failing stand-ins for seams nobody installed.
#include "support/platform.h"

namespace bellnest {

namespace {

class NoRegistry final : public RegistryApi {
 public:
  int32_t RegOpenKeyA(RegKey, const std::string&, RegKey* result) override {
    if (result) *result = 0;
    return reg::kCallNotImplemented;
  }
  int32_t RegCreateKeyA(RegKey, const std::string&, RegKey* result) override {
    if (result) *result = 0;
    return reg::kCallNotImplemented;
  }
  int32_t RegQueryValueExA(RegKey, const std::string&, uint32_t*, uint8_t*, uint32_t*) override {
    return reg::kCallNotImplemented;
  }
  int32_t RegSetValueExA(RegKey, const std::string&, uint32_t, const uint8_t*, uint32_t) override {
    return reg::kCallNotImplemented;
  }
  int32_t RegCloseKey(RegKey) override { return reg::kCallNotImplemented; }
  int32_t RegDeleteKeyA(RegKey, const std::string&) override { return reg::kCallNotImplemented; }
};

ErrorInfo Unavailable() { return RuntimeError(err::kPathFileAccess); }

class NoShell final : public ShellFileApi {
 public:
  int32_t SHGetFolderPathA(intptr_t, int32_t, intptr_t, uint32_t, std::string*) override {
    return err::kMapiCallFailed;  // E_FAIL
  }
  bool GetVersionExA(OsVersionInfo*) override { return false; }
  intptr_t FindFirstFileA(const std::string&) override { return shell::kInvalidHandleValue; }
  bool FindClose(intptr_t) override { return false; }
  uint32_t GetFileAttributesA(const std::string&) override { return shell::kInvalidFileAttributes; }
  bool CreateDirectoryA(const std::string&) override { return false; }
  Status AppendToFile(const std::string&, std::string_view) override { return Unavailable(); }
  Result<int64_t> FileLength(const std::string&) override { return RuntimeError(err::kFileNotFound); }
  Status DeleteFile(const std::string&) override { return RuntimeError(err::kFileNotFound); }
  std::string LibraryFolder() override { return {}; }
};

class NoClock final : public ClockApi {
 public:
  std::string NowText() override { return {}; }
};

// Without a code page, bytes pass unchanged.
class NoCodec final : public TextCodec {
 public:
  std::string ToAnsi(std::string_view utf8) override { return std::string(utf8); }
  std::string FromAnsi(std::string_view ansi) override { return std::string(ansi); }
};

class NoUi final : public UiApi {
 public:
  int32_t MsgBox(const std::string&, int32_t, const std::string&) override { return 1; }  // vbOK
  intptr_t HtmlHelpA(intptr_t, const std::string&, uint32_t, uintptr_t) override { return 0; }
  intptr_t FindWindowA(const std::string&, const std::string&) override { return 0; }
  intptr_t SendMessageTimeoutA(intptr_t, uint32_t, uintptr_t, intptr_t, uint32_t, uint32_t, uintptr_t*) override {
    return 0;
  }
  void DoEvents() override {}
  uint32_t GetTickCount() override { return 0; }
  void ShowAboutBox(const AboutBoxTexts&) override {}
  Result<VersionResource> LibraryVersion() override { return RuntimeError(err::kFileNotFound); }
};

class NoRdo final : public RdoFactory {
 public:
  Result<RdoSessionPtr> CreateSession(const std::string&) override { return RuntimeError(err::kCantCreateObject); }
};

thread_local Platform tCurrent;

// The stand-ins keep no state, so one of each serves every thread.
template <class Api, class Fallback>
Api& OrFallback(Api* installed) {
  static Fallback fallback;
  return installed ? *installed : fallback;
}

}  // namespace

RegistryApi& Registry() { return OrFallback<RegistryApi, NoRegistry>(tCurrent.Registry); }
ShellFileApi& Shell() { return OrFallback<ShellFileApi, NoShell>(tCurrent.Shell); }
ClockApi& Clock() { return OrFallback<ClockApi, NoClock>(tCurrent.Clock); }
TextCodec& Codec() { return OrFallback<TextCodec, NoCodec>(tCurrent.Codec); }
UiApi& Ui() { return OrFallback<UiApi, NoUi>(tCurrent.Ui); }
RdoFactory& Rdo() { return OrFallback<RdoFactory, NoRdo>(tCurrent.Rdo); }

const Platform& CurrentPlatform() { return tCurrent; }
void InstallPlatform(const Platform& platform) { tCurrent = platform; }

ScopedPlatform::ScopedPlatform(const Platform& platform) : previous_(tCurrent) { tCurrent = platform; }
ScopedPlatform::~ScopedPlatform() { tCurrent = previous_; }

}  // namespace bellnest
