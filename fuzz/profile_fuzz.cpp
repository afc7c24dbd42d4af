// The profile loader: any text gives a clear error or a profile that saves and reloads to the
// same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/profile/profile_json.h"

namespace {

[[noreturn]] void Die(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace bellnest::sim;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  bellnest::Result<ProfileModel> parsed = ParseProfile(text, "input.json");
  if (!parsed.Ok()) {
    const std::string& message = parsed.Error().Description;
    // A clear error names the file and stays short whatever the input quotes.
    if (message.rfind("input.json: ", 0) != 0 || message.size() > 400) Die("unclear error", message);
    return 0;
  }
  const std::string saved = ProfileToJson(parsed.Value());
  bellnest::Result<ProfileModel> reloaded = ParseProfile(saved, "saved.json");
  if (!reloaded.Ok()) Die("the saved profile does not load", reloaded.Error().Description + "\n" + saved);
  const std::string again = ProfileToJson(reloaded.Value());
  if (again != saved) Die("the profile changed in a save and load", saved + "\n----\n" + again);
  return 0;
}
