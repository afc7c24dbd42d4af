// basPPRegistry. Result codes of opens and creates are not examined: a failed open leaves the
// handle 0, and the calls on it then fail as the registry fails them.
#include "support/registry.h"

#include <vector>

#include "support/platform.h"

namespace bellnest {

Variant ReadRegistryValue(RegKey root, const std::string& keyPath, const std::string& valueName) {
  RegistryApi& registry = Registry();
  RegKey key = 0;
  registry.RegOpenKeyA(root, Codec().ToAnsi(keyPath), &key);
  Variant value;
  QueryRegistryValue(key, valueName, value);
  if (auto* text = std::get_if<std::string>(&value); text && !text->empty() && text->back() == '\0') {
    text->pop_back();
  }
  registry.RegCloseKey(key);
  return value;
}

int32_t QueryRegistryValue(RegKey key, const std::string& valueName, Variant& value) {
  RegistryApi& registry = Registry();
  const std::string name = Codec().ToAnsi(valueName);
  uint32_t type = 0;
  uint32_t size = 0;
  int32_t result = registry.RegQueryValueExA(key, name, &type, nullptr, &size);
  if (result != reg::kSuccess) return result;

  if (type == reg::kSz) {
    // One spare byte so that an empty value still passes a buffer.
    std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1, 0);
    result = registry.RegQueryValueExA(key, name, &type, buffer.data(), &size);
    if (result == reg::kSuccess) {
      value = Codec().FromAnsi(std::string(reinterpret_cast<const char*>(buffer.data()), size));
    } else {
      value = Empty{};
    }
  } else if (type == reg::kDword) {
    uint8_t bytes[4] = {0, 0, 0, 0};
    uint32_t dataSize = sizeof bytes;
    result = registry.RegQueryValueExA(key, name, &type, bytes, &dataSize);
    if (result == reg::kSuccess) {
      uint32_t number = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                        (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
      value = static_cast<int32_t>(number);
    }
  } else {
    result = -1;
  }
  return result;
}

bool WriteRegistryValue(RegKey root, std::string keyPath, const std::string& valueName, const Variant& value,
                        uint32_t valueType) {
  if (!keyPath.empty() && keyPath.front() == '\\') {
    keyPath.erase(0, 1);
  } else if (keyPath.empty()) {
    return false;
  }
  RegistryApi& registry = Registry();
  RegKey key = 0;
  registry.RegCreateKeyA(root, Codec().ToAnsi(keyPath), &key);
  SetRegistryValue(key, valueName, valueType, value);
  registry.RegCloseKey(key);
  return true;
}

int32_t SetRegistryValue(RegKey key, const std::string& valueName, uint32_t valueType, const Variant& value) {
  RegistryApi& registry = Registry();
  const std::string name = Codec().ToAnsi(valueName);
  if (valueType == reg::kSz) {
    // A value that cannot become text (an object) is a run-time error here, ignored.
    Result<std::string> text = ToText(value);
    if (!text.Ok()) return reg::kSuccess;
    const std::string data = Codec().ToAnsi(text.Value());
    return registry.RegSetValueExA(key, name, reg::kSz, reinterpret_cast<const uint8_t*>(data.data()),
                                   static_cast<uint32_t>(data.size()));
  }
  if (valueType == reg::kDword) {
    const uint32_t number = static_cast<uint32_t>(ToLong(value).ValueOr(0));
    const uint8_t bytes[4] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                              static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    return registry.RegSetValueExA(key, name, reg::kDword, bytes, sizeof bytes);
  }
  return reg::kSuccess;
}

}  // namespace bellnest
