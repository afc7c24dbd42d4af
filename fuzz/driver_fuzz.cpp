// The page driver's command language: any script runs to its end without a crash, and the
// driver still answers afterwards. Profiles are loaded from a fixed folder of this target's own
// (a "profile" line naming a path outside it is dropped, so that no input reads a device or a
// stranger's file).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "sim/profile/profile_json.h"
#include "sim/profile/sample_profile.h"
#include "tools/page_driver.h"

namespace {

std::filesystem::path ProfileFolder() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "bellnest_driver_fuzz";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "sample.json") << bellnest::sim::ProfileToJson(bellnest::sim::SampleProfile());
    std::ofstream(dir / "broken.json") << "{\"stores\": [";
    return dir;
  }();
  return folder;
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

// True for a "profile" line whose file lies outside the profile folder.
bool ReachesOut(std::string_view line) {
  while (!line.empty() && Blank(line.front())) line.remove_prefix(1);
  if (line.substr(0, 7) != "profile" || (line.size() > 7 && !Blank(line[7]))) return false;
  return line.find('/') != std::string_view::npos || line.find("..") != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string script;
  for (size_t start = 0; start <= input.size();) {
    size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view line = input.substr(start, end - start);
    if (!ReachesOut(line)) script.append(line).append("\n");
    start = end + 1;
  }

  bellnest::tools::DriverOptions options;
  options.FixedClock = true;
  options.BaseDir = ProfileFolder();
  std::ostringstream out;
  bellnest::tools::PageDriver driver(options, out, bellnest::tools::MakeNativeWorld());
  if (!driver.Start()) {
    std::fprintf(stderr, "the sample profile does not start\n%s", out.str().c_str());
    std::abort();
  }
  std::istringstream in(script);
  driver.RunScript(in);
  driver.Run("state");
  driver.Finish();
  return 0;
}
