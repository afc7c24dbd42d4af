#include "common/fault_sweep.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace bellnest::testing_support {

namespace {
bool IsCall(const sim::HostCall& call, std::string_view kindName, std::string_view method) {
  return call.Kind == kindName && call.Method == method;
}
}  // namespace

bool RunSweptSession(sim::PageSession& page, const std::function<void()>& afterStep) {
  const std::function<void()> steps[] = {
      [&] { page.Open(); },
      [&] { page.Paint(); },
      [&] { (void)page.Expand("Inbox", true); },
      [&] { (void)page.Tick("Inbox/Projects", true); },
      [&] { page.Apply(); },
      [&] { page.Close(); },
  };
  try {
    for (const auto& step : steps) {
      step();
      if (afterStep) afterStep();
    }
  } catch (...) {
    return false;
  }
  return true;
}

void ExpectWholeSession(const std::vector<sim::HostCall>& calls) {
  int removes = 0;
  for (const sim::HostCall& call : calls) removes += IsCall(call, sim::kind::kRdoSearchContainers, "Remove");
  EXPECT_EQ(removes, 4);
  ASSERT_GT(calls.size(), 100u);
}

std::vector<sim::FaultRule> SweepFaults(const std::vector<sim::HostCall>& clean) {
  std::map<std::pair<std::string, std::string>, int> seen;
  std::vector<sim::FaultRule> faults;
  for (const sim::HostCall& call : clean) {
    const int nth = ++seen[{call.Kind, call.Method}];
    faults.push_back(sim::MakeFault(call.Kind, call.Method));
    faults.back().Nth = nth;
  }
  return faults;
}

std::string FaultName(const sim::FaultRule* fault) {
  return fault ? fault->Kind + "." + fault->Method + " call #" + std::to_string(fault->Nth) + " fails" : "no fault";
}

void ExpectSearchRestarted(const sim::FaultRule* fault, const std::vector<sim::HostCall>& calls, bool searchRunning) {
  bool tripped = !fault;  // the fault was really met
  bool stopped = false;   // a successful Stop not yet followed by a Start
  for (const sim::HostCall& c : calls) {
    tripped |= fault && IsCall(c, fault->Kind, fault->Method) && !c.Ok;
    if (IsCall(c, sim::kind::kRdoSearchFolder, "Stop") && c.Ok) stopped = true;
    if (IsCall(c, sim::kind::kRdoSearchFolder, "Start")) stopped = false;
  }
  EXPECT_TRUE(tripped);
  EXPECT_FALSE(stopped);
  // A failing Start cannot restart the search, but the page did call it.
  if (!fault || fault->Kind != sim::kind::kRdoSearchFolder || fault->Method != "Start") {
    EXPECT_TRUE(searchRunning);
  }
}

}  // namespace bellnest::testing_support
