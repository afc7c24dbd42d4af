// Objects of which every thread has its own copy, made on first use.
//
// A thread_local object with a destructor would do, except inside a DLL: the run time then holds
// the DLL loaded until the thread ends, and Outlook's main thread never ends, so the DLL could
// never be unloaded. These copies end with their thread, or all at once when the DLL that owns
// them says so (EndThreadCopies from DllMain).
#pragma once

#include <cstddef>

namespace bellnest {

namespace per_thread {
// A new slot number, one per PerThread object.
size_t NewSlot();
// This thread's copy in a slot (nullptr when none yet), and storing one with how to end it.
void* Find(size_t slot);
void Store(size_t slot, void* copy, void (*end)(void*));
}  // namespace per_thread

template <class T>
class PerThread {
 public:
  PerThread() : slot_(per_thread::NewSlot()) {}
  PerThread(const PerThread&) = delete;
  PerThread& operator=(const PerThread&) = delete;

  T& Get() {
    if (void* copy = per_thread::Find(slot_)) return *static_cast<T*>(copy);
    T* copy = new T();
    per_thread::Store(slot_, copy, [](void* p) { delete static_cast<T*>(p); });
    return *copy;
  }

 private:
  size_t slot_;
};

// For a DLL, from DllMain: at process attach, that the DLL ends the copies itself (no thread
// exit hook is registered with the run time); at thread detach, the ending thread's copies; at
// unload, every thread's.
void LetModuleEndThreadCopies();
void EndThreadCopies();
void EndAllThreadCopies();

}  // namespace bellnest
