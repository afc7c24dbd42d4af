// The page driver's command line, shared by the native driver (bellnest_page) and the Outlook
// stand-in (bellnest_outlook.exe), so that both take the same options and run the same way.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tools/page_driver.h"

namespace bellnest::tools {

struct MainOptions {
  DriverOptions Driver;
  std::string Script;
  bool Demo = false;
  bool Interactive = false;  // the stand-in only: the Options dialog for a person
};

// Reads the options; an exit status when the program ends here (usage, --help).
std::optional<int> ParseDriverArgs(int argc, char** argv, const char* program, MainOptions& options);
// Runs the demo, the script, a prompt or standard input; the exit status.
int RunDriver(const MainOptions& options, std::unique_ptr<DriverWorld> world);

}  // namespace bellnest::tools
