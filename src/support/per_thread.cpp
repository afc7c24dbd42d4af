// The copies of every PerThread object, by thread.
#include "support/per_thread.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace bellnest {

namespace {

struct Copy {
  void* object = nullptr;
  void (*end)(void*) = nullptr;
};
using Copies = std::vector<Copy>;  // by slot

// A plain pointer: a thread_local without a destructor registers nothing with the run time.
thread_local Copies* tCopies = nullptr;

std::atomic<size_t> gSlots{0};
std::atomic<bool> gEndedByModule{false};

// Every thread's copies, for the DLL's unload.
std::mutex& AllMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<Copies*>& All() {
  static std::vector<Copies*> all;
  return all;
}

// Ends a thread's copies, last made first.
void End(Copies* copies) {
  for (auto it = copies->rbegin(); it != copies->rend(); ++it) {
    if (it->object) it->end(it->object);
  }
  delete copies;
}

Copies* Detach(Copies* copies) {
  std::lock_guard<std::mutex> lock(AllMutex());
  auto& all = All();
  all.erase(std::remove(all.begin(), all.end(), copies), all.end());
  return copies;
}

// Outside a DLL that ends them, a thread's copies end with the thread.
struct ThreadExit {
  ~ThreadExit() { EndThreadCopies(); }
};

}  // namespace

namespace per_thread {

size_t NewSlot() { return gSlots++; }

void* Find(size_t slot) { return tCopies && slot < tCopies->size() ? (*tCopies)[slot].object : nullptr; }

void Store(size_t slot, void* copy, void (*end)(void*)) {
  if (!tCopies) {
    tCopies = new Copies();
    {
      std::lock_guard<std::mutex> lock(AllMutex());
      All().push_back(tCopies);
    }
    if (!gEndedByModule) {
      thread_local ThreadExit exit;
      (void)exit;
    }
  }
  if (tCopies->size() <= slot) tCopies->resize(slot + 1);
  (*tCopies)[slot] = Copy{copy, end};
}

}  // namespace per_thread

void LetModuleEndThreadCopies() { gEndedByModule = true; }

void EndThreadCopies() {
  // An ending copy may reach for a PerThread object again (a destructor that logs reads the
  // shared state); what it makes then ends too.
  while (Copies* copies = std::exchange(tCopies, nullptr)) End(Detach(copies));
}

void EndAllThreadCopies() {
  std::vector<Copies*> all;
  {
    std::lock_guard<std::mutex> lock(AllMutex());
    all.swap(All());
  }
  tCopies = nullptr;
  for (Copies* copies : all) End(copies);
  EndThreadCopies();
}

}  // namespace bellnest
