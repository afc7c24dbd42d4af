// basLocalSettings: finding, and creating when needed, the product's per-user data folder.
#pragma once

#include <cstdint>
#include <string>

namespace bellnest {

inline constexpr const char* kProductFolderName = "Bellnest";
inline constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Kinds of path PathIsPresent tests for.
inline constexpr int32_t kPathAny = 0;
inline constexpr int32_t kPathFile = 1;
inline constexpr int32_t kPathFolder = 2;

// NT: the local application-data folder followed by "Bellnest" (ends in a backslash when this
// call created it). Windows 9x: the library's own folder. Never fails, never logs.
std::string GetLocalDataFolder();
bool IsWindowsNT();
std::string AddBackslash(const std::string& path);
bool PathIsPresent(const std::string& path, int32_t kind);
// Creates every missing folder along the path; leaves the path with a trailing backslash.
void CreateFolderPath(std::string& path);

}  // namespace bellnest
