// The native world's registry: an in-memory tree of keys and values behind the registry seam,
// with the semantics of the ANSI advapi32 functions the system calls, so the core's registry
// code meets the same result codes, sizes and handle rules it meets on Windows. Tests reach
// the tree directly, count open handles, and make any function fail on demand.
//
// What it models: the predefined roots HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE, HKEY_USERS and HKEY_CURRENT_CONFIG as separate trees (no merged view of
// classes); key and value names compared case-insensitively in the Windows-1252 code page and
// kept in the case they were created with; a trailing backslash naming the same key; a leading
// backslash or an empty key name inside a path refused with ERROR_BAD_PATHNAME; an empty sub key
// answering the handle passed in, as RegOpenKeyA and RegCreateKeyA do, and making RegDeleteKeyA
// delete the key the handle names; handles of a deleted key answering ERROR_KEY_DELETED. Values are the exact bytes and
// type that were set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/error_info.h"
#include "sim/reg_file.h"
#include "support/registry_api.h"
#include "support/shell_api.h"

namespace bellnest::sim {

inline constexpr int32_t kErrorBadPathname = 161;
inline constexpr int32_t kErrorKeyDeleted = 1018;

enum class RegCall { OpenKey, CreateKey, QueryValue, SetValue, CloseKey, DeleteKey };

struct RegValue {
  std::string Name;  // as created
  uint32_t Type = 0;
  std::string Data;  // raw bytes
};

class MemoryRegistry final : public RegistryApi {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  // The registry seam.
  int32_t RegOpenKeyA(RegKey key, const std::string& subKey, RegKey* result) override;
  int32_t RegCreateKeyA(RegKey key, const std::string& subKey, RegKey* result) override;
  int32_t RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                           uint32_t* dataSize) override;
  int32_t RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                         uint32_t dataSize) override;
  int32_t RegCloseKey(RegKey key) override;
  int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) override;

  // Handles opened or created and not yet closed (predefined roots do not count).
  size_t OpenHandleCount() const { return handles_.size(); }
  // Calls of each function so far, failed ones included.
  size_t CallCount(RegCall call) const;

  // Makes a function fail with the given result code: the first `skip` calls succeed, then
  // `times` calls fail (-1: every later call). A failing open or create leaves *result 0.
  void InjectFault(RegCall call, int32_t code, int skip = 0, int times = -1);
  void ClearFaults();

  // Direct access for tests and tools; paths are ANSI, relative to a predefined root.
  bool KeyExists(RegKey root, std::string_view path) const;
  std::optional<RegValue> GetValue(RegKey root, std::string_view path, std::string_view name) const;
  // Creates the key path when missing. False when the root or the path is not valid.
  bool SetValue(RegKey root, std::string_view path, std::string_view name, uint32_t type, std::string_view data);
  bool DeleteValue(RegKey root, std::string_view path, std::string_view name);
  // Removes the key and everything below it; false when it is missing or a root.
  bool DeleteTree(RegKey root, std::string_view path);
  // The names of the direct subkeys, in the order regedit lists them.
  std::vector<std::string> SubKeyNames(RegKey root, std::string_view path) const;
  // The values of a key, in the order they were first set.
  std::vector<RegValue> Values(RegKey root, std::string_view path) const;
  // Every key below the root, as paths, parents before children.
  std::vector<std::string> KeyPaths(RegKey root) const;

  // .reg text and files (see reg_file.h). Loading merges into what is there and changes nothing
  // when the text is malformed; saving writes every key of every root.
  Status ImportRegText(std::string_view bytes, std::string_view fileName, TextCodec& codec);
  std::string ExportRegText() const;
  Status LoadRegFile(const std::filesystem::path& file, TextCodec& codec);
  Status SaveRegFile(const std::filesystem::path& file) const;

 private:
  struct Node;
  using NodePtr = std::shared_ptr<Node>;
  struct Fault {
    int32_t Code = 0;
    int Skip = 0;
    int Times = 0;
  };

  std::optional<int32_t> TakeFault(RegCall call);
  // The node a handle names, or the result code for a handle that names none.
  NodePtr Resolve(RegKey key, int32_t& error) const;
  NodePtr Root(RegKey root) const;
  NodePtr Find(RegKey root, std::string_view path) const;
  NodePtr FindOrCreate(RegKey root, std::string_view path);
  RegKey NewHandle(NodePtr node);
  int32_t OpenOrCreate(RegKey key, const std::string& subKey, RegKey* result, RegCall call);

  std::map<RegKey, NodePtr> roots_;
  std::unordered_map<RegKey, NodePtr> handles_;
  RegKey nextHandle_ = 0x100;
  std::map<RegCall, Fault> faults_;
  std::map<RegCall, size_t> calls_;
};

}  // namespace bellnest::sim
