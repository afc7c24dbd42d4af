// The seams of the outside world gathered in one object per thread. The page driver and each
// test fixture install one; a seam left unset answers every call with a
// failure, so a missing seam is a logged failure, never a crash.
#pragma once

#include "host/rdo.h"
#include "support/registry_api.h"
#include "support/shell_api.h"
#include "support/ui_api.h"

namespace bellnest {

struct Platform {
  RegistryApi* Registry = nullptr;
  ShellFileApi* Shell = nullptr;
  ClockApi* Clock = nullptr;
  TextCodec* Codec = nullptr;
  UiApi* Ui = nullptr;
  RdoFactory* Rdo = nullptr;
};

// The seams installed on this thread; unset ones are replaced by failing stand-ins.
RegistryApi& Registry();
ShellFileApi& Shell();
ClockApi& Clock();
TextCodec& Codec();
UiApi& Ui();
RdoFactory& Rdo();

const Platform& CurrentPlatform();
void InstallPlatform(const Platform& platform);

// Installs a platform for a scope and puts the previous one back at its end.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(const Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform previous_;
};

}  // namespace bellnest
