// The .reg loader: any bytes give a clear error or a registry that saves and loads back to the
// same registry (load, save, load, save gives the same text twice).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/code_page.h"
#include "sim/memory_registry.h"

namespace {

[[noreturn]] void Die(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace bellnest::sim;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Windows1252Codec codec;
  MemoryRegistry first;
  const bellnest::Status loaded = first.ImportRegText(bytes, "input.reg", codec);
  if (!loaded.Ok()) {
    // A clear error names the file and the line.
    if (loaded.Error().Description.rfind("input.reg, line ", 0) != 0) Die("unclear error", loaded.Error().Description);
    return 0;
  }
  const std::string saved = first.ExportRegText();
  MemoryRegistry second;
  const bellnest::Status reloaded = second.ImportRegText(saved, "saved.reg", codec);
  if (!reloaded.Ok()) Die("the saved registry does not load", reloaded.Error().Description + "\n" + saved);
  const std::string again = second.ExportRegText();
  if (again != saved) Die("the registry changed in a save and load", saved + "\n----\n" + again);
  return 0;
}
