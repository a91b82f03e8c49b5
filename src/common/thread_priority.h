#pragma once

namespace talvesso {

// Lowers the calling thread to idle priority (SCHED_IDLE on Linux). Returns false when the
// system refused; callers go on at normal priority then.
bool SetCurrentThreadIdlePriority();

}  // namespace talvesso
