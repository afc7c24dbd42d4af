// The in-memory registry. Keys are nodes shared by the tree and by the handles that name them,
// so a handle outlives the deletion of its key and then answers ERROR_KEY_DELETED.
#include "sim/memory_registry.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "sim/code_page.h"

namespace bellnest::sim {

struct MemoryRegistry::Node : std::enable_shared_from_this<MemoryRegistry::Node> {
  std::string Name;
  std::map<std::string, NodePtr> Children;  // by upper-case name, so regedit's order
  std::vector<RegValue> Values;
  std::weak_ptr<Node> Parent;
  bool Deleted = false;

  std::shared_ptr<Node> ChildOrNew(const std::string& name) {
    std::shared_ptr<Node>& child = Children[UpperAnsi(name)];
    if (!child) {
      child = std::make_shared<Node>();
      child->Name = name;
      child->Parent = weak_from_this();
    }
    return child;
  }

  RegValue* FindValue(std::string_view name) {
    const std::string wanted = UpperAnsi(name);
    for (RegValue& value : Values) {
      if (UpperAnsi(value.Name) == wanted) return &value;
    }
    return nullptr;
  }
};

namespace {

// The key names of a sub key path; nullopt for a leading backslash or an empty name inside.
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  if (path.empty()) return names;
  if (path.front() == '\\') return std::nullopt;
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = path.find('\\', start);
    const std::string_view name =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (name.empty()) return std::nullopt;
    names.emplace_back(name);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return names;
}

bool IsPredefined(RegKey key) { return !RootKeyName(key).empty(); }

}  // namespace

MemoryRegistry::MemoryRegistry() {
  for (RegKey root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers, kHkeyCurrentConfig}) {
    auto node = std::make_shared<Node>();
    node->Name = std::string(RootKeyName(root));
    roots_[root] = node;
  }
}

MemoryRegistry::~MemoryRegistry() = default;

size_t MemoryRegistry::CallCount(RegCall call) const {
  const auto it = calls_.find(call);
  return it == calls_.end() ? 0 : it->second;
}

void MemoryRegistry::InjectFault(RegCall call, int32_t code, int skip, int times) {
  faults_[call] = Fault{code, skip, times};
}

void MemoryRegistry::ClearFaults() { faults_.clear(); }

std::optional<int32_t> MemoryRegistry::TakeFault(RegCall call) {
  ++calls_[call];
  const auto it = faults_.find(call);
  if (it == faults_.end()) return std::nullopt;
  Fault& fault = it->second;
  if (fault.Skip > 0) {
    --fault.Skip;
    return std::nullopt;
  }
  if (fault.Times == 0) return std::nullopt;
  if (fault.Times > 0) --fault.Times;
  return fault.Code;
}

MemoryRegistry::NodePtr MemoryRegistry::Root(RegKey root) const {
  const auto it = roots_.find(root);
  return it == roots_.end() ? nullptr : it->second;
}

MemoryRegistry::NodePtr MemoryRegistry::Resolve(RegKey key, int32_t& error) const {
  NodePtr node = Root(key);
  if (!node) {
    const auto it = handles_.find(key);
    if (it != handles_.end()) node = it->second;
  }
  if (!node) {
    error = reg::kInvalidHandle;
    return nullptr;
  }
  if (node->Deleted) {
    error = kErrorKeyDeleted;
    return nullptr;
  }
  error = reg::kSuccess;
  return node;
}

RegKey MemoryRegistry::NewHandle(NodePtr node) {
  const RegKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = std::move(node);
  return handle;
}

int32_t MemoryRegistry::RegOpenKeyA(RegKey key, const std::string& subKey, RegKey* result) {
  return OpenOrCreate(key, subKey, result, RegCall::OpenKey);
}

int32_t MemoryRegistry::RegCreateKeyA(RegKey key, const std::string& subKey, RegKey* result) {
  return OpenOrCreate(key, subKey, result, RegCall::CreateKey);
}

// Opening walks existing keys only; creating makes every missing key along the path.
int32_t MemoryRegistry::OpenOrCreate(RegKey key, const std::string& subKey, RegKey* result, RegCall call) {
  if (result) *result = 0;
  if (const auto fault = TakeFault(call)) return *fault;
  if (!result) return reg::kInvalidParameter;
  int32_t error = 0;
  NodePtr node = Resolve(key, error);
  if (!node) return error;
  const auto names = SplitKeyPath(subKey);
  if (!names) return kErrorBadPathname;
  if (names->empty()) {
    *result = key;
    return reg::kSuccess;
  }
  for (const std::string& name : *names) {
    if (call == RegCall::CreateKey) {
      node = node->ChildOrNew(name);
      continue;
    }
    const auto it = node->Children.find(UpperAnsi(name));
    if (it == node->Children.end()) return reg::kFileNotFound;
    node = it->second;
  }
  *result = NewHandle(std::move(node));
  return reg::kSuccess;
}

