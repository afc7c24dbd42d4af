// One ThreadWorld per thread, shared by the controls alive on it.
#include "com/thread_world.h"

namespace bellnest::com {

std::shared_ptr<ThreadWorld> ThreadWorld::Acquire() {
  thread_local std::weak_ptr<ThreadWorld> current;
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
