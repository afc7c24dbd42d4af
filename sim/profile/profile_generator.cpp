// Breadth-first generation of large folder trees.
#include "sim/profile/profile_generator.h"

#include <deque>
#include <optional>
#include <string>

#include "sim/profile/sample_profile.h"

namespace bellnest::sim {

namespace {

// A mix close to a real mailbox: mostly mail, some calendars, tasks and contacts, a few
// folders without a class and a few the page hides or refuses.
std::optional<std::string> ClassFor(int index) {
  switch (index % 10) {
    case 4:
      return "IPF.Appointment";
    case 5:
      return "IPF.Task";
    case 6:
      return "IPF.Contact";
    case 7:
      return std::nullopt;
    case 9:
      return index % 20 == 9 ? "IPF.Journal" : "IPF.Configuration";
    default:
      return "IPF.Note";
  }
}

ErrorInfo GeneratorError(std::string text) { return ErrorInfo{5, std::move(text), "bellnest.sim.generator"}; }

}  // namespace

Status GenerateFolders(ProfileModel& model, int parent, const GeneratorOptions& options) {
  if (options.Folders < 0 || options.FanOut < 1 || options.Depth < 1)
    return GeneratorError("folders must not be negative; fan-out and depth must be at least 1");
  int64_t capacity = 0, level = 1;
  for (int d = 0; d < options.Depth && capacity < options.Folders; ++d) {
    level *= options.FanOut;
    capacity += level;
  }
  if (capacity < options.Folders)
    return GeneratorError(std::to_string(options.Folders) + " folders do not fit a fan-out of " +
                          std::to_string(options.FanOut) + " and a depth of " + std::to_string(options.Depth));
  struct Pending {
    int Folder;
    int Depth;
    std::string Name;
  };
  std::deque<Pending> queue{{parent, 0, ""}};
  int made = 0;
  while (made < options.Folders && !queue.empty()) {
    const Pending at = std::move(queue.front());
    queue.pop_front();
    for (int c = 1; c <= options.FanOut && made < options.Folders; ++c, ++made) {
      std::string name = at.Name.empty() ? "Folder " + std::to_string(c) : at.Name + "." + std::to_string(c);
      Result<int> folder = model.AddFolder(at.Folder, name, ClassFor(made));
      if (!folder) return folder.Error();
      if (at.Depth + 1 < options.Depth) queue.push_back({folder.Value(), at.Depth + 1, std::move(name)});
    }
  }
  return {};
}

Result<ProfileModel> GenerateLargeProfile(const GeneratorOptions& options) {
  ProfileModel model = SampleProfile();
  if (model.DefaultStore == kNone) return GeneratorError("the sample profile has no default store");
  if (Status s = GenerateFolders(model, model.Store(model.DefaultStore).TopFolder, options); !s) return s.Error();
  return model;
}

}  // namespace bellnest::sim