int32_t MemoryRegistry::RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                                         uint32_t* dataSize) {
  if (const auto fault = TakeFault(RegCall::QueryValue)) return *fault;
  int32_t error = 0;
  NodePtr node = Resolve(key, error);
  if (!node) return error;
  if (data && !dataSize) return reg::kInvalidParameter;
  const RegValue* value = node->FindValue(valueName);
  if (!value) return reg::kFileNotFound;
  if (type) *type = value->Type;
  const auto size = static_cast<uint32_t>(value->Data.size());
  if (!data) {
    if (dataSize) *dataSize = size;
    return reg::kSuccess;
  }
  if (*dataSize < size) {
    *dataSize = size;
    return reg::kMoreData;
  }
  if (size > 0) std::memcpy(data, value->Data.data(), size);
  *dataSize = size;
  return reg::kSuccess;
}

int32_t MemoryRegistry::RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                                       uint32_t dataSize) {
  if (const auto fault = TakeFault(RegCall::SetValue)) return *fault;
  int32_t error = 0;
  NodePtr node = Resolve(key, error);
  if (!node) return error;
  if (!data && dataSize > 0) return reg::kInvalidParameter;
  // As on NT: string data that lacks its terminating NUL gets the one that follows it in the
  // caller's buffer.
  const bool text = type == reg::kSz || type == reg::kExpandSz || type == reg::kMultiSz;
  if (text && dataSize > 0 && data[dataSize - 1] != 0 && data[dataSize] == 0) ++dataSize;
  std::string bytes = dataSize > 0 ? std::string(reinterpret_cast<const char*>(data), dataSize) : std::string();
  if (RegValue* existing = node->FindValue(valueName)) {
    existing->Type = type;
    existing->Data = std::move(bytes);
  } else {
    node->Values.push_back(RegValue{valueName, type, std::move(bytes)});
  }
  return reg::kSuccess;
}

int32_t MemoryRegistry::RegCloseKey(RegKey key) {
  if (const auto fault = TakeFault(RegCall::CloseKey)) return *fault;
  if (IsPredefined(key)) return reg::kSuccess;
  return handles_.erase(key) > 0 ? reg::kSuccess : reg::kInvalidHandle;
}

int32_t MemoryRegistry::RegDeleteKeyA(RegKey key, const std::string& subKey) {
  if (const auto fault = TakeFault(RegCall::DeleteKey)) return *fault;
  int32_t error = 0;
  NodePtr parent = Resolve(key, error);
  if (!parent) return error;
  const auto names = SplitKeyPath(subKey);
  if (!names) return kErrorBadPathname;
  if (names->empty()) {
    // An empty sub key deletes the key the handle names; a root cannot be deleted.
    const NodePtr self = parent;
    parent = self->Parent.lock();
    if (!parent || !self->Children.empty()) return reg::kAccessDenied;
    self->Deleted = true;
    parent->Children.erase(UpperAnsi(self->Name));
    return reg::kSuccess;
  }
  for (size_t i = 0; i + 1 < names->size(); ++i) {
    const auto it = parent->Children.find(UpperAnsi((*names)[i]));
    if (it == parent->Children.end()) return reg::kFileNotFound;
    parent = it->second;
  }
  const auto it = parent->Children.find(UpperAnsi(names->back()));
  if (it == parent->Children.end()) return reg::kFileNotFound;
  if (!it->second->Children.empty()) return reg::kAccessDenied;
  it->second->Deleted = true;
  parent->Children.erase(it);
  return reg::kSuccess;
}

MemoryRegistry::NodePtr MemoryRegistry::Find(RegKey root, std::string_view path) const {
  NodePtr node = Root(root);
  const auto names = SplitKeyPath(path);
  if (!node || !names) return nullptr;
  for (const std::string& name : *names) {
    const auto it = node->Children.find(UpperAnsi(name));
    if (it == node->Children.end()) return nullptr;
    node = it->second;
  }
  return node;
}

MemoryRegistry::NodePtr MemoryRegistry::FindOrCreate(RegKey root, std::string_view path) {
  NodePtr node = Root(root);
  const auto names = SplitKeyPath(path);
  if (!node || !names) return nullptr;
  for (const std::string& name : *names) node = node->ChildOrNew(name);
  return node;
}

bool MemoryRegistry::KeyExists(RegKey root, std::string_view path) const { return Find(root, path) != nullptr; }

std::optional<RegValue> MemoryRegistry::GetValue(RegKey root, std::string_view path, std::string_view name) const {
  const NodePtr node = Find(root, path);
  if (!node) return std::nullopt;
  const RegValue* value = node->FindValue(name);
  return value ? std::optional<RegValue>(*value) : std::nullopt;
}

bool MemoryRegistry::SetValue(RegKey root, std::string_view path, std::string_view name, uint32_t type,
                              std::string_view data) {
  const NodePtr node = FindOrCreate(root, path);
  if (!node) return false;
  if (RegValue* existing = node->FindValue(name)) {
    existing->Type = type;
    existing->Data = std::string(data);
  } else {
    node->Values.push_back(RegValue{std::string(name), type, std::string(data)});
  }
  return true;
}

