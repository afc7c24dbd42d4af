// Setting up a native world and removing its temporary folder.
#include "sim/native_world.h"

#include <cstdio>
#include <random>
#include <system_error>

#include "support/local_data_folder.h"

namespace bellnest::sim {

namespace fs = std::filesystem;

fs::path NativeWorld::MakeRoot(const fs::path& requested, bool& owned) {
  std::error_code ec;
  if (!requested.empty()) {
    fs::create_directories(requested, ec);
    return requested;
  }
  const fs::path temp = fs::temp_directory_path(ec);
  if (ec) return {};
  // A folder no one else has: create_directory fails on a name already taken (the world is
  // built on Windows too, where there is no mkdtemp).
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "bellnest-world-%08x", static_cast<unsigned>(entropy()));
    const fs::path folder = temp / name;
    if (fs::create_directory(folder, ec) && !ec) {
      owned = true;
      return folder;
    }
  }
  return {};
}

NativeWorld::NativeWorld(WorldOptions options)
    : root_(MakeRoot(options.Root, ownsRoot_)), shell_(root_, codec_, codec_.ToAnsi(options.UserName)) {
  const std::string home = "C:\\Users\\" + codec_.ToAnsi(options.UserName);
  shell_.MakeFolders(shell_.LocalAppData());
  shell_.MakeFolders(shell_.LibraryFolder());
  shell_.SetCurrentDirectory(home);
  const std::string appData = shell_.LocalAppData();
  registry_.SetValue(kHkeyCurrentUser, kShellFoldersKey, "Local AppData", reg::kSz, appData + '\0');
}

NativeWorld::~NativeWorld() {
  if (!ownsRoot_ || root_.empty()) return;
  std::error_code ec;
  fs::remove_all(root_, ec);
}

Platform NativeWorld::Seams() {
  Platform platform;
  platform.Registry = &registry_;
  platform.Shell = &shell_;
  platform.Clock = &clock_;
  platform.Codec = &codec_;
  return platform;
}

}  // namespace bellnest::sim
