// Profile files: the JSON format of docs/profile-format.md read into a ProfileModel and written
// back. A malformed file gives an error naming the file, the place (JSON pointer, or line and
// column for a syntax error) and the problem; nothing escapes as an exception.
#pragma once

#include <string>
#include <string_view>

#include "host/error_info.h"
#include "sim/profile/profile_model.h"

namespace bellnest::sim {

// The run-time's "Invalid file format", carried by every profile format error.
inline constexpr int32_t kInvalidFileFormat = 321;
// Arrays and objects nest at most this deep in a profile file (folders nest at most 200 deep,
// two levels each).
inline constexpr int kMaxProfileNesting = 500;
// "generate" makes at most this many folders in all stores of a profile together.
inline constexpr int kMaxGeneratedFolders = 1000000;

Result<ProfileModel> ParseProfile(std::string_view text, std::string_view sourceName);
Result<ProfileModel> LoadProfileFile(const std::string& path);

// The whole profile, including generated identifiers, the current search containers, the
// running states and the fault rules, in the format ParseProfile reads.
std::string ProfileToJson(const ProfileModel& model);
Status SaveProfileFile(const ProfileModel& model, const std::string& path);

}  // namespace bellnest::sim
