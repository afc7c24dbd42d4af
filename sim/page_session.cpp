// The log file as the state document shows it, for both worlds.
#include "sim/page_session.h"

#include <vector>

namespace bellnest::sim {

nlohmann::json LogEntriesJson(const std::string& text) {
  nlohmann::json entries = nlohmann::json::array();
  // Entries are eight lines each; the description line may itself be empty, so entries are
  // found by their first line, not by blank lines.
  std::vector<std::string> lines;
  for (size_t p = 0; p < text.size();) {
    size_t eol = text.find("\r\n", p);
    if (eol == std::string::npos) eol = text.size();
    lines.push_back(text.substr(p, eol - p));
    p = eol + 2;
  }
  auto after = [](const std::string& line, std::string_view prefix) {
    return line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size()) : line;
  };
  const std::string first = "An Error occurred: ";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].compare(0, first.size(), first) != 0) continue;
    std::vector<std::string> entry(lines.begin() + static_cast<std::ptrdiff_t>(i),
                                   lines.begin() + static_cast<std::ptrdiff_t>(std::min(lines.size(), i + 7)));
    entry.resize(7);
    entries.push_back({{"time", after(entry[0], first)},
                       {"number", after(entry[1], "Error #:")},
                       {"description", entry[2]},
                       {"source", after(entry[3], "Source:")},
                       {"module", after(entry[4], "Module:")},
                       {"procedure", after(entry[5], "Procedure:")},
                       {"context", entry[6]}});
    i += 6;
  }
  return entries;
}

}  // namespace bellnest::sim
