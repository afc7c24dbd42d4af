// The page driver: hosts one options-page session on a simulated profile and runs commands
// on it, from a script or typed at a prompt, printing what a person or a test needs to see.
// The same commands run in the native world and, in the Outlook stand-in, against the real
// DLLs under Windows.
// State persists between runs like on a real machine: the registry in a .reg file and the
// files (the log) under the data folder; the profile's search scope is written back on request.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "sim/page_session.h"
#include "sim/profile/simulated_outlook.h"

namespace bellnest::tools {

struct DriverOptions {
  std::string ProfileFile;        // empty: the built-in sample mailbox
  std::filesystem::path DataDir;  // empty: a fresh temporary machine, removed at the end
  bool FixedClock = false;        // log times at a fixed moment, for reproducible output
  bool SaveProfile = false;       // write the search scope back to the profile file at the end
  bool Echo = false;              // print each command before running it (scripts)
  std::filesystem::path BaseDir;  // where relative profile paths in commands are found
};

// The machine a driver runs on: where the page sessions are hosted and where the machine's
// state (registry, files) is kept between runs.
class DriverWorld {
 public:
  virtual ~DriverWorld() = default;
  // Sets the machine up (the data folder, the clock, the stored registry).
  virtual Status Start(const DriverOptions& options) = 0;
  // A session on a newly loaded profile; the previous session is gone before this is called.
  virtual std::unique_ptr<sim::PageSession> NewSession(sim::SimulatedOutlook& outlook) = 0;
  // Keeps the machine's state in the data folder (the page is closed).
  virtual Status Finish(const DriverOptions& options) = 0;
};

// The native world: the core in process on the simulated machine (sim::NativeWorld).
std::unique_ptr<DriverWorld> MakeNativeWorld();

class PageDriver {
 public:
  PageDriver(DriverOptions options, std::ostream& out, std::unique_ptr<DriverWorld> world);
  ~PageDriver();

  // Loads the registry and the profile; false (with a message) when either is malformed.
  bool Start();
  // Runs one command line; false after "quit".
  bool Run(std::string_view line);
  // Runs every line of a script; false when a command failed.
  bool RunScript(std::istream& in);
  // Closes an open page, saves the registry (and the profile when asked).
  bool Finish();

  // The built-in short session of the README's main job.
  bool RunDemo();

  bool Failed() const { return failed_; }
  sim::PageSession* Host() { return host_.get(); }

 private:
  bool LoadProfile(const std::string& file);
  bool Fail(const std::string& message);
  bool Check(const Status& status);
  bool RequireOpen();
  void PrintState();
  void PrintScope();
  void PrintRegistry();
  void PrintLog();
  void PrintHelp();
  void OutlookCommand(const std::string& argument);

  DriverOptions options_;
  std::ostream& out_;
  std::unique_ptr<DriverWorld> world_;
  std::unique_ptr<sim::SimulatedOutlook> outlook_;
  std::unique_ptr<sim::PageSession> host_;
  bool failed_ = false;
};

}  // namespace bellnest::tools
