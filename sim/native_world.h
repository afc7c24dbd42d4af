// A complete native Windows for tests and tools: the in-memory registry, the POSIX-backed
// shell and files, the clock and the Windows-1252 code page, owned together and handed out as
// a Platform to install with ScopedPlatform. The UI and RDO seams are left for the caller.
//
// A new world looks like a fresh user's machine: drive C with C:\Users\<user>\AppData\Local
// and the library folder present, the current directory C:\Users\<user>, and the shell's
// "Local AppData" value in the registry, stored with its terminating NUL as Windows stores it.
#pragma once

#include <filesystem>
#include <string>

#include "host/error_info.h"
#include "sim/code_page.h"
#include "sim/memory_registry.h"
#include "sim/native_clock.h"
#include "sim/native_shell.h"
#include "support/platform.h"

namespace bellnest::sim {

struct WorldOptions {
  // Drive C lives in Root/c. Empty: a fresh temporary folder, removed with the world (if none
  // can be made, the world has no drives and every file call fails).
  std::filesystem::path Root;
  std::string UserName = "pat";  // core (UTF-8) text
};

class NativeWorld {
 public:
  explicit NativeWorld(WorldOptions options = {});
  ~NativeWorld();
  NativeWorld(const NativeWorld&) = delete;
  NativeWorld& operator=(const NativeWorld&) = delete;

  // The registry, shell, clock and code page seams (UI and RDO unset).
  Platform Seams();

  MemoryRegistry& Registry() { return registry_; }
  NativeShell& Shell() { return shell_; }
  NativeClock& Clock() { return clock_; }
  Windows1252Codec& Codec() { return codec_; }
  const std::filesystem::path& Root() const { return root_; }

  // Merges a .reg file into the registry; a malformed file changes nothing.
  Status LoadRegFile(const std::filesystem::path& file) { return registry_.LoadRegFile(file, codec_); }
  Status SaveRegFile(const std::filesystem::path& file) const { return registry_.SaveRegFile(file); }

 private:
  static std::filesystem::path MakeRoot(const std::filesystem::path& requested, bool& owned);

  bool ownsRoot_ = false;
  std::filesystem::path root_;
  Windows1252Codec codec_;
  MemoryRegistry registry_;
  NativeShell shell_;
  NativeClock clock_;
};

}  // namespace bellnest::sim
