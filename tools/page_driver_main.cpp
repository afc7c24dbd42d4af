// bellnest_page: runs the options page on a simulated Outlook profile.
//   bellnest_page --demo                       the built-in short session on the sample mailbox
//   bellnest_page [options] [--script FILE]    commands from a script, from stdin, or at a prompt
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/page_driver.h"

namespace {

void Usage(std::ostream& out) {
  out << "usage: bellnest_page [--demo] [--profile FILE] [--data DIR] [--script FILE] [--echo]\n"
         "                     [--fixed-clock] [--save-profile]\n"
         "  --demo          a short session on the built-in sample mailbox, printing what changed\n"
         "  --profile FILE  a profile file (docs/profile-format.md); default: the sample mailbox\n"
         "  --data DIR      keep the machine's state (registry.reg, files, the log) in DIR\n"
         "  --script FILE   run the commands in FILE (docs/page-driver.md); without it, commands\n"
         "                  come from a prompt on a terminal, else from standard input\n"
         "  --save-profile  write the search scope back to the profile file at the end\n";
}

}  // namespace

int main(int argc, char** argv) {
  bellnest::tools::DriverOptions options;
  std::string script;
  bool demo = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> std::string {
      if (i + 1 >= argc) {
        std::cerr << "bellnest_page: " << name << " needs a value\n";
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--demo") {
      demo = true;
    } else if (arg == "--profile") {
      options.ProfileFile = value("--profile");
    } else if (arg == "--data") {
      options.DataDir = value("--data");
    } else if (arg == "--script") {
      script = value("--script");
    } else if (arg == "--echo") {
      options.Echo = true;
    } else if (arg == "--fixed-clock") {
      options.FixedClock = true;
    } else if (arg == "--save-profile") {
      options.SaveProfile = true;
    } else if (arg == "--help" || arg == "-h") {
      Usage(std::cout);
      return 0;
    } else {
      std::cerr << "bellnest_page: unknown option " << arg << "\n";
      Usage(std::cerr);
      return 2;
    }
  }

  bellnest::tools::PageDriver driver(options, std::cout);
  if (!driver.Start()) return 1;
  bool ok = true;
  if (demo) {
    ok = driver.RunDemo();
  } else if (!script.empty()) {
    std::ifstream in(script);
    if (!in) {
      std::cerr << "bellnest_page: cannot read " << script << "\n";
      return 1;
    }
    ok = driver.RunScript(in);
  } else if (isatty(STDIN_FILENO)) {
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
