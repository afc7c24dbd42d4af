// The seams of the Windows world installed on a thread for as long as a control lives there:
// the core finds its registry, files, clock, code page, user interface and RDO library through
// the thread's Platform, and Outlook may host several pages on its UI thread in turn.
#pragma once

#include <memory>

#include "com/host_adapters.h"
#include "platform/win32/win32_ui.h"
#include "platform/win32/win32_world.h"
#include "support/platform.h"

namespace bellnest::com {

class ThreadWorld {
 public:
  // The world of the calling thread, installed by the first user and removed after the last.
  static std::shared_ptr<ThreadWorld> Acquire();

  ThreadWorld();
  ~ThreadWorld() = default;
  ThreadWorld(const ThreadWorld&) = delete;
  ThreadWorld& operator=(const ThreadWorld&) = delete;

  win32::Win32Ui& Ui() { return ui_; }

 private:
  Platform Seams();

  win32::Win32World world_;
  win32::Win32Ui ui_;
  ComRdoFactory rdo_;
  ScopedPlatform installed_;
};

}  // namespace bellnest::com
