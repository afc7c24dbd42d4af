// Per-thread copies: each thread has its own, made on first use, ended with its thread or when
// asked (as a DLL asks from DllMain).
#include "support/per_thread.h"

#include <gtest/gtest.h>

#include <thread>

namespace bellnest {
namespace {

struct Counted {
  static inline int alive = 0;
  int value = 0;
  Counted() { ++alive; }
  ~Counted() { --alive; }
};

TEST(PerThread, EachThreadHasItsOwnCopyWhichEndsWithItOrWhenAsked) {
  PerThread<Counted> counted;
  counted.Get().value = 1;
  int seen = -1;
  std::thread([&] {
    seen = counted.Get().value;
    counted.Get().value = 2;
  }).join();
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(counted.Get().value, 1);
  EXPECT_EQ(Counted::alive, 1);  // the other thread's copy ended with it

  EndAllThreadCopies();
  EXPECT_EQ(Counted::alive, 0);
  EXPECT_EQ(counted.Get().value, 0);  // made afresh on the next use
  EndThreadCopies();
  EXPECT_EQ(Counted::alive, 0);
}

// An ending copy may reach for a PerThread object again (a destructor that logs reads the
// shared state): what it makes then ends too, with a thread or with the module.
TEST(PerThread, WhatAnEndingCopyMakesEndsToo) {
  static PerThread<Counted> made;
  struct Reaching {
    ~Reaching() { made.Get().value = 3; }
  };
  static PerThread<Reaching> reaching;
  std::thread([] { reaching.Get(); }).join();
  EXPECT_EQ(Counted::alive, 0);
  reaching.Get();
  EndAllThreadCopies();
  EXPECT_EQ(Counted::alive, 0);
}

}  // namespace
}  // namespace bellnest
