// bellnest_outlook.exe: the Outlook stand-in. It loads a profile, registers the simulated RDO
// library, starts the add-ins as Outlook does and runs the page driver's commands against the
// real DLLs (`open` is Tools > Options), or, with --interactive, opens the Options dialog for a
// person.
#include "platform/win32/windows_api.h"
#include "standin/windows_session.h"
#include "tools/driver_main.h"

int main(int argc, char** argv) {
  bellnest::tools::MainOptions options;
  if (std::optional<int> exitStatus = bellnest::tools::ParseDriverArgs(argc, argv, "bellnest_outlook", options)) {
    return *exitStatus;
  }
  if (FAILED(::OleInitialize(nullptr))) return 1;
  const int status = options.Interactive ? bellnest::standin::RunInteractive(options.Driver)
                                         : bellnest::tools::RunDriver(options, bellnest::standin::MakeWindowsWorld());
  ::OleUninitialize();
  return status;
}
