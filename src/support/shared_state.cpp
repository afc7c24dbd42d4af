// One SharedState per thread.
#include "support/shared_state.h"

#include "support/per_thread.h"

namespace bellnest {

namespace {
PerThread<SharedState> gState;
}

SharedState& State() { return gState.Get(); }

void ResetSharedState() { State() = SharedState{}; }

FolderCollection& RemindersCollection() {
  SharedState& state = State();
  if (!state.RemindersCollection) state.RemindersCollection = FolderCollection::Create();
  return *state.RemindersCollection;
}

StringCollection& OfflineFoldersCollection() {
  SharedState& state = State();
  if (!state.OfflineFoldersCollection) state.OfflineFoldersCollection = StringCollection::Create();
  return *state.OfflineFoldersCollection;
}

}  // namespace bellnest
