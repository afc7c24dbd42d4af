// The shared support suite against the native world: the simulated registry, the POSIX-backed
// files and shell, the clock and the Windows-1252 code page.
#include <fstream>
#include <sstream>

#include "common/support_suite.h"
#include "sim/native_world.h"

namespace bellnest {
namespace {

class NativeSupportWorld final : public SupportWorld {
 public:
  Platform Seams() override { return world_.Seams(); }

  std::string ScratchKeyPath() override { return "Software\\Quillfen\\BellnestTest\\Scratch"; }
  std::string ScratchFolder() override {
    const std::string folder = "C:\\Users\\pat\\Scratch";
    world_.Shell().CreateDirectoryA(folder);
    return folder;
  }

  std::optional<RawRegValue> ReadRawValue(RegKey root, const std::string& keyPath,
                                          const std::string& valueName) override {
    std::optional<sim::RegValue> value =
        world_.Registry().GetValue(root, world_.Codec().ToAnsi(keyPath), world_.Codec().ToAnsi(valueName));
    if (!value) return std::nullopt;
    return RawRegValue{value->Type, value->Data};
  }
  bool WriteRawValue(RegKey root, const std::string& keyPath, const std::string& valueName, uint32_t type,
                     std::string_view bytes) override {
    return world_.Registry().SetValue(root, world_.Codec().ToAnsi(keyPath), world_.Codec().ToAnsi(valueName), type,
                                      bytes);
  }
  bool KeyExists(RegKey root, const std::string& keyPath) override {
    return world_.Registry().KeyExists(root, world_.Codec().ToAnsi(keyPath));
  }

  bool CreateFileOfSize(const std::string& path, size_t size) override {
    std::optional<std::filesystem::path> file = world_.Shell().PosixPath(world_.Codec().ToAnsi(path));
    if (!file) return false;
    std::ofstream out(*file, std::ios::binary | std::ios::trunc);
    out << std::string(size, 'x');
    return static_cast<bool>(out);
  }
  std::optional<std::string> ReadFileBytes(const std::string& path) override {
    std::optional<std::filesystem::path> file = world_.Shell().PosixPath(world_.Codec().ToAnsi(path));
    if (!file) return std::nullopt;
    std::ifstream in(*file, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  size_t OpenKeyHandles() override { return world_.Registry().OpenHandleCount(); }
  size_t OpenFindHandles() override { return world_.Shell().OpenFindHandleCount(); }

 private:
  sim::NativeWorld world_;
};

INSTANTIATE_TEST_SUITE_P(Native, SupportSuite,
                         testing::Values(WorldMaker{"Native", [] { return std::make_unique<NativeSupportWorld>(); }}),
                         WorldMakerName);

}  // namespace
}  // namespace bellnest
