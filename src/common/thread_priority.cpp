#include "common/thread_priority.h"

#include <pthread.h>
#include <sched.h>

namespace talvesso {

bool SetCurrentThreadIdlePriority() {
  sched_param param{};
  param.sched_priority = 0;  // the only priority SCHED_IDLE accepts
  return pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0;
}

}  // namespace talvesso
