// Setting up a native world and removing its temporary folder.
#include "sim/native_world.h"

#include <cstdlib>
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
  std::string pattern = (temp / "bellnest-world-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  owned = true;
  return pattern;
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
