// The page driver's command line.
#include "tools/driver_main.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace bellnest::tools {

namespace {

void Usage(std::ostream& out, const char* program) {
  out << "usage: " << program << " [--demo] [--profile FILE] [--data DIR] [--script FILE] [--echo]\n"
      << "           [--fixed-clock] [--save-profile]"
      << (std::string(program) == "bellnest_page" ? "" : " [--screenshots DIR] [--interactive]") << "\n"
         "  --demo          a short session on the built-in sample mailbox, printing what changed\n"
         "  --profile FILE  a profile file (docs/profile-format.md); default: the sample mailbox\n"
         "  --data DIR      keep the machine's state (registry.reg, files, the log) in DIR\n"
         "  --script FILE   run the commands in FILE (docs/page-driver.md); without it, commands\n"
         "                  come from a prompt on a terminal, else from standard input\n"
         "  --save-profile  write the search scope back to the profile file at the end\n";
  if (std::string(program) != "bellnest_page") {
    out << "  --screenshots DIR  the demo saves pictures of the page before and after in DIR\n"
           "  --interactive   open the Options dialog for a person (needs a display)\n";
  }
}

}  // namespace

std::optional<int> ParseDriverArgs(int argc, char** argv, const char* program, MainOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--demo") {
      options.Demo = true;
    } else if (arg == "--interactive" && std::string(program) != "bellnest_page") {
      options.Interactive = true;
    } else if (arg == "--echo") {
      options.Driver.Echo = true;
    } else if (arg == "--fixed-clock") {
      options.Driver.FixedClock = true;
    } else if (arg == "--save-profile") {
      options.Driver.SaveProfile = true;
    } else if ((arg == "--profile" || arg == "--data" || arg == "--script" || arg == "--screenshots") && !hasValue) {
      std::cerr << program << ": " << arg << " needs a value\n";
      return 2;
    } else if (arg == "--profile") {
      options.Driver.ProfileFile = argv[++i];
    } else if (arg == "--data") {
      options.Driver.DataDir = argv[++i];
    } else if (arg == "--script") {
      options.Script = argv[++i];
      // Profiles a script names are found beside it.
      options.Driver.BaseDir = std::filesystem::path(options.Script).parent_path();
    } else if (arg == "--screenshots") {
      options.Driver.ScreenshotDir = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      Usage(std::cout, program);
      return 0;
    } else {
      std::cerr << program << ": unknown option " << arg << "\n";
      Usage(std::cerr, program);
      return 2;
    }
  }
  return std::nullopt;
}

int RunDriver(const MainOptions& options, std::unique_ptr<DriverWorld> world) {
  PageDriver driver(options.Driver, std::cout, std::move(world));
  if (!driver.Start()) return 1;
  bool ok = true;
  if (options.Demo) {
    ok = driver.RunDemo();
  } else if (!options.Script.empty()) {
    std::ifstream in(options.Script);
    if (!in) {
      std::cerr << "cannot read " << options.Script << "\n";
      return 1;
    }
    ok = driver.RunScript(in);
  } else if (isatty(fileno(stdin))) {
    std::cout << "Bellnest page driver. 'help commands' lists the commands; 'quit' ends.\n";
    driver.Run("open");
    driver.Run("paint");
    driver.Run("tree");
    for (std::string line; std::cout << "bellnest> " << std::flush, std::getline(std::cin, line);) {
      if (!driver.Run(line)) break;
    }
  } else {
    ok = driver.RunScript(std::cin);
  }
  ok = driver.Finish() && ok;
  return ok ? 0 : 1;
}

}  // namespace bellnest::tools
