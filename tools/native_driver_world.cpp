// The page driver's native world: a simulated machine (in-memory registry kept in
// DATA/registry.reg, drive C under DATA/c) hosting the core in process.
#include <system_error>

#include "sim/native_world.h"
#include "sim/page_host.h"
#include "tools/page_driver.h"

namespace bellnest::tools {

namespace {

constexpr const char* kRegistryFile = "registry.reg";

class NativeDriverWorld final : public DriverWorld {
 public:
  Status Start(const DriverOptions& options) override {
    sim::WorldOptions worldOptions;
    if (!options.DataDir.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(options.DataDir, ec);
      if (ec) return Failure("cannot create the data folder " + options.DataDir.string() + ": " + ec.message());
      worldOptions.Root = options.DataDir;
    }
    world_ = std::make_unique<sim::NativeWorld>(worldOptions);
    if (options.FixedClock) world_->Clock().Set(sim::LocalDateTime{2026, 12, 5, 9, 30, 0});
    if (!options.DataDir.empty()) {
      const std::filesystem::path regFile = options.DataDir / kRegistryFile;
      if (std::filesystem::exists(regFile)) return world_->LoadRegFile(regFile);
    }
    return {};
  }

  std::unique_ptr<sim::PageSession> NewSession(sim::SimulatedOutlook& outlook) override {
    return std::make_unique<sim::PageHost>(*world_, outlook);
  }

  Status Finish(const DriverOptions& options) override {
    if (options.DataDir.empty()) return {};
    return world_->SaveRegFile(options.DataDir / kRegistryFile);
  }

 private:
  static ErrorInfo Failure(const std::string& text) { return ErrorInfo{err::kFileNotFound, text, "driver"}; }

  std::unique_ptr<sim::NativeWorld> world_;
};

}  // namespace

std::unique_ptr<DriverWorld> MakeNativeWorld() { return std::make_unique<NativeDriverWorld>(); }

}  // namespace bellnest::tools
