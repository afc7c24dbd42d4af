// bellnest_page: runs the options page on a simulated Outlook profile.
//   bellnest_page --demo                       the built-in short session on the sample mailbox
//   bellnest_page [options] [--script FILE]    commands from a script, from stdin, or at a prompt
#include "tools/driver_main.h"

int main(int argc, char** argv) {
  bellnest::tools::MainOptions options;
  if (std::optional<int> exitStatus = bellnest::tools::ParseDriverArgs(argc, argv, "bellnest_page", options)) {
    return *exitStatus;
  }
  return bellnest::tools::RunDriver(options, bellnest::tools::MakeNativeWorld());
}
