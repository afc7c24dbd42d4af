// One SharedState per thread.
#include "support/shared_state.h"

namespace bellnest {

namespace {
thread_local SharedState tState;
}

SharedState& State() { return tState; }

void ResetSharedState() { tState = SharedState{}; }

FolderCollection& RemindersCollection() {
  if (!tState.RemindersCollection) tState.RemindersCollection = FolderCollection::Create();
  return *tState.RemindersCollection;
}

StringCollection& OfflineFoldersCollection() {
  if (!tState.OfflineFoldersCollection) tState.OfflineFoldersCollection = StringCollection::Create();
  return *tState.OfflineFoldersCollection;
}

}  // namespace bellnest
