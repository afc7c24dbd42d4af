// The Windows world's Platform.
#include "platform/win32/win32_world.h"

namespace bellnest::win32 {

Platform Win32World::Seams() {
  Platform platform;
  platform.Registry = &registry_;
  platform.Shell = &shell_;
  platform.Clock = &clock_;
  platform.Codec = &codec_;
  return platform;
}

}  // namespace bellnest::win32
