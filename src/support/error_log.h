// The error reporter: one entry per report appended to Bellnest.Log in the local data folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/error_info.h"

namespace bellnest {

inline constexpr const char* kLogFileName = "Bellnest.Log";
inline constexpr int32_t kLogSizeLimit = 150000;

// The entry: seven lines and a blank line, each ended by CR LF.
std::string FormatLogEntry(std::string_view dateTime, const ErrorInfo& error, std::string_view module,
                           std::string_view procedure, std::string_view context);
// Appends one entry to the log (deleting a log larger than the limit first). Never fails:
// an entry that cannot be written is lost silently.
void LogError(const ErrorInfo& error, std::string_view module, std::string_view procedure, std::string_view context);
// The log file's path: the local data folder with a backslash, then the file name.
std::string LogFilePath();
// True when the file is present and longer than limit bytes.
bool FileLargerThan(const std::string& path, int32_t limit);

}  // namespace bellnest
