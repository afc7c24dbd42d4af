// LogError and FileLargerThan. The log is opened, written and closed for every entry.
#include "support/error_log.h"

#include "support/local_data_folder.h"
#include "support/platform.h"
#include "support/shared_state.h"

namespace bellnest {

std::string FormatLogEntry(std::string_view dateTime, const ErrorInfo& error, std::string_view module,
                           std::string_view procedure, std::string_view context) {
  std::string entry;
  auto line = [&entry](std::string_view a, std::string_view b = {}) { entry.append(a).append(b).append("\r\n"); };
  line("An Error occurred: ", dateTime);
  line("Error #:", std::to_string(error.Number));
  line(error.Description);
  line("Source:", error.Source);
  line("Module:", module);
  line("Procedure:", procedure);
  line(context);
  line("");
  return entry;
}

std::string LogFilePath() { return AddBackslash(State().LocalDataFolder) + kLogFileName; }

void LogError(const ErrorInfo& error, std::string_view module, std::string_view procedure, std::string_view context) {
  const std::string path = LogFilePath();
  const std::string entry = FormatLogEntry(Clock().NowText(), error, module, procedure, context);
  // From here on failures are ignored: a log that cannot be trimmed is appended to anyway, and
  // an entry that cannot be written is lost.
  TextCodec& codec = Codec();
  const std::string ansiPath = codec.ToAnsi(path);
  if (FileLargerThan(path, kLogSizeLimit)) (void)Shell().DeleteFile(ansiPath);
  (void)Shell().AppendToFile(ansiPath, codec.ToAnsi(entry));
}

bool FileLargerThan(const std::string& path, int32_t limit) {
  Result<int64_t> length = Shell().FileLength(Codec().ToAnsi(path));
  return length.Ok() && length.Value() > limit;
}

}  // namespace bellnest
