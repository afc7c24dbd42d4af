// The Windows world gathered for installing: the registry, shell and file, clock and code page
// seams over the real Win32 functions, owned together and handed out as a Platform (as the
// native world does for the simulated ones). The UI and RDO seams are left for the caller.
// Like the Platform it fills, a world serves one thread.
#pragma once

#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_codec.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "support/platform.h"

namespace bellnest::win32 {

class Win32World {
 public:
  Win32World() : clock_(codec_) {}
  Win32World(const Win32World&) = delete;
  Win32World& operator=(const Win32World&) = delete;

  // The registry, shell, clock and code page seams (UI and RDO unset). Valid while the world lives.
  Platform Seams();

  Win32Registry& Registry() { return registry_; }
  Win32Shell& Shell() { return shell_; }
  Win32Clock& Clock() { return clock_; }
  AnsiCodec& Codec() { return codec_; }

 private:
  AnsiCodec codec_;
  Win32Registry registry_;
  Win32Shell shell_;
  Win32Clock clock_;
};

}  // namespace bellnest::win32
