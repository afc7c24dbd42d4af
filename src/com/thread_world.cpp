// One ThreadWorld per thread, shared by the controls alive on it.
#include "com/thread_world.h"

#include "support/per_thread.h"

namespace bellnest::com {

std::shared_ptr<ThreadWorld> ThreadWorld::Acquire() {
  static PerThread<std::weak_ptr<ThreadWorld>> currentOfThread;
  std::weak_ptr<ThreadWorld>& current = currentOfThread.Get();
  std::shared_ptr<ThreadWorld> world = current.lock();
  if (!world) {
    world = std::make_shared<ThreadWorld>();
    current = world;
  }
  return world;
}

ThreadWorld::ThreadWorld() : installed_(Seams()) {}

Platform ThreadWorld::Seams() {
  Platform platform = world_.Seams();
  platform.Ui = &ui_;
  platform.Rdo = &rdo_;
  return platform;
}

}  // namespace bellnest::com