bool MemoryRegistry::DeleteValue(RegKey root, std::string_view path, std::string_view name) {
  const NodePtr node = Find(root, path);
  if (!node) return false;
  const std::string wanted = UpperAnsi(name);
  for (auto it = node->Values.begin(); it != node->Values.end(); ++it) {
    if (UpperAnsi(it->Name) == wanted) {
      node->Values.erase(it);
      return true;
    }
  }
  return false;
}

bool MemoryRegistry::DeleteTree(RegKey root, std::string_view path) {
  const auto names = SplitKeyPath(path);
  if (!names || names->empty()) return false;
  std::string parentPath;
  for (size_t i = 0; i + 1 < names->size(); ++i) parentPath += (i ? "\\" : "") + (*names)[i];
  const NodePtr parent = Find(root, parentPath);
  if (!parent) return false;
  const auto it = parent->Children.find(UpperAnsi(names->back()));
  if (it == parent->Children.end()) return false;
  // Every key below is gone too, so handles to any of them answer ERROR_KEY_DELETED.
  std::vector<NodePtr> pending{it->second};
  while (!pending.empty()) {
    NodePtr node = pending.back();
    pending.pop_back();
    node->Deleted = true;
    for (auto& [upper, child] : node->Children) pending.push_back(child);
  }
  parent->Children.erase(it);
  return true;
}

std::vector<std::string> MemoryRegistry::SubKeyNames(RegKey root, std::string_view path) const {
  std::vector<std::string> names;
  if (const NodePtr node = Find(root, path)) {
    for (const auto& [upper, child] : node->Children) names.push_back(child->Name);
  }
  return names;
}

std::vector<RegValue> MemoryRegistry::Values(RegKey root, std::string_view path) const {
  const NodePtr node = Find(root, path);
  return node ? node->Values : std::vector<RegValue>{};
}

std::vector<std::string> MemoryRegistry::KeyPaths(RegKey root) const {
  std::vector<std::string> paths;
  const NodePtr top = Root(root);
  if (!top) return paths;
  // Depth first, children in regedit's order.
  struct Frame {
    NodePtr Node;
    std::string Path;
  };
  std::vector<Frame> pending;
  for (auto it = top->Children.rbegin(); it != top->Children.rend(); ++it)
    pending.push_back({it->second, it->second->Name});
  while (!pending.empty()) {
    Frame frame = std::move(pending.back());
    pending.pop_back();
    paths.push_back(frame.Path);
    for (auto it = frame.Node->Children.rbegin(); it != frame.Node->Children.rend(); ++it) {
      pending.push_back({it->second, frame.Path + "\\" + it->second->Name});
    }
  }
  return paths;
}

Status MemoryRegistry::ImportRegText(std::string_view bytes, std::string_view fileName, TextCodec& codec) {
  Result<std::vector<RegFileSection>> parsed = ParseRegText(bytes, fileName, codec);
  if (!parsed.Ok()) return parsed.Error();
  for (const RegFileSection& section : parsed.Value()) {
    if (section.Remove) {
      DeleteTree(section.Root, section.Path);
      continue;
    }
    const NodePtr node = FindOrCreate(section.Root, section.Path);
    if (!node) continue;  // the parser admits only valid paths
    for (const RegFileValue& value : section.Values) {
      if (value.Remove) {
        DeleteValue(section.Root, section.Path, value.Name);
      } else if (RegValue* existing = node->FindValue(value.Name)) {
        existing->Type = value.Type;
        existing->Data = value.Data;
      } else {
        node->Values.push_back(RegValue{value.Name, value.Type, value.Data});
      }
    }
  }
  return {};
}

std::string MemoryRegistry::ExportRegText() const {
  std::vector<RegFileSection> sections;
  auto valuesOf = [](const std::vector<RegValue>& values) {
    std::vector<RegFileValue> out;
    for (const RegValue& value : values) out.push_back(RegFileValue{value.Name, false, value.Type, value.Data});
    return out;
  };
  for (const auto& [root, node] : roots_) {
    if (!node->Values.empty()) sections.push_back(RegFileSection{root, {}, false, valuesOf(node->Values)});
    for (const std::string& path : KeyPaths(root)) {
      sections.push_back(RegFileSection{root, path, false, valuesOf(Find(root, path)->Values)});
    }
  }
  return FormatRegText(sections);
}

Status MemoryRegistry::LoadRegFile(const std::filesystem::path& file, TextCodec& codec) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return ErrorInfo{err::kFileNotFound, file.string() + ": the file cannot be opened", kRegFileSource};
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return ErrorInfo{err::kPathFileAccess, file.string() + ": the file cannot be read", kRegFileSource};
  return ImportRegText(bytes, file.string(), codec);
}

Status MemoryRegistry::SaveRegFile(const std::filesystem::path& file) const {
  const std::string text = ExportRegText();
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (out) out.close();
  if (!out) return ErrorInfo{err::kPathFileAccess, file.string() + ": the file cannot be written", kRegFileSource};
  return {};
}

}  // namespace bellnest::sim
