#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <thread>

#include "common/thread_priority.h"
#include "common/tick.h"

namespace talvesso {
namespace {

TEST(TickCount32, CountsMillisecondsForward) {
  const uint32_t before = TickCount32();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const uint32_t elapsed = TickCount32() - before;  // modulo 2^32, as callers take it
  EXPECT_GE(elapsed, 30u);
  EXPECT_LT(elapsed, 60000u);
}

TEST(SetCurrentThreadIdlePriority, PutsOnlyTheCallingThreadOnTheIdlePolicy) {
  int workerPolicy = -1;
  bool lowered = false;
  std::thread worker([&] {
    lowered = SetCurrentThreadIdlePriority();
    sched_param param{};
    pthread_getschedparam(pthread_self(), &workerPolicy, &param);
  });
  worker.join();
  ASSERT_TRUE(lowered);
  EXPECT_EQ(workerPolicy, SCHED_IDLE);

  int mainPolicy = -1;
  sched_param param{};
  pthread_getschedparam(pthread_self(), &mainPolicy, &param);
  EXPECT_NE(mainPolicy, SCHED_IDLE);
}

}  // namespace
}  // namespace talvesso
